// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <cstddef>

namespace quibex {

// Overwrites size bytes at data with zeros in a way the compiler may not drop
// as a dead store, so that keys and passwords do not outlive their use in
// memory (a core file, a swapped page, a later allocation).
void secureWipe(void* data, std::size_t size);

// A container of secret bytes, wiped where it is; its size stays.
template <typename Bytes> void secureWipe(Bytes& bytes)
{
    secureWipe(bytes.data(), bytes.size() * sizeof(*bytes.data()));
}

} // namespace quibex
