// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The file format told the slow way, byte by byte and step by step, apart from
// the program's own code, for tests to check it against. Bytes is any
// container of 8-bit codes with size(), operator[] and push_back().
namespace reference {

template <typename Bytes> std::uint8_t code(const Bytes& bytes, std::size_t index)
{
    return static_cast<std::uint8_t>(bytes[static_cast<decltype(bytes.size())>(index)]);
}

// The rotating XOR from stream position start: byte j uses
// key[(n - j mod n) mod n], the first code, then the key from its end.
template <typename Bytes>
Bytes transformed(const Bytes& data, const Bytes& key, std::uint64_t start = 0)
{
    using Code = typename Bytes::value_type;
    const auto n = static_cast<std::uint64_t>(key.size());
    Bytes out;
    for (std::size_t j = 0; j < static_cast<std::size_t>(data.size()); ++j) {
        const std::uint64_t index = (n - (start + j) % n) % n;
        out.push_back(static_cast<Code>(code(data, j) ^ code(key, std::size_t(index))));
    }
    return out;
}

// The "2048 bits" key: E, the password repeated and cut at 256 codes; R, E
// reversed; then K[pos] = |R[pos] - 4 pos| when that is at most 255, else
// K[pos - 1]; positions counted from 1. extension receives E.
template <typename Bytes> Bytes expandedKey(const Bytes& password, Bytes* extension = nullptr)
{
    using Code = typename Bytes::value_type;
    const auto n = static_cast<std::size_t>(password.size());
    Bytes e;
    for (std::size_t c = 0; c < 256; ++c) {
        e.push_back(static_cast<Code>(code(password, c % n)));
    }
    Bytes key;
    int last = 0;
    for (int pos = 1; pos <= 256; ++pos) {
        const int value = std::abs(int(code(e, std::size_t(256 - pos))) - 4 * pos);
        if (value <= 255) {
            last = value;
        }
        key.push_back(static_cast<Code>(last));
    }
    if (extension != nullptr) {
        *extension = e;
    }
    return key;
}

// The key a mode uses for password codes: the codes themselves in the simple
// mode, their expansion in the advanced one.
template <typename Bytes> Bytes keyOf(const Bytes& codes, bool advanced)
{
    return advanced ? expandedKey(codes) : codes;
}

} // namespace reference
