// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/MemoryScan.h"

#include <QFile>

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr qsizetype AreaSize = 64 * 1024;
constexpr qsizetype WindowSize = 4 * 1024 * 1024;

char* mapPrivate(qsizetype size)
{
    void* area = ::mmap(nullptr, std::size_t(size), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return area == MAP_FAILED ? nullptr : static_cast<char*>(area);
}

} // namespace

MemoryScan::MemoryScan() : m_area(mapPrivate(AreaSize)), m_window(mapPrivate(WindowSize))
{
}

MemoryScan::~MemoryScan()
{
    ::munmap(m_area, AreaSize);
    ::munmap(m_window, WindowSize);
}

char* MemoryScan::needle(qsizetype size)
{
    Q_ASSERT(m_used + size <= AreaSize);
    char* room = m_area + m_used;
    m_used += size;
    m_needles.append({room, size});
    return room;
}

QStringList MemoryScan::find() const
{
    QStringList found;
    QFile maps(QStringLiteral("/proc/self/maps"));
    const int memory = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (!maps.open(QIODevice::ReadOnly) || memory < 0) {
        return {QStringLiteral("cannot read this process's memory")};
    }
    const QList<QByteArray> lines = maps.readAll().split('\n');
    qsizetype longest = 0;
    for (const Needle& needle : m_needles) {
        longest = std::max(longest, needle.size);
    }
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5 || !fields[1].startsWith('r') || line.contains("[vvar]") ||
            line.contains("[vsyscall]")) {
            continue;
        }
        const quint64 start = fields[0].split('-')[0].toULongLong(nullptr, 16);
        const quint64 end = fields[0].split('-')[1].toULongLong(nullptr, 16);
        if (start == quint64(quintptr(m_area)) || start == quint64(quintptr(m_window))) {
            continue;
        }
        // Windows overlap by a needle's length, so that none is cut in two.
        for (quint64 at = start; at < end; at += quint64(WindowSize - longest)) {
            const auto want = std::size_t(std::min<quint64>(quint64(WindowSize), end - at));
            const ssize_t got = ::pread(memory, m_window, want, off_t(at));
            if (got <= 0) {
                break;
            }
            for (qsizetype i = 0; i < m_needles.size(); ++i) {
                const Needle& needle = m_needles[i];
                const void* hit =
                    ::memmem(m_window, std::size_t(got), needle.data, std::size_t(needle.size));
                if (hit != nullptr) {
                    found << QStringLiteral("%1 in %2")
                                 .arg(i)
                                 .arg(QString::fromLatin1(fields.size() > 5 ? fields[5]
                                                                            : fields[0]));
                }
            }
            if (at + std::size_t(got) >= end) {
                break;
            }
        }
    }
    ::close(memory);
    return found;
}
