// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/TextEvidence.h"

#include "cipher/Windows1252.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cctype>
#include <span>
#include <string>
#include <string_view>

namespace quibex::keycheck {

namespace {

// Windows-1252 text of Western languages: accented letters are a few in a
// hundred; a key of high codes over ASCII makes most bytes high.
constexpr double MostHighBytes = 0.25;
// Below this, too few bytes for each character of the password: a short text
// is judged by which characters follow which instead.
constexpr qsizetype ShortText = 256;
// How much likelier, in log units per pair, a short text's pairs of
// characters must be in text than in a wrong key's output; and how much
// better they may read turned by one code (a wrong key of the advanced mode
// mostly turns a stretch by the same code). Set from the texts the pairs
// were counted in: of the beginnings of 700 of them, two of 16 bytes read
// worse ("<h1>Openbox</h1>", "/*--------------"), none of 40 bytes or more.
constexpr double LeastPairEvidence = -0.3;
constexpr double MostTurnedGain = 1.2;
// Text has blanks between its words and lines: one at least, and one byte in
// this many. A wrong key turns them into other signs.
constexpr qsizetype BytesPerBlank = 64;
// Percentage of letters, digits and blanks in text, at least.
constexpr qsizetype MostlyWords = 50;

bool allowedControl(quint8 code)
{
    // Tab, line feed, vertical tab, form feed, carriage return, DOS end mark, escape.
    return (code >= 0x09 && code <= 0x0D) || code == 0x1A || code == 0x1B;
}

bool hasStrayControls(const QByteArray& bytes)
{
    return std::any_of(bytes.cbegin(), bytes.cend(), [](char byte) {
        const auto code = quint8(byte);
        return (code < 0x20 && !allowedControl(code)) || code == 0x7F;
    });
}

// The length of the whole UTF-8 sequences of bytes, a last one cut by the
// end of the sample left out; -1 when bytes are not UTF-8.
qsizetype utf8Length(const QByteArray& bytes)
{
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        const auto lead = quint8(bytes[i]);
        const int more = lead < 0x80                      ? 0
                         : (lead >= 0xC2 && lead <= 0xDF) ? 1
                         : (lead & 0xF0) == 0xE0          ? 2
                         : (lead >= 0xF0 && lead <= 0xF4) ? 3
                                                          : -1;
        if (more < 0) {
            return -1;
        }
        for (int k = 1; k <= more; ++k) {
            if (i + k >= n) {
                return i;
            }
            if ((quint8(bytes[i + k]) & 0xC0) != 0x80) {
                return -1;
            }
        }
        i += more + 1;
    }
    return n;
}

bool isPlausibleWindows1252(const QByteArray& bytes)
{
    qsizetype high = 0;
    for (const char byte : bytes) {
        const auto code = quint8(byte);
        if (code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D) {
            return false; // no character there
        }
        high += code >= 0x80 ? 1 : 0;
    }
    return double(high) <= MostHighBytes * double(bytes.size());
}

bool isBlank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r';
}

// Blanks between words and lines, and mostly letters and digits: a wrong key
// turns blanks and letters into signs.
bool hasWords(const QByteArray& bytes)
{
    const auto blanks = std::count_if(bytes.cbegin(), bytes.cend(), isBlank);
    const auto wordy = std::count_if(bytes.cbegin(), bytes.cend(), [](char byte) {
        const auto code = quint8(byte);
        return isBlank(byte) || code >= 0x80 || std::isalnum(code) != 0;
    });
    const bool spaced = bytes.size() < BytesPerBlank || blanks * BytesPerBlank >= bytes.size();
    return spaced && wordy * 100 >= bytes.size() * MostlyWords;
}

// Which characters follow which, in classes: blanks, breaks, capitals,
// digits, four kinds of signs, other ASCII signs, letters beyond ASCII, other
// characters beyond ASCII, controls, and each small letter on its own.
constexpr int CharacterClasses = 38;
constexpr std::array<std::array<std::int16_t, CharacterClasses>, CharacterClasses> PairEvidence{{
#include "keycheck/CharacterPairs.inc"
}};

int classOf(char32_t character)
{
    if (character >= 0x80) {
        return character == QChar::ReplacementCharacter ? 11 : QChar::isLetter(character) ? 9 : 10;
    }
    const auto code = char(character);
    if (code == ' ') {
        return 0;
    }
    if (allowedControl(quint8(code))) {
        return 1;
    }
    if (code >= 'A' && code <= 'Z') {
        return 2;
    }
    if (code >= '0' && code <= '9') {
        return 3;
    }
    if (code >= 'a' && code <= 'z') {
        return 12 + (code - 'a');
    }
    constexpr std::array<std::string_view, 4> signs{".,;:!?", "'\"", "()[]{}", "-_/"};
    for (std::size_t kind = 0; kind < signs.size(); ++kind) {
        if (signs[kind].find(code) != std::string_view::npos) {
            return 4 + int(kind);
        }
    }
    return code > 0x20 && code < 0x7F ? 8 : 11;
}

// The characters of bytes, as UTF-8 (a sequence cut by the end left out) or
// else as Windows-1252.
std::u32string charactersOf(const QByteArray& bytes)
{
    const qsizetype whole = utf8Length(bytes);
    if (whole < 0) {
        const std::u16string text = decodeWindows1252(std::span(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
        return {text.cbegin(), text.cend()};
    }
    return QString::fromUtf8(bytes.first(whole)).toStdU32String();
}

// Per pair, how much likelier in log units the pairs of characters are in
// text than in what a wrong key gives; with or without the pairs of a
// character with itself.
double pairEvidence(const QByteArray& bytes, bool repeats)
{
    const std::u32string characters = charactersOf(bytes);
    int sum = 0;
    int pairs = 0;
    for (std::size_t i = 1; i < characters.size(); ++i) {
        if (repeats || characters[i] != characters[i - 1]) {
            sum += PairEvidence[std::size_t(classOf(characters[i - 1]))]
                               [std::size_t(classOf(characters[i]))];
            ++pairs;
        }
    }
    return pairs == 0 ? 0 : double(sum) / 100.0 / double(pairs);
}

// A short text is judged by its pairs of characters, and by whether it
// reads far better turned by one code. A turn keeps a repeated character
// repeated (a rule of signs becomes a row of letters): repeats say nothing
// of which turn reads best.
bool pairsRead(const QByteArray& bytes)
{
    if (pairEvidence(bytes, true) < LeastPairEvidence) {
        return false;
    }
    const double own = pairEvidence(bytes, false);
    QByteArray turned(bytes.size(), Qt::Uninitialized);
    for (int turn = 1; turn < 256; ++turn) {
        std::transform(bytes.cbegin(), bytes.cend(), turned.begin(),
                       [turn](char byte) { return char(quint8(byte) ^ turn); });
        if (pairEvidence(turned, false) - own >= MostTurnedGain) {
            return false;
        }
    }
    return true;
}

} // namespace

bool readsAsText(const QByteArray& bytes, const PasswordPositions& password)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        return true; // UTF-16, marked as such: taken as it is
    }
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    return !hasStrayControls(text) && (utf8Length(text) >= 0 || isPlausibleWindows1252(text)) &&
           hasWords(text) && (text.size() >= ShortText || pairsRead(text)) &&
           readsAlikeAcrossKey(bytes, password);
}

} // namespace quibex::keycheck
