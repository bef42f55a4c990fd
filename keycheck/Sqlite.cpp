// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quibex::keycheck {

namespace {

constexpr std::size_t HeaderSize = 100;
constexpr std::uint8_t InteriorIndex = 2;
constexpr std::uint8_t InteriorTable = 5;
constexpr std::uint8_t LeafIndex = 10;
constexpr std::uint8_t LeafTable = 13;
constexpr unsigned MaxFragmented = 60;
// A freeblock chain longer than a page could hold is a loop.
constexpr std::size_t MaxFreeblocks = 65536 / 4;

struct Layout
{
    std::size_t pageSize = 0;
    std::size_t usable = 0;
    std::uint64_t pages = 0; // what the header or the file's size says
    bool autoVacuum = false;
};

bool isPowerOfTwo(std::size_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

// The header's fields that have a legal range; a zero schema format and
// encoding are what a database that never held a table has.
std::optional<Layout> readHeader(const ByteReader& in, std::uint64_t fileSize)
{
    static constexpr char Magic[] = "SQLite format 3";
    const auto magic = in.span(0, sizeof Magic);
    if (magic.empty() || std::memcmp(magic.data(), Magic, sizeof Magic) != 0) {
        return std::nullopt;
    }
    Layout layout;
    const std::uint16_t size = in.be16(16).value_or(0);
    layout.pageSize = size == 1 ? 65536 : size;
    if (!isPowerOfTwo(layout.pageSize) || layout.pageSize < 512) {
        return std::nullopt;
    }
    const std::uint8_t reserved = in.u8(20).value_or(0);
    layout.usable = layout.pageSize - reserved;
    const auto versionOk = [](std::uint8_t v) { return v == 1 || v == 2; };
    const bool fieldsOk = versionOk(in.u8(18).value_or(0)) && versionOk(in.u8(19).value_or(0)) &&
                          layout.usable >= 480 && in.u8(21) == 64 && in.u8(22) == 32 &&
                          in.u8(23) == 32 && in.be32(44).value_or(9) <= 4 &&
                          in.be32(56).value_or(9) <= 3;
    const auto zero = in.span(72, 20);
    const bool zeroOk =
        std::all_of(zero.begin(), zero.end(), [](std::uint8_t b) { return b == 0; });
    const std::uint32_t version = in.be32(96).value_or(0);
    // Before 3.7.0 the version went unwritten.
    const bool versionNumberOk = version == 0 || (version >= 3000000 && version < 4000000);
    layout.autoVacuum = in.be32(52).value_or(0) != 0;
    const bool vacuumOk = layout.autoVacuum || in.be32(64).value_or(0) == 0;
    if (!fieldsOk || !zeroOk || !versionNumberOk || !vacuumOk) {
        return std::nullopt;
    }
    const std::uint32_t pageCount = in.be32(28).value_or(0);
    const bool countValid = pageCount != 0 && in.be32(24) == in.be32(92);
    if (countValid && std::uint64_t(pageCount) * layout.pageSize > fileSize) {
        return std::nullopt;
    }
    layout.pages = std::max<std::uint64_t>(countValid ? pageCount : 0, fileSize / layout.pageSize);
    const std::uint32_t freeTrunk = in.be32(32).value_or(0);
    const std::uint32_t freePages = in.be32(36).value_or(0);
    if (freeTrunk > layout.pages || freePages > layout.pages) {
        return std::nullopt;
    }
    return layout;
}

// A varint of one to nine bytes; advances `at`.
std::optional<std::uint64_t> varint(std::span<const std::uint8_t> page, std::size_t& at)
{
    std::uint64_t value = 0;
    for (int i = 0; i < 9; ++i) {
        if (at >= page.size()) {
            return std::nullopt;
        }
        const std::uint8_t byte = page[at++];
        if (i == 8) {
            return (value << 8) | byte;
        }
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            return value;
        }
    }
    return value;
}

std::optional<std::uint64_t> contentSize(std::uint64_t serialType)
{
    constexpr std::array<std::uint64_t, 10> Sizes{0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
    if (serialType < Sizes.size()) {
        return Sizes[serialType];
    }
    if (serialType < 12) {
        return std::nullopt; // reserved, never in a well-formed file
    }
    return (serialType - 12) / 2;
}

// A record wholly in the cell: its header's serial types must account for
// exactly the payload.
bool recordHolds(std::span<const std::uint8_t> record)
{
    std::size_t at = 0;
    const auto headerSize = varint(record, at);
    if (!headerSize || *headerSize < at || *headerSize > record.size()) {
        return false;
    }
    std::uint64_t body = 0;
    while (at < *headerSize) {
        const auto type = varint(record, at);
        const auto size = type ? contentSize(*type) : std::nullopt;
        if (!size || at > *headerSize) {
            return false;
        }
        body += *size;
        if (body > record.size()) {
            return false;
        }
    }
    return *headerSize + body == record.size();
}

bool childOk(std::optional<std::uint32_t> child, const Layout& layout)
{
    return child && *child != 0 && *child <= layout.pages;
}

// A cell at `at`: within the page, its child page in the file, its payload,
// when wholly local, a well-formed record.
bool cellHolds(std::span<const std::uint8_t> page, std::size_t at, std::uint8_t type,
               const Layout& layout)
{
    const ByteReader in(page);
    if (type == InteriorTable || type == InteriorIndex) {
        if (!childOk(in.be32(at), layout)) {
            return false;
        }
        at += 4;
    }
    if (type == InteriorTable) {
        return varint(page, at).has_value();
    }
    const auto payload = varint(page, at);
    if (!payload || (type == LeafTable && !varint(page, at))) {
        return false;
    }
    const std::size_t usable = layout.usable;
    const std::size_t maxLocal = type == LeafTable ? usable - 35 : (usable - 12) * 64 / 255 - 23;
    if (*payload <= maxLocal) {
        return at + *payload <= usable && recordHolds(page.subspan(at, std::size_t(*payload)));
    }
    const std::size_t minLocal = (usable - 12) * 32 / 255 - 23;
    std::size_t local = minLocal + std::size_t((*payload - minLocal) % (usable - 4));
    if (local > maxLocal) {
        local = minLocal;
    }
    return at + local + 4 <= usable && childOk(in.be32(at + local), layout);
}

bool freeblocksHold(std::span<const std::uint8_t> page, std::size_t first, std::size_t floor,
                    std::size_t usable)
{
    const ByteReader in(page);
    std::size_t at = first;
    for (std::size_t n = 0; at != 0 && n < MaxFreeblocks; ++n) {
        const auto next = in.be16(at);
        const auto size = in.be16(at + 2);
        if (at < floor || !next || !size || *size < 4 || at + *size > usable ||
            (*next != 0 && *next < at + *size)) {
            return false;
        }
        at = *next;
    }
    return at == 0;
}

enum class Page
{
    Holds,
    Broken,
    Untold, // an overflow or freelist page, or one not telling what it is
};

// A b-tree page: its header, cell pointers, freeblocks and cells.
Page judgePage(std::span<const std::uint8_t> page, std::size_t header, const Layout& layout)
{
    const ByteReader in(page);
    const std::uint8_t type = in.u8(header).value_or(0);
    const bool interior = type == InteriorIndex || type == InteriorTable;
    if (!interior && type != LeafIndex && type != LeafTable) {
        // Overflow and freelist pages begin with a page number; a freed page
        // keeps what it held, which is one of these kinds too.
        return type <= (layout.pages >> 24) ? Page::Untold : Page::Broken;
    }
    const std::size_t usable = layout.usable;
    const std::size_t cells = in.be16(header + 3).value_or(0);
    const std::size_t pointers = header + (interior ? 12 : 8);
    const std::size_t cellsFloor = pointers + 2 * cells;
    const std::size_t contentStart = in.be16(header + 5).value_or(0);
    const std::size_t content = contentStart == 0 ? 65536 : contentStart;
    if (cellsFloor > usable || content < cellsFloor || content > usable ||
        in.u8(header + 7).value_or(0) > MaxFragmented) {
        return Page::Broken;
    }
    if (interior && !childOk(in.be32(header + 8), layout)) {
        return Page::Broken;
    }
    if (!freeblocksHold(page, in.be16(header + 1).value_or(0), cellsFloor, usable)) {
        return Page::Broken;
    }
    for (std::size_t i = 0; i < cells; ++i) {
        const std::size_t cell = in.be16(pointers + 2 * i).value_or(0);
        if (cell < content || cell + 4 > usable || !cellHolds(page, cell, type, layout)) {
            return Page::Broken;
        }
    }
    return Page::Holds;
}

// Pointer-map pages of an auto-vacuum database: page 2, then one after
// every run of the pages it maps.
bool isPointerMap(std::uint64_t number, const Layout& layout)
{
    const std::uint64_t mapped = layout.usable / 5;
    return layout.autoVacuum && number >= 2 && (number - 2) % (mapped + 1) == 0;
}

} // namespace

Structure judgeSqlite(const Beginning& file)
{
    const ByteReader in(file.bytes);
    if (!in.has(0, HeaderSize)) {
        return Structure::Unknown;
    }
    const auto layout = readHeader(in, file.fileSize);
    // The first page is always the root of the schema's table.
    const std::uint8_t firstType = in.u8(HeaderSize).value_or(0);
    if (!layout || (firstType != LeafTable && firstType != InteriorTable)) {
        return Structure::Broken;
    }
    std::size_t held = 0;
    for (std::uint64_t number = 1; number <= layout->pages; ++number) {
        const std::uint64_t start = (number - 1) * layout->pageSize;
        if (!in.has(std::size_t(start), layout->pageSize)) {
            break;
        }
        if (isPointerMap(number, *layout)) {
            continue;
        }
        const auto page = in.span(std::size_t(start), layout->pageSize);
        const Page judged = judgePage(page, number == 1 ? HeaderSize : 0, *layout);
        if (judged == Page::Broken) {
            return Structure::Broken;
        }
        held += judged == Page::Holds ? 1 : 0;
    }
    return held > 0 ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
