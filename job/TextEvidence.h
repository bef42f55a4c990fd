// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QByteArray>

#include <vector>

namespace quibex {

// Which character of the password made the key code of each byte: in the
// simple mode the password turns as it is; in the advanced mode each of the
// key's 256 codes comes from one character (expansionSources()).
class PasswordPositions
{
public:
    static PasswordPositions of(const QByteArray& codes, bool advanced);

    qsizetype length() const { return m_length; }
    qsizetype at(qsizetype offset) const
    {
        return m_sources[std::size_t(offset % qsizetype(m_sources.size()))];
    }

private:
    qsizetype m_length = 0;
    std::vector<qsizetype> m_sources;
};

// Whether the beginning of a decrypted file reads as text as people write it
// (UTF-8, or Windows-1252 with few letters beyond ASCII; blanks between
// words; line and page breaks, tabs, the end mark of old DOS files and the
// escapes of coloured logs allowed, no other control character), and reads
// alike whichever character of the password made the key there. A wrong key
// garbles every byte; a password with one wrong character garbles the bytes
// of that character alone, which this tells from the others.
bool readsAsText(const QByteArray& bytes, const PasswordPositions& password);

} // namespace quibex
