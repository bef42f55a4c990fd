// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "tests/support/Reference.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <cmath>
#include <span>

namespace testfiles {

// The same bytes for the same seed on every run, each code from low to
// high - 1. Bytes is QByteArray or a container of 8-bit codes.
template <typename Bytes = QByteArray>
Bytes randomBytes(qsizetype size, quint32 seed, int low = 0, int high = 256)
{
    QRandomGenerator gen(seed);
    Bytes bytes;
    bytes.resize(static_cast<decltype(bytes.size())>(size));
    for (auto& b : bytes) {
        b = static_cast<typename Bytes::value_type>(gen.bounded(low, high));
    }
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size() &&
           f.flush();
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray("<unreadable>");
    }
    return f.readAll();
}

// The format's reference transform, for keys and data given as text too.
inline QByteArray transformed(const QByteArray& data, const QByteArray& key, quint64 start = 0)
{
    return reference::transformed(data, key, start);
}

// The percentage shown for done steps or bytes of size, worked out apart from
// the program's own rounding: the quotient in double precision, rounded by the
// default rounding mode (to nearest, ties to even).
inline int expectedPercent(qint64 done, qint64 size)
{
    return int(std::nearbyint(double(done) / double(size) * 100.0));
}

// Every entry of a folder, hidden ones too (temporary files start with a dot).
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace testfiles
