// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/RotatingXor.h"

#include "cipher/SecureWipe.h"

#include <algorithm>
#include <stdexcept>

// On x86-64 the XOR loops are also built for AVX2, chosen at load time when
// the processor has it; the default build uses SSE2.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define QUIBEX_XOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define QUIBEX_XOR_CLONES
#endif

namespace quibex {

namespace {

// At least this many keystream bytes are XORed in one go.
constexpr std::size_t MinChunk = std::size_t{16} * 1024;

// out[i] = in[i] ^ ks[i]. Written in fixed 64-byte steps over restrict
// pointers so that the compiler vectorises it even at -O2 (whose cost model
// only vectorises loops with a known trip count).
QUIBEX_XOR_CLONES void xorInto(const std::uint8_t* __restrict in, const std::uint8_t* __restrict ks,
                               std::uint8_t* __restrict out, std::size_t len)
{
    constexpr std::size_t Step = 64;
    std::size_t i = 0;
    for (; i + Step <= len; i += Step) {
        for (std::size_t k = 0; k < Step; ++k) {
            out[i + k] = static_cast<std::uint8_t>(in[i + k] ^ ks[i + k]);
        }
    }
    for (; i < len; ++i) {
        out[i] = static_cast<std::uint8_t>(in[i] ^ ks[i]);
    }
}

// In place: data[i] ^= ks[i].
QUIBEX_XOR_CLONES void xorInPlace(std::uint8_t* __restrict data, const std::uint8_t* __restrict ks,
                                  std::size_t len)
{
    constexpr std::size_t Step = 64;
    std::size_t i = 0;
    for (; i + Step <= len; i += Step) {
        for (std::size_t k = 0; k < Step; ++k) {
            data[i + k] = static_cast<std::uint8_t>(data[i + k] ^ ks[i + k]);
        }
    }
    for (; i < len; ++i) {
        data[i] = static_cast<std::uint8_t>(data[i] ^ ks[i]);
    }
}

} // namespace

RotatingXor::RotatingXor(std::span<const std::uint8_t> key) : m_keyLength(key.size())
{
    if (key.empty()) {
        throw std::invalid_argument("RotatingXor: empty key");
    }
    const std::size_t n = m_keyLength;
    const std::size_t periods = std::max<std::size_t>(1, (MinChunk + n - 1) / n);
    m_chunk = periods * n;
    m_stream.resize(m_chunk + n);
    // Position j uses key[(n - j mod n) mod n]: k0, k(n-1), ..., k1.
    for (std::size_t j = 0; j < n; ++j) {
        m_stream[j] = key[(n - j) % n];
    }
    for (std::size_t j = n; j < m_stream.size(); j += n) {
        std::copy_n(m_stream.begin(), n, m_stream.begin() + static_cast<std::ptrdiff_t>(j));
    }
}

RotatingXor::~RotatingXor()
{
    secureWipe(m_stream);
}

void RotatingXor::apply(std::span<std::uint8_t> block)
{
    std::uint8_t* data = block.data();
    std::size_t left = block.size();
    while (left > 0) {
        const std::size_t len = std::min(left, m_chunk);
        xorInPlace(data, m_stream.data() + m_offset, len);
        data += len;
        left -= len;
        m_offset = (m_offset + len) % m_keyLength;
    }
    m_position += block.size();
}

void RotatingXor::apply(std::span<const std::uint8_t> in, std::span<std::uint8_t> out)
{
    if (out.size() != in.size()) {
        throw std::invalid_argument("RotatingXor: sizes differ");
    }
    if (in.data() == out.data()) {
        apply(out);
        return;
    }
    const std::uint8_t* src = in.data();
    std::uint8_t* dst = out.data();
    std::size_t left = in.size();
    while (left > 0) {
        const std::size_t len = std::min(left, m_chunk);
        xorInto(src, m_stream.data() + m_offset, dst, len);
        src += len;
        dst += len;
        left -= len;
        m_offset = (m_offset + len) % m_keyLength;
    }
    m_position += in.size();
}

} // namespace quibex
