// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <algorithm>
#include <vector>

namespace quibex::keycheck {

namespace {

constexpr std::size_t DirectoryHeaderSize = 12;
constexpr std::size_t RecordSize = 16;
constexpr std::uint32_t HeadTag = 0x68656164; // 'head'
constexpr std::size_t AdjustmentAt = 8;
constexpr std::size_t MagicAt = 12;
constexpr std::uint32_t HeadMagic = 0x5F0F3CF5;
constexpr std::uint32_t CffTag = 0x43464620;        // 'CFF '
constexpr std::uint32_t CollectionTag = 0x74746366; // 'ttcf'
// Font tools have left a wrong checksum, a table off its four-byte boundary,
// an unsorted directory or overlapping tables in some real fonts; a
// mistyped character breaks more.
constexpr std::size_t TolerableMismatches = 1;
constexpr std::size_t SummedCap = std::size_t{256} * 1024;

struct Tally
{
    bool broken = false;
    std::size_t checked = 0;
    std::size_t mismatches = 0;
    // Bytes summed so far: a directory of thousands of records over the
    // same bytes must not cost thousands of passes.
    std::size_t summed = 0;
};

// The sum of big-endian words, the last one padded with zeros.
std::uint32_t tableSum(std::span<const std::uint8_t> table, bool isHead)
{
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < table.size(); at += 4) {
        std::uint32_t word = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            const std::uint8_t byte = at + i < table.size() ? table[at + i] : 0;
            word = (word << 8) | byte;
        }
        if (!(isHead && at == AdjustmentAt)) {
            sum += word;
        }
    }
    return sum;
}

bool printable(std::uint32_t tag)
{
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t byte = (tag >> (8 * i)) & 0xFF;
        if (byte < 0x20 || byte > 0x7E) {
            return false;
        }
    }
    return true;
}

struct Record
{
    std::uint32_t tag = 0;
    std::uint32_t checksum = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// The directory's records that the bytes hold.
std::vector<Record> readRecords(const ByteReader& in, std::size_t at, std::size_t tables)
{
    std::vector<Record> records;
    for (std::size_t i = 0; i < tables; ++i) {
        const std::size_t record = at + DirectoryHeaderSize + i * RecordSize;
        if (!in.has(record, RecordSize)) {
            break;
        }
        records.push_back(
            {*in.be32(record), *in.be32(record + 4), *in.be32(record + 8), *in.be32(record + 12)});
    }
    return records;
}

// Records sorted by tag, tables apart from one another: what font tools
// write, though an old font may break one of these.
std::size_t disorder(std::vector<Record> records)
{
    std::size_t found = 0;
    const auto byTag = [](const Record& a, const Record& b) { return a.tag < b.tag; };
    found += std::is_sorted(records.begin(), records.end(), byTag) ? 0 : 1;
    std::erase_if(records, [](const Record& r) { return r.length == 0; });
    std::sort(records.begin(), records.end(),
              [](const Record& a, const Record& b) { return a.offset < b.offset; });
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].offset < std::uint64_t(records[i - 1].offset) + records[i - 1].length) {
            return found + 1;
        }
    }
    return found;
}

enum class Index
{
    Holds,
    Broken,
    Cut,
};

// A CFF INDEX at `at` (a count, an offset size, offsets from 1 that never
// go down); moves `at` past it.
Index readIndex(const ByteReader& in, std::size_t& at, std::size_t tableEnd)
{
    const auto count = in.be16(at);
    if (!count) {
        return Index::Cut;
    }
    if (*count == 0) {
        at += 2;
        return Index::Holds;
    }
    const auto offSize = in.u8(at + 2);
    if (!offSize) {
        return Index::Cut;
    }
    if (*offSize < 1 || *offSize > 4) {
        return Index::Broken;
    }
    std::uint32_t previous = 1;
    for (std::size_t i = 0; i <= *count; ++i) {
        const auto bytes = in.span(at + 3 + i * *offSize, *offSize);
        if (bytes.empty()) {
            return Index::Cut;
        }
        std::uint32_t offset = 0;
        for (const std::uint8_t b : bytes) {
            offset = (offset << 8) | b;
        }
        if ((i == 0 && offset != 1) || offset < previous) {
            return Index::Broken;
        }
        previous = offset;
    }
    at += 3 + (std::size_t(*count) + 1) * *offSize + previous - 1;
    return at > tableEnd ? Index::Broken : Index::Holds;
}

// A CFF table too long for the bytes still begins with its header and the
// INDEXes of names, top dictionaries, strings and global subroutines.
void checkCffStart(const ByteReader& in, const Record& record, Tally& tally)
{
    constexpr std::size_t Indexes = 4;
    const auto major = in.u8(record.offset);
    const auto headerSize = in.u8(record.offset + 2);
    const auto offSize = in.u8(record.offset + 3);
    if (major != 1 || !headerSize || !offSize) {
        return; // CFF2, or cut
    }
    if (*headerSize < 4 || *offSize < 1 || *offSize > 4) {
        tally.broken = true;
        return;
    }
    std::size_t at = record.offset + *headerSize;
    const std::size_t tableEnd = std::size_t(record.offset) + record.length;
    for (std::size_t i = 0; i < Indexes; ++i) {
        const Index index = readIndex(in, at, tableEnd);
        if (index == Index::Broken) {
            tally.broken = true;
        }
        if (index != Index::Holds) {
            return;
        }
    }
    ++tally.checked;
}

// A table within the bytes: its checksum, and the 'head' table's magic.
void checkTable(const ByteReader& in, const Record& record, Tally& tally)
{
    if (!in.has(record.offset, record.length)) {
        if (record.tag == CffTag) {
            checkCffStart(in, record, tally);
        }
        return;
    }
    const bool isHead = record.tag == HeadTag;
    if (isHead && in.be32(record.offset + MagicAt).value_or(HeadMagic) != HeadMagic) {
        tally.broken = true;
        return;
    }
    if (tally.summed > SummedCap) {
        return;
    }
    tally.summed += record.length;
    ++tally.checked;
    if (tableSum(in.span(record.offset, record.length), isHead) != record.checksum) {
        ++tally.mismatches;
    }
}

// One font's table directory at `at`, and each table the bytes hold whole.
void checkFont(const Beginning& file, std::size_t at, Tally& tally)
{
    const ByteReader in(file.bytes);
    const auto tables = in.be16(at + 4);
    if (!tables) {
        return;
    }
    const std::uint64_t directoryEnd = at + DirectoryHeaderSize + *tables * RecordSize;
    if (*tables == 0 || directoryEnd > file.fileSize) {
        tally.broken = true;
        return;
    }
    const std::vector<Record> records = readRecords(in, at, *tables);
    for (const Record& record : records) {
        const std::uint64_t end = std::uint64_t(record.offset) + record.length;
        const bool overDirectory = record.length != 0 && record.offset < directoryEnd && end > at;
        if (!printable(record.tag) || overDirectory || end > file.fileSize) {
            tally.broken = true;
            return;
        }
        // Tables start on four-byte boundaries.
        tally.mismatches += record.offset % 4 != 0 ? 1 : 0;
        checkTable(in, record, tally);
        if (tally.broken) {
            return;
        }
    }
    if (records.size() == *tables) {
        tally.mismatches += disorder(records);
    }
}

void checkCollection(const Beginning& file, Tally& tally)
{
    constexpr std::size_t CountAt = 8;
    constexpr std::size_t OffsetsAt = 12;
    const ByteReader in(file.bytes);
    const auto fonts = in.be32(CountAt);
    if (!fonts) {
        return;
    }
    if (*fonts == 0) {
        tally.broken = true;
        return;
    }
    for (std::size_t i = 0; i < *fonts && !tally.broken; ++i) {
        const auto offset = in.be32(OffsetsAt + 4 * i);
        if (!offset) {
            return;
        }
        if (std::uint64_t(*offset) + DirectoryHeaderSize > file.fileSize) {
            tally.broken = true;
            return;
        }
        checkFont(file, *offset, tally);
    }
}

} // namespace

Structure judgeOpenType(const Beginning& file)
{
    Tally tally;
    if (ByteReader(file.bytes).be32(0) == CollectionTag) {
        checkCollection(file, tally);
    } else {
        checkFont(file, 0, tally);
    }
    if (tally.broken || tally.mismatches > TolerableMismatches) {
        return Structure::Broken;
    }
    return tally.checked > tally.mismatches ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
