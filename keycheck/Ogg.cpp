// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <ogg/ogg.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace quibex::keycheck {

namespace {

// Multiplexed files carry a few streams; beyond this many, new ones go
// unchecked.
constexpr std::size_t kMaxStreams = 16;

// The pages of each logical stream are numbered from 0 without gaps.
class Streams
{
public:
    bool accept(ogg_page& page)
    {
        const long serial = ogg_page_serialno(&page);
        const long number = ogg_page_pageno(&page);
        if (ogg_page_version(&page) != 0) {
            return false;
        }
        const auto end = m_streams.begin() + static_cast<std::ptrdiff_t>(m_count);
        const auto known = std::find_if(m_streams.begin(), end,
                                        [serial](const Stream& s) { return s.serial == serial; });
        if (known == end) {
            if (m_count < kMaxStreams) {
                m_streams[m_count++] = Stream{serial, number + 1};
            }
            // A stream starts with its first page, marked as such.
            return ogg_page_bos(&page) != 0 && number == 0;
        }
        if (ogg_page_bos(&page) != 0 || number != known->next) {
            return false;
        }
        ++known->next;
        return true;
    }

private:
    struct Stream
    {
        long serial = 0;
        long next = 0;
    };
    std::array<Stream, kMaxStreams> m_streams{};
    std::size_t m_count = 0;
};

class Sync
{
public:
    Sync() { ogg_sync_init(&m_state); }
    ~Sync() { ogg_sync_clear(&m_state); }
    Sync(const Sync&) = delete;
    Sync& operator=(const Sync&) = delete;

    bool feed(std::span<const std::uint8_t> bytes)
    {
        const long size = static_cast<long>(bytes.size());
        char* buffer = ogg_sync_buffer(&m_state, size);
        if (buffer == nullptr) {
            return false;
        }
        std::memcpy(buffer, bytes.data(), bytes.size());
        return ogg_sync_wrote(&m_state, size) == 0;
    }

    int pageOut(ogg_page& page) { return ogg_sync_pageout(&m_state, &page); }

private:
    ogg_sync_state m_state;
};

// The largest page: a header with 255 lacing values of 255 bytes each.
constexpr std::size_t kMaxPageSize = 27 + 255 + 255 * 255;

// The first page opens a stream: version 0, marked as a first page and not
// as a continuation, numbered 0. These hold even when the read cuts it.
bool firstHeaderHolds(const ByteReader& in)
{
    const auto version = in.u8(4);
    const auto type = in.u8(5);
    const auto number = in.le32(18);
    return (!version || *version == 0) && (!type || (*type & ~0x04) == 0x02) &&
           (!number || *number == 0);
}

bool pageStartsIn(std::span<const std::uint8_t> bytes)
{
    static constexpr std::array<std::uint8_t, 4> Capture{'O', 'g', 'g', 'S'};
    return std::search(bytes.begin(), bytes.end(), Capture.begin(), Capture.end()) != bytes.end();
}

} // namespace

// libogg verifies each page's checksum: a page that fails it leaves a hole
// before the next one. One hole after the last page, at the file's end, is
// trailing bytes (some taggers append theirs) unless pages start in it; the
// read's cut leaves none.
Structure judgeOgg(const Beginning& file)
{
    if (!firstHeaderHolds(ByteReader(file.bytes))) {
        return Structure::Broken;
    }
    Sync sync;
    if (file.bytes.empty() || !sync.feed(file.bytes)) {
        return Structure::Unknown;
    }
    Streams streams;
    int pages = 0;
    int holes = 0;
    std::size_t paged = 0;
    ogg_page page;
    for (int result = sync.pageOut(page); result != 0; result = sync.pageOut(page)) {
        if (result < 0) {
            if (pages == 0) {
                return Structure::Broken;
            }
            ++holes;
            continue;
        }
        if (holes > 0 || !streams.accept(page)) {
            return Structure::Broken;
        }
        ++pages;
        paged += std::size_t(page.header_len + page.body_len);
    }
    if (holes > 1 || (holes == 1 && (!file.isWhole() || pageStartsIn(file.bytes.subspan(paged))))) {
        return Structure::Broken; // pages that fail, not a tag after the last
    }
    if (pages > 0) {
        return Structure::Holds;
    }
    // No page came out whole: only the read's end may have cut the first.
    const bool cut = !file.isWhole() && file.bytes.size() < kMaxPageSize;
    return cut ? Structure::Unknown : Structure::Broken;
}

} // namespace quibex::keycheck
