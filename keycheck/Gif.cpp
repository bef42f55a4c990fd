// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace quibex::keycheck {

namespace {

// Where giflib reads from, and whether it asked for more than the bytes hold.
struct Source
{
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
    bool ranOut = false;
};

int readSource(GifFileType* gif, GifByteType* into, int wanted)
{
    auto* source = static_cast<Source*>(gif->UserData);
    const std::size_t left = source->bytes.size() - source->at;
    const std::size_t count = std::min(left, std::size_t(std::max(wanted, 0)));
    if (count < std::size_t(std::max(wanted, 0))) {
        source->ranOut = true;
    }
    if (count > 0) {
        std::memcpy(into, source->bytes.data() + source->at, count);
    }
    source->at += count;
    return int(count);
}

struct GifCloser
{
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

enum class Step
{
    More,
    Done,
    // giflib reported an error: a garbled file, or the bytes' end.
    Failed,
    // Wrong whatever the bytes' end.
    Broken,
};

constexpr std::size_t kMaxBlock = 256;

// The first block of the extensions that GIF89a defines has a fixed size.
bool firstBlockFits(int code, const GifByteType* block)
{
    const int size = block != nullptr ? block[0] : 0;
    switch (code) {
    case GRAPHICS_EXT_FUNC_CODE:
        return size == 4;
    case APPLICATION_EXT_FUNC_CODE:
        return size == 11;
    case PLAINTEXT_EXT_FUNC_CODE:
        return size == 12;
    default:
        return true;
    }
}

Step skipExtension(GifFileType* gif)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR || !firstBlockFits(code, block)) {
        return Step::Failed;
    }
    for (int blocks = 1; block != nullptr; ++blocks) {
        // The graphic control extension is its first block alone.
        if (code == GRAPHICS_EXT_FUNC_CODE && blocks > 1) {
            return Step::Failed;
        }
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            return Step::Failed;
        }
    }
    return Step::More;
}

// Follows the LZW codes giflib reads and the length of the string each one
// stands for, so that a code naming no entry yet, or an image that ends far
// from its size, shows.
class CodeTracker
{
public:
    explicit CodeTracker(int codeSize)
        : m_clear(1 << std::clamp(codeSize, 1, 11)), m_nextEntry(m_clear + 2)
    {
    }

    // False when the code names nothing the table holds.
    bool take(int code)
    {
        if (code == m_clear) {
            m_nextEntry = m_clear + 2;
            m_previous = -1;
            return true;
        }
        if (code < 0 || code >= kTableSize || code == m_clear + 1) {
            return false;
        }
        std::uint32_t length = 0;
        if (code < m_clear) {
            length = 1;
        } else if (code < m_nextEntry && m_previous >= 0) {
            length = m_lengths[std::size_t(code)];
        } else if (code == m_nextEntry && m_previous >= 0) {
            length = m_lengths[std::size_t(m_previous)] + 1;
        } else {
            return false;
        }
        if (m_previous >= 0 && m_nextEntry < kTableSize) {
            m_lengths[std::size_t(m_nextEntry)] = m_lengths[std::size_t(m_previous)] + 1;
            ++m_nextEntry;
        }
        if (code < m_clear) {
            m_lengths[std::size_t(code)] = 1;
        }
        m_previous = code;
        m_pixels += length;
        return true;
    }

    std::uint64_t pixels() const { return m_pixels; }

private:
    static constexpr int kTableSize = 4096;

    int m_clear;
    int m_nextEntry;
    int m_previous = -1;
    std::uint64_t m_pixels = 0;
    std::array<std::uint32_t, kTableSize> m_lengths{};
};

Step decodeImage(GifFileType* gif, const Source& source)
{
    if (DGifGetImageDesc(gif) == GIF_ERROR) {
        return Step::Failed;
    }
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0) {
        return Step::Failed;
    }
    const std::uint64_t size = std::uint64_t(desc.Width) * std::uint64_t(desc.Height);
    // Encoders may pad the last row out; more than a row is no padding.
    const std::uint64_t most = size + std::uint64_t(desc.Width);
    // giflib reads the code size last of the descriptor, and keeps it private.
    CodeTracker codes(source.bytes[source.at - 1]);
    for (;;) {
        int code = 0;
        const std::size_t before = source.at;
        const bool ok = DGifGetLZCodes(gif, &code) == GIF_OK;
        // One code needs at most one more sub-block; reading more means
        // giflib met the end code and skips what follows it, which is the
        // rest of a garbled image when that comes too early.
        if (source.at - before > kMaxBlock && codes.pixels() < size) {
            return Step::Broken;
        }
        if (!ok) {
            // Some encoders leave out the end code once the image is full.
            return codes.pixels() >= size && !source.ranOut ? Step::Done : Step::Failed;
        }
        if (code == -1) {
            return codes.pixels() >= size ? Step::More : Step::Failed;
        }
        if (!codes.take(code) || codes.pixels() > most) {
            return Step::Failed;
        }
    }
}

Step nextRecord(GifFileType* gif, const Source& source, bool& atRecord, int& images)
{
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    atRecord = true;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
        return Step::Failed;
    }
    atRecord = false;
    switch (type) {
    case IMAGE_DESC_RECORD_TYPE:
        ++images;
        return decodeImage(gif, source);
    case EXTENSION_RECORD_TYPE:
        return skipExtension(gif);
    case TERMINATE_RECORD_TYPE:
        // A file without a single image is no picture at all.
        return images > 0 ? Step::Done : Step::Failed;
    default:
        return Step::Failed;
    }
}

} // namespace

Structure judgeGif(const Beginning& file)
{
    Source source{file.bytes};
    int error = 0;
    const GifHandle gif(DGifOpen(&source, readSource, &error));
    if (!gif) {
        if (source.ranOut) {
            return file.isWhole() ? Structure::Broken : Structure::Unknown;
        }
        return error == D_GIF_ERR_NOT_ENOUGH_MEM ? Structure::Unknown : Structure::Broken;
    }
    bool atRecord = false;
    int images = 0;
    Step step = Step::More;
    while (step == Step::More) {
        step = nextRecord(gif.get(), source, atRecord, images);
    }
    if (step == Step::Done) {
        return Structure::Holds;
    }
    if (step == Step::Broken) {
        return Structure::Broken;
    }
    if (gif->Error == D_GIF_ERR_NOT_ENOUGH_MEM) {
        return Structure::Unknown;
    }
    if (source.ranOut) {
        // Cut by the read; a whole file that only lacks its trailer is
        // common enough to let pass.
        if (!file.isWhole() || atRecord) {
            return source.at > 64 ? Structure::Holds : Structure::Unknown;
        }
    }
    return Structure::Broken;
}

} // namespace quibex::keycheck
