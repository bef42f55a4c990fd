// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/PasswordPositions.h"

#include "cipher/KeyExpansion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <span>
#include <utility>
#include <vector>

namespace quibex::keycheck {

namespace {

// How far below the others, in standard errors, the bytes of one character
// of the password must read to count as garbled: far beyond what chance
// gives over 255 characters.
constexpr double GarbledScore = 6.0;
constexpr double GarbledGap = 1.0;
// And this many times further than the shares stand apart anyway.
constexpr double GarbledApart = 6.0;
// Or reads this much better, in log units per byte, with another character
// of the password there.
constexpr double CorrectedGain = 1.0;
// Where pixels repeat with the key in their own right (their rows as long
// as the key, or a multiple), a share that reads apart is garbled only if
// some code brings it back to about where the others read: the right code
// does for a mistyped character, between these shares of how far it fell.
// Columns of a picture read apart whatever the code, or far better as
// other columns.
constexpr double LeastGainPerFall = 0.5;
constexpr double MostGainPerFall = 1.5;
// The text's commonest bytes, which a garbled position's commonest byte was.
constexpr std::size_t CommonestCodes = 8;

// The bytes that one character of the password's key made, as the rest of
// the text reads them.
struct Share
{
    double size = 0;
    double mean = 0;   // of its bytes' scores: the log of how often the rest uses them
    double spread = 0; // sum of squared deviations from the mean
    std::array<double, 256> score{};
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
            sum += own[code] * share.score[code];
            squares += own[code] * share.score[code] * share.score[code];
        }
    }
    share.mean = sum / share.size;
    share.spread = squares - share.size * share.mean * share.mean;
    return share;
}

// The bytes at each position of the key, by code.
using PositionCodes = std::vector<std::vector<std::pair<quint8, double>>>;

// A mistyped character gives wrong key codes at its positions: how much
// better its share reads with the best other character there. Only the
// characters that turn the commonest byte of one of its positions into one
// of the text's commonest are worth trying.
double correctedGain(const Share& share, qsizetype character, const PasswordPositions& password,
                     const PositionCodes& positions,
                     const std::array<std::size_t, CommonestCodes>& commonest)
{
    std::array<bool, 256> tried{};
    double best = share.mean;
    const auto tryCode = [&](quint8 code) {
        if (tried[code]) {
            return;
        }
        tried[code] = true;
        double score = 0;
        for (qsizetype p = 0; p < password.period(); ++p) {
            if (password.source(p) != character) {
                continue;
            }
            const quint8 turn = password.key(p) ^ password.keyWith(p, code);
            for (const auto& [byte, count] : positions[std::size_t(p)]) {
                score += count * share.score[byte ^ turn];
            }
        }
        best = std::max(best, score / share.size);
    };
    for (qsizetype p = 0; p < password.period(); ++p) {
        const auto& codes = positions[std::size_t(p)];
        if (password.source(p) != character || codes.empty()) {
            continue;
        }
        const quint8 top =
            std::max_element(codes.cbegin(), codes.cend(), [](const auto& a, const auto& b) {
                return a.second < b.second;
            })->first;
        for (const std::size_t common : commonest) {
            for (const quint8 code :
                 password.codesGiving(p, quint8(top ^ password.key(p) ^ common))) {
                tryCode(code);
            }
        }
    }
    return best - share.mean;
}

double medianOf(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + qsizetype(values.size() / 2), values.end());
    return values[values.size() / 2];
}

} // namespace

PasswordPositions PasswordPositions::of(const QByteArray& codes, bool advanced)
{
    PasswordPositions positions;
    positions.m_codes = codes;
    if (codes.isEmpty()) {
        positions.m_sources = {0};
    } else if (advanced) {
        const auto sources =
            expansionSources(std::span(reinterpret_cast<const std::uint8_t*>(codes.constData()),
                                       std::size_t(std::min<qsizetype>(codes.size(), 255))));
        for (const KeySource& source : sources) {
            positions.m_sources.push_back(source.character);
            positions.m_steps.push_back(source.step);
        }
    } else {
        for (qsizetype i = 0; i < codes.size(); ++i) {
            positions.m_sources.push_back(i);
        }
    }
    return positions;
}

quint8 PasswordPositions::keyWith(qsizetype position, quint8 code) const
{
    if (m_steps.empty()) {
        return code;
    }
    const int step = m_steps[std::size_t(position)];
    const int distance = std::abs(int(code) - step);
    return distance <= 255 ? quint8(distance) : key(position);
}

std::vector<quint8> PasswordPositions::codesGiving(qsizetype position, quint8 key) const
{
    if (m_steps.empty()) {
        return {key};
    }
    const int step = m_steps[std::size_t(position)];
    std::vector<quint8> codes;
    for (const int code : {step - int(key), step + int(key)}) {
        if (code >= 1 && code <= 255 && (codes.empty() || codes.front() != code)) {
            codes.push_back(quint8(code));
        }
    }
    return codes;
}

// The bytes of each character of the password, scored by how often the rest
// of the text uses them. A garbled share reads far below the others, further
// than the shares of the text stand apart anyway (a text that repeats itself
// at a multiple of the password's length reads differently at each of its
// characters), or reads far better once turned back by one code (however
// many characters are wrong). True when no share does.
bool readsAlikeAcrossKey(const QByteArray& bytes, const PasswordPositions& password,
                         qsizetype fewestPerCharacter, const ByteLane& lane)
{
    const qsizetype step = std::max<qsizetype>(lane.step, 1);
    const qsizetype first = std::max<qsizetype>(lane.first, 0);
    const qsizetype n = bytes.size() > first ? (bytes.size() - first + step - 1) / step : 0;
    const qsizetype period = password.length();
    // In a lane, only the characters whose codes fall there share its bytes.
    if (period < 2 || n * step / period < fewestPerCharacter) {
        return true; // too few bytes for each character to tell
    }
    std::array<double, 256> total{};
    std::vector<std::array<double, 256>> counts(std::size_t(period), std::array<double, 256>{});
    std::vector<std::array<double, 256>> byPosition(std::size_t(password.period()),
                                                    std::array<double, 256>{});
    for (qsizetype i = first; i < bytes.size(); i += step) {
        const auto code = quint8(bytes[i]);
        total[code] += 1;
        counts[std::size_t(password.at(i))][code] += 1;
        byPosition[std::size_t(password.position(i))][code] += 1;
    }
    PositionCodes positions(byPosition.size());
    for (std::size_t p = 0; p < byPosition.size(); ++p) {
        for (std::size_t code = 0; code < 256; ++code) {
            if (byPosition[p][code] > 0) {
                positions[p].emplace_back(quint8(code), byPosition[p][code]);
            }
        }
    }
    const LogTable logs(n);
    std::array<std::size_t, 256> order{};
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::partial_sort(order.begin(), order.begin() + CommonestCodes, order.end(),
                      [&total](std::size_t a, std::size_t b) { return total[a] > total[b]; });
    std::array<std::size_t, CommonestCodes> commonest{};
    std::copy_n(order.cbegin(), CommonestCodes, commonest.begin());
    std::vector<std::pair<qsizetype, Share>> shares; // by character of the password
    std::vector<double> means;
    double spread = 0;
    double samples = 0;
    for (qsizetype character = 0; character < period; ++character) {
        Share share = shareOf(counts[std::size_t(character)], total, double(n), logs);
        if (share.size >= double(fewestPerCharacter)) {
            means.push_back(share.mean);
            spread += share.spread;
            samples += share.size;
            shares.emplace_back(character, share);
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
    return deviation <= 0 || std::none_of(shares.cbegin(), shares.cend(), [&](const auto& entry) {
               const auto& [character, share] = entry;
               const double error = deviation / std::sqrt(share.size);
               const double below = median - share.mean;
               if (below <= 0) {
                   return false; // reads as well as most: not garbled
               }
               const bool fallen = below >= GarbledGap && below >= GarbledApart * usual &&
                                   below / error >= GarbledScore;
               if (fallen && !lane.inRows) {
                   return true;
               }
               const double gain = correctedGain(share, character, password, positions, commonest);
               if (lane.inRows &&
                   (gain < LeastGainPerFall * below || gain > MostGainPerFall * below)) {
                   return false;
               }
               return fallen || (gain >= CorrectedGain && gain / error >= GarbledScore);
           });
}

} // namespace quibex::keycheck
