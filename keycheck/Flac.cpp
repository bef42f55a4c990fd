// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>

namespace quibex::keycheck {

namespace {

constexpr std::size_t kMagicSize = 4;
constexpr std::size_t kBlockHeaderSize = 4;
constexpr std::size_t kStreamInfoSize = 34;
constexpr int kTypeStreamInfo = 0;
constexpr int kTypeSeekTable = 3;
constexpr int kTypeVorbisComment = 4;
constexpr int kTypePicture = 6;
constexpr int kTypeInvalid = 127;
constexpr std::size_t kSeekPointSize = 18;
// Small reads let an error be placed: one found before the read reached the
// end of the bytes lies in a frame the read did not cut.
constexpr std::size_t kReadStep = 1024;
// This much of the frames already shows a wrong key, at a bounded cost.
constexpr std::size_t kDecodeBudget = std::size_t{32} * 1024;

struct Block
{
    int type = 0;
    bool last = false;
    std::size_t at = 0; // of the block's data
    std::uint32_t length = 0;

    std::uint64_t end() const { return std::uint64_t(at) + length; }
};

// The fields of STREAMINFO that have a legal range.
bool streamInfoHolds(const ByteReader& in, const Block& block)
{
    if (block.length != kStreamInfoSize) {
        return false;
    }
    const auto minBlock = in.be16(block.at);
    const auto maxBlock = in.be16(block.at + 2);
    const auto minFrame = in.be32(block.at + 3);
    const auto maxFrame = in.be32(block.at + 6);
    const auto format = in.be32(block.at + 10);
    if (!minBlock || !maxBlock || !minFrame || !maxFrame || !format) {
        return true;
    }
    const std::uint32_t minFrameSize = *minFrame & 0xffffff;
    const std::uint32_t maxFrameSize = *maxFrame & 0xffffff;
    const std::uint32_t rate = *format >> 12;
    const std::uint32_t bits = ((*format >> 4) & 31) + 1;
    return *minBlock >= 16 && *maxBlock >= *minBlock && rate > 0 && bits >= 4 &&
           (minFrameSize == 0 || maxFrameSize == 0 || minFrameSize <= maxFrameSize);
}

bool seekTableHolds(const ByteReader& in, const Block& block)
{
    if (block.length % kSeekPointSize != 0) {
        return false;
    }
    constexpr std::uint64_t placeholder = ~std::uint64_t(0);
    std::optional<std::uint64_t> previous;
    for (std::size_t at = block.at; at < block.end(); at += kSeekPointSize) {
        const auto sample = in.be64(at);
        if (!sample) {
            return true;
        }
        if (*sample != placeholder) {
            if (previous && *sample <= *previous) {
                return false;
            }
            previous = sample;
        }
    }
    return true;
}

// Length-prefixed strings that fill the block exactly.
bool vorbisCommentHolds(const ByteReader& in, const Block& block)
{
    const auto vendor = in.le32(block.at);
    if (!vendor) {
        return block.length >= 8;
    }
    std::uint64_t at = std::uint64_t(block.at) + 4 + *vendor;
    const auto count = in.le32(static_cast<std::size_t>(std::min<std::uint64_t>(at, SIZE_MAX)));
    if (at + 4 > block.end()) {
        return false;
    }
    if (!count) {
        return true;
    }
    at += 4;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto length = in.le32(static_cast<std::size_t>(at));
        if (at + 4 > block.end()) {
            return false;
        }
        if (!length) {
            return true;
        }
        at += 4 + std::uint64_t(*length);
    }
    return at == block.end();
}

bool pictureHolds(const ByteReader& in, const Block& block)
{
    const auto type = in.be32(block.at);
    const auto mimeLength = in.be32(block.at + 4);
    if (!type || !mimeLength) {
        return block.length >= 32;
    }
    const std::uint64_t descriptionAt = std::uint64_t(block.at) + 8 + *mimeLength;
    const auto descriptionLength =
        in.be32(static_cast<std::size_t>(std::min<std::uint64_t>(descriptionAt, SIZE_MAX)));
    if (*type > 20 || descriptionAt + 4 > block.end()) {
        return false;
    }
    if (!descriptionLength) {
        return true;
    }
    const std::uint64_t dataLengthAt = descriptionAt + 4 + *descriptionLength + 16;
    const auto dataLength =
        in.be32(static_cast<std::size_t>(std::min<std::uint64_t>(dataLengthAt, SIZE_MAX)));
    if (dataLengthAt + 4 > block.end()) {
        return false;
    }
    return !dataLength || dataLengthAt + 4 + *dataLength == block.end();
}

bool blockHolds(const ByteReader& in, const Block& block)
{
    switch (block.type) {
    case kTypeStreamInfo:
        return false; // only as the first block
    case kTypeSeekTable:
        return seekTableHolds(in, block);
    case kTypeVorbisComment:
        return vorbisCommentHolds(in, block);
    case kTypePicture:
        return pictureHolds(in, block);
    default:
        return block.type != kTypeInvalid;
    }
}

struct Metadata
{
    bool broken = false;
    // Where the frames begin, when the last block is within the bytes.
    std::optional<std::size_t> framesAt;
};

Metadata walkMetadata(const Beginning& file, const ByteReader& in)
{
    std::size_t at = kMagicSize;
    for (bool first = true;; first = false) {
        const auto header = in.be32(at);
        if (!header) {
            return {};
        }
        const Block block{int(*header >> 24) & 127, (*header >> 31) != 0, at + kBlockHeaderSize,
                          *header & 0xffffff};
        const bool holds = first ? block.type == kTypeStreamInfo && streamInfoHolds(in, block)
                                 : blockHolds(in, block);
        if (!holds || block.end() > file.fileSize) {
            return {true, std::nullopt};
        }
        if (block.last) {
            return {false, static_cast<std::size_t>(block.end())};
        }
        at = static_cast<std::size_t>(block.end());
    }
}

// --- Frames, through libFLAC ---------------------------------------------

// What STREAMINFO promises of every frame.
struct Format
{
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    std::uint32_t bits = 0;
    std::uint32_t maxBlock = 0;
};

struct Reading
{
    std::span<const std::uint8_t> bytes;
    Format format;
    // Whether the bytes run to the file's end, so that no frame is cut.
    bool whole = false;
    std::size_t at = 0;
    int errorsBeforeEnd = 0;
    bool mismatch = false;
};

Format formatOf(const ByteReader& in)
{
    const std::size_t at = kMagicSize + kBlockHeaderSize;
    const auto maxBlock = in.be16(at + 2);
    const auto format = in.be32(at + 10);
    if (!maxBlock || !format) {
        return {};
    }
    return {*format >> 12, ((*format >> 9) & 7) + 1, ((*format >> 4) & 31) + 1, *maxBlock};
}

FLAC__StreamDecoderReadStatus readBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                        size_t* count, void* data)
{
    auto* reading = static_cast<Reading*>(data);
    if (reading->errorsBeforeEnd > 0) {
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    const std::size_t left = reading->bytes.size() - reading->at;
    const std::size_t n = std::min({*count, left, kReadStep});
    if (n == 0) {
        *count = 0;
        return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
    }
    std::memcpy(buffer, reading->bytes.data() + reading->at, n);
    reading->at += n;
    *count = n;
    return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

FLAC__StreamDecoderWriteStatus checkFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                          const FLAC__int32* const[], void* data)
{
    auto* reading = static_cast<Reading*>(data);
    const Format& f = reading->format;
    const FLAC__FrameHeader& h = frame->header;
    reading->mismatch = h.sample_rate != f.rate || h.channels != f.channels ||
                        h.bits_per_sample != f.bits || h.blocksize > f.maxBlock;
    return reading->mismatch ? FLAC__STREAM_DECODER_WRITE_STATUS_ABORT
                             : FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void noteError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* data)
{
    auto* reading = static_cast<Reading*>(data);
    if (reading->whole || reading->at < reading->bytes.size()) {
        ++reading->errorsBeforeEnd;
    }
}

class Decoder
{
public:
    Decoder() : m_decoder(FLAC__stream_decoder_new()) {}
    ~Decoder()
    {
        if (m_decoder != nullptr) {
            FLAC__stream_decoder_delete(m_decoder);
        }
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // Decodes every frame the bytes hold; the last one may be cut.
    std::optional<Reading> run(const Reading& start)
    {
        Reading reading = start;
        if (m_decoder == nullptr ||
            FLAC__stream_decoder_init_stream(m_decoder, readBytes, nullptr, nullptr, nullptr,
                                             nullptr, checkFrame, nullptr, noteError,
                                             &reading) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
            return std::nullopt;
        }
        FLAC__stream_decoder_process_until_end_of_stream(m_decoder);
        FLAC__stream_decoder_finish(m_decoder);
        return reading;
    }

private:
    FLAC__StreamDecoder* m_decoder;
};

} // namespace

Structure judgeFlac(const Beginning& file)
{
    const ByteReader in(file.bytes);
    const Metadata metadata = walkMetadata(file, in);
    if (metadata.broken) {
        return Structure::Broken;
    }
    if (!metadata.framesAt || *metadata.framesAt >= in.size()) {
        return metadata.framesAt || in.size() > kMagicSize + kStreamInfoSize ? Structure::Holds
                                                                             : Structure::Unknown;
    }
    Decoder decoder;
    const std::size_t decoded = std::min(in.size(), *metadata.framesAt + kDecodeBudget);
    Reading start{file.bytes.first(decoded), formatOf(in)};
    start.whole = decoded >= file.fileSize;
    const auto reading = decoder.run(start);
    if (!reading) {
        return Structure::Holds;
    }
    return reading->errorsBeforeEnd > 0 || reading->mismatch ? Structure::Broken : Structure::Holds;
}

} // namespace quibex::keycheck
