// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/TextEvidence.h"

#include "cipher/KeyExpansion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <numeric>
#include <span>
#include <utility>
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
// And this many times further than the shares stand apart anyway.
constexpr double GarbledApart = 6.0;
// Or reads this much better, in log units per byte, turned back by one code.
constexpr double TurnedGain = 1.0;
// The text's commonest bytes, which a garbled share's commonest byte was.
constexpr std::size_t CommonestCodes = 8;
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

// The bytes that one character of the password's key made, as the rest of
// the text reads them.
struct Share
{
    double size = 0;
    double mean = 0;   // of its bytes' scores: the log of how often the rest uses them
    double spread = 0; // sum of squared deviations from the mean
    std::array<double, 256> score{};
    std::vector<std::pair<std::size_t, double>> codes; // those it holds, and how many
};

// log(x + 0.5) for every count x up to the text's size, made once.
class LogTable
{
public:
    explicit LogTable(qsizetype size)
    {
        m_values.reserve(std::size_t(size) + 1);
        for (qsizetype x = 0; x <= size; ++x) {
            m_values.push_back(std::log(double(x) + 0.5));
        }
    }
    double of(double count) const { return m_values[std::size_t(count)]; }

private:
    std::vector<double> m_values;
};

Share shareOf(const std::array<double, 256>& own, const std::array<double, 256>& total, double n,
              const LogTable& logs)
{
    Share share;
    for (const double count : own) {
        share.size += count;
    }
    double sum = 0;
    double squares = 0;
    const double rest = std::log(n - share.size + 128.0);
    for (std::size_t code = 0; code < 256; ++code) {
        share.score[code] = logs.of(total[code] - own[code]) - rest;
        if (own[code] > 0) {
            share.codes.emplace_back(code, own[code]);
            sum += own[code] * share.score[code];
            squares += own[code] * share.score[code] * share.score[code];
        }
    }
    share.mean = sum / share.size;
    share.spread = squares - share.size * share.mean * share.mean;
    return share;
}

// A mistyped character turns its bytes by one code: how much better they
// read turned back by the best one. Only the codes that turn the share's
// commonest byte into one of the text's commonest are worth trying.
double turnedGain(const Share& share, const std::array<std::size_t, CommonestCodes>& commonest)
{
    const auto top =
        std::max_element(share.codes.cbegin(), share.codes.cend(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    double best = share.mean;
    for (const std::size_t common : commonest) {
        const std::size_t turn = top->first ^ common;
        if (turn == 0) {
            continue;
        }
        double back = 0;
        for (const auto& [code, count] : share.codes) {
            back += count * share.score[code ^ turn];
        }
        best = std::max(best, back / share.size);
    }
    return best - share.mean;
}

double medianOf(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + qsizetype(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// The bytes of each character of the password, scored by how often the rest
// of the text uses them. A garbled share reads far below the others, further
// than the shares of the text stand apart anyway (a text that repeats itself
// at a multiple of the password's length reads differently at each of its
// characters), or reads far better once turned back by one code (however
// many characters are wrong). True when no share does.
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
    const LogTable logs(n);
    std::array<std::size_t, 256> order{};
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::partial_sort(order.begin(), order.begin() + CommonestCodes, order.end(),
                      [&total](std::size_t a, std::size_t b) { return total[a] > total[b]; });
    std::array<std::size_t, CommonestCodes> commonest{};
    std::copy_n(order.cbegin(), CommonestCodes, commonest.begin());
    std::vector<Share> shares;
    std::vector<double> means;
    double spread = 0;
    double samples = 0;
    for (const auto& own : counts) {
        Share share = shareOf(own, total, double(n), logs);
        if (share.size >= FewestPerPosition) {
            means.push_back(share.mean);
            spread += share.spread;
            samples += share.size;
            shares.push_back(std::move(share));
        }
    }
    if (shares.size() < 2) {
        return true;
    }
    const double deviation = std::sqrt(spread / std::max(1.0, samples - double(shares.size())));
    const double median = medianOf(means);
    std::vector<double> apart(means.size());
    std::transform(means.cbegin(), means.cend(), apart.begin(),
                   [median](double mean) { return std::abs(mean - median); });
    const double usual = 1.4826 * medianOf(apart);
    return deviation <= 0 || std::none_of(shares.cbegin(), shares.cend(), [&](const Share& share) {
               const double error = deviation / std::sqrt(share.size);
               const double below = median - share.mean;
               if (below <= 0) {
                   return false; // reads as well as most: not garbled
               }
               if (below >= GarbledGap && below >= GarbledApart * usual &&
                   below / error >= GarbledScore) {
                   return true;
               }
               const double gain = turnedGain(share, commonest);
               return gain >= TurnedGain && gain / error >= GarbledScore;
           });
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
