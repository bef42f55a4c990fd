#include "job/AtomicWriter.h"

#include <QFile>
#include <QRandomGenerator>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quibex {

namespace {

// Writeback is started for every this many bytes written, and waited for one
// such window later, so that the dirty data of a job stays small and the final
// flush is short.
constexpr std::int64_t WritebackWindow = std::int64_t{16} * 1024 * 1024;

// As many links as the system follows in one path before it gives up (ELOOP).
constexpr int MaxLinks = 40;

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

// The errors of a file system that cannot make hard links.
bool linkUnsupported(int error)
{
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS;
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
    if (!resolveTarget()) {
        return false;
    }
    struct stat existing
    {
    };
    m_targetExisted = ::stat(m_nativeTarget.constData(), &existing) == 0;
    // A new file is never more open than the caller's mode allows (the input's,
    // so that a decrypted private file stays private).
    if (!createTemporary(m_newFileMode & 0666)) {
        return false;
    }
    if (m_targetExisted && S_ISREG(existing.st_mode)) {
        ::fchmod(m_fd, existing.st_mode & 07777); // best effort, as cp does
    }
    return true;
}

// Follows symbolic links at the target to the file they name. realpath() does
// it when that file exists; a dangling link is followed by hand, relative to
// its own folder, so that the file it names is created and the link stays.
bool AtomicWriter::resolveTarget()
{
    for (int depth = 0; depth < MaxLinks; ++depth) {
        struct stat info
        {
        };
        if (::lstat(m_nativeTarget.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true;
        }
        if (char* resolved = ::realpath(m_nativeTarget.constData(), nullptr)) {
            m_nativeTarget = QByteArray(resolved);
            std::free(resolved);
            return true;
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t size = ::readlink(m_nativeTarget.constData(), link.data(), PATH_MAX);
        if (size < 0) {
            return failWith(errno);
        }
        link.truncate(size);
        m_nativeTarget = link.startsWith('/') ? link : folderOf(m_nativeTarget) + '/' + link;
    }
    return failWith(ELOOP);
}

bool AtomicWriter::createTemporary(mode_t mode)
{
    const QByteArray folder = folderOf(m_nativeTarget);
    const QByteArray name = m_nativeTarget.mid(m_nativeTarget.lastIndexOf('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray suffix = QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        QByteArray candidate = folder + '/' + '.' + name.left(200) + '.' + suffix + ".tmp";
        const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            m_fd = fd;
            m_nativeTemp = candidate;
            m_tempPath = QFile::decodeName(candidate);
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
    if (m_written == 0) {
        m_firstWrite = std::chrono::steady_clock::now();
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
        awaitSlowDisk(m_kicked);
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

void AtomicWriter::awaitSlowDisk(std::int64_t end)
{
    if (m_faults.slowDiskBytesPerSecond <= 0 || end <= 0) {
        return;
    }
    const std::chrono::duration<double> storing(double(end) /
                                                double(m_faults.slowDiskBytesPerSecond));
    std::this_thread::sleep_until(m_firstWrite +
                                  std::chrono::duration_cast<std::chrono::nanoseconds>(storing));
}

bool AtomicWriter::flush()
{
    if (m_failed) {
        return false; // the first failure's description stays
    }
    if (m_flushed) {
        return true;
    }
    if (m_fd < 0) {
        return failWith(EBADF);
    }
    if (m_faults.failAtFlush) {
        return failWith(m_faults.error);
    }
    awaitSlowDisk(m_written);
    if (::fsync(m_fd) != 0) {
        return failWith(errno);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        return failWith(errno);
    }
    m_flushed = true;
    return true;
}

bool AtomicWriter::commit(bool replace)
{
    // Only a file that was there at open() may be replaced: one that appeared
    // since was put there by someone else.
    if (!flush() || !moveIntoPlace(replace && m_targetExisted)) {
        return false;
    }
    m_committed = true;
    syncFolder();
    return true;
}

bool AtomicWriter::moveIntoPlace(bool replace)
{
    if (!replace) {
        return renameNoReplace();
    }
    return ::rename(m_nativeTemp.constData(), m_nativeTarget.constData()) == 0 || failWith(errno);
}

// Fails with EEXIST when a file is at the target. renameat2 does it in one
// step; link() refuses an existing name too. Where neither is supported a
// check just before rename() is the best left, with a short race.
bool AtomicWriter::renameNoReplace()
{
#ifdef RENAME_NOREPLACE
    if (!m_faults.noReplaceRenameUnsupported) {
        if (::renameat2(AT_FDCWD, m_nativeTemp.constData(), AT_FDCWD, m_nativeTarget.constData(),
                        RENAME_NOREPLACE) == 0) {
            return true;
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return failWith(errno);
        }
    }
#endif
    if (!m_faults.hardLinksUnsupported) {
        if (::link(m_nativeTemp.constData(), m_nativeTarget.constData()) == 0) {
            return dropTemporaryName();
        }
        if (!linkUnsupported(errno)) {
            return failWith(errno);
        }
    }
    struct stat info
    {
    };
    if (::lstat(m_nativeTarget.constData(), &info) == 0) {
        return failWith(EEXIST);
    }
    if (errno != ENOENT) {
        return failWith(errno);
    }
    return ::rename(m_nativeTemp.constData(), m_nativeTarget.constData()) == 0 || failWith(errno);
}

// After link(): the file has both names; the temporary one goes. Should that
// fail, the new name goes instead (nothing was there before the link), so that
// a failure leaves the target as it was.
bool AtomicWriter::dropTemporaryName()
{
    if (::unlink(m_nativeTemp.constData()) == 0) {
        m_nativeTemp.clear();
        return true;
    }
    const int error = errno;
    ::unlink(m_nativeTarget.constData());
    return failWith(error);
}

// Makes the rename itself durable. The data is on the disk already and the
// file is in place; a folder that cannot be synced is not a failure.
void AtomicWriter::syncFolder()
{
    const int dir =
        ::open(folderOf(m_nativeTarget).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
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
