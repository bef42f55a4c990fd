// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <vector>

namespace quibex::keycheck {

namespace {

// A compressed block is decoded once it is whole, and blocks of text run to
// tens of kilobytes: all the bytes are given, and decoding them is quick.
constexpr std::size_t OutputCap = std::size_t{512} * 1024;
// The largest window the compressor's strongest levels use; a header asking
// for more is not decoded (and not judged) rather than given the memory.
constexpr int WindowLogMax = 27;

constexpr std::uint32_t FrameMagic = 0xFD2FB528;
constexpr std::uint32_t SkippableMask = 0xFFFFFFF0;
constexpr std::uint32_t SkippableMagic = 0x184D2A50;

class Context
{
public:
    Context() : m_context(ZSTD_createDCtx())
    {
        if (m_context != nullptr) {
            ZSTD_DCtx_setParameter(m_context, ZSTD_d_windowLogMax, WindowLogMax);
        }
    }
    ~Context() { ZSTD_freeDCtx(m_context); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    ZSTD_DCtx* get() const { return m_context; }

private:
    ZSTD_DCtx* m_context;
};

bool startsFrame(std::span<const std::uint8_t> bytes)
{
    const auto magic = ByteReader(bytes).le32(0);
    return magic && (*magic == FrameMagic || (*magic & SkippableMask) == SkippableMagic);
}

struct FrameShape
{
    bool skippable = false;
    // Incompressible data is stored in raw blocks, up to 128 KiB, that only
    // the frame's checksum, when it has one, checks.
    bool rawStart = false;
    bool checksum = false;
};

constexpr std::size_t DescriptorAt = 4;

bool singleSegment(std::uint8_t descriptor)
{
    return (descriptor >> 5) & 1;
}

std::size_t contentSizeSize(std::uint8_t descriptor)
{
    constexpr std::size_t Sizes[] = {0, 2, 4, 8};
    const unsigned flag = descriptor >> 6;
    return flag == 0 && singleSegment(descriptor) ? 1 : Sizes[flag];
}

std::size_t frameHeaderSize(std::uint8_t descriptor)
{
    constexpr std::size_t DictionaryIdSizes[] = {0, 1, 2, 4};
    return DescriptorAt + 1 + (singleSegment(descriptor) ? 0 : 1) +
           DictionaryIdSizes[descriptor & 3] + contentSizeSize(descriptor);
}

FrameShape shapeOf(std::span<const std::uint8_t> bytes)
{
    const ByteReader in(bytes);
    const auto magic = in.le32(0);
    const auto descriptor = in.u8(DescriptorAt);
    FrameShape shape;
    shape.skippable = magic && *magic != FrameMagic;
    if (shape.skippable || !descriptor) {
        return shape;
    }
    const auto block = in.u8(frameHeaderSize(*descriptor));
    shape.rawStart = block && ((*block >> 1) & 3) == 0;
    shape.checksum = (*descriptor >> 2) & 1;
    return shape;
}

// What a frame the library declines (one made with a dictionary, or with a
// larger window than is given) still shows: its blocks' headers, whose
// sizes must chain to the frame's end.
bool blocksBroken(std::span<const std::uint8_t> bytes, bool whole)
{
    constexpr std::uint32_t MaxBlock = 128 * 1024;
    constexpr unsigned Reserved = 3;
    constexpr unsigned Rle = 1;
    const ByteReader in(bytes);
    const auto descriptor = in.u8(DescriptorAt);
    if (!descriptor) {
        return false;
    }
    if ((*descriptor >> 3) & 1) {
        return true; // a reserved bit
    }
    std::size_t at = frameHeaderSize(*descriptor);
    while (in.has(at, 3)) {
        const std::uint32_t header = std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
                                     std::uint32_t(bytes[at + 2]) << 16;
        const unsigned type = (header >> 1) & 3;
        const std::uint32_t size = header >> 3;
        if (type == Reserved || size > MaxBlock) {
            return true;
        }
        at += 3 + (type == Rle ? 1 : size);
        if ((header & 1) != 0) {
            at += (*descriptor >> 2) & 1 ? 4 : 0;
            return whole && at > bytes.size();
        }
    }
    return whole; // the file ends before the frame's last block
}

bool checked(const FrameShape& shape, bool ended, std::size_t produced)
{
    if (shape.skippable) {
        return false;
    }
    return shape.rawStart ? ended && shape.checksum : ended || produced > 0;
}

// Errors that say the library would not decode it, not that it is broken.
bool declined(std::size_t result)
{
    const ZSTD_ErrorCode code = ZSTD_getErrorCode(result);
    return code == ZSTD_error_frameParameter_windowTooLarge ||
           code == ZSTD_error_memory_allocation || code == ZSTD_error_dictionary_wrong;
}

struct Decoded
{
    bool broken = false;
    bool declined = false;
    bool ended = false;
    std::size_t consumed = 0;
    std::size_t produced = 0;
};

// One frame, until it ends, errs, runs out of bytes or fills the room.
Decoded decodeFrame(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out,
                    std::size_t room)
{
    Decoded decoded;
    const Context context;
    if (context.get() == nullptr) {
        decoded.declined = true;
        return decoded;
    }
    ZSTD_inBuffer in{bytes.data(), bytes.size(), 0};
    while (decoded.produced < room) {
        ZSTD_outBuffer chunk{out.data(), std::min(out.size(), room - decoded.produced), 0};
        const std::size_t result = ZSTD_decompressStream(context.get(), &chunk, &in);
        decoded.produced += chunk.pos;
        if (ZSTD_isError(result)) {
            decoded.declined = declined(result);
            decoded.broken = !decoded.declined;
            break;
        }
        if (result == 0) {
            decoded.ended = true;
            break;
        }
        // Without more input the decoder only asks for it.
        if (in.pos == in.size && chunk.pos < chunk.size) {
            break;
        }
    }
    decoded.consumed = in.pos;
    return decoded;
}

} // namespace

Structure judgeZstd(const Beginning& file)
{
    std::vector<std::uint8_t> out(std::size_t{64} * 1024);
    std::size_t produced = 0;
    bool anyChecked = false;
    std::span<const std::uint8_t> rest = file.bytes;
    // Frames, skippable ones among them, may follow one another; anything
    // else after a frame's end is trailing bytes a real file may hold.
    while (startsFrame(rest) && produced < OutputCap) {
        const Decoded decoded = decodeFrame(rest, out, OutputCap - produced);
        if (decoded.broken) {
            return Structure::Broken;
        }
        if (decoded.declined) {
            return blocksBroken(rest, file.isWhole()) ? Structure::Broken : Structure::Unknown;
        }
        produced += decoded.produced;
        if (!decoded.ended && file.isWhole() && produced < OutputCap) {
            return Structure::Broken; // the file's end cuts the frame short
        }
        anyChecked = anyChecked || checked(shapeOf(rest), decoded.ended, decoded.produced);
        if (!decoded.ended) {
            break;
        }
        rest = rest.subspan(decoded.consumed);
    }
    return anyChecked ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
