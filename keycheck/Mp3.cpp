// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quibex::keycheck {

namespace {

constexpr std::size_t kId3HeaderSize = 10;
// How far past a tag a first frame is looked for: taggers leave padding.
constexpr std::size_t kSyncSearch = 4096;
// A chain this long is no accident.
constexpr int kFramesEnough = 3;

// The fields of a frame header that decide its length and layout.
struct Header
{
    int version = 0; // 0: MPEG-2.5, 2: MPEG-2, 3: MPEG-1
    int layer = 0;   // 1: layer III, 2: layer II, 3: layer I (as coded)
    bool protectedByCrc = false;
    int bitrateIndex = 0;
    int rateIndex = 0;
    bool padding = false;
    bool mono = false;
    int emphasis = 0;
};

std::optional<Header> parseHeader(const ByteReader& in, std::size_t at)
{
    const auto word = in.be32(at);
    if (!word || (*word >> 21) != 0x7ff) {
        return std::nullopt;
    }
    Header h;
    h.version = int(*word >> 19) & 3;
    h.layer = int(*word >> 17) & 3;
    h.protectedByCrc = ((*word >> 16) & 1) == 0;
    h.bitrateIndex = int(*word >> 12) & 15;
    h.rateIndex = int(*word >> 10) & 3;
    h.padding = ((*word >> 9) & 1) != 0;
    h.mono = ((*word >> 6) & 3) == 3;
    h.emphasis = int(*word) & 3;
    return h;
}

// Reserved codes that no encoder writes.
bool isLegal(const Header& h)
{
    return h.version != 1 && h.layer != 0 && h.bitrateIndex != 15 && h.rateIndex != 3 &&
           h.emphasis != 2;
}

bool isFreeFormat(const Header& h)
{
    return h.bitrateIndex == 0;
}

int bitrateKbps(const Header& h)
{
    static constexpr std::array<std::array<int, 15>, 5> table{{
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    }};
    const bool mpeg1 = h.version == 3;
    const std::size_t row = mpeg1 ? std::size_t(3 - h.layer) : (h.layer == 3 ? 3u : 4u);
    return table[row][std::size_t(h.bitrateIndex)];
}

int sampleRate(const Header& h)
{
    static constexpr std::array<int, 3> mpeg1{44100, 48000, 32000};
    const int base = mpeg1[std::size_t(h.rateIndex)];
    return h.version == 3 ? base : (h.version == 2 ? base / 2 : base / 4);
}

std::size_t frameLength(const Header& h)
{
    const int bitrate = bitrateKbps(h) * 1000;
    const int rate = sampleRate(h);
    const int pad = h.padding ? 1 : 0;
    if (h.layer == 3) {
        const int slots = 12 * bitrate / rate + pad;
        return std::size_t(slots) * 4;
    }
    const int factor = (h.layer == 1 && h.version != 3) ? 72 : 144;
    const int length = factor * bitrate / rate + pad;
    return std::size_t(length);
}

// The fields that stay for the whole stream.
bool sameStream(const Header& a, const Header& b)
{
    return a.version == b.version && a.layer == b.layer && a.rateIndex == b.rateIndex &&
           a.mono == b.mono;
}

std::size_t sideInfoSize(const Header& h)
{
    return h.version == 3 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
}

std::uint16_t crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc)
{
    for (const std::uint8_t byte : bytes) {
        crc = std::uint16_t(crc ^ (byte << 8));
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x8005) : std::uint16_t(crc << 1);
        }
    }
    return crc;
}

// Layer III protects the last two header bytes and the side information,
// whose size follows from the version and the channels.
bool crcHolds(const ByteReader& in, std::size_t at, const Header& h)
{
    if (!h.protectedByCrc || h.layer != 1) {
        return true;
    }
    const std::size_t side = sideInfoSize(h);
    const auto headerTail = in.span(at + 2, 2);
    const auto stored = in.be16(at + 4);
    const auto sideInfo = in.span(at + 6, side);
    if (headerTail.empty() || !stored || sideInfo.empty()) {
        return true;
    }
    return crc16(sideInfo, crc16(headerTail, 0xffff)) == *stored;
}

// --- Layer III side information ------------------------------------------

class BitReader
{
public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint32_t take(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++m_bit) {
            const std::size_t byte = m_bit / 8;
            const int bit = byte < m_bytes.size() ? (m_bytes[byte] >> (7 - m_bit % 8)) & 1 : 0;
            value = (value << 1) | std::uint32_t(bit);
        }
        return value;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_bit = 0;
};

struct SideInfo
{
    std::uint32_t mainDataBegin = 0;
    std::uint64_t mainDataBits = 0;
    bool legal = true;
};

// The bits of an MPEG-1 granule's scale factors, which its main data
// must hold; granule 1 may reuse granule 0's bands (scfsi).
std::uint32_t scaleFactorBits(std::uint32_t compress, int granule, std::uint32_t scfsi,
                              std::uint32_t blockType, bool mixed)
{
    static constexpr std::array<std::uint32_t, 16> slen1{0, 0, 0, 0, 3, 1, 1, 1,
                                                         2, 2, 2, 3, 3, 3, 4, 4};
    static constexpr std::array<std::uint32_t, 16> slen2{0, 1, 2, 3, 0, 1, 2, 3,
                                                         1, 2, 3, 1, 2, 3, 2, 3};
    const std::uint32_t s1 = slen1[compress & 15];
    const std::uint32_t s2 = slen2[compress & 15];
    if (blockType == 2) {
        return (mixed ? 17 : 18) * s1 + 18 * s2;
    }
    if (granule == 0) {
        return 11 * s1 + 10 * s2;
    }
    const std::uint32_t bands1 = ((scfsi & 8) ? 0 : 6) + ((scfsi & 4) ? 0 : 5);
    const std::uint32_t bands2 = ((scfsi & 2) ? 0 : 5) + ((scfsi & 1) ? 0 : 5);
    return bands1 * s1 + bands2 * s2;
}

// One granule of one channel: the length of its main data, and the codes
// that have a legal range.
void readGranule(BitReader& bits, bool mpeg1, int granule, std::uint32_t scfsi, SideInfo& info)
{
    const std::uint32_t length = bits.take(12);
    info.mainDataBits += length;
    const std::uint32_t bigValues = bits.take(9);
    bits.take(8); // global gain
    const std::uint32_t compress = bits.take(mpeg1 ? 4 : 9);
    const bool windowSwitching = bits.take(1) != 0;
    std::uint32_t firstTable = 0;
    std::uint32_t blockType = 0;
    bool mixed = false;
    if (windowSwitching) {
        blockType = bits.take(2);
        mixed = bits.take(1) != 0;
        firstTable = bits.take(5);
        bits.take(5 + 9);
        info.legal = info.legal && blockType != 0;
    } else {
        firstTable = bits.take(5);
        bits.take(10 + 4 + 3);
    }
    // Huffman tables 4 and 14 do not exist.
    info.legal = info.legal && (bigValues == 0 || (firstTable != 4 && firstTable != 14));
    info.legal = info.legal &&
                 (!mpeg1 || length >= scaleFactorBits(compress, granule, scfsi, blockType, mixed));
    bits.take(mpeg1 ? 3 : 2);
    info.legal = info.legal && bigValues <= 288;
}

SideInfo readSideInfo(std::span<const std::uint8_t> bytes, const Header& h)
{
    const bool mpeg1 = h.version == 3;
    const int channels = h.mono ? 1 : 2;
    BitReader bits(bytes);
    SideInfo info;
    info.mainDataBegin = bits.take(mpeg1 ? 9 : 8);
    bits.take(mpeg1 ? (h.mono ? 5 : 3) : (h.mono ? 1 : 2));
    std::array<std::uint32_t, 2> scfsi{};
    for (int channel = 0; mpeg1 && channel < channels; ++channel) {
        scfsi[std::size_t(channel)] = bits.take(4);
    }
    for (int granule = 0; granule < (mpeg1 ? 2 : 1); ++granule) {
        for (int channel = 0; channel < channels; ++channel) {
            readGranule(bits, mpeg1, granule, scfsi[std::size_t(channel)], info);
        }
    }
    return info;
}

// The bit reservoir: a frame's main data may begin in earlier frames, but
// never before the stream's first, nor before the previous frame's ends.
class Reservoir
{
public:
    explicit Reservoir(bool fromStart) : m_fromStart(fromStart) {}

    bool accept(const ByteReader& in, std::size_t at, const Header& h, std::size_t length)
    {
        if (h.layer != 1) {
            return true;
        }
        const std::size_t sideAt = at + 4 + (h.protectedByCrc ? 2 : 0);
        const auto side = in.span(sideAt, sideInfoSize(h));
        if (side.empty()) {
            return true;
        }
        const SideInfo info = readSideInfo(side, h);
        const std::uint64_t dataSize = length - std::min(length, sideAt - at + side.size());
        const bool fits = info.mainDataBits <= 8 * (std::uint64_t(info.mainDataBegin) + dataSize);
        const bool afterPrevious = !m_fromStart || (info.mainDataBegin <= m_bytes &&
                                                    8 * (m_bytes - info.mainDataBegin) >= m_endBit);
        m_endBit = 8 * (m_bytes - std::min<std::uint64_t>(info.mainDataBegin, m_bytes)) +
                   info.mainDataBits;
        m_bytes += dataSize;
        return info.legal && fits && afterPrevious;
    }

private:
    bool m_fromStart;
    std::uint64_t m_bytes = 0;
    std::uint64_t m_endBit = 0;
};

// What may follow the last frame: tags, or the end of the stream.
bool isTrailer(const ByteReader& in, std::size_t at)
{
    const auto text = in.span(at, 8);
    const std::string_view s(reinterpret_cast<const char*>(text.data()), text.size());
    return s.starts_with("TAG") || s.starts_with("APETAGEX") || s.starts_with("LYRICS") ||
           s.starts_with("ID3");
}

struct Chain
{
    bool broken = false;
    int frames = 0;
    bool freeFormat = false;
};

Chain followFrames(const Beginning& file, const ByteReader& in, std::size_t at, bool fromStart)
{
    Chain chain;
    Reservoir reservoir(fromStart);
    std::optional<Header> first;
    while (in.has(at, 4)) {
        const auto h = parseHeader(in, at);
        if (!h) {
            chain.broken = !isTrailer(in, at);
            return chain;
        }
        if (!isLegal(*h) || (first && !sameStream(*first, *h))) {
            chain.broken = true;
            return chain;
        }
        if (isFreeFormat(*h)) {
            chain.freeFormat = !first;
            chain.broken = first.has_value();
            return chain;
        }
        if (!crcHolds(in, at, *h)) {
            chain.broken = true;
            return chain;
        }
        const std::size_t length = frameLength(*h);
        if (!reservoir.accept(in, at, *h, length)) {
            chain.broken = true;
            return chain;
        }
        first = first.value_or(*h);
        ++chain.frames;
        const std::size_t next = at + length;
        // The last frame of a file is often cut short.
        if (next >= file.fileSize) {
            return chain;
        }
        at = next;
    }
    return chain;
}

struct Tag
{
    bool broken = false;
    std::size_t end = 0;
};

// An ID3v2 tag: its size is synchsafe, seven bits a byte.
Tag skipId3(const Beginning& file, const ByteReader& in)
{
    const auto magic = in.span(0, 3);
    if (magic.size() < 3 ||
        std::string_view(reinterpret_cast<const char*>(magic.data()), 3) != "ID3") {
        return {};
    }
    const auto major = in.u8(3);
    const auto flags = in.u8(5);
    const auto size = in.span(6, 4);
    if (!major || !flags || size.size() < 4) {
        return {false, in.size()};
    }
    if (*major < 2 || *major > 4 ||
        std::any_of(size.begin(), size.end(), [](std::uint8_t b) { return (b & 0x80) != 0; })) {
        return {true, 0};
    }
    std::size_t length = 0;
    for (const std::uint8_t b : size) {
        length = (length << 7) | b;
    }
    const bool footer = *major == 4 && (*flags & 0x10) != 0;
    const std::size_t end = kId3HeaderSize + length + (footer ? kId3HeaderSize : 0);
    return {end > file.fileSize, end};
}

// Some taggers pad beyond the size they declare; other streams (AAC, FLAC)
// also carry ID3 tags and are none of this judge's business.
std::optional<std::size_t> firstFrameAfterTag(const ByteReader& in, std::size_t from)
{
    const std::size_t last = std::min(in.size(), from + kSyncSearch);
    for (std::size_t at = from; at < last; ++at) {
        const auto h = parseHeader(in, at);
        if (h && isLegal(*h) && !isFreeFormat(*h)) {
            const auto next = parseHeader(in, at + frameLength(*h));
            if (next && sameStream(*h, *next)) {
                return at;
            }
        }
    }
    return std::nullopt;
}

// AAC (ADTS) and FLAC streams also carry ID3 tags.
bool isOtherStream(const ByteReader& in, std::size_t at)
{
    const auto sync = in.be16(at);
    const auto text = in.span(at, 4);
    const bool adts = sync && (*sync & 0xfff6) == 0xfff0;
    return adts ||
           std::string_view(reinterpret_cast<const char*>(text.data()), text.size()) == "fLaC";
}

} // namespace

Structure judgeMp3(const Beginning& file)
{
    const ByteReader in(file.bytes);
    const Tag tag = skipId3(file, in);
    if (tag.broken) {
        return Structure::Broken;
    }
    std::size_t start = tag.end;
    if (tag.end > 0) {
        const auto found = firstFrameAfterTag(in, tag.end);
        if (!found) {
            return in.has(tag.end, kSyncSearch) && !isOtherStream(in, tag.end) ? Structure::Broken
                                                                               : Structure::Unknown;
        }
        start = *found;
    }
    const Chain chain = followFrames(file, in, start, start == tag.end);
    if (chain.broken) {
        return Structure::Broken;
    }
    if (chain.freeFormat || chain.frames == 0) {
        return Structure::Unknown;
    }
    return chain.frames >= kFramesEnough || in.size() >= file.fileSize ? Structure::Holds
                                                                       : Structure::Unknown;
}

} // namespace quibex::keycheck
