// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace quibex::keycheck {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kIconEntrySize = 16;
constexpr std::size_t kIconDirectorySize = 6;
// Writers disagree on whether bfSize counts padding; a few bytes apart is
// still the file's own size.
constexpr std::uint64_t kSizeSlack = 16;
constexpr std::int64_t kMaxSide = 1 << 16;

enum Compression : std::uint32_t
{
    Rgb = 0,
    Rle8 = 1,
    Rle4 = 2,
    Bitfields = 3,
    Jpeg = 4,
    Png = 5,
    AlphaBitfields = 6,
    Cmyk = 11,
    CmykRle4 = 13,
};

struct Dib
{
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    unsigned bitCount = 0;
    std::uint32_t compression = Rgb;
    std::uint32_t colours = 0;
    bool byteMasks = false; // masks that each take whole bytes of a pixel

    // Bytes of pixels, when the compression lets us know them.
    std::optional<std::uint64_t> pixelBytes() const
    {
        if (compression != Rgb && compression != Bitfields && compression != AlphaBitfields) {
            return std::nullopt;
        }
        const std::uint64_t stride = (std::uint64_t(width) * bitCount + 31) / 32 * 4;
        return stride * std::uint64_t(height < 0 ? -height : height);
    }
    std::uint64_t paletteBytes() const
    {
        return std::uint64_t(colours) * (headerSize == 12 ? 3 : 4);
    }
};

bool isHeaderSize(std::uint32_t size)
{
    static constexpr std::array<std::uint32_t, 7> kSizes{12, 40, 52, 56, 64, 108, 124};
    return std::find(kSizes.begin(), kSizes.end(), size) != kSizes.end();
}

bool isBitCount(unsigned bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32;
}

bool compressionFits(std::uint32_t compression, unsigned bits)
{
    switch (compression) {
    case Rgb:
        return isBitCount(bits);
    case Rle8:
        return bits == 8;
    case Rle4:
        return bits == 4;
    case Bitfields:
    case AlphaBitfields:
        return bits == 16 || bits == 32;
    case Jpeg:
    case Png:
        return bits == 0 || isBitCount(bits);
    default:
        return compression >= Cmyk && compression <= CmykRle4 && isBitCount(bits);
    }
}

// The colour masks of a bitfields image are disjoint and within a pixel.
bool masksFit(const ByteReader& in, std::size_t at, unsigned bits)
{
    const std::uint64_t limit = bits >= 32 ? 0xffffffffULL : (1ULL << bits) - 1;
    std::uint32_t seen = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto mask = in.le32(at + 4 * i);
        if (!mask) {
            return true;
        }
        if ((*mask & seen) != 0 || *mask > limit) {
            return false;
        }
        seen |= *mask;
    }
    return true;
}

// The colour space of a version 4 or 5 header is one Windows names.
bool colourSpaceFits(std::uint32_t type)
{
    static constexpr std::array<std::uint32_t, 5> kTypes{0, 0x73524742, 0x57696e20, 0x4c494e4b,
                                                         0x4d424544};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

// Whether the colour masks (and alpha's, where given) each take one whole
// byte of a pixel, or none: the channels are then bytes, as without masks.
bool byteMasksAt(const ByteReader& in, std::size_t at, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t mask = in.le32(at + 4 * i).value_or(0);
        if (mask != 0 && mask != 0xffU && mask != 0xff00U && mask != 0xff0000U &&
            mask != 0xff000000U) {
            return false;
        }
    }
    return true;
}

// Reads and checks a DIB header at the start of the reader; the masks of a
// 40-byte header follow it when it says bitfields.
std::optional<Dib> parseDib(const ByteReader& in)
{
    Dib dib;
    const auto size = in.le32(0);
    if (!size || !isHeaderSize(*size)) {
        return std::nullopt;
    }
    dib.headerSize = *size;
    if (dib.headerSize == 12) {
        const auto w = in.le16(4), h = in.le16(6), planes = in.le16(8), bits = in.le16(10);
        if (!bits || *w == 0 || *h == 0 || *planes != 1 ||
            (*bits != 1 && *bits != 4 && *bits != 8 && *bits != 24)) {
            return std::nullopt;
        }
        dib.width = *w;
        dib.height = *h;
        dib.bitCount = *bits;
        dib.colours = dib.bitCount <= 8 ? 1U << dib.bitCount : 0;
        return dib;
    }
    const auto w = in.le32(4), h = in.le32(8);
    const auto planes = in.le16(12), bits = in.le16(14);
    const auto compression = in.le32(16), used = in.le32(32), important = in.le32(36);
    if (!important) {
        return std::nullopt;
    }
    dib.width = std::int32_t(*w);
    dib.height = std::int32_t(*h);
    dib.bitCount = *bits;
    dib.compression = *compression;
    const std::uint64_t most = dib.bitCount <= 8 ? 1ULL << dib.bitCount : 1ULL << 24;
    if (dib.width <= 0 || dib.width > kMaxSide || dib.height == 0 || dib.height > kMaxSide ||
        dib.height < -kMaxSide || *planes != 1 || !compressionFits(dib.compression, dib.bitCount) ||
        *used > most || *important > most) {
        return std::nullopt;
    }
    dib.colours = *used != 0 || dib.bitCount > 8 ? *used : 1U << dib.bitCount;
    if ((dib.compression == Bitfields || dib.compression == AlphaBitfields) &&
        !masksFit(in, 40, dib.bitCount)) {
        return std::nullopt;
    }
    dib.byteMasks =
        dib.compression == Rgb ||
        byteMasksAt(in, 40, dib.headerSize >= 56 || dib.compression == AlphaBitfields ? 4 : 3);
    if (dib.headerSize >= 108) {
        const auto type = in.le32(56);
        if (type && !colourSpaceFits(*type)) {
            return std::nullopt;
        }
    }
    return dib;
}

std::size_t masksAfter(const Dib& dib)
{
    if (dib.headerSize != 40) {
        return 0;
    }
    if (dib.compression == Bitfields) {
        return 12;
    }
    return dib.compression == AlphaBitfields ? 16 : 0;
}

bool sizeFits(std::uint32_t declared, std::uint64_t fileSize)
{
    const std::uint64_t size = declared;
    return size == 0 || (size + kSizeSlack >= fileSize && size <= fileSize + kSizeSlack);
}

// An icon's image: a PNG, or a DIB whose height counts the colour bitmap
// and the transparency mask below it.
Structure judgeIconImage(std::span<const std::uint8_t> image, std::uint32_t size)
{
    static constexpr std::array<std::uint8_t, 4> kPng{0x89, 'P', 'N', 'G'};
    if (image.size() >= kPng.size() && std::equal(kPng.begin(), kPng.end(), image.begin())) {
        return judgePng(Beginning{image, size});
    }
    const ByteReader in(image);
    if (!in.has(0, 40)) {
        return Structure::Unknown;
    }
    const auto dib = parseDib(in);
    if (!dib || dib->headerSize == 12 || dib->height < 0) {
        return Structure::Broken;
    }
    Dib colour = *dib;
    colour.height = (dib->height + 1) / 2;
    const auto pixels = colour.pixelBytes();
    const std::uint64_t needed =
        dib->headerSize + masksAfter(*dib) + colour.paletteBytes() + pixels.value_or(0);
    return needed <= std::uint64_t(size) + kSizeSlack ? Structure::Holds : Structure::Broken;
}

// The pixels of a DIB of 24 or 32 bits that are not compressed, and whose
// masks, if any, take whole bytes, from pixels on, rows of it (an icon's
// colour bitmap is half its height).
std::optional<Samples> dibSamples(const Dib& dib, std::size_t pixels, std::int64_t rows,
                                  std::size_t available)
{
    if ((dib.bitCount != 24 && dib.bitCount != 32) || !dib.byteMasks ||
        (dib.compression != Rgb && dib.bitCount != 32)) {
        return std::nullopt;
    }
    const auto stride = std::size_t((std::uint64_t(dib.width) * dib.bitCount + 31) / 32 * 4);
    const std::uint64_t end = pixels + std::uint64_t(stride) * std::uint64_t(std::abs(rows));
    return Samples{pixels, std::size_t(std::min<std::uint64_t>(end, available)),
                   1,      dib.bitCount / 8u,
                   stride, std::size_t(dib.width) * dib.bitCount / 8u};
}

} // namespace

std::optional<Samples> bmpSamples(const Beginning& file)
{
    const ByteReader in(file.bytes);
    const auto offBits = in.le32(10);
    const auto dib = parseDib(ByteReader(file.bytes.subspan(std::min(kFileHeaderSize, in.size()))));
    if (!offBits || !dib) {
        return std::nullopt;
    }
    return dibSamples(*dib, *offBits, dib->height, in.size());
}

std::optional<Samples> icoSamples(const Beginning& file)
{
    // The image with the most pixels within the bytes tells the most.
    const ByteReader in(file.bytes);
    std::optional<Samples> most;
    const std::size_t count = in.le16(4).value_or(0);
    for (std::size_t i = 0; i < count; ++i) {
        const auto offset = in.le32(kIconDirectorySize + kIconEntrySize * i + 12);
        if (!offset || *offset >= in.size()) {
            continue;
        }
        const auto dib = parseDib(ByteReader(file.bytes.subspan(*offset)));
        if (!dib || dib->headerSize == 12 || dib->colours != 0) {
            continue;
        }
        const auto samples = dibSamples(*dib, *offset + dib->headerSize + masksAfter(*dib),
                                        (dib->height + 1) / 2, in.size());
        if (samples && (!most || samples->end - samples->start > most->end - most->start)) {
            most = samples;
        }
    }
    return most;
}

Structure judgeBmp(const Beginning& file)
{
    const ByteReader in(file.bytes);
    const auto fileSize = in.le32(2), reserved = in.le32(6), offBits = in.le32(10);
    if (!offBits || !in.has(kFileHeaderSize, 40)) {
        return Structure::Unknown;
    }
    if (!sizeFits(*fileSize, file.fileSize) || *reserved != 0 || *offBits > file.fileSize) {
        return Structure::Broken;
    }
    const auto dib = parseDib(ByteReader(file.bytes.subspan(kFileHeaderSize)));
    if (!dib) {
        return Structure::Broken;
    }
    const std::uint64_t palette =
        dib->headerSize == 12 || dib->bitCount <= 8 || dib->colours != 0 ? dib->paletteBytes() : 0;
    // Some writers leave the palette's tail out; what cannot be is pixels
    // starting inside the header.
    const std::uint64_t headers = kFileHeaderSize + dib->headerSize + masksAfter(*dib);
    if (*offBits < headers || (dib->colours != 0 && *offBits < headers + palette / 2)) {
        return Structure::Broken;
    }
    const auto pixels = dib->pixelBytes();
    if (pixels && *offBits + *pixels > file.fileSize + kSizeSlack) {
        return Structure::Broken;
    }
    return Structure::Holds;
}

Structure judgeIco(const Beginning& file)
{
    const ByteReader in(file.bytes);
    const auto reserved = in.le16(0), type = in.le16(2), count = in.le16(4);
    if (!count) {
        return Structure::Unknown;
    }
    const std::uint64_t directoryEnd = kIconDirectorySize + kIconEntrySize * std::uint64_t(*count);
    if (*reserved != 0 || (*type != 1 && *type != 2) || *count == 0 ||
        directoryEnd > file.fileSize) {
        return Structure::Broken;
    }
    bool checked = false;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t at = kIconDirectorySize + kIconEntrySize * i;
        const auto size = in.le32(at + 8), offset = in.le32(at + 12);
        if (!offset) {
            break;
        }
        if (*size == 0 || *offset < directoryEnd ||
            std::uint64_t(*offset) + *size > file.fileSize) {
            return Structure::Broken;
        }
        if (*offset >= in.size()) {
            continue;
        }
        const auto image =
            file.bytes.subspan(*offset, std::min<std::size_t>(*size, in.size() - *offset));
        const Structure verdict = judgeIconImage(image, *size);
        if (verdict == Structure::Broken) {
            return Structure::Broken;
        }
        checked = checked || verdict == Structure::Holds;
    }
    return checked ? Structure::Holds : Structure::Unknown;
}

} // namespace quibex::keycheck
