// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace quibex {

inline constexpr std::size_t ExpandedKeySize = 256;
using ExpandedKey = std::array<std::uint8_t, ExpandedKeySize>;

// Receives the display steps of a key expansion, so that the expansion itself
// stays free of any user interface.
class ExpansionObserver
{
public:
    virtual ~ExpansionObserver() = default;
    // Every step of the three phases begins here, with the percentage of its
    // phase done; the display chooses what the status line says.
    virtual void showStep(int percent) = 0;
    // The password box shows the extension as it grows (phase 1).
    virtual void setExtension(std::span<const std::uint8_t> extension) = 0;
    // Called after every step of phase 3.
    virtual void yield() = 0;
};

// Expands a password of 1 to 255 codes into the 256-code advanced key of the
// file format, reporting every display step of its three phases to observer
// when one is given. A longer password is cut at 256 codes by phase 1; an empty
// one throws std::invalid_argument.
ExpandedKey expandKey(std::span<const std::uint8_t> password,
                      ExpansionObserver* observer = nullptr);

// Where a code of the key that expandKey(password) makes comes from: the
// position in the password of the code it was made from, and the step it
// was taken from (the key code is their distance; a code copied from the
// one before it counts as made from the same).
struct KeySource
{
    std::uint8_t character = 0;
    int step = 0;
};

// The source of each code of the key: what a mistyped character of the
// password would change. The password has 1 to 255 codes.
std::array<KeySource, ExpandedKeySize> expansionSources(std::span<const std::uint8_t> password);

} // namespace quibex
