// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace quibex::keycheck {

// Which character of the password made the key code of each byte, and the
// code another character there would make: in the simple mode the password
// turns as it is; in the advanced mode each of the key's 256 codes is the
// distance of one character from a step of the expansion
// (expansionSources()). Refers to codes, which must outlive it.
class PasswordPositions
{
public:
    static PasswordPositions of(const QByteArray& codes, bool advanced);

    qsizetype length() const { return m_codes.size(); }
    quint8 code(qsizetype character) const { return quint8(m_codes[character]); }
    // The key's own length: how often its positions repeat.
    qsizetype period() const { return qsizetype(m_sources.size()); }
    // The position in the key of a byte of the file: the key turns backwards
    // from its first code.
    qsizetype position(qsizetype offset) const { return (period() - offset % period()) % period(); }
    // The character of the password that made a position of the key.
    qsizetype source(qsizetype position) const { return m_sources[std::size_t(position)]; }
    qsizetype at(qsizetype offset) const { return source(position(offset)); }
    // The key code at a position of the key, and the one that code would
    // make there instead of its own character (the same where it would not
    // reach that far).
    quint8 key(qsizetype position) const
    {
        return keyWith(position, quint8(m_codes[source(position)]));
    }
    quint8 keyWith(qsizetype position, quint8 code) const;
    // The codes of a character that would make key there (none, one or two).
    std::vector<quint8> codesGiving(qsizetype position, quint8 key) const;

private:
    QByteArrayView m_codes;
    std::vector<qsizetype> m_sources;
    std::vector<int> m_steps; // advanced mode only
};

// Which of the bytes are compared: every step-th from first. One byte of
// each frame of a sound or each pixel of a picture at a time, as its
// channels and the high and low bytes of its samples read apart in their own
// right. inRows for pixels whose rows are as long as the key or a multiple
// (a 64-pixel icon in the advanced mode): each character keeps to the same
// columns, which read apart whatever the code.
struct ByteLane
{
    qsizetype first = 0;
    qsizetype step = 1;
    bool inRows = false;
};

// Whether decrypted bytes read alike whichever character of the password
// made the key there. A password with one wrong character garbles the bytes
// of that character alone, which this tells from the others, and which read
// far better with another character there. True when there are fewer than
// fewestPerCharacter bytes for each character: too few to tell.
bool readsAlikeAcrossKey(const QByteArray& bytes, const PasswordPositions& password,
                         qsizetype fewestPerCharacter = 16, const ByteLane& lane = {});

} // namespace quibex::keycheck
