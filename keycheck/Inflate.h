// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quibex::keycheck {

enum class InflateStatus
{
    // The stream's end was reached (and, for a zlib or gzip stream, its check
    // value matched).
    Ended,
    // The input ran out before the stream's end: the bytes were cut short.
    Cut,
    // The output cap was reached first; what was decoded up to there was sound.
    Capped,
    // The stream is not valid deflate data (or zlib or gzip framing).
    Failed,
};

enum class Checksum
{
    None,
    Crc32,
    Adler32,
};

struct InflateResult
{
    InflateStatus status = InflateStatus::Failed;
    // Input bytes the decoder took: for Ended, the stream's exact length.
    std::size_t consumed = 0;
    std::size_t produced = 0;
    // Of the produced bytes, in the kind asked for (0 for Checksum::None).
    std::uint32_t checksum = 0;
};

// What one judgement may inflate in all: a wrong key shows within a few
// hundred bytes of deflate data, and inflating all 64 KiB would cost too much.
struct InflateBudget
{
    std::size_t input = 32768;
    std::size_t output = std::size_t{128} << 10;

    bool spent() const { return input == 0 || output == 0; }
    void spend(const InflateResult& inflated)
    {
        input -= inflated.consumed;
        output -= inflated.produced;
    }
};

// Inflates at most outputCap bytes from the start of input. windowBits is as
// for zlib's inflateInit2: -15 for raw deflate, 15 for a zlib stream, 31 for
// gzip. When output is given, the produced bytes are appended to it.
InflateResult inflatePrefix(std::span<const std::uint8_t> input, int windowBits,
                            std::size_t outputCap, Checksum checksum = Checksum::None,
                            std::vector<std::uint8_t>* output = nullptr);

} // namespace quibex::keycheck
