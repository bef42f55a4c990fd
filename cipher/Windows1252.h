// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quibex {

// Encodes UTF-16 text to Windows-1252 codes; nullopt when any character has no code.
std::optional<std::vector<std::uint8_t>> encodeWindows1252(std::u16string_view text);

// Decodes Windows-1252 codes to UTF-16 text (every code has a character).
std::u16string decodeWindows1252(std::span<const std::uint8_t> codes);

} // namespace quibex
