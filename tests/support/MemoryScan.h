// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Looks through every readable page of this process (through /proc/self/mem,
// as root or a debugger would) for byte strings. The needles live in a
// mapping of their own that the scan skips, so that looking for a secret
// does not find the copy being looked for.
class MemoryScan
{
public:
    MemoryScan();
    ~MemoryScan();
    MemoryScan(const MemoryScan&) = delete;
    MemoryScan& operator=(const MemoryScan&) = delete;

    // Room for a needle of size bytes, kept out of the scan; fill it in place.
    char* needle(qsizetype size);
    // "<needle index> in <mapping>" for every place a needle is found.
    QStringList find() const;

private:
    struct Needle
    {
        char* data;
        qsizetype size;
    };
    char* m_area = nullptr;
    qsizetype m_used = 0;
    char* m_window = nullptr;
    QList<Needle> m_needles;
};
