// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"
#include "keycheck/Inflate.h"

#include <zlib.h>

#include <algorithm>
#include <optional>

namespace quibex::keycheck {

namespace {

constexpr std::uint32_t LocalHeader = 0x04034B50;
constexpr std::uint32_t CentralHeader = 0x02014B50;
constexpr std::uint32_t EndRecord = 0x06054B50;
constexpr std::uint32_t Zip64EndRecord = 0x06064B50;
constexpr std::uint32_t Zip64EndLocator = 0x07064B50;
constexpr std::uint32_t DataDescriptor = 0x08074B50;
constexpr std::uint32_t ArchiveExtraData = 0x08064B50;
constexpr std::uint32_t DigitalSignature = 0x05054B50;

constexpr std::size_t LocalHeaderSize = 30;
constexpr std::uint32_t Saturated32 = 0xFFFFFFFF;
constexpr std::uint16_t Zip64ExtraId = 0x0001;

constexpr std::uint16_t FlagEncrypted = 0x0001;
constexpr std::uint16_t FlagDescriptor = 0x0008;
constexpr std::uint16_t FlagPatched = 0x0020;
constexpr std::uint16_t FlagStrongEncryption = 0x0040;
constexpr std::uint16_t FlagsUnused = 0x0780;
constexpr std::uint32_t EncryptionHeaderSize = 12;
constexpr std::uint16_t MethodStored = 0;
constexpr std::uint16_t MethodDeflated = 8;
constexpr std::uint16_t MethodDeflate64 = 9;
constexpr std::uint16_t MethodDclImplode = 10;

struct Entry
{
    // Of the version needed, only the low byte: the high one is sometimes
    // filled with the host system.
    std::uint8_t version = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::optional<std::uint64_t> compressedSize;
    std::optional<std::uint64_t> size;
    std::size_t dataStart = 0;

    bool hasDescriptor() const { return (flags & FlagDescriptor) != 0; }
};

// Where one step of the walk left us: at the next record, or stopped with
// what it proved.
struct Step
{
    Structure verdict = Structure::Unknown;
    std::optional<std::size_t> next;
};

Step broken()
{
    return {Structure::Broken, std::nullopt};
}

Step stop(Structure verdict)
{
    return {verdict, std::nullopt};
}

// A record cut by the bytes' end is fine unless the file itself ends there.
Step cutAt(const Beginning& file, Structure soFar)
{
    return file.isWhole() ? broken() : stop(soFar);
}

// The methods assigned so far; the reserved numbers between them never
// occur in real archives.
bool isKnownMethod(std::uint16_t method)
{
    const bool reserved = method == 11 || method == 13 || method == 15 || method == 17;
    return (method <= 20 && !reserved) || (method >= 93 && method <= 99);
}

// A writer that states a version of the deflate era (1.0 to 2.0) never uses a
// feature that came later. Version 0, written by careless tools, states nothing.
bool isVersionConsistent(const Entry& entry)
{
    if (entry.version == 0 || entry.version > 20) {
        return true;
    }
    const bool laterMethod = entry.method == MethodDeflate64 || entry.method == MethodDclImplode;
    const bool laterFlags = (entry.flags & (FlagPatched | FlagStrongEncryption)) != 0;
    return !laterMethod && !laterFlags;
}

bool isSaneName(std::span<const std::uint8_t> name)
{
    return std::none_of(name.begin(), name.end(),
                        [](std::uint8_t b) { return b < 0x20 || b == 0x7F; });
}

// No compressor, encryption header included, turns an empty file into more
// than a few dozen bytes, and the modern ones expand incompressible data by a
// small fraction only; the early LZW and Shannon-Fano methods may expand it
// by more.
bool isPlausibleRatio(const Entry& entry)
{
    const std::uint64_t packed = *entry.compressedSize;
    const std::uint64_t size = *entry.size;
    if (size == 0) {
        return packed <= 1024;
    }
    const bool legacy = entry.method >= 1 && entry.method <= 6;
    return entry.method == MethodStored || legacy || packed <= size + size / 8 + 1024;
}

// The Zip64 record of a local header should hold both sizes; some writers
// put in only those whose 32-bit fields are saturated, in the same order.
void readZip64Sizes(const ByteReader& record, Entry& entry)
{
    const bool both = record.has(0, 16);
    std::size_t at = 0;
    for (auto* field : {&entry.size, &entry.compressedSize}) {
        if (*field == Saturated32) {
            *field = record.le64(at);
            at += 8;
        } else if (both) {
            at += 8;
        }
    }
}

// Walks the extra field's records; false when they do not chain. Aligners pad
// with zero bytes that need not form a whole record.
bool readExtraField(std::span<const std::uint8_t> extra, Entry& entry)
{
    const ByteReader reader(extra);
    std::size_t at = 0;
    while (reader.has(at, 4)) {
        const std::uint16_t id = *reader.le16(at);
        const std::uint16_t length = *reader.le16(at + 2);
        if (!reader.has(at + 4, length)) {
            break;
        }
        if (id == Zip64ExtraId) {
            readZip64Sizes(ByteReader(reader.span(at + 4, length)), entry);
        }
        at += 4 + std::size_t(length);
    }
    return std::all_of(extra.begin() + std::ptrdiff_t(at), extra.end(),
                       [](std::uint8_t b) { return b == 0; });
}

struct Header
{
    Step step;
    std::optional<Entry> entry;
};

Header readLocalHeader(const Beginning& file, std::size_t at)
{
    const ByteReader reader(file.bytes);
    if (!reader.has(at, LocalHeaderSize)) {
        return {cutAt(file, Structure::Unknown), std::nullopt};
    }
    Entry entry;
    entry.version = *reader.u8(at + 4);
    entry.flags = *reader.le16(at + 6);
    entry.method = *reader.le16(at + 8);
    entry.crc = *reader.le32(at + 14);
    entry.compressedSize = *reader.le32(at + 18);
    entry.size = *reader.le32(at + 22);
    const std::size_t nameLength = *reader.le16(at + 26);
    const std::size_t extraLength = *reader.le16(at + 28);
    const std::size_t nameStart = at + LocalHeaderSize;
    entry.dataStart = nameStart + nameLength + extraLength;
    if (!isKnownMethod(entry.method) || (entry.flags & FlagsUnused) ||
        !isVersionConsistent(entry) || entry.dataStart > file.fileSize) {
        return {broken(), std::nullopt};
    }
    const auto name =
        file.bytes.subspan(nameStart).first(std::min(nameLength, file.bytes.size() - nameStart));
    if (!isSaneName(name)) {
        return {broken(), std::nullopt};
    }
    if (!reader.has(nameStart + nameLength, extraLength)) {
        return {stop(Structure::Unknown), std::nullopt};
    }
    if (!readExtraField(reader.span(nameStart + nameLength, extraLength), entry)) {
        return {broken(), std::nullopt};
    }
    // An encrypted entry starts with a header of 12 bytes or more.
    if ((entry.flags & FlagEncrypted) && *entry.compressedSize != 0 &&
        *entry.compressedSize < EncryptionHeaderSize) {
        return {broken(), std::nullopt};
    }
    // Stored data is its own size, unless encrypted: a writer that defers
    // the sizes to a descriptor leaves both at zero, never one alone.
    if (entry.method == MethodStored && !(entry.flags & FlagEncrypted) &&
        *entry.compressedSize != *entry.size && *entry.compressedSize != Saturated32 &&
        *entry.size != Saturated32) {
        return {broken(), std::nullopt};
    }
    // Saturated sizes without a Zip64 record are taken as they stand: they
    // then run past the end of all but the largest files.
    const bool sized = entry.compressedSize && entry.size;
    if (!sized && !entry.hasDescriptor()) {
        return {stop(Structure::Unknown), std::nullopt};
    }
    if (sized && !entry.hasDescriptor() &&
        (*entry.compressedSize > file.fileSize - entry.dataStart || !isPlausibleRatio(entry))) {
        return {broken(), std::nullopt};
    }
    return {{}, entry};
}

// The data ends where the sizes say: stored data's CRC must match.
Step judgeStored(const Beginning& file, const Entry& entry)
{
    const std::uint64_t length = *entry.compressedSize;
    if (length != *entry.size) {
        return broken();
    }
    const std::size_t end = entry.dataStart + std::size_t(length);
    if (end > file.bytes.size()) {
        return stop(Structure::Unknown);
    }
    const auto crc = crc32(0, file.bytes.data() + entry.dataStart, uInt(length));
    if (crc != entry.crc) {
        return broken();
    }
    return {Structure::Holds, end};
}

// The sizes of a descriptor whose CRC matched: 32-bit ones, or 64-bit ones in
// a Zip64 entry. The offset past them when they match.
std::optional<std::size_t> matchDescriptorSizes(const ByteReader& reader, std::size_t at,
                                                std::uint64_t consumed, std::uint64_t produced)
{
    if (reader.le32(at) == std::uint32_t(consumed) &&
        reader.le32(at + 4) == std::uint32_t(produced)) {
        return at + 8;
    }
    if (reader.le64(at) == consumed && reader.le64(at + 8) == produced) {
        return at + 16;
    }
    return std::nullopt;
}

// The descriptor after a stream that ran to its end: optional signature, CRC,
// then the sizes.
Step judgeDescriptor(const Beginning& file, std::size_t at, const InflateResult& inflated)
{
    const ByteReader reader(file.bytes);
    const std::size_t crcAt = reader.le32(at) == DataDescriptor ? at + 4 : at;
    const auto crc = reader.le32(crcAt);
    if (!crc) {
        return cutAt(file, Structure::Holds);
    }
    if (*crc != inflated.checksum) {
        return broken();
    }
    const auto end = matchDescriptorSizes(reader, crcAt + 4, inflated.consumed, inflated.produced);
    if (end) {
        return {Structure::Holds, *end};
    }
    return reader.has(crcAt, 20) ? broken() : cutAt(file, Structure::Holds);
}

// Stored data of unknown size: only a descriptor's signature, followed by
// the size of the data before it, shows where it ends; its CRC must match.
Step judgeStoredWithDescriptor(const Beginning& file, const Entry& entry)
{
    const ByteReader reader(file.bytes);
    for (std::size_t at = entry.dataStart; reader.has(at, 16); ++at) {
        if (reader.le32(at) != DataDescriptor) {
            continue;
        }
        const std::uint64_t length = at - entry.dataStart;
        // One size field matching tells the descriptor from a chance signature
        // within the data; then all of it must match.
        const bool sizeMatches = reader.le32(at + 8) == std::uint32_t(length) ||
                                 reader.le32(at + 12) == std::uint32_t(length) ||
                                 reader.le64(at + 16) == length;
        if (!sizeMatches) {
            continue;
        }
        const auto crc = crc32(0, file.bytes.data() + entry.dataStart, uInt(length));
        const auto end = matchDescriptorSizes(reader, at + 8, length, length);
        return reader.le32(at + 4) == crc && end ? Step{Structure::Holds, *end} : broken();
    }
    return stop(Structure::Unknown);
}

// Inflates as far as the bytes and the budget allow; an entry given whole
// must end exactly at its size with its CRC and size matching.
Step judgeDeflated(const Beginning& file, const Entry& entry, InflateBudget& budget)
{
    const auto rest = file.bytes.subspan(std::min(entry.dataStart, file.bytes.size()));
    std::size_t available = std::min(rest.size(), budget.input);
    bool whole = false;
    std::size_t cap = budget.output;
    if (!entry.hasDescriptor()) {
        whole = *entry.compressedSize <= available;
        available = std::size_t(std::min<std::uint64_t>(available, *entry.compressedSize));
        // One byte past the stated size is enough to see it exceeded.
        cap = std::size_t(std::min<std::uint64_t>(cap, *entry.size + 1));
    }
    const auto inflated = inflatePrefix(rest.first(available), -MAX_WBITS, cap, Checksum::Crc32);
    budget.spend(inflated);
    const bool clipped = available < rest.size() && !whole;
    switch (inflated.status) {
    case InflateStatus::Failed:
        return broken();
    case InflateStatus::Cut:
        if (whole) {
            return broken();
        }
        return clipped ? stop(Structure::Holds) : cutAt(file, Structure::Holds);
    case InflateStatus::Capped:
        return !entry.hasDescriptor() && inflated.produced > *entry.size ? broken()
                                                                         : stop(Structure::Holds);
    case InflateStatus::Ended:
        break;
    }
    const std::size_t end = entry.dataStart + inflated.consumed;
    if (entry.hasDescriptor()) {
        return judgeDescriptor(file, end, inflated);
    }
    if (inflated.consumed != *entry.compressedSize || inflated.checksum != entry.crc ||
        inflated.produced != *entry.size) {
        return broken();
    }
    return {Structure::Holds, end};
}

// Whether data we are told not to decode (another method, encrypted) is
// nonetheless plain stored or deflated data with the stated CRC and size:
// never so in a real entry, while one wrong byte of the method or flags makes
// it. A small Deflate64 entry may be valid deflate too, so one whose version
// needed admits Deflate64 is spared.
bool mayBeDeflate64(const Entry& entry)
{
    return entry.method == MethodDeflate64 && entry.version >= 21;
}

bool decodesDespiteSizes(const Beginning& file, const Entry& entry, InflateBudget& budget)
{
    const std::uint64_t length = *entry.compressedSize;
    if (*entry.size == 0 || length > file.bytes.size() - entry.dataStart) {
        return false;
    }
    const auto data = file.bytes.subspan(entry.dataStart, std::size_t(length));
    if (length == *entry.size && crc32(0, data.data(), uInt(length)) == entry.crc) {
        return true;
    }
    if (length > budget.input || *entry.size >= budget.output) {
        return false;
    }
    const auto inflated =
        inflatePrefix(data, -MAX_WBITS, std::size_t(*entry.size) + 1, Checksum::Crc32);
    budget.spend(inflated);
    return inflated.status == InflateStatus::Ended && inflated.consumed == length &&
           inflated.produced == *entry.size && inflated.checksum == entry.crc;
}

bool decodesDespiteDescriptor(const Beginning& file, const Entry& entry, InflateBudget& budget)
{
    const auto rest = file.bytes.subspan(std::min(entry.dataStart, file.bytes.size()));
    const auto inflated = inflatePrefix(rest.first(std::min(rest.size(), budget.input)), -MAX_WBITS,
                                        budget.output, Checksum::Crc32);
    budget.spend(inflated);
    return inflated.status == InflateStatus::Ended &&
           judgeDescriptor(file, entry.dataStart + inflated.consumed, inflated).next;
}

// Entries we cannot decode are passed by their sizes; without sizes, their
// end cannot be found.
Step skipEntry(const Beginning& file, const Entry& entry, InflateBudget& budget)
{
    if (entry.hasDescriptor()) {
        const bool decodes =
            !mayBeDeflate64(entry) && decodesDespiteDescriptor(file, entry, budget);
        return decodes ? broken() : stop(Structure::Unknown);
    }
    if (!mayBeDeflate64(entry) && decodesDespiteSizes(file, entry, budget)) {
        return broken();
    }
    return {Structure::Unknown, entry.dataStart + std::size_t(*entry.compressedSize)};
}

Step judgeEntryData(const Beginning& file, const Entry& entry, InflateBudget& budget)
{
    if (entry.flags & FlagEncrypted) {
        return skipEntry(file, entry, budget);
    }
    if (entry.method == MethodDeflated) {
        return judgeDeflated(file, entry, budget);
    }
    if (entry.method == MethodStored) {
        return entry.hasDescriptor() ? judgeStoredWithDescriptor(file, entry)
                                     : judgeStored(file, entry);
    }
    return skipEntry(file, entry, budget);
}

// An APK's signing block sits between the last entry and the central
// directory: its size, its pairs, its size again and a magic.
bool isSigningBlock(const Beginning& file, std::size_t at)
{
    const ByteReader reader(file.bytes);
    const auto size = reader.le64(at);
    if (!size || *size < 24 || *size > file.fileSize - at - 8) {
        return false;
    }
    const std::size_t magicAt = at + 8 + std::size_t(*size) - 16;
    static constexpr char Magic[] = "APK Sig Block 42";
    const auto magic = reader.span(magicAt, 16);
    return magic.empty() || std::equal(magic.begin(), magic.end(), Magic);
}

// What may follow an entry's data: another record of the archive.
Step judgeFollowing(const Beginning& file, std::size_t at, Structure soFar)
{
    const ByteReader reader(file.bytes);
    const auto signature = reader.le32(at);
    if (!signature) {
        return at + 4 > file.fileSize ? broken() : stop(soFar);
    }
    switch (*signature) {
    case LocalHeader:
        return {soFar, at};
    case CentralHeader:
    case EndRecord:
    case Zip64EndRecord:
    case Zip64EndLocator:
    case DataDescriptor:
    case ArchiveExtraData:
    case DigitalSignature:
        return stop(soFar);
    default:
        return isSigningBlock(file, at) ? stop(soFar) : broken();
    }
}

} // namespace

Structure judgeZip(const Beginning& file)
{
    const ByteReader reader(file.bytes);
    InflateBudget budget;
    Structure verdict = Structure::Unknown;
    std::optional<std::size_t> at = 0;
    while (at && reader.le32(*at) == LocalHeader && budget.input > 0 && budget.output > 0) {
        const Header header = readLocalHeader(file, *at);
        if (!header.entry) {
            return std::max(verdict, header.step.verdict);
        }
        const Step data = judgeEntryData(file, *header.entry, budget);
        verdict = std::max(verdict, data.verdict);
        if (!data.next || verdict == Structure::Broken) {
            return verdict;
        }
        const Step following = judgeFollowing(file, *data.next, verdict);
        verdict = following.verdict;
        at = following.next;
    }
    return verdict;
}

} // namespace quibex::keycheck
