// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/TextEvidence.h"

#include "cipher/KeyExpansion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <span>
#include <vector>

namespace quibex {

namespace {

// Windows-1252 text of Western languages: accented letters are a few in a
// hundred; a key of high codes over ASCII makes most bytes high.
constexpr double MostHighBytes = 0.25;
// Each character of the password needs this many bytes for its share to be told.
constexpr qsizetype FewestPerPosition = 16;
// How far below the others, in standard errors, the bytes of one character
// of the password must read to count as garbled: far beyond what chance
// gives over 255 characters.
constexpr double GarbledScore = 6.0;
constexpr double GarbledGap = 1.0;
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

// Valid UTF-8, but for a sequence cut by the end of the sample.
bool isUtf8(const QByteArray& bytes)
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
            return false;
        }
        for (int k = 1; k <= more; ++k) {
            if (i + k >= n) {
                return true;
            }
            if ((quint8(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += more + 1;
    }
    return true;
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

// The bytes of each character of the password, scored by how often the bytes
// of the other characters use them: a garbled share uses what the text
// elsewhere does not. True when no share reads far below the others.
bool evenAcrossKey(const QByteArray& bytes, const PasswordPositions& password)
{
    const qsizetype n = bytes.size();
    const qsizetype period = password.length();
    if (period < 2 || n / period < FewestPerPosition) {
        return true; // too few bytes for each character to tell
    }
    std::array<double, 256> total{};
    std::vector<std::array<double, 256>> counts(std::size_t(period), std::array<double, 256>{});
    for (qsizetype i = 0; i < n; ++i) {
        const auto code = quint8(bytes[i]);
        total[code] += 1;
        counts[std::size_t(password.at(i))][code] += 1;
    }
    std::vector<double> means;
    std::vector<double> sizes;
    double spread = 0;
    double samples = 0;
    for (qsizetype r = 0; r < period; ++r) {
        const auto& own = counts[std::size_t(r)];
        double size = 0;
        for (const double c : own) {
            size += c;
        }
        if (size < FewestPerPosition) {
            continue;
        }
        double sum = 0;
        double squares = 0;
        for (int code = 0; code < 256; ++code) {
            if (own[std::size_t(code)] == 0) {
                continue;
            }
            const double elsewhere = total[std::size_t(code)] - own[std::size_t(code)];
            const double score = std::log((elsewhere + 0.5) / (double(n) - size + 128.0));
            sum += own[std::size_t(code)] * score;
            squares += own[std::size_t(code)] * score * score;
        }
        const double mean = sum / size;
        means.push_back(mean);
        sizes.push_back(size);
        spread += squares - size * mean * mean;
        samples += size;
    }
    if (means.size() < 2) {
        return true;
    }
    const double deviation = std::sqrt(spread / std::max(1.0, samples - double(means.size())));
    std::vector<double> sorted = means;
    std::nth_element(sorted.begin(), sorted.begin() + qsizetype(sorted.size() / 2), sorted.end());
    const double median = sorted[sorted.size() / 2];
    for (std::size_t r = 0; r < means.size(); ++r) {
        const double gap = median - means[r];
        const double score = deviation > 0 ? gap * std::sqrt(sizes[r]) / deviation : 0;
        if (score >= GarbledScore && gap >= GarbledGap) {
            return false;
        }
    }
    return true;
}

} // namespace

PasswordPositions PasswordPositions::of(const QByteArray& codes, bool advanced)
{
    PasswordPositions positions;
    positions.m_length = codes.size();
    if (codes.isEmpty()) {
        positions.m_sources = {0};
    } else if (advanced) {
        const auto sources =
            expansionSources(std::span(reinterpret_cast<const std::uint8_t*>(codes.constData()),
                                       std::size_t(std::min<qsizetype>(codes.size(), 255))));
        positions.m_sources.assign(sources.cbegin(), sources.cend());
    } else {
        for (qsizetype i = 0; i < codes.size(); ++i) {
            positions.m_sources.push_back(i);
        }
    }
    return positions;
}

bool readsAsText(const QByteArray& bytes, const PasswordPositions& password)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        return true; // UTF-16, marked as such: taken as it is
    }
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    return !hasStrayControls(text) && (isUtf8(text) || isPlausibleWindows1252(text)) &&
           hasWords(text) && evenAcrossKey(bytes, password);
}

} // namespace quibex
