#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <span>

namespace testfiles {

inline QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes) {
        b = char(gen.bounded(256));
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

// The per-byte definition of Part 1.1 from stream position start: byte j uses
// key[(n - j mod n) mod n], the index walking down the key and wrapping.
inline QByteArray transformed(const QByteArray& data, const QByteArray& key, quint64 start = 0)
{
    QByteArray out = data;
    const qsizetype n = key.size();
    qsizetype index = qsizetype((quint64(n) - start % quint64(n)) % quint64(n));
    for (char& b : out) {
        b = char(b ^ key[index]);
        index = index == 0 ? n - 1 : index - 1;
    }
    return out;
}

// Every entry of a folder, hidden ones too (temporary files start with a dot).
inline QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace testfiles
