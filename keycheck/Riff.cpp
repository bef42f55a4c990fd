// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <webp/decode.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace quibex::keycheck {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr int kMaxDepth = 8;
// Decoding costs time in proportion to the bytes fed; this much of an image
// already shows a wrong key.
constexpr std::size_t kWebpDecodeBudget = std::size_t{16} * 1024;
constexpr int kDecodedPixels = 128 * 1024;
// libwebp allocates the whole picture: larger ones are left undecoded.
constexpr std::uint64_t kMaxWebpPixels = 4u << 20;

enum class Form
{
    Wave,
    Avi,
    Webp,
    Other,
};

struct Riff
{
    ByteReader in;
    bool bigEndian = false;
    // RF64 keeps the real sizes of the file and its data in a ds64 chunk;
    // a writer that streamed its output may have left the sizes open.
    bool openSizes = false;
    std::uint64_t fileSize = 0;
    Form form = Form::Other;
};

// A chunk as its header declares it.
struct Chunk
{
    std::string_view id;
    std::size_t at = 0;
    std::uint64_t size = 0;

    std::uint64_t dataAt() const { return at + kHeaderSize; }
    std::uint64_t end() const { return dataAt() + size; }
};

// What a walk found: chunks that chained, or a fault.
struct Walk
{
    bool broken = false;
    int chunks = 0;
};

bool isFourCC(std::span<const std::uint8_t> id)
{
    return id.size() == 4 &&
           std::all_of(id.begin(), id.end(), [](std::uint8_t c) { return c >= 0x20 && c <= 0x7e; });
}

std::string_view asText(std::span<const std::uint8_t> id)
{
    return {reinterpret_cast<const char*>(id.data()), id.size()};
}

std::optional<std::uint32_t> read32(const Riff& riff, std::size_t at)
{
    return riff.bigEndian ? riff.in.be32(at) : riff.in.le32(at);
}

std::optional<std::uint16_t> read16(const Riff& riff, std::size_t at)
{
    return riff.bigEndian ? riff.in.be16(at) : riff.in.le16(at);
}

// --- WAVE -------------------------------------------------------------

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatAlaw = 6;
constexpr std::uint16_t kFormatMulaw = 7;
constexpr std::uint16_t kFormatExtensible = 0xfffe;

struct WaveFormat
{
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
};

// The GUID of an extensible format: the plain format tag followed by the
// fixed tail shared by all the common sub-formats.
std::optional<std::uint16_t> extensibleTag(const Riff& riff, std::size_t at)
{
    constexpr std::array<std::uint8_t, 14> tail{0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
    const auto guid = riff.in.span(at, 16);
    if (guid.size() != 16 || !std::equal(tail.begin(), tail.end(), guid.begin() + 2)) {
        return std::nullopt;
    }
    return riff.in.le16(at);
}

// Formats whose block layout follows from channels and bits alone.
bool isLinear(std::uint16_t tag)
{
    return tag == kFormatPcm || tag == kFormatFloat || tag == kFormatAlaw || tag == kFormatMulaw;
}

bool linearFieldsHold(const WaveFormat& f)
{
    if (f.bits == 0 || f.bits > 64) {
        return false;
    }
    const std::uint32_t rounded = f.channels * ((f.bits + 7u) / 8u);
    const std::uint32_t exact = f.channels * f.bits / 8u;
    if (f.blockAlign != rounded && f.blockAlign != exact) {
        return false;
    }
    return std::uint64_t(f.rate) * f.blockAlign == f.byteRate;
}

bool formatHolds(const Riff& riff, const Chunk& chunk)
{
    // Even the richest codec setups take a few dozen bytes.
    if (chunk.size < 14 || chunk.size > 4096) {
        return false;
    }
    const std::size_t at = chunk.dataAt();
    const auto tag = read16(riff, at);
    const auto channels = read16(riff, at + 2);
    const auto rate = read32(riff, at + 4);
    const auto byteRate = read32(riff, at + 8);
    const auto blockAlign = read16(riff, at + 12);
    if (!tag || !channels || !rate || !byteRate || !blockAlign) {
        return true;
    }
    if (*channels == 0 || *channels > 64 || *rate == 0 || *rate > 1'000'000) {
        return false;
    }
    WaveFormat f{*tag, *channels, *rate, *byteRate, *blockAlign, 0};
    if (chunk.size >= 16) {
        f.bits = read16(riff, at + 14).value_or(0);
    }
    if (f.tag == kFormatExtensible && chunk.size >= 40) {
        const auto cbSize = read16(riff, at + 16);
        const auto validBits = read16(riff, at + 18);
        if (cbSize && (*cbSize < 22 || 18u + *cbSize > chunk.size)) {
            return false;
        }
        if (validBits && *validBits > f.bits) {
            return false;
        }
        f.tag = extensibleTag(riff, at + 24).value_or(f.tag);
    }
    if (isLinear(f.tag) && chunk.size >= 16) {
        return linearFieldsHold(f);
    }
    return true;
}

// --- AVI --------------------------------------------------------------

bool mainHeaderHolds(const Riff& riff, const Chunk& chunk)
{
    if (chunk.size < 56) {
        return false;
    }
    const auto streams = read32(riff, chunk.dataAt() + 24);
    const auto width = read32(riff, chunk.dataAt() + 32);
    const auto height = read32(riff, chunk.dataAt() + 36);
    return (!streams || *streams <= 100) && (!width || *width <= 65536) &&
           (!height || *height <= 65536);
}

bool streamHeaderHolds(const Riff& riff, const Chunk& chunk)
{
    const auto type = riff.in.span(chunk.dataAt(), 4);
    return chunk.size >= 48 && (type.empty() || isFourCC(type));
}

bool bitmapHeaderHolds(const Riff& riff, const Chunk& chunk)
{
    const auto size = read32(riff, chunk.dataAt());
    const auto planes = read16(riff, chunk.dataAt() + 12);
    if (!size || !planes) {
        return true;
    }
    return *size >= 40 && *size <= chunk.size && *planes == 1;
}

// --- WebP -------------------------------------------------------------

struct Canvas
{
    bool known = false;
    bool animated = false;
    int width = 0;
    int height = 0;
};

std::optional<WebPBitstreamFeatures> features(std::span<const std::uint8_t> bitstream, bool& broken)
{
    WebPBitstreamFeatures found{};
    const VP8StatusCode status = WebPGetFeatures(bitstream.data(), bitstream.size(), &found);
    if (status == VP8_STATUS_OK) {
        return found;
    }
    broken = status != VP8_STATUS_NOT_ENOUGH_DATA;
    return std::nullopt;
}

// libwebp's incremental decoder suspends on a stream cut by the read, rather
// than failing, only when a RIFF header tells it the stream's full size: so
// the bitstream is fed in a header of its own, which also keeps a RIFF size
// that is a little off from failing the decode.
// It also parses a lossless header only once an eighth of the declared
// stream is in, so a long stream declares just enough beyond what is fed.
std::vector<std::uint8_t> wrapped(const Chunk& chunk, std::span<const std::uint8_t> bitstream)
{
    const auto size = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(chunk.size, 8 * std::uint64_t(bitstream.size())));
    const std::uint32_t riffSize = 4 + std::uint32_t(kHeaderSize) + size + (size & 1);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(20 + bitstream.size());
    const auto put = [&bytes](std::string_view text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
    };
    const auto put32 = [&bytes](std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(std::uint8_t(value >> shift));
        }
    };
    put("RIFF");
    put32(riffSize);
    put("WEBP");
    put(chunk.id);
    put32(size);
    bytes.insert(bytes.end(), bitstream.begin(), bitstream.end());
    return bytes;
}

// Only the top rows are decoded: they take the bytes that are fed, and the
// cost of writing out a large picture is spared.
bool decodes(const Chunk& chunk, std::span<const std::uint8_t> bitstream,
             const WebPBitstreamFeatures& found)
{
    if (chunk.size > 0xfffff000u) {
        return true;
    }
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) {
        return true;
    }
    config.output.colorspace = MODE_RGBA;
    config.options.use_cropping = 1;
    config.options.crop_width = found.width;
    config.options.crop_height =
        std::clamp(kDecodedPixels / std::max(found.width, 1), 1, found.height);
    WebPIDecoder* decoder = WebPIDecode(nullptr, 0, &config);
    if (decoder == nullptr) {
        return true;
    }
    const auto bytes =
        wrapped(chunk, bitstream.first(std::min(bitstream.size(), kWebpDecodeBudget)));
    const VP8StatusCode status = WebPIUpdate(decoder, bytes.data(), bytes.size());
    WebPIDelete(decoder);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK || status == VP8_STATUS_SUSPENDED;
}

bool signatureHolds(const Chunk& chunk, std::span<const std::uint8_t> payload)
{
    if (chunk.id == "VP8L") {
        return payload.empty() || payload[0] == 0x2f;
    }
    constexpr std::array<std::uint8_t, 3> startCode{0x9d, 0x01, 0x2a};
    const auto code = payload.subspan(std::min<std::size_t>(3, payload.size()));
    const std::size_t n = std::min(code.size(), startCode.size());
    return std::equal(code.begin(), code.begin() + std::ptrdiff_t(n), startCode.begin());
}

// A VP8 or VP8L bitstream, wholly or partly within the bytes; `expected` is
// the size its frame or canvas declares, when one does.
bool bitstreamHolds(const Riff& riff, const Chunk& chunk, const Canvas* expected)
{
    const std::size_t avail = std::min<std::uint64_t>(chunk.size, riff.in.size() - chunk.dataAt());
    const auto payload = riff.in.span(chunk.dataAt(), avail);
    if (!signatureHolds(chunk, payload)) {
        return false;
    }
    bool broken = false;
    const auto found = features(payload, broken);
    if (!found) {
        return !broken;
    }
    if (expected != nullptr && expected->known &&
        (found->width != expected->width || found->height != expected->height)) {
        return false;
    }
    if (std::uint64_t(found->width) * std::uint64_t(found->height) > kMaxWebpPixels) {
        return true;
    }
    return decodes(chunk, payload, *found);
}

bool alphaHolds(const Riff& riff, const Chunk& chunk)
{
    const auto flags = riff.in.u8(chunk.dataAt());
    if (!flags) {
        return true;
    }
    const int reserved = *flags >> 6;
    const int preprocessing = (*flags >> 4) & 3;
    const int compression = *flags & 3;
    return chunk.size >= 1 && reserved == 0 && preprocessing <= 1 && compression <= 1;
}

std::optional<int> read24(const Riff& riff, std::size_t at)
{
    const auto low = riff.in.le16(at);
    const auto high = riff.in.u8(at + 2);
    if (!low || !high) {
        return std::nullopt;
    }
    return int(*low) | (int(*high) << 16);
}

Canvas extendedCanvas(const Riff& riff, const Chunk& chunk)
{
    Canvas canvas;
    const auto flags = riff.in.u8(chunk.dataAt());
    const auto width = read24(riff, chunk.dataAt() + 4);
    const auto height = read24(riff, chunk.dataAt() + 7);
    if (flags && width && height) {
        canvas.known = true;
        canvas.animated = (*flags & 0x02) != 0;
        canvas.width = *width + 1;
        canvas.height = *height + 1;
    }
    return canvas;
}

// --- Chunk walk -------------------------------------------------------

struct Context
{
    const Riff& riff;
    // The form of the enclosing list, e.g. "hdrl" or "strl" in an AVI.
    std::string_view list;
    int depth = 0;
    Canvas* canvas = nullptr;
};

// Walks the chunks from `from` until `stop`; none may run past `limit`.
Walk walkChunks(const Context& context, std::uint64_t from, std::uint64_t stop,
                std::uint64_t limit);

bool listHolds(const Context& context, const Chunk& chunk)
{
    const auto type = context.riff.in.span(chunk.dataAt(), 4);
    if (type.empty()) {
        return true;
    }
    if (chunk.size < 4 || !isFourCC(type)) {
        return false;
    }
    if (context.depth >= kMaxDepth) {
        return true;
    }
    const Context inner{context.riff, asText(type), context.depth + 1, context.canvas};
    return !walkChunks(inner, chunk.dataAt() + 4, chunk.end(), chunk.end()).broken;
}

// An animation frame: 16 bytes of placement, then the frame's own chunks.
bool frameHolds(const Context& context, const Chunk& chunk)
{
    const Riff& riff = context.riff;
    const auto x = read24(riff, chunk.dataAt());
    const auto y = read24(riff, chunk.dataAt() + 3);
    const auto width = read24(riff, chunk.dataAt() + 6);
    const auto height = read24(riff, chunk.dataAt() + 9);
    if (!x || !y || !width || !height) {
        return chunk.size >= 16;
    }
    Canvas frame{true, false, *width + 1, *height + 1};
    const Canvas& canvas = *context.canvas;
    if (chunk.size < 16 || (canvas.known && (2 * *x + frame.width > canvas.width ||
                                             2 * *y + frame.height > canvas.height))) {
        return false;
    }
    const Context inner{riff, "ANMF", context.depth + 1, &frame};
    return !walkChunks(inner, chunk.dataAt() + 16, chunk.end(), chunk.end()).broken;
}

bool webpChunkHolds(const Context& context, const Chunk& chunk)
{
    if (chunk.id == "VP8X") {
        *context.canvas = extendedCanvas(context.riff, chunk);
        return chunk.size >= 10;
    }
    if (chunk.id == "VP8 " || chunk.id == "VP8L") {
        const Canvas* expected =
            context.canvas->animated && context.list != "ANMF" ? nullptr : context.canvas;
        return bitstreamHolds(context.riff, chunk, expected);
    }
    if (chunk.id == "ALPH") {
        return alphaHolds(context.riff, chunk);
    }
    if (chunk.id == "ANMF" && context.depth == 0) {
        return frameHolds(context, chunk);
    }
    if (chunk.id == "ANIM") {
        return chunk.size >= 6;
    }
    return true;
}

bool chunkHolds(const Context& context, const Chunk& chunk)
{
    const Riff& riff = context.riff;
    if (chunk.id == "LIST") {
        return listHolds(context, chunk);
    }
    switch (riff.form) {
    case Form::Wave:
        return chunk.id != "fmt " || formatHolds(riff, chunk);
    case Form::Avi:
        if (chunk.id == "avih") {
            return mainHeaderHolds(riff, chunk);
        }
        if (context.list == "strl" && chunk.id == "strh") {
            return streamHeaderHolds(riff, chunk);
        }
        if (context.list == "strl" && chunk.id == "strf") {
            return chunk.size >= 12;
        }
        return true;
    case Form::Webp:
        return webpChunkHolds(context, chunk);
    case Form::Other:
        // A sound's format and samples at the top of a RIFF of no known
        // form: a WAVE whose form type was garbled.
        return context.depth > 0 || (chunk.id != "fmt " && chunk.id != "data");
    }
    return true;
}

// A stream format of an AVI is a bitmap header for video, a wave format for
// sound: which one is told by the stream header just before it.
bool streamFormatHolds(const Riff& riff, const Chunk& header, const Chunk& format)
{
    const auto type = asText(riff.in.span(header.dataAt(), 4));
    if (type == "vids") {
        return bitmapHeaderHolds(riff, format);
    }
    if (type == "auds") {
        return format.size < 16 || formatHolds(riff, format);
    }
    return true;
}

std::optional<Chunk> readChunk(const Riff& riff, std::size_t at)
{
    const auto id = riff.in.span(at, 4);
    const auto size = read32(riff, at + 4);
    if (id.empty() || !size) {
        return std::nullopt;
    }
    return Chunk{asText(id), at, *size};
}

bool startsChunk(const Riff& riff, std::uint64_t at, std::uint64_t limit)
{
    const auto id = riff.in.span(static_cast<std::size_t>(at), 4);
    const auto size = read32(riff, static_cast<std::size_t>(at) + 4);
    return !id.empty() && isFourCC(id) && (!size || at + kHeaderSize + *size <= limit);
}

// Some writers leave out the pad byte after an odd-sized chunk: take the
// unpadded position when only it starts a plausible chunk.
std::uint64_t nextChunk(const Riff& riff, const Chunk& chunk, std::uint64_t limit)
{
    const std::uint64_t unpadded = chunk.end();
    if (chunk.size % 2 == 0 || unpadded + 4 > riff.in.size()) {
        return unpadded + (chunk.size % 2);
    }
    if (!startsChunk(riff, unpadded + 1, limit) && startsChunk(riff, unpadded, limit)) {
        return unpadded;
    }
    return unpadded + 1;
}

// The data chunk of a streamed or RF64 sound declares no size of its own.
bool sizeIsOpen(const Riff& riff, const Chunk& chunk)
{
    return riff.form == Form::Wave && chunk.id == "data" &&
           (chunk.size == 0xffffffffu || (riff.openSizes && chunk.size == 0));
}

Walk walkChunks(const Context& context, std::uint64_t from, std::uint64_t stop, std::uint64_t limit)
{
    const Riff& riff = context.riff;
    Walk walk;
    std::optional<Chunk> streamHeader;
    bool sawFormat = false;
    std::uint64_t at = from;
    while (at + kHeaderSize <= stop && at + kHeaderSize <= riff.in.size()) {
        auto chunk = readChunk(riff, static_cast<std::size_t>(at));
        if (!chunk || !isFourCC(riff.in.span(chunk->at, 4))) {
            return {true, walk.chunks};
        }
        sawFormat = sawFormat || chunk->id == "fmt ";
        // Samples mean nothing without their format, so it always comes before
        // them, and before any chunk too large for the beginning of a file.
        const bool large = chunk->end() > riff.in.size();
        if (riff.form == Form::Wave && context.depth == 0 && !sawFormat &&
            (chunk->id == "data" || large)) {
            return {true, walk.chunks};
        }
        if (sizeIsOpen(riff, *chunk)) {
            return walk;
        }
        if (chunk->end() > limit || !chunkHolds(context, *chunk)) {
            return {true, walk.chunks};
        }
        if (riff.form == Form::Avi && chunk->id == "strf" && streamHeader &&
            !streamFormatHolds(riff, *streamHeader, *chunk)) {
            return {true, walk.chunks};
        }
        if (chunk->id == "strh") {
            streamHeader = chunk;
        }
        ++walk.chunks;
        at = nextChunk(riff, *chunk, limit);
    }
    const bool whole = at + kHeaderSize > stop;
    if (riff.form == Form::Wave && context.depth == 0 && whole && !sawFormat) {
        return {true, walk.chunks};
    }
    return walk;
}

// The RIFF size is often a little off, or left open by a writer that
// streamed its output: the walk stops at the declared end (what follows may
// be a tag appended later), but a chunk may run to the larger of it and the
// file's size (a cut file keeps the size it was meant to have).
struct Extent
{
    std::uint64_t stop = 0;
    std::uint64_t limit = 0;
};

Extent containerExtent(const Riff& riff, std::uint32_t declared)
{
    const std::uint64_t size = std::max<std::uint64_t>(riff.fileSize, riff.in.size());
    if (riff.openSizes) {
        return {size, size};
    }
    const std::uint64_t end = kHeaderSize + std::uint64_t(declared);
    // A recording cut off by a crash keeps the sizes it was meant to have.
    const bool recording = riff.form == Form::Wave || riff.form == Form::Avi;
    return {end, (recording ? std::max(end, size) : size) + 1};
}

Form formOf(std::string_view type)
{
    if (type == "WAVE") {
        return Form::Wave;
    }
    if (type == "AVI " || type == "AVIX") {
        return Form::Avi;
    }
    if (type == "WEBP") {
        return Form::Webp;
    }
    return Form::Other;
}

// A WebP's first chunk names its kind; nothing else may come first.
bool firstChunkHolds(const Riff& riff)
{
    const auto id = asText(riff.in.span(12, 4));
    return riff.form != Form::Webp || id.size() < 4 || id == "VP8 " || id == "VP8L" || id == "VP8X";
}

} // namespace

Structure judgeRiff(const Beginning& file)
{
    Riff riff{ByteReader(file.bytes), false, false, file.fileSize, Form::Other};
    const auto magic = asText(riff.in.span(0, 4));
    // Content sniffing may know a RIFF by its form type alone.
    if (magic != "RIFF" && magic != "RIFX" && magic != "RF64") {
        return magic.size() == 4 ? Structure::Broken : Structure::Unknown;
    }
    riff.bigEndian = magic == "RIFX";
    const auto declared = read32(riff, 4);
    riff.openSizes = magic == "RF64" || declared == 0u || declared == 0xffffffffu;
    const auto type = riff.in.span(8, 4);
    if (!declared || type.empty()) {
        return Structure::Unknown;
    }
    if (!isFourCC(type)) {
        return Structure::Broken;
    }
    riff.form = formOf(asText(type));
    if (!firstChunkHolds(riff)) {
        return Structure::Broken;
    }
    Canvas canvas;
    const Context top{riff, asText(type), 0, &canvas};
    const Extent extent = containerExtent(riff, *declared);
    const Walk walk = walkChunks(top, 12, extent.stop, extent.limit);
    if (walk.broken) {
        return Structure::Broken;
    }
    return walk.chunks > 0 ? Structure::Holds : Structure::Unknown;
}

std::optional<Samples> waveSamples(const Beginning& file)
{
    const ByteReader in(file.bytes);
    if (asText(in.span(8, 4)) != "WAVE") {
        return std::nullopt;
    }
    std::optional<WaveFormat> format;
    for (std::uint64_t at = 12; in.has(at, kHeaderSize);) {
        const std::string_view id = asText(in.span(at, 4));
        const std::uint32_t size = *in.le32(at + 4);
        const std::size_t data = at + kHeaderSize;
        if (id == "fmt " && size >= 16 && in.has(data, 16)) {
            format = WaveFormat{*in.le16(data),     *in.le16(data + 2),  *in.le32(data + 4),
                                *in.le32(data + 8), *in.le16(data + 12), *in.le16(data + 14)};
            if (format->tag == kFormatExtensible && size >= 40) {
                format->tag = extensibleTag(Riff{in}, data + 24).value_or(format->tag);
            }
        } else if (id == "data") {
            // 8- to 32-bit integers, whole bytes each.
            if (!format || format->tag != kFormatPcm || format->bits % 8 != 0 ||
                format->bits == 0 || format->bits > 32 ||
                format->blockAlign != format->channels * format->bits / 8) {
                return std::nullopt;
            }
            return Samples{data,
                           std::size_t(std::min<std::uint64_t>(data + size, in.size())),
                           format->bits / 8u,
                           format->blockAlign,
                           0,
                           0};
        }
        at = data + size + (size & 1u);
    }
    return std::nullopt;
}

} // namespace quibex::keycheck
