// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/SampleEvidence.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace quibex::keycheck {

namespace {

// How far above the rest of its channel, in standard errors and in bits of
// roughness, the values of one character must stand to count as garbled.
constexpr double GarbledScore = 8.0;
constexpr double GarbledGap = 0.25;
// A garbled character makes most of its values rougher, where the edges of
// a real picture make a few much rougher: the share of values rougher than
// their neighbours by this many bits must stand out too.
constexpr double RougherBy = 0.5;
constexpr double GarbledShareScore = 5.0;
// How much smoother, in bits, another code must make a character's values:
// at least this, and this share of how far they stood out. The right code
// takes away all of a mistyped one's roughness; the columns of a picture
// that a character keeps to on every row come out only a little smoother
// with some code, if at all.
constexpr double CorrectedGain = 0.2;
constexpr double CorrectedShare = 0.5;
// Fewer values than this at a character tell too little.
constexpr double FewestValues = 64;
// Channels of more than this many are not sound nor pixels.
constexpr std::size_t MostChannels = 16;

struct Tally
{
    double count = 0;
    double sum = 0;
    double squares = 0;
    double rougher = 0; // values clearly rougher than their neighbours

    void add(double score)
    {
        ++count;
        sum += score;
        squares += score * score;
        rougher += score > RougherBy ? 1 : 0;
    }
    void add(const Tally& other)
    {
        count += other.count;
        sum += other.sum;
        squares += other.squares;
        rougher += other.rougher;
    }
};

// The values of the bytes, as they are or with the bytes that one character
// of the password made decrypted with another code instead.
class Values
{
public:
    Values(std::span<const std::uint8_t> file, unsigned width) : m_file(file), m_width(width) {}

    void retype(const PasswordPositions* password, qsizetype character, quint8 code)
    {
        m_password = password;
        m_character = character;
        m_code = code;
    }

    double at(std::size_t offset) const
    {
        switch (m_width) {
        case 1:
            return double(byte(offset));
        case 2:
            return double(std::int16_t(std::uint16_t(byte(offset) | (byte(offset + 1) << 8))));
        case 3:
            return double(std::int32_t((std::uint32_t(byte(offset)) << 8) |
                                       (std::uint32_t(byte(offset + 1)) << 16) |
                                       (std::uint32_t(byte(offset + 2)) << 24)) >>
                          8);
        default:
            return double(std::int32_t(
                std::uint32_t(byte(offset)) | (std::uint32_t(byte(offset + 1)) << 8) |
                (std::uint32_t(byte(offset + 2)) << 16) | (std::uint32_t(byte(offset + 3)) << 24)));
        }
    }

private:
    std::uint8_t byte(std::size_t offset) const
    {
        const std::uint8_t own = m_file[offset];
        if (m_password == nullptr) {
            return own;
        }
        const qsizetype position = m_password->position(qsizetype(offset));
        if (m_password->source(position) != m_character) {
            return own;
        }
        return std::uint8_t(own ^ m_password->key(position) ^
                            m_password->keyWith(position, m_code));
    }

    std::span<const std::uint8_t> m_file;
    unsigned m_width;
    const PasswordPositions* m_password = nullptr;
    qsizetype m_character = -1;
    quint8 m_code = 0;
};

// How many values on each side a value is foretold from: sound runs smoothly
// enough for a curve through two on each side to foretell it far closer than
// a line does; a picture's edges would make such a curve overshoot.
std::size_t reachOf(const Samples& s)
{
    return s.row == 0 ? 2 : 1;
}

// Whether a value has its neighbours on both sides (and above and below, in
// a picture) within the bytes.
bool hasNeighbours(const Samples& s, std::size_t offset, std::size_t end)
{
    const std::size_t margin = reachOf(s) * s.next + s.row;
    if (offset < s.start + margin || offset + margin + s.width > end) {
        return false;
    }
    if (s.row == 0) {
        return true;
    }
    const std::size_t column = (offset - s.start) % s.row;
    return column >= s.next && column + s.next + s.width <= s.rowValues;
}

// log2(x) for x >= 1, within a hundredth: called for every value.
double log2Of(double x)
{
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const auto exponent = double(int((bits >> 52) & 0x7ff) - 1023);
    const double t =
        std::bit_cast<double>((bits & 0x000fffffffffffffULL) | 0x3ff0000000000000ULL) - 1.0;
    return exponent + t * (1.3465557 - 0.3465557 * t);
}

// How far a value stands from what its neighbours foretell, in bits.
double roughness(const Values& values, const Samples& s, std::size_t offset)
{
    const double before = values.at(offset - s.next);
    const double after = values.at(offset + s.next);
    double foretold = 0;
    if (s.row == 0) {
        foretold = (4 * (before + after) - values.at(offset - 2 * s.next) -
                    values.at(offset + 2 * s.next)) /
                   6;
    } else {
        foretold = (before + after + values.at(offset - s.row) + values.at(offset + s.row)) / 4;
    }
    return log2Of(1.0 + std::fabs(values.at(offset) - foretold));
}

// The roughness of each value with neighbours, by its index from start.
std::vector<double> roughnesses(std::span<const std::uint8_t> file, const Samples& s,
                                std::size_t end)
{
    const Values values(file, s.width);
    std::vector<double> rough((end - s.start) / s.width, -1);
    for (std::size_t offset = s.start; offset + s.width <= end; offset += s.width) {
        if (hasNeighbours(s, offset, end)) {
            rough[(offset - s.start) / s.width] = roughness(values, s, offset);
        }
    }
    return rough;
}

// The characters that made a value's bytes, each once (-1 for none).
using Makers = std::array<qsizetype, 4>;

bool shareMaker(const Makers& a, const Makers& b)
{
    return std::any_of(a.begin(), a.end(), [&b](qsizetype m) {
        return m >= 0 && std::find(b.begin(), b.end(), m) != b.end();
    });
}

// What the password's key gives at each offset of the file, as it repeats:
// the makers of a value there, and the neighbours, in steps of its channel,
// that other characters made (beyond the reach of the values that foretell
// them, where a garbled value does not make them rougher).
class KeyPattern
{
public:
    KeyPattern(const PasswordPositions& password, const Samples& s)
        : m_period(std::size_t(password.period())), m_makers(m_period), m_others(m_period)
    {
        constexpr std::size_t Farthest = 8;
        constexpr std::size_t Wanted = 4;
        for (std::size_t r = 0; r < m_period; ++r) {
            m_makers[r] = {-1, -1, -1, -1};
            for (unsigned b = 0; b < s.width; ++b) {
                const qsizetype source = password.at(qsizetype(r) + qsizetype(b));
                if (std::find(m_makers[r].begin(), m_makers[r].end(), source) ==
                    m_makers[r].end()) {
                    m_makers[r][b] = source;
                }
            }
        }
        const std::size_t channelStep = s.next / s.width;
        for (std::size_t r = 0; r < m_period; ++r) {
            for (std::size_t far = reachOf(s) + 1; far <= Farthest && m_others[r].size() < Wanted;
                 ++far) {
                const std::size_t bytes = far * s.next % m_period;
                const auto steps = std::ptrdiff_t(far * channelStep);
                for (const bool after : {true, false}) {
                    const std::size_t other =
                        after ? (r + bytes) % m_period : (r + m_period - bytes) % m_period;
                    if (!shareMaker(m_makers[r], m_makers[other])) {
                        m_others[r].push_back(after ? steps : -steps);
                    }
                }
            }
        }
    }

    const Makers& makersAt(std::size_t offset) const { return m_makers[offset % m_period]; }
    const std::vector<std::ptrdiff_t>& othersAt(std::size_t offset) const
    {
        return m_others[offset % m_period];
    }

private:
    std::size_t m_period;
    std::vector<Makers> m_makers;
    std::vector<std::vector<std::ptrdiff_t>> m_others;
};

// A value's roughness above that of nearby values made by other characters:
// what the sound or the picture does there anyway cancels out.
std::optional<double> contrast(const std::vector<double>& rough, const KeyPattern& pattern,
                               std::size_t index, std::size_t offset)
{
    const double own = rough[index];
    if (own < 0) {
        return std::nullopt;
    }
    double around = 0;
    int found = 0;
    for (const std::ptrdiff_t steps : pattern.othersAt(offset)) {
        const auto other = std::ptrdiff_t(index) + steps;
        if (other >= 0 && std::size_t(other) < rough.size() && rough[std::size_t(other)] >= 0) {
            around += rough[std::size_t(other)];
            ++found;
        }
    }
    if (found < 2) {
        return std::nullopt;
    }
    return own - around / found;
}

// How far above the rest a character's values stand, in standard errors: by
// their mean roughness, and by their share of values rougher than around.
struct Standing
{
    double gap = 0;
    double score = 0;
    double shareScore = 0;
};

Standing standingOf(const Tally& t, const Tally& all)
{
    const double rest = all.count - t.count;
    const double variance =
        std::max(all.squares / all.count - (all.sum / all.count) * (all.sum / all.count), 1e-9);
    const double share = all.rougher / all.count;
    const double shareVariance = std::max(share * (1 - share), 1e-9);
    const double scale = 1 / t.count + 1 / rest;
    const double gap = t.sum / t.count - (all.sum - t.sum) / rest;
    const double shareGap = t.rougher / t.count - (all.rougher - t.rougher) / rest;
    return {gap, gap / std::sqrt(variance * scale), shareGap / std::sqrt(shareVariance * scale)};
}

// A channel's values by the character that made them, and by the part of
// the sound or the column of the picture they are in: a garbled character
// stands out in most parts, a picture's edges in a few columns.
constexpr std::size_t Parts = 16;
using Parted = std::array<Tally, Parts>;

Tally whole(const Parted& parts)
{
    Tally sum;
    for (const Tally& t : parts) {
        sum.add(t);
    }
    return sum;
}

// The median over the parts that hold enough of both of how far the
// character's values stand above the others'. A small picture holds too few
// values in each: its parts are then taken two or four together.
double medianGap(const Parted& own, const Parted& all)
{
    constexpr double FewestInPart = 8;
    for (std::size_t merged = 1; merged <= 4; merged *= 2) {
        std::vector<double> gaps;
        for (std::size_t first = 0; first < Parts; first += merged) {
            Tally mine;
            Tally every;
            for (std::size_t p = first; p < first + merged; ++p) {
                mine.add(own[p]);
                every.add(all[p]);
            }
            const double rest = every.count - mine.count;
            if (mine.count >= FewestInPart && rest >= FewestInPart) {
                gaps.push_back(mine.sum / mine.count - (every.sum - mine.sum) / rest);
            }
        }
        if (gaps.size() >= Parts / merged / 2) {
            std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2),
                             gaps.end());
            return gaps[gaps.size() / 2];
        }
    }
    return 0;
}

// Which characters of a channel stand out above the others: garbled ones,
// or a pattern of the file's own that repeats with the key.
std::vector<std::pair<std::size_t, double>> standingOut(const std::vector<Parted>& characters)
{
    Parted all{};
    for (const Parted& c : characters) {
        for (std::size_t p = 0; p < Parts; ++p) {
            all[p].add(c[p]);
        }
    }
    const Tally total = whole(all);
    std::vector<std::pair<std::size_t, double>> out;
    for (std::size_t character = 0; character < characters.size(); ++character) {
        const Tally t = whole(characters[character]);
        if (t.count < FewestValues || total.count - t.count < FewestValues) {
            continue;
        }
        const Standing s = standingOf(t, total);
        if (s.gap > GarbledGap && s.score > GarbledScore && s.shareScore > GarbledShareScore &&
            medianGap(characters[character], all) > GarbledGap / 2) {
            out.emplace_back(character, s.gap);
        }
    }
    return out;
}

// Whether another code at a character makes its values clearly smoother, as
// the right one makes a mistyped character's: no other code smooths a
// pattern that the file itself repeats with the key.
bool smootherWithAnother(std::span<const std::uint8_t> file, const Samples& s,
                         const PasswordPositions& password, const KeyPattern& pattern,
                         const std::vector<double>& rough, std::size_t channel, qsizetype character,
                         double gap)
{
    constexpr std::size_t MostTried = 512;
    const std::size_t channels = s.next / s.width;
    std::vector<std::size_t> offsets;
    for (std::size_t index = channel; index < rough.size(); index += channels) {
        const std::size_t offset = s.start + index * s.width;
        const Makers& makers = pattern.makersAt(offset);
        if (rough[index] >= 0 &&
            std::find(makers.begin(), makers.end(), character) != makers.end()) {
            offsets.push_back(offset);
        }
    }
    // Values spread over the sound by a multiplier prime to their count: a
    // plain stride would meet the same few of the character's key codes
    // again and again, and they may be the ones that changed least.
    constexpr std::uint64_t Spreader = 2654435761U;
    const std::size_t tried = std::min(offsets.size(), MostTried);
    Values values(file, s.width);
    const auto meanRoughness = [&] {
        double sum = 0;
        for (std::size_t i = 0; i < tried; ++i) {
            sum += roughness(values, s, offsets[std::size_t(i * Spreader % offsets.size())]);
        }
        return sum / double(std::max<std::size_t>(tried, 1));
    };
    const double own = meanRoughness();
    const quint8 typed = password.code(character);
    for (int code = 0x20; code <= 0xff; ++code) {
        if (code == typed || code == 0x7f) {
            continue;
        }
        values.retype(&password, character, quint8(code));
        if (meanRoughness() < own - std::max(CorrectedGain, CorrectedShare * gap)) {
            return true;
        }
    }
    return false;
}

// A stretch of the sound, or a band of columns of the picture.
std::size_t partOf(const Samples& s, std::size_t index, std::size_t count)
{
    if (s.row == 0) {
        return index * Parts / count;
    }
    return ((index * s.width) % s.row) * Parts / std::max<std::size_t>(s.rowValues, 1) % Parts;
}

} // namespace

bool samplesRunAlike(std::span<const std::uint8_t> file, const Samples& s,
                     const PasswordPositions& password)
{
    const std::size_t channels = s.width == 0 ? 0 : s.next / s.width;
    if (channels == 0 || channels > MostChannels || s.width > 4 || s.next % s.width != 0) {
        return true;
    }
    const std::size_t end = std::min(s.end, file.size());
    if (end <= s.start) {
        return true;
    }
    const std::vector<double> rough = roughnesses(file, s, end);
    const KeyPattern pattern(password, s);
    const auto characters = std::size_t(password.length());
    std::vector<std::vector<Parted>> tallies(channels, std::vector<Parted>(characters));
    for (std::size_t index = 0; index < rough.size(); ++index) {
        const std::size_t offset = s.start + index * s.width;
        const std::optional<double> score = contrast(rough, pattern, index, offset);
        if (!score) {
            continue;
        }
        const std::size_t part = partOf(s, index, rough.size());
        for (const qsizetype maker : pattern.makersAt(offset)) {
            if (maker >= 0) {
                tallies[index % channels][std::size_t(maker)][part].add(*score);
            }
        }
    }
    for (std::size_t channel = 0; channel < channels; ++channel) {
        for (const auto& [character, gap] : standingOut(tallies[channel])) {
            if (smootherWithAnother(file, s, password, pattern, rough, channel,
                                    qsizetype(character), gap)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace quibex::keycheck
