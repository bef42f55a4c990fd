// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/Windows1252.h"

#include <array>

namespace quibex {

namespace {

// Codes 0x80 to 0x9F. The five codes that Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same value, as
// Windows' own conversion does; every other code below 0x80 or from 0xA0 on is
// the character of the same value (ASCII and Latin-1).
constexpr std::array<char16_t, 32> High = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

std::optional<std::uint8_t> codeOf(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
        return static_cast<std::uint8_t>(ch);
    }
    for (std::size_t i = 0; i < High.size(); ++i) {
        if (High[i] == ch) {
            return static_cast<std::uint8_t>(0x80 + i);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::vector<std::uint8_t>> encodeWindows1252(std::u16string_view text)
{
    std::vector<std::uint8_t> codes;
    codes.reserve(text.size());
    for (char16_t ch : text) {
        const auto code = codeOf(ch); // a surrogate half never has a code
        if (!code) {
            return std::nullopt;
        }
        codes.push_back(*code);
    }
    return codes;
}

std::u16string decodeWindows1252(std::span<const std::uint8_t> codes)
{
    std::u16string text;
    text.reserve(codes.size());
    for (std::uint8_t code : codes) {
        text.push_back(code >= 0x80 && code < 0xA0 ? High[code - 0x80] : char16_t(code));
    }
    return text;
}

} // namespace quibex
