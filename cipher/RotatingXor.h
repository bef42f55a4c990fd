#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quibex {

// The rotating XOR of the file format: byte j of a stream is combined with
// key[(n - j mod n) mod n], so the key is read as k0, k(n-1), ..., k1, k0, ...
// The same call encrypts and decrypts. The position runs on across calls, so a
// stream may be fed in blocks of any sizes.
class RotatingXor
{
public:
    // key must hold at least one code.
    explicit RotatingXor(std::span<const std::uint8_t> key);

    // Transforms block in place and advances the position by its size.
    void apply(std::span<std::uint8_t> block);

    std::uint64_t position() const { return m_position; }

private:
    // ... implementation detail members
    std::uint64_t m_position = 0;
};

} // namespace quibex
