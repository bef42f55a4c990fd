// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace quibex::keycheck {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
constexpr std::uint32_t kMaxChunkLength = 0x7fffffffU;
// A few hundred KiB of pixels tell a good stream from a garbled one; more
// only costs time.
constexpr std::uint64_t kMaxInflated = std::uint64_t{256} * 1024;

struct Header
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bitsPerPixel = 0;
    bool interlaced = false;
};

bool isChunkLetter(std::uint8_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

unsigned channelsOf(std::uint8_t colourType)
{
    switch (colourType) {
    case 0:
    case 3:
        return 1;
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 0;
    }
}

bool depthFits(std::uint8_t colourType, std::uint8_t depth)
{
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default:
        return depth == 8 || depth == 16;
    }
}

std::optional<Header> parseHeader(std::span<const std::uint8_t> data)
{
    const ByteReader in(data);
    if (in.size() != 13) {
        return std::nullopt;
    }
    Header header;
    header.width = *in.be32(0);
    header.height = *in.be32(4);
    const std::uint8_t depth = *in.u8(8);
    const std::uint8_t colourType = *in.u8(9);
    const std::uint8_t interlace = *in.u8(12);
    if (header.width == 0 || header.height == 0 || header.width > kMaxChunkLength ||
        header.height > kMaxChunkLength || channelsOf(colourType) == 0 ||
        !depthFits(colourType, depth) || *in.u8(10) != 0 || *in.u8(11) != 0 || interlace > 1) {
        return std::nullopt;
    }
    header.bitsPerPixel = channelsOf(colourType) * depth;
    header.interlaced = interlace == 1;
    return header;
}

// Follows the inflated image data row by row, so that the filter type that
// starts each row can be checked.
class RowWalker
{
public:
    explicit RowWalker(const Header& header) : m_header(header) { startPass(0); }

    // False when a row starts with a filter type that does not exist.
    bool feed(std::span<const std::uint8_t> data)
    {
        std::size_t at = 0;
        while (at < data.size() && m_pass < 7) {
            if (m_left == 0) {
                if (data[at] > 4) {
                    return false;
                }
                m_left = m_rowBytes;
                ++at;
                if (--m_rowsLeft == 0) {
                    m_pendingPass = true;
                }
                continue;
            }
            const std::uint64_t take = std::min<std::uint64_t>(m_left, data.size() - at);
            m_left -= take;
            at += std::size_t(take);
            if (m_left == 0 && m_pendingPass) {
                startPass(m_pass + 1);
            }
        }
        return true;
    }

private:
    void startPass(unsigned pass)
    {
        // Adam7: start and step of columns and rows in each of the 7 passes.
        static constexpr std::array<unsigned, 7> kColStart{0, 4, 0, 2, 0, 1, 0};
        static constexpr std::array<unsigned, 7> kColStep{8, 8, 4, 4, 2, 2, 1};
        static constexpr std::array<unsigned, 7> kRowStart{0, 0, 4, 0, 2, 0, 1};
        static constexpr std::array<unsigned, 7> kRowStep{8, 8, 8, 4, 4, 2, 2};
        m_pendingPass = false;
        m_left = 0;
        for (m_pass = pass; m_pass < 7; ++m_pass) {
            if (!m_header.interlaced) {
                if (m_pass > 0) {
                    break;
                }
                setPass(m_header.width, m_header.height);
                return;
            }
            const std::uint64_t cols =
                m_header.width > kColStart[m_pass]
                    ? (m_header.width - kColStart[m_pass] + kColStep[m_pass] - 1) / kColStep[m_pass]
                    : 0;
            const std::uint64_t rows =
                m_header.height > kRowStart[m_pass]
                    ? (m_header.height - kRowStart[m_pass] + kRowStep[m_pass] - 1) /
                          kRowStep[m_pass]
                    : 0;
            if (cols > 0 && rows > 0) {
                setPass(cols, rows);
                return;
            }
        }
        m_pass = 7;
    }

    void setPass(std::uint64_t cols, std::uint64_t rows)
    {
        m_rowBytes = (cols * m_header.bitsPerPixel + 7) / 8;
        m_rowsLeft = rows;
    }

    Header m_header;
    unsigned m_pass = 0;
    std::uint64_t m_rowBytes = 0;
    std::uint64_t m_rowsLeft = 0;
    // Bytes of the current row still to come after its filter type; 0 before
    // the filter type of the next row.
    std::uint64_t m_left = 0;
    bool m_pendingPass = false;
};

// The image data, inflated as it arrives across chunks.
class ImageData
{
public:
    explicit ImageData(const Header& header) : m_rows(header)
    {
        m_live = inflateInit(&m_stream) == Z_OK;
    }
    ~ImageData()
    {
        if (m_live) {
            inflateEnd(&m_stream);
        }
    }
    ImageData(const ImageData&) = delete;
    ImageData& operator=(const ImageData&) = delete;

    bool ok() const { return !m_failed; }
    // Without zlib's state (no memory) there is nothing to check.
    bool done() const { return !m_live || m_failed || m_ended || m_inflated >= kMaxInflated; }

    void feed(std::span<const std::uint8_t> data)
    {
        if (done() || data.empty()) {
            return;
        }
        std::array<std::uint8_t, 16384> out{};
        m_stream.next_in = const_cast<Bytef*>(data.data());
        m_stream.avail_in = uInt(data.size());
        while (m_stream.avail_in > 0 && !done()) {
            m_stream.next_out = out.data();
            m_stream.avail_out = uInt(out.size());
            const int result = inflate(&m_stream, Z_NO_FLUSH);
            const std::size_t produced = out.size() - m_stream.avail_out;
            m_inflated += produced;
            if (!m_rows.feed(std::span<const std::uint8_t>(out.data(), produced))) {
                m_failed = true;
                return;
            }
            if (result == Z_STREAM_END) {
                m_ended = true;
            } else if (result != Z_OK) {
                m_failed = true;
                return;
            }
        }
    }

private:
    z_stream m_stream{};
    RowWalker m_rows;
    std::uint64_t m_inflated = 0;
    bool m_live = false;
    bool m_failed = false;
    bool m_ended = false;
};

bool crcMatches(const ByteReader& in, std::size_t at, std::uint32_t length)
{
    const auto covered = in.span(at + 4, std::size_t(length) + 4);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), covered.data(), uInt(covered.size()));
    return crc == *in.be32(at + 8 + length);
}

} // namespace

Structure judgePng(const Beginning& file)
{
    const ByteReader in(file.bytes);
    const auto magic = in.span(0, kSignature.size());
    if (magic.empty() || !std::equal(magic.begin(), magic.end(), kSignature.begin())) {
        return Structure::Broken;
    }
    std::optional<Header> header;
    std::optional<ImageData> image;
    bool checkedMore = false;
    std::size_t at = kSignature.size();
    while (in.has(at, 8)) {
        const std::uint32_t length = *in.be32(at);
        const auto type = in.span(at + 4, 4);
        if (length > kMaxChunkLength || !std::all_of(type.begin(), type.end(), isChunkLetter) ||
            at + 12 + std::uint64_t(length) > file.fileSize) {
            return Structure::Broken;
        }
        const bool whole = in.has(at + 8, std::size_t(length) + 4);
        if (whole && !crcMatches(in, at, length)) {
            return Structure::Broken;
        }
        const auto data = in.span(at + 8, std::min<std::size_t>(length, in.size() - at - 8));
        if (!header) {
            if (std::memcmp(type.data(), "IHDR", 4) != 0 || length != 13) {
                return Structure::Broken;
            }
            if (!whole) {
                return Structure::Unknown;
            }
            header = parseHeader(data);
            if (!header) {
                return Structure::Broken;
            }
            image.emplace(*header);
        } else if (std::memcmp(type.data(), "IDAT", 4) == 0) {
            image->feed(data);
            if (!image->ok()) {
                return Structure::Broken;
            }
            checkedMore = true;
        } else if (std::memcmp(type.data(), "IEND", 4) == 0) {
            // What follows the end is not the image's.
            return Structure::Holds;
        } else {
            checkedMore = checkedMore || whole;
        }
        if (!whole) {
            break;
        }
        at += 12 + std::size_t(length);
    }
    return checkedMore ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
