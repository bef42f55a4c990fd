// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quibex::keycheck {

// What a format's own integrity says of a decrypted beginning.
enum class Structure
{
    // Nothing the format lets us check was within the bytes.
    Unknown,
    // What could be checked holds: checksums match, lengths chain, codes decode.
    Holds,
    // Something the format requires fails: a wrong key, or a mistyped
    // character of the password, made these bytes.
    Broken,
};

// The first bytes of a file, decrypted with the key being judged, and the
// size of the whole file: a record that runs past the bytes is cut short by
// the read, not broken, unless it runs past the file's end.
struct Beginning
{
    std::span<const std::uint8_t> bytes;
    std::uint64_t fileSize = 0;

    bool isWhole() const { return bytes.size() >= fileSize; }
};

// Bare values laid out at fixed steps (the samples of a sound, the channels
// of pixels), which run smoothly in a real file from one to the next.
struct Samples
{
    std::size_t start = 0;     // the first value's offset in the file
    std::size_t end = 0;       // past the last one
    unsigned width = 1;        // bytes of a value: 1 (unsigned), 2 to 4 (signed, little-endian)
    std::size_t next = 0;      // from a value to the next of its channel: a frame, a pixel
    std::size_t row = 0;       // bytes of a row of pixels, padding included; 0 for sound
    std::size_t rowValues = 0; // bytes of a row that hold pixels
};

// Where a format keeps such values, when it does and says how.
using SampleFinder = std::optional<Samples> (*)(const Beginning&);

// One family of formats: judges bytes whose magic already says they are of
// its kind. It never says Broken of what a real file of the kind may hold
// (trailing bytes, comments, later updates, vendor extensions).
using FormatJudge = Structure (*)(const Beginning&);

// Bounds-checked reads of fixed-width integers: an empty optional past the end.
class ByteReader
{
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t size() const { return m_bytes.size(); }
    bool has(std::size_t at, std::size_t count) const
    {
        return at <= m_bytes.size() && count <= m_bytes.size() - at;
    }
    std::span<const std::uint8_t> span(std::size_t at, std::size_t count) const
    {
        return has(at, count) ? m_bytes.subspan(at, count) : std::span<const std::uint8_t>{};
    }
    std::optional<std::uint8_t> u8(std::size_t at) const
    {
        return has(at, 1) ? std::optional<std::uint8_t>(m_bytes[at]) : std::nullopt;
    }
    std::optional<std::uint16_t> le16(std::size_t at) const
    {
        return read<std::uint16_t>(at, false);
    }
    std::optional<std::uint32_t> le32(std::size_t at) const
    {
        return read<std::uint32_t>(at, false);
    }
    std::optional<std::uint64_t> le64(std::size_t at) const
    {
        return read<std::uint64_t>(at, false);
    }
    std::optional<std::uint16_t> be16(std::size_t at) const
    {
        return read<std::uint16_t>(at, true);
    }
    std::optional<std::uint32_t> be32(std::size_t at) const
    {
        return read<std::uint32_t>(at, true);
    }
    std::optional<std::uint64_t> be64(std::size_t at) const
    {
        return read<std::uint64_t>(at, true);
    }

private:
    template <typename T> std::optional<T> read(std::size_t at, bool bigEndian) const
    {
        if (!has(at, sizeof(T))) {
            return std::nullopt;
        }
        T value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const std::size_t from = bigEndian ? i : sizeof(T) - 1 - i;
            value = T((value << 8) | T(m_bytes[at + from]));
        }
        return value;
    }

    std::span<const std::uint8_t> m_bytes;
};

} // namespace quibex::keycheck
