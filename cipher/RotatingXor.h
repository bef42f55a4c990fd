// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

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
    // key must hold at least one code (std::invalid_argument otherwise).
    explicit RotatingXor(std::span<const std::uint8_t> key);
    // The keystream is the key repeated: it is wiped with the object.
    ~RotatingXor();
    // Moved, never copied or assigned, so that no keystream is freed unwiped.
    RotatingXor(RotatingXor&&) noexcept = default;
    RotatingXor(const RotatingXor&) = delete;
    RotatingXor& operator=(const RotatingXor&) = delete;
    RotatingXor& operator=(RotatingXor&&) = delete;

    // Transforms block in place and advances the position by its size.
    void apply(std::span<std::uint8_t> block);

    // Transforms in into out (same size; they may be the same buffer but must
    // not overlap otherwise) and advances the position by its size.
    void apply(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

    std::uint64_t position() const { return m_position; }

private:
    // The keystream from position 0: whole periods, one more than a chunk holds,
    // so that a chunk of m_chunk bytes can start at any offset below n.
    std::vector<std::uint8_t> m_stream;
    std::size_t m_keyLength = 0;
    std::size_t m_chunk = 0;  // a multiple of the key length
    std::size_t m_offset = 0; // m_position mod n
    std::uint64_t m_position = 0;
};

} // namespace quibex
