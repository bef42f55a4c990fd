// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <algorithm>
#include <optional>

namespace quibex::keycheck {

namespace {

constexpr std::size_t Block = 512;
constexpr std::size_t SizeAt = 124;
constexpr std::size_t SizeLength = 12;
constexpr std::size_t ChecksumAt = 148;
constexpr std::size_t ChecksumLength = 8;
constexpr std::size_t TypeAt = 156;

// Leading blanks or zeros, octal digits, then NULs or blanks (or nothing,
// the field being full; an empty field is zero); an empty optional for
// anything else.
std::optional<std::uint64_t> octal(std::span<const std::uint8_t> field)
{
    std::size_t at = 0;
    while (at < field.size() && field[at] == ' ') {
        ++at;
    }
    std::uint64_t value = 0;
    for (; at < field.size() && field[at] >= '0' && field[at] <= '7'; ++at) {
        value = value * 8 + std::uint64_t(field[at] - '0');
    }
    for (; at < field.size(); ++at) {
        if (field[at] != 0 && field[at] != ' ') {
            return std::nullopt;
        }
    }
    return value;
}

// Octal, or GNU's base-256 for sizes beyond eleven octal digits.
std::optional<std::uint64_t> entrySize(std::span<const std::uint8_t> field)
{
    if ((field[0] & 0x80) == 0) {
        return octal(field);
    }
    if (field[0] != 0x80 || field[1] != 0 || field[2] != 0 || field[3] != 0) {
        return std::nullopt; // negative, or beyond 2^64
    }
    std::uint64_t value = 0;
    for (std::size_t i = 4; i < field.size(); ++i) {
        value = (value << 8) | field[i];
    }
    return value;
}

// Old archivers summed signed bytes; the checksum field counts as blanks.
bool checksumHolds(std::span<const std::uint8_t> header)
{
    const auto stored = octal(header.subspan(ChecksumAt, ChecksumLength));
    if (!stored) {
        return false;
    }
    std::int64_t unsignedSum = 0;
    std::int64_t signedSum = 0;
    for (std::size_t i = 0; i < Block; ++i) {
        const bool inField = i >= ChecksumAt && i < ChecksumAt + ChecksumLength;
        const std::uint8_t byte = inField ? ' ' : header[i];
        unsignedSum += byte;
        signedSum += std::int8_t(byte);
    }
    const auto value = std::int64_t(*stored);
    return value == unsignedSum || value == signedSum;
}

bool isZero(std::span<const std::uint8_t> header)
{
    return std::all_of(header.begin(), header.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

Structure judgeTar(const Beginning& file)
{
    const std::span<const std::uint8_t> bytes = file.bytes;
    std::uint64_t at = 0;
    std::size_t held = 0;
    bool zeroBefore = false;
    while (at + Block <= bytes.size()) {
        const auto header = bytes.subspan(std::size_t(at), Block);
        if (isZero(header)) {
            if (zeroBefore) {
                break; // the archive's end: what follows is padding
            }
            zeroBefore = true;
            at += Block;
            continue;
        }
        const auto size = entrySize(header.subspan(SizeAt, SizeLength));
        if (!checksumHolds(header) || !size) {
            // A lone zero block may end an archive that a careless writer
            // closed, and anything may follow it.
            if (zeroBefore) {
                break;
            }
            return Structure::Broken;
        }
        zeroBefore = false;
        ++held;
        // Links, directories, devices and volume labels hold no data, though
        // some writers state a size: rather than guess, the walk stops
        // there. Any other type, unknown ones too, is followed by its data.
        const std::uint8_t type = header[TypeAt];
        const bool noData = (type >= '1' && type <= '6') || type == 'V';
        if (noData && *size != 0) {
            break;
        }
        // The last entry's padding may be missing from a file cut by a
        // careless copy; its data may not.
        if (*size > file.fileSize || at + Block + *size > file.fileSize) {
            return Structure::Broken;
        }
        at += Block + (*size + Block - 1) / Block * Block;
    }
    return held > 0 ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
