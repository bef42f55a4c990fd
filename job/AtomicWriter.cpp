#include "job/AtomicWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quibex {

namespace {

// Writeback is started for every this many bytes written, and waited for one
// such window later, so that the dirty data of a job stays small and the final
// flush is short (the window yields while the job runs, not inside fsync).
constexpr std::int64_t WritebackWindow = std::int64_t{16} * 1024 * 1024;

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    if (slash == 0) {
        return QByteArrayLiteral("/");
    }
    return path.left(slash);
}

} // namespace

QString systemErrorText(int error)
{
    return qt_error_string(error);
}

AtomicWriter::AtomicWriter(const QString& targetPath, const WriteFaults& faults)
    : m_target(targetPath), m_faults(faults)
{
}

AtomicWriter::~AtomicWriter()
{
    if (!m_committed) {
        discard();
    }
}

bool AtomicWriter::failWith(int error)
{
    m_failed = true;
    m_error = systemErrorText(error);
    return false;
}

bool AtomicWriter::open()
{
    m_nativeTarget = QFile::encodeName(m_target);
    if (m_nativeTarget.isEmpty()) {
        return failWith(ENOENT);
    }
    // Write through a symbolic link to the file it names.
    struct stat linkInfo
    {
    };
    if (::lstat(m_nativeTarget.constData(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        if (char* resolved = ::realpath(m_nativeTarget.constData(), nullptr)) {
            m_nativeTarget = QByteArray(resolved);
            std::free(resolved);
        }
    }
    // Keep the permissions of a file that is replaced; a new file gets the
    // usual 0666 less the umask.
    struct stat existing
    {
    };
    const bool replacing = ::stat(m_nativeTarget.constData(), &existing) == 0;

    const QByteArray folder = folderOf(m_nativeTarget);
    const QByteArray name = m_nativeTarget.mid(m_nativeTarget.lastIndexOf('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray suffix = QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        QByteArray candidate = folder + '/' + '.' + name.left(200) + '.' + suffix + ".tmp";
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_nativeTemp = candidate;
            m_tempPath = QFile::decodeName(candidate);
            if (replacing && S_ISREG(existing.st_mode)) {
                ::fchmod(m_fd, existing.st_mode & 07777); // best effort, as cp does
            }
            return true;
        }
        if (errno != EEXIST) {
            return failWith(errno);
        }
    }
    return failWith(EEXIST);
}

int AtomicWriter::systemWrite(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        data += n;
        size -= std::size_t(n);
        m_written += n;
    }
    return 0;
}

bool AtomicWriter::write(const char* data, std::int64_t size)
{
    if (m_failed) {
        return false; // the first failure's description stays
    }
    if (m_fd < 0) {
        return failWith(EBADF);
    }
    if (size <= 0) {
        return true;
    }
    std::int64_t allowed = size;
    bool injected = false;
    if (m_faults.failAtByte >= 0 && m_written + size > m_faults.failAtByte) {
        allowed = std::max<std::int64_t>(0, m_faults.failAtByte - m_written);
        injected = true;
    }
    if (const int error = systemWrite(data, std::size_t(allowed))) {
        return failWith(error);
    }
    if (injected) {
        return failWith(m_faults.error);
    }
    startWriteback();
    return !m_failed;
}

void AtomicWriter::startWriteback()
{
#ifdef __linux__
    if (m_written - m_kicked < WritebackWindow) {
        return;
    }
    // Wait for the window started last time, then start this one.
    if (m_kicked > m_waited) {
        if (::sync_file_range(m_fd, m_waited, m_kicked - m_waited,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER) != 0 &&
            errno != EINVAL && errno != ENOSYS && errno != ESPIPE) {
            failWith(errno);
            return;
        }
        // Written data need not stay in the cache.
        ::posix_fadvise(m_fd, m_waited, m_kicked - m_waited, POSIX_FADV_DONTNEED);
        m_waited = m_kicked;
    }
    if (::sync_file_range(m_fd, m_kicked, m_written - m_kicked, SYNC_FILE_RANGE_WRITE) != 0 &&
        errno != EINVAL && errno != ENOSYS && errno != ESPIPE) {
        failWith(errno);
        return;
    }
    m_kicked = m_written;
#endif
}

bool AtomicWriter::commit(bool replace)
{
    if (m_failed) {
        return false; // the first failure's description stays
    }
    if (m_fd < 0) {
        return failWith(EBADF);
    }
    if (m_faults.failAtFlush) {
        return failWith(m_faults.error);
    }
    if (::fsync(m_fd) != 0) {
        return failWith(errno);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        return failWith(errno);
    }
    int renamed = -1;
#ifdef RENAME_NOREPLACE
    if (!replace) {
        renamed = ::renameat2(AT_FDCWD, m_nativeTemp.constData(), AT_FDCWD,
                              m_nativeTarget.constData(), RENAME_NOREPLACE);
        if (renamed != 0 && errno != EINVAL && errno != ENOSYS) {
            return failWith(errno);
        }
    }
#else
    (void)replace;
#endif
    if (renamed != 0 && ::rename(m_nativeTemp.constData(), m_nativeTarget.constData()) != 0) {
        return failWith(errno);
    }
    m_committed = true;
    // Make the rename itself durable. The data is on the disk already and the
    // file is in place; a folder that cannot be synced is not a failure.
    const int dir =
        ::open(folderOf(m_nativeTarget).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicWriter::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_nativeTemp.isEmpty() && !m_committed) {
        ::unlink(m_nativeTemp.constData());
        m_nativeTemp.clear();
    }
}

} // namespace quibex
