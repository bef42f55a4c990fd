// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"
#include "keycheck/Inflate.h"

#include <zlib.h>

#include <algorithm>
#include <optional>

namespace quibex::keycheck {

namespace {

constexpr std::uint8_t FlagHeaderCrc = 0x02;
constexpr std::uint8_t FlagExtra = 0x04;
constexpr std::uint8_t FlagName = 0x08;
constexpr std::uint8_t FlagComment = 0x10;
constexpr std::uint8_t FlagsReserved = 0xE0;

// Where one member left us: at its end (next) or stopped, with what it proved.
struct Member
{
    Structure verdict = Structure::Unknown;
    std::optional<std::size_t> next;
};

Member broken()
{
    return {Structure::Broken, std::nullopt};
}

// A record cut by the bytes' end is fine unless the file itself ends there.
Member cutAt(const Beginning& file, Structure soFar)
{
    return file.isWhole() ? broken() : Member{soFar, std::nullopt};
}

// Skips a zero-terminated field: the offset past its terminator, or none
// when the bytes end first.
std::optional<std::size_t> skipString(std::span<const std::uint8_t> bytes, std::size_t at)
{
    const auto from = bytes.begin() + std::ptrdiff_t(std::min(at, bytes.size()));
    const auto nul = std::find(from, bytes.end(), std::uint8_t(0));
    if (nul == bytes.end()) {
        return std::nullopt;
    }
    return std::size_t(nul - bytes.begin()) + 1;
}

// Where the deflate data starts, past the optional fields: none when the
// bytes end first.
struct Header
{
    bool broken = false;
    std::optional<std::size_t> end;
};

Header skipOptionalFields(const ByteReader& reader, std::span<const std::uint8_t> bytes,
                          std::size_t at, std::uint8_t flags)
{
    std::optional<std::size_t> pos = at + 10;
    if (flags & FlagExtra) {
        const auto extraLength = reader.le16(*pos);
        if (!extraLength) {
            return {};
        }
        pos = *pos + 2 + *extraLength;
    }
    if (flags & FlagName) {
        pos = skipString(bytes, *pos);
    }
    if (pos && (flags & FlagComment)) {
        pos = skipString(bytes, *pos);
    }
    if (pos && (flags & FlagHeaderCrc)) {
        const auto stored = reader.le16(*pos);
        if (!stored) {
            return {};
        }
        const auto crc = crc32(0, bytes.data() + at, uInt(*pos - at));
        if ((crc & 0xFFFF) != *stored) {
            return {true, std::nullopt};
        }
        pos = *pos + 2;
    }
    return {false, pos};
}

Member judgeMember(const Beginning& file, std::size_t at, InflateBudget& budget)
{
    const ByteReader reader(file.bytes);
    const auto method = reader.u8(at + 2);
    const auto flags = reader.u8(at + 3);
    if (!method || !flags) {
        return cutAt(file, Structure::Unknown);
    }
    if (*method != 8 || (*flags & FlagsReserved)) {
        return broken();
    }
    const Header header = skipOptionalFields(reader, file.bytes, at, *flags);
    if (header.broken) {
        return broken();
    }
    const auto start = header.end;
    if (!start || *start > file.bytes.size()) {
        return cutAt(file, Structure::Unknown);
    }

    const auto rest = file.bytes.subspan(*start);
    const auto data = rest.first(std::min(rest.size(), budget.input));
    const auto inflated = inflatePrefix(data, -MAX_WBITS, budget.output, Checksum::Crc32);
    budget.spend(inflated);
    switch (inflated.status) {
    case InflateStatus::Failed:
        return broken();
    case InflateStatus::Cut:
        return data.size() < rest.size() ? Member{Structure::Holds, std::nullopt}
                                         : cutAt(file, Structure::Holds);
    case InflateStatus::Capped:
        return {Structure::Holds, std::nullopt};
    case InflateStatus::Ended:
        break;
    }
    const std::size_t trailer = *start + inflated.consumed;
    const auto crc = reader.le32(trailer);
    const auto size = reader.le32(trailer + 4);
    if (!crc || !size) {
        return cutAt(file, Structure::Holds);
    }
    if (*crc != inflated.checksum || *size != std::uint32_t(inflated.produced)) {
        return broken();
    }
    return {Structure::Holds, trailer + 8};
}

bool isMemberStart(const ByteReader& reader, std::size_t at)
{
    return reader.u8(at) == 0x1F && reader.u8(at + 1) == 0x8B;
}

} // namespace

Structure judgeGzip(const Beginning& file)
{
    const ByteReader reader(file.bytes);
    InflateBudget budget;
    Structure verdict = Structure::Unknown;
    std::size_t at = 0;
    while (isMemberStart(reader, at)) {
        const Member member = judgeMember(file, at, budget);
        if (member.verdict == Structure::Broken) {
            return Structure::Broken;
        }
        verdict = std::max(verdict, member.verdict);
        if (!member.next || budget.spent()) {
            return verdict;
        }
        at = *member.next;
    }
    // Anything after the last member, padding or not, is left unjudged, as
    // gzip itself ignores it.
    return verdict;
}

} // namespace quibex::keycheck
