// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/KeyExpansion.h"

#include "cipher/Percent.h"
#include "cipher/SecureWipe.h"

#include <cstdlib>
#include <stdexcept>

namespace quibex {

ExpandedKey expandKey(std::span<const std::uint8_t> password, ExpansionObserver* observer)
{
    if (password.empty()) {
        throw std::invalid_argument("expandKey: empty password");
    }
    const std::size_t n = password.size();

    // Phase 1: E, the password repeated and cut at 256 codes. The percentage
    // follows the cursor c into the password, not the length of E.
    ExpandedKey extension{};
    std::size_t c = 1;
    for (std::size_t len = 0; len < ExpandedKeySize;) {
        if (observer) {
            observer->showStep(roundedPercent(c, ExpandedKeySize));
        }
        extension[len++] = password[c - 1];
        c = c == n ? 1 : c + 1;
        if (observer) {
            observer->setExtension(std::span<const std::uint8_t>(extension.data(), len));
        }
    }

    // Phase 2: R, E reversed.
    ExpandedKey reversed{};
    std::size_t q = 1;
    for (std::size_t pos = ExpandedKeySize; pos >= 1; --pos) {
        reversed[q - 1] = extension[pos - 1];
        if (observer) {
            observer->showStep(roundedPercent(q, ExpandedKeySize));
        }
        ++q;
    }

    // Phase 3: K[pos] = |R[pos] - 4 pos| when at most 255, else K[pos - 1].
    ExpandedKey key{};
    int ch = 0; // position 1 is always in range, so ch has a value when first needed
    for (std::size_t pos = 1; pos <= ExpandedKeySize; ++pos) {
        if (observer) {
            observer->showStep(roundedPercent(pos, ExpandedKeySize));
        }
        const int v = std::abs(static_cast<int>(reversed[pos - 1]) - 4 * static_cast<int>(pos));
        if (v <= 255) {
            ch = v;
        }
        key[pos - 1] = static_cast<std::uint8_t>(ch);
        if (observer) {
            observer->yield();
        }
    }
    // The intermediate arrays hold the password itself; the caller wipes the key.
    secureWipe(extension);
    secureWipe(reversed);
    return key;
}

} // namespace quibex

namespace quibex {

std::array<KeySource, ExpandedKeySize> expansionSources(std::span<const std::uint8_t> password)
{
    // As phase 3 reads it: R[q] is E[255 - q], and E repeats the password.
    const std::size_t n = password.size();
    std::array<KeySource, ExpandedKeySize> sources{};
    KeySource last;
    for (std::size_t pos = 1; pos <= ExpandedKeySize; ++pos) {
        const std::size_t source = (ExpandedKeySize - pos) % n;
        const int step = 4 * static_cast<int>(pos);
        if (std::abs(static_cast<int>(password[source]) - step) <= 255) {
            last = {static_cast<std::uint8_t>(source), step};
        }
        sources[pos - 1] = last;
    }
    return sources;
}

} // namespace quibex
