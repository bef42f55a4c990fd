// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/SecureWipe.h"

#include <cstring>

namespace quibex {

void secureWipe(void* data, std::size_t size)
{
    if (data == nullptr || size == 0) {
        return;
    }
    // Through a volatile function pointer the call cannot be proved dead.
    static void* (*const volatile clear)(void*, int, std::size_t) = std::memset;
    clear(data, 0, size);
}

} // namespace quibex
