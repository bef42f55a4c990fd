// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// Feeds the block transform random keys and random block splits and compares
// every byte with the one-byte-at-a-time definition of the format.
#include "cipher/RotatingXor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

std::uint8_t referenceCode(const std::vector<std::uint8_t>& key, std::uint64_t j)
{
    const std::uint64_t n = key.size();
    return key[(n - j % n) % n];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) {
        return 0;
    }
    const std::size_t keyLength = 1 + data[0] % 255;
    const std::size_t splitSeed = data[1];
    data += 2;
    size -= 2;
    if (size < keyLength) {
        return 0;
    }
    const std::vector<std::uint8_t> key(data, data + keyLength);
    std::vector<std::uint8_t> stream(data + keyLength, data + size);
    const std::vector<std::uint8_t> original = stream;

    quibex::RotatingXor transform(key);
    std::size_t done = 0;
    std::size_t step = 1 + splitSeed;
    while (done < stream.size()) {
        const std::size_t length = std::min(step, stream.size() - done);
        transform.apply(std::span(stream).subspan(done, length));
        done += length;
        step = 1 + (step * 7 + 3) % 613;
    }
    for (std::size_t j = 0; j < stream.size(); ++j) {
        if (stream[j] != (original[j] ^ referenceCode(key, j))) {
            std::abort();
        }
    }
    if (transform.position() != stream.size()) {
        std::abort();
    }
    return 0;
}
