// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <lzma.h>

#include <algorithm>
#include <array>
#include <vector>

namespace quibex::keycheck {

namespace {

// A mistyped character makes the range decoder ask for a match before the
// data's start, or breaks a header's CRC32, within the first kilobytes;
// decoding costs time, so these are plenty.
constexpr std::size_t InputCap = std::size_t{8} * 1024;
constexpr std::size_t OutputCap = std::size_t{128} * 1024;
// What the dictionaries of the presets need, with room; a header asking for
// more is not decoded (and not judged).
constexpr std::uint64_t MemoryLimit = std::uint64_t{100} * 1024 * 1024;
// Decoding this much without an error says the key fits, even where no
// block ended within the bytes.
constexpr std::size_t GoodStretch = std::size_t{4} * 1024;

constexpr std::array<std::uint8_t, 6> XzMagic{0xFD, '7', 'z', 'X', 'Z', 0x00};

class Decoder
{
public:
    explicit Decoder(bool xz)
    {
        const lzma_ret started = xz ? lzma_stream_decoder(&m_stream, MemoryLimit, 0)
                                    : lzma_alone_decoder(&m_stream, MemoryLimit);
        m_ready = started == LZMA_OK;
    }
    ~Decoder() { lzma_end(&m_stream); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    bool ready() const { return m_ready; }
    lzma_stream& stream() { return m_stream; }

private:
    lzma_stream m_stream = LZMA_STREAM_INIT;
    bool m_ready = false;
};

struct Decoded
{
    lzma_ret status = LZMA_OK;
    std::size_t consumed = 0;
    std::size_t produced = 0;
};

// One stream, until it ends, errs, runs out of bytes or fills the room.
Decoded decodeStream(std::span<const std::uint8_t> bytes, bool xz, std::vector<std::uint8_t>& out,
                     std::size_t room)
{
    Decoded decoded;
    Decoder decoder(xz);
    if (!decoder.ready()) {
        decoded.status = LZMA_MEM_ERROR;
        return decoded;
    }
    lzma_stream& stream = decoder.stream();
    stream.next_in = bytes.data();
    stream.avail_in = bytes.size();
    while (decoded.produced < room) {
        const std::size_t chunk = std::min(out.size(), room - decoded.produced);
        stream.next_out = out.data();
        stream.avail_out = chunk;
        decoded.status = lzma_code(&stream, LZMA_RUN);
        decoded.produced += chunk - stream.avail_out;
        // Without more input the decoder only says it cannot go on.
        if (decoded.status != LZMA_OK || (stream.avail_in == 0 && stream.avail_out != 0)) {
            break;
        }
    }
    decoded.consumed = bytes.size() - stream.avail_in;
    return decoded;
}

bool isBroken(lzma_ret status)
{
    return status == LZMA_DATA_ERROR || status == LZMA_FORMAT_ERROR || status == LZMA_OPTIONS_ERROR;
}

bool startsXz(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= XzMagic.size() &&
           std::equal(XzMagic.begin(), XzMagic.end(), bytes.begin());
}

// Between streams there may be padding, zero bytes in fours.
std::span<const std::uint8_t> skipPadding(std::span<const std::uint8_t> bytes)
{
    std::size_t at = 0;
    while (at + 4 <= bytes.size() && bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 0 &&
           bytes[at + 3] == 0) {
        at += 4;
    }
    return bytes.subspan(at);
}

// Incompressible data is stored in chunks of up to 64 KiB that nothing
// checks before the block's end.
bool startsStored(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t BlockAt = 12;
    const ByteReader in(bytes);
    const auto headerSize = in.u8(BlockAt);
    if (!headerSize || *headerSize == 0) {
        return false;
    }
    const auto control = in.u8(BlockAt + (std::size_t(*headerSize) + 1) * 4);
    return control == 1 || control == 2;
}

bool stopped(lzma_ret status)
{
    return status != LZMA_OK && status != LZMA_BUF_ERROR && status != LZMA_STREAM_END;
}

// Streams may follow one another (a .lzma file has one); anything else
// after a stream's end is trailing bytes a real file may hold.
Structure judgeStreams(std::span<const std::uint8_t> bytes, bool xz, bool whole)
{
    std::vector<std::uint8_t> out(std::size_t{64} * 1024);
    std::size_t produced = 0;
    std::size_t consumed = 0;
    std::size_t streams = 0;
    std::span<const std::uint8_t> rest = bytes;
    for (bool first = true; first || (xz && startsXz(rest)); first = false) {
        const Decoded decoded = decodeStream(rest, xz, out, OutputCap - produced);
        if (isBroken(decoded.status)) {
            return Structure::Broken;
        }
        if (stopped(decoded.status)) {
            return Structure::Unknown; // out of memory, or too large a dictionary
        }
        produced += decoded.produced;
        consumed += decoded.consumed;
        if (decoded.status != LZMA_STREAM_END) {
            if (whole && produced < OutputCap) {
                return Structure::Broken; // the file's end cuts the stream short
            }
            break;
        }
        ++streams;
        if (produced >= OutputCap) {
            break;
        }
        rest = skipPadding(rest.subspan(decoded.consumed));
    }
    if (streams == 0 && xz && startsStored(bytes)) {
        return Structure::Unknown;
    }
    const bool enough = consumed >= std::min(bytes.size(), GoodStretch) || produced >= OutputCap;
    return enough ? Structure::Holds : Structure::Unknown;
}

// A .lzma header's dictionary size may be anything, and no more of it than
// the output cap is ever used: a smaller one lets the data be judged without
// the memory a mistyped size would ask for.
std::vector<std::uint8_t> withSmallDictionary(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t DictionaryAt = 1;
    constexpr std::uint32_t Dictionary = 1024 * 1024;
    static_assert(Dictionary >= OutputCap);
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    const auto size = ByteReader(bytes).le32(DictionaryAt);
    if (size && *size > Dictionary) {
        for (std::size_t i = 0; i < 4; ++i) {
            copy[DictionaryAt + i] = std::uint8_t(Dictionary >> (8 * i));
        }
    }
    return copy;
}

} // namespace

Structure judgeXz(const Beginning& file)
{
    const auto bytes = file.bytes.first(std::min(file.bytes.size(), InputCap));
    const bool whole = bytes.size() >= file.fileSize;
    if (startsXz(bytes)) {
        return judgeStreams(bytes, true, whole);
    }
    return judgeStreams(withSmallDictionary(bytes), false, whole);
}

} // namespace quibex::keycheck
