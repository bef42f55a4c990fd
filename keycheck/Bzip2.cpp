// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <bzlib.h>

#include <algorithm>
#include <vector>

namespace quibex::keycheck {

namespace {

// A mistyped character already breaks the first block's header (its
// selectors and code lengths) within a few hundred bytes, and decoding costs
// time: the first kilobytes are plenty. The decoder gives output only once a
// whole block is read, so a file that ends within them has its CRCs checked.
constexpr std::size_t InputCap = std::size_t{8} * 1024;
constexpr std::size_t OutputCap = std::size_t{256} * 1024;
constexpr std::size_t StreamHeaderSize = 4;

class Decompressor
{
public:
    Decompressor() { m_ready = BZ2_bzDecompressInit(&m_stream, 0, 0) == BZ_OK; }
    ~Decompressor()
    {
        if (m_ready) {
            BZ2_bzDecompressEnd(&m_stream);
        }
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    bool ready() const { return m_ready; }
    bz_stream& stream() { return m_stream; }

private:
    bz_stream m_stream{};
    bool m_ready = false;
};

bool startsStream(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= StreamHeaderSize && bytes[0] == 'B' && bytes[1] == 'Z' &&
           bytes[2] == 'h' && bytes[3] >= '1' && bytes[3] <= '9';
}

struct Decoded
{
    int status = BZ_OK;
    std::size_t consumed = 0;
    std::size_t produced = 0;
};

// One stream, until it ends, errs, runs out of bytes or fills the cap.
Decoded decodeStream(std::span<const std::uint8_t> bytes, std::vector<char>& out, std::size_t room)
{
    Decoded decoded;
    Decompressor decompressor;
    if (!decompressor.ready()) {
        decoded.status = BZ_MEM_ERROR;
        return decoded;
    }
    bz_stream& stream = decompressor.stream();
    // The library's interface is not const-correct; it only reads the input.
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    stream.avail_in = unsigned(bytes.size());
    while (decoded.produced < room) {
        const std::size_t chunk = std::min(out.size(), room - decoded.produced);
        stream.next_out = out.data();
        stream.avail_out = unsigned(chunk);
        decoded.status = BZ2_bzDecompress(&stream);
        decoded.produced += chunk - stream.avail_out;
        if (decoded.status != BZ_OK || (stream.avail_in == 0 && stream.avail_out != 0)) {
            break;
        }
    }
    decoded.consumed = bytes.size() - stream.avail_in;
    return decoded;
}

} // namespace

Structure judgeBzip2(const Beginning& file)
{
    std::span<const std::uint8_t> rest = file.bytes.first(std::min(file.bytes.size(), InputCap));
    const bool whole = rest.size() >= file.fileSize;
    if (!startsStream(rest)) {
        // The magic is there (it was sniffed), the block size digit not.
        return rest.size() >= StreamHeaderSize ? Structure::Broken : Structure::Unknown;
    }
    std::vector<char> out(std::size_t{64} * 1024);
    std::size_t produced = 0;
    bool ended = false;
    // Streams may follow one another; anything else after a stream's end is
    // trailing bytes a real file may hold.
    while (startsStream(rest) && produced < OutputCap) {
        const Decoded decoded = decodeStream(rest, out, OutputCap - produced);
        if (decoded.status == BZ_DATA_ERROR || decoded.status == BZ_DATA_ERROR_MAGIC) {
            return Structure::Broken;
        }
        produced += decoded.produced;
        if (decoded.status != BZ_STREAM_END) {
            if (whole && decoded.status == BZ_OK && produced < OutputCap) {
                return Structure::Broken; // the file's end cuts the stream short
            }
            break;
        }
        ended = true;
        rest = rest.subspan(decoded.consumed);
    }
    // A block's CRC is checked once all its output is given, which the cap
    // may stop; before that the checks are the header's and the codes', too
    // weak to say it holds.
    const bool blockChecked = produced > 0 && produced < OutputCap;
    return ended || blockChecked ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
