// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Inflate.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>

namespace quibex::keycheck {

namespace {

class Inflater
{
public:
    explicit Inflater(int windowBits) { m_ready = inflateInit2(&m_stream, windowBits) == Z_OK; }
    ~Inflater()
    {
        if (m_ready) {
            inflateEnd(&m_stream);
        }
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return m_ready; }
    z_stream& stream() { return m_stream; }

private:
    z_stream m_stream{};
    bool m_ready = false;
};

std::uint32_t addToChecksum(Checksum kind, std::uint32_t sum, const std::uint8_t* data, uInt size)
{
    switch (kind) {
    case Checksum::Crc32:
        return std::uint32_t(crc32(sum, data, size));
    case Checksum::Adler32:
        return std::uint32_t(adler32(sum, data, size));
    case Checksum::None:
        break;
    }
    return sum;
}

std::uint32_t initialChecksum(Checksum kind)
{
    return kind == Checksum::Adler32 ? std::uint32_t(adler32(0, nullptr, 0)) : 0;
}

} // namespace

InflateResult inflatePrefix(std::span<const std::uint8_t> input, int windowBits,
                            std::size_t outputCap, Checksum checksum,
                            std::vector<std::uint8_t>* output)
{
    InflateResult result;
    result.checksum = initialChecksum(checksum);
    Inflater inflater(windowBits);
    if (!inflater.ready()) {
        return result;
    }
    z_stream& zs = inflater.stream();
    zs.next_in = input.data();
    const std::size_t given = std::min<std::size_t>(input.size(), std::numeric_limits<uInt>::max());
    zs.avail_in = uInt(given);

    std::array<std::uint8_t, 16384> chunk;
    for (;;) {
        const std::size_t room = std::min(chunk.size(), outputCap - result.produced);
        zs.next_out = chunk.data();
        zs.avail_out = uInt(room);
        const int rc = room == 0 ? Z_BUF_ERROR : inflate(&zs, Z_NO_FLUSH);
        const uInt made = uInt(room - zs.avail_out);
        result.checksum = addToChecksum(checksum, result.checksum, chunk.data(), made);
        if (output) {
            output->insert(output->end(), chunk.data(), chunk.data() + made);
        }
        result.produced += made;
        result.consumed = given - zs.avail_in;
        if (rc == Z_STREAM_END) {
            result.status = InflateStatus::Ended;
            return result;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            return result;
        }
        if (result.produced == outputCap) {
            result.status = InflateStatus::Capped;
            return result;
        }
        if (zs.avail_out != 0) {
            // Room was left, so the decoder stopped for want of input.
            result.status = InflateStatus::Cut;
            return result;
        }
    }
}

} // namespace quibex::keycheck
