// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quibex::keycheck {

namespace {

constexpr int kMaxDepth = 12;
constexpr std::uint8_t kCopyrightSign = 0xa9;

struct Box
{
    std::string_view type;
    std::uint64_t at = 0;
    std::uint64_t header = 8;
    std::uint64_t end = 0;

    std::uint64_t payload() const { return at + header; }
    std::uint64_t size() const { return end - payload(); }
};

// State of one judgement: what earlier boxes told of later ones.
struct Walk
{
    const ByteReader& in;
    std::uint64_t fileSize = 0;
    int boxes = 0;
    // Chunk offsets point into this file unless a data reference says the
    // media lies elsewhere.
    bool selfContained = true;
    std::uint32_t sampleEntries = 0;
    // Item properties are numbered in the order they come.
    int properties = 0;
    // A still image keeps its items in a file-level meta box.
    bool needsMeta = false;
    bool sawMeta = false;
};

std::string_view asText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Types are printable, but QuickTime's user data names begin with a sign.
bool isBoxType(std::span<const std::uint8_t> type)
{
    if (type.size() != 4) {
        return false;
    }
    return std::all_of(type.begin(), type.end(), [&type](const std::uint8_t& c) {
        return (c >= 0x20 && c <= 0x7e) || (&c == type.data() && c == kCopyrightSign);
    });
}

bool isContainer(std::string_view type)
{
    static constexpr std::array<std::string_view, 20> containers{
        "moov", "trak", "mdia", "minf", "stbl", "udta", "edts", "dinf", "mvex", "moof",
        "traf", "mfra", "tref", "sinf", "schi", "iprp", "ipco", "meta", "iinf", "iref"};
    return std::find(containers.begin(), containers.end(), type) != containers.end();
}

bool isAllZero(const ByteReader& in, std::uint64_t from, std::uint64_t to)
{
    const auto bytes =
        in.span(static_cast<std::size_t>(from),
                static_cast<std::size_t>(std::min<std::uint64_t>(to, in.size()) - from));
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

enum class Read
{
    Ok,
    Cut,
    Broken,
};

Read readBox(const Walk& walk, std::uint64_t at, std::uint64_t end, Box& box)
{
    const auto size = walk.in.be32(static_cast<std::size_t>(at));
    const auto type = walk.in.span(static_cast<std::size_t>(at) + 4, 4);
    if (!size || type.empty()) {
        return Read::Cut;
    }
    if (!isBoxType(type)) {
        return Read::Broken;
    }
    box.type = asText(type);
    box.at = at;
    if (*size == 1) {
        const auto large = walk.in.be64(static_cast<std::size_t>(at) + 8);
        if (!large) {
            return Read::Cut;
        }
        box.header = 16;
        box.end = *large < 16 || *large > end - at ? 0 : at + *large;
    } else {
        box.header = 8;
        box.end = *size == 0 ? end : (*size < 8 || *size > end - at ? 0 : at + *size);
    }
    return box.end == 0 ? Read::Broken : Read::Ok;
}

// --- Full boxes whose fields we know ------------------------------------

std::optional<std::uint8_t> version(const Walk& walk, const Box& box)
{
    return walk.in.u8(static_cast<std::size_t>(box.payload()));
}

// Headers whose layout has a 32-bit and a 64-bit version.
bool timedHeaderHolds(const Walk& walk, const Box& box, std::uint64_t size0, std::uint64_t size1)
{
    const auto v = version(walk, box);
    if (!v) {
        return true;
    }
    return *v <= 1 && box.size() >= (*v == 0 ? size0 : size1);
}

bool handlerHolds(const Walk& walk, const Box& box)
{
    const auto handler = walk.in.span(static_cast<std::size_t>(box.payload()) + 8, 4);
    return box.size() >= 24 && (handler.empty() || isBoxType(handler) || handler[0] == 0);
}

std::uint64_t payloadAt(const Box& box, std::uint64_t offset)
{
    return box.payload() + offset;
}

// A table of `count` entries of `entrySize` bytes after `fixed` bytes.
bool tableFits(const Walk& walk, const Box& box, std::uint64_t fixed, std::uint64_t entrySize,
               std::uint64_t countAt)
{
    const auto count = walk.in.be32(static_cast<std::size_t>(payloadAt(box, countAt)));
    return !count || fixed + entrySize * *count <= box.size();
}

bool sampleSizesHold(const Walk& walk, const Box& box)
{
    const auto sampleSize = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 4)));
    if (sampleSize && *sampleSize != 0) {
        return box.size() >= 12;
    }
    return tableFits(walk, box, 12, 4, 8);
}

// Chunk offsets point into the file, and the chunks to sample descriptions.
bool chunkOffsetsHold(const Walk& walk, const Box& box, std::uint64_t width)
{
    if (!tableFits(walk, box, 8, width, 4)) {
        return false;
    }
    const auto count = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 4))).value_or(0);
    for (std::uint64_t i = 0; i < count && walk.selfContained; ++i) {
        const auto at = static_cast<std::size_t>(payloadAt(box, 8 + i * width));
        const std::optional<std::uint64_t> offset =
            width == 4 ? std::optional<std::uint64_t>(walk.in.be32(at)) : walk.in.be64(at);
        if (!offset) {
            return true;
        }
        if (*offset > walk.fileSize) {
            return false;
        }
    }
    return true;
}

bool sampleToChunkHolds(const Walk& walk, const Box& box)
{
    if (!tableFits(walk, box, 8, 12, 4)) {
        return false;
    }
    const auto count = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 4))).value_or(0);
    std::uint32_t previous = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(payloadAt(box, 8 + i * 12));
        const auto first = walk.in.be32(at);
        const auto description = walk.in.be32(at + 8);
        if (!first || !description) {
            return true;
        }
        const bool knownEntries = walk.sampleEntries > 0;
        if (*first <= previous || *description == 0 ||
            (knownEntries && *description > walk.sampleEntries)) {
            return false;
        }
        previous = *first;
    }
    return true;
}

bool sampleDescriptionsHold(Walk& walk, const Box& box)
{
    const auto count = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 4)));
    if (!count) {
        return box.size() >= 8;
    }
    walk.sampleEntries = *count;
    std::uint64_t at = payloadAt(box, 8);
    for (std::uint32_t i = 0; i < *count; ++i) {
        Box entry;
        const Read read = readBox(walk, at, box.end, entry);
        if (read != Read::Ok) {
            return read == Read::Cut && at < box.end;
        }
        at = entry.end;
    }
    return true;
}

bool referencesHold(Walk& walk, const Box& box)
{
    const auto count = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 4)));
    std::uint64_t at = payloadAt(box, 8);
    for (std::uint32_t i = 0; count && i < *count; ++i) {
        Box entry;
        const Read read = readBox(walk, at, box.end, entry);
        if (read != Read::Ok) {
            return read == Read::Cut && at < box.end;
        }
        const auto flags = walk.in.be32(static_cast<std::size_t>(entry.payload()));
        walk.selfContained = walk.selfContained && flags && (*flags & 1) != 0;
        at = entry.end;
    }
    return true;
}

// --- Items of a still image (HEIF, AVIF) ----------------------------------

// Field widths of the item locations are 0, 4 or 8 bytes.
bool isFieldWidth(int width)
{
    return width == 0 || width == 4 || width == 8;
}

std::optional<std::uint64_t> readField(const Walk& walk, std::uint64_t at, int width)
{
    const auto where = static_cast<std::size_t>(at);
    switch (width) {
    case 0:
        return 0;
    case 4:
        return walk.in.be32(where);
    default:
        return walk.in.be64(where);
    }
}

struct ItemLocations
{
    int version = 0;
    int offsetSize = 0;
    int lengthSize = 0;
    int baseSize = 0;
    int indexSize = 0;
};

// One item's extents: those in the file itself lie within it.
std::optional<std::uint64_t> itemHolds(const Walk& walk, const ItemLocations& loc, std::uint64_t at,
                                       std::uint64_t end, bool& broken)
{
    const std::uint64_t idSize = loc.version < 2 ? 2 : 4;
    const auto method = walk.in.be16(static_cast<std::size_t>(at + idSize));
    const std::uint64_t methodSize = loc.version == 0 ? 0 : 2;
    const std::uint64_t fieldsAt = at + idSize + methodSize + 2;
    const auto base = readField(walk, fieldsAt, loc.baseSize);
    const auto extents = walk.in.be16(static_cast<std::size_t>(fieldsAt + loc.baseSize));
    if (!method || !base || !extents) {
        return std::nullopt;
    }
    const bool inFile = loc.version == 0 || (*method & 15) == 0;
    broken = loc.version > 0 && (*method & 15) > 2;
    const std::uint64_t extentSize = loc.indexSize + loc.offsetSize + loc.lengthSize;
    std::uint64_t next = fieldsAt + loc.baseSize + 2;
    for (std::uint32_t i = 0; i < *extents && !broken; ++i, next += extentSize) {
        const auto offset = readField(walk, next + loc.indexSize, loc.offsetSize);
        const auto length = readField(walk, next + loc.indexSize + loc.offsetSize, loc.lengthSize);
        if (!offset || !length) {
            return std::nullopt;
        }
        broken = inFile && *base + *offset + *length > walk.fileSize;
    }
    broken = broken || next > end;
    return next;
}

bool itemLocationsHold(const Walk& walk, const Box& box)
{
    const auto v = version(walk, box);
    const auto sizes = walk.in.be16(static_cast<std::size_t>(payloadAt(box, 4)));
    if (!v || !sizes) {
        return true;
    }
    ItemLocations loc{*v, *sizes >> 12, (*sizes >> 8) & 15, (*sizes >> 4) & 15,
                      *v == 0 ? 0 : *sizes & 15};
    if (loc.version > 2 || !isFieldWidth(loc.offsetSize) || !isFieldWidth(loc.lengthSize) ||
        !isFieldWidth(loc.baseSize) || !isFieldWidth(loc.indexSize)) {
        return false;
    }
    const bool wide = loc.version == 2;
    const auto count = wide ? walk.in.be32(static_cast<std::size_t>(payloadAt(box, 6)))
                            : std::optional<std::uint32_t>(
                                  walk.in.be16(static_cast<std::size_t>(payloadAt(box, 6))));
    std::uint64_t at = payloadAt(box, wide ? 10 : 8);
    for (std::uint32_t i = 0; count && i < *count; ++i) {
        bool broken = false;
        const auto next = itemHolds(walk, loc, at, box.end, broken);
        if (broken) {
            return false;
        }
        if (!next) {
            return true;
        }
        at = *next;
    }
    return true;
}

// Each item's properties, by their index in the property container.
bool associationsHold(const Walk& walk, const Box& box)
{
    const auto v = version(walk, box);
    const auto flags = walk.in.be32(static_cast<std::size_t>(box.payload()));
    const auto count = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 4)));
    if (!v || !flags || !count) {
        return true;
    }
    const bool wideIndex = (*flags & 1) != 0;
    std::uint64_t at = payloadAt(box, 8);
    for (std::uint32_t i = 0; i < *count; ++i) {
        at += *v < 1 ? 2 : 4;
        const auto associations = walk.in.u8(static_cast<std::size_t>(at));
        if (!associations) {
            return true;
        }
        ++at;
        for (int a = 0; a < *associations; ++a, at += wideIndex ? 2 : 1) {
            const auto where = static_cast<std::size_t>(at);
            const std::optional<std::uint16_t> entry =
                wideIndex ? walk.in.be16(where) : std::optional<std::uint16_t>(walk.in.u8(where));
            const int index = entry ? (*entry & (wideIndex ? 0x7fff : 0x7f)) : 0;
            if (walk.properties > 0 && index > walk.properties) {
                return false;
            }
        }
        if (at > box.end) {
            return false;
        }
    }
    return true;
}

// Decoder configurations: NAL unit lists whose lengths fill the box.
bool hevcConfigHolds(const Walk& walk, const Box& box)
{
    const auto configuration = walk.in.u8(static_cast<std::size_t>(box.payload()));
    const auto arrays = walk.in.u8(static_cast<std::size_t>(payloadAt(box, 22)));
    if (box.size() < 23 || (configuration && *configuration > 1)) {
        return false;
    }
    std::uint64_t at = payloadAt(box, 23);
    for (int a = 0; arrays && a < *arrays; ++a) {
        const auto units = walk.in.be16(static_cast<std::size_t>(at + 1));
        if (!units) {
            return true;
        }
        at += 3;
        for (int u = 0; u < *units; ++u) {
            const auto length = walk.in.be16(static_cast<std::size_t>(at));
            if (!length) {
                return true;
            }
            at += 2 + *length;
        }
        if (at > box.end) {
            return false;
        }
    }
    return at == box.end;
}

bool leafHolds(Walk& walk, const Box& box)
{
    const std::string_view t = box.type;
    if (t == "mvhd") {
        return timedHeaderHolds(walk, box, 100, 112);
    }
    if (t == "tkhd") {
        return timedHeaderHolds(walk, box, 84, 96);
    }
    if (t == "mdhd") {
        return timedHeaderHolds(walk, box, 24, 36);
    }
    if (t == "hdlr") {
        return handlerHolds(walk, box);
    }
    if (t == "stsd") {
        return sampleDescriptionsHold(walk, box);
    }
    if (t == "dref") {
        return referencesHold(walk, box);
    }
    if (t == "stsz") {
        return sampleSizesHold(walk, box);
    }
    if (t == "stco") {
        return chunkOffsetsHold(walk, box, 4);
    }
    if (t == "co64") {
        return chunkOffsetsHold(walk, box, 8);
    }
    if (t == "stsc") {
        return sampleToChunkHolds(walk, box);
    }
    if (t == "iloc") {
        return itemLocationsHold(walk, box);
    }
    if (t == "ipma") {
        return associationsHold(walk, box);
    }
    if (t == "hvcC") {
        return hevcConfigHolds(walk, box);
    }
    if (t == "av1C") {
        const auto marker = walk.in.u8(static_cast<std::size_t>(box.payload()));
        return box.size() >= 4 && (!marker || *marker == 0x81);
    }
    if (t == "ispe") {
        const auto width = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 4)));
        const auto height = walk.in.be32(static_cast<std::size_t>(payloadAt(box, 8)));
        return box.size() >= 12 && width != 0u && height != 0u;
    }
    if (t == "stts" || t == "stss") {
        return tableFits(walk, box, 8, t == "stts" ? 8 : 4, 4);
    }
    return true;
}

// --- The walk -------------------------------------------------------------

bool walkBoxes(Walk& walk, std::uint64_t from, std::uint64_t end, int depth);

// ISO's meta is a full box; QuickTime's, inside user data, is a plain one.
std::uint64_t childrenAt(const Walk& walk, const Box& box)
{
    if (box.type == "iref") {
        return box.payload() + 4;
    }
    if (box.type == "iinf") {
        const auto v = version(walk, box);
        return box.payload() + (v && *v == 0 ? 6 : 8);
    }
    if (box.type != "meta") {
        return box.payload();
    }
    const auto flags = walk.in.be32(static_cast<std::size_t>(box.payload()));
    return flags && *flags == 0 ? box.payload() + 4 : box.payload();
}

bool boxHolds(Walk& walk, const Box& box, int depth)
{
    ++walk.boxes;
    if (box.type == "ipco") {
        const int before = walk.boxes;
        walk.properties = 0;
        const bool holds = walkBoxes(walk, box.payload(), box.end, depth + 1);
        walk.properties = walk.boxes - before;
        return holds;
    }
    if (isContainer(box.type)) {
        return depth >= kMaxDepth || walkBoxes(walk, childrenAt(walk, box), box.end, depth + 1);
    }
    return leafHolds(walk, box);
}

// Children fill their parent exactly; QuickTime may close a list with
// four zero bytes, and some writers pad the file's end with zeros.
bool walkBoxes(Walk& walk, std::uint64_t from, std::uint64_t end, int depth)
{
    std::uint64_t at = from;
    while (at < end && at < walk.in.size()) {
        if (end - at < 8) {
            return isAllZero(walk.in, at, end);
        }
        Box box;
        const Read read = readBox(walk, at, end, box);
        if (read == Read::Cut) {
            return true;
        }
        if (read == Read::Broken) {
            return isAllZero(walk.in, at, end);
        }
        if (depth == 0 && walk.needsMeta && !walk.sawMeta &&
            (box.end > walk.in.size() || box.type == "mdat")) {
            return false;
        }
        walk.sawMeta = walk.sawMeta || (depth == 0 && box.type == "meta");
        if (!boxHolds(walk, box, depth)) {
            return false;
        }
        at = box.end;
    }
    return depth > 0 || !walk.needsMeta || walk.sawMeta || at < end;
}

bool isStillImage(const Walk& walk, const Box& box)
{
    const auto major = asText(walk.in.span(static_cast<std::size_t>(box.payload()), 4));
    return major == "heic" || major == "heix" || major == "mif1" || major == "avif" ||
           major == "heim" || major == "heis" || major == "avis" || major == "msf1";
}

bool brandsHold(const Walk& walk, const Box& box)
{
    if (box.size() < 8) {
        return false;
    }
    for (std::uint64_t at = box.payload(); at + 4 <= box.end; at += 4) {
        if (at == box.payload() + 4) {
            continue; // the minor version is a number
        }
        const auto brand = walk.in.span(static_cast<std::size_t>(at), 4);
        if (brand.empty()) {
            return true;
        }
        if (!isBoxType(brand) && !isAllZero(walk.in, at, at + 4)) {
            return false;
        }
    }
    return true;
}

} // namespace

Structure judgeIsoMedia(const Beginning& file)
{
    const ByteReader in(file.bytes);
    Walk walk{in, std::max<std::uint64_t>(file.fileSize, in.size())};
    Box first;
    const Read read = readBox(walk, 0, walk.fileSize, first);
    if (read != Read::Ok) {
        return read == Read::Broken ? Structure::Broken : Structure::Unknown;
    }
    if (first.type == "ftyp" && !brandsHold(walk, first)) {
        return Structure::Broken;
    }
    walk.needsMeta = first.type == "ftyp" && isStillImage(walk, first);
    if (!walkBoxes(walk, 0, walk.fileSize, 0)) {
        return Structure::Broken;
    }
    return walk.boxes >= 2 ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
