// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/OutputFile.h"

#include "job/OutputFileNames.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quibex {

namespace {

using namespace output_names;

// Writeback of every window of this size starts once it is written, and the
// writer waits only for data this far behind its position, so that several
// windows are in flight at once and the final flush is short.
constexpr std::int64_t WritebackWindow = std::int64_t{8} * 1024 * 1024;
constexpr std::int64_t InFlight = 4 * WritebackWindow;

} // namespace

OutputFile::OutputFile(const QByteArray& nativeTarget, const Rule& rule, const Features& features)
    : m_rule(rule), m_features(features)
{
    const qsizetype slash = nativeTarget.lastIndexOf('/');
    m_folderPath = slash < 0    ? QByteArrayLiteral(".")
                   : slash == 0 ? QByteArrayLiteral("/")
                                : nativeTarget.left(slash);
    m_name = nativeTarget.mid(slash + 1);
}

OutputFile::OutputFile(const QByteArray& nativeTarget, const Rule& rule)
    : OutputFile(nativeTarget, rule, Features{})
{
}

OutputFile::~OutputFile()
{
    drop();
    if (m_dir >= 0) {
        ::close(m_dir);
    }
}

bool OutputFile::fail(StreamFailure failure, int code)
{
    if (!m_failed) {
        m_failed = true;
        m_error = {failure, code};
    }
    return false;
}

bool OutputFile::open(mode_t mode, gid_t group)
{
    if (m_name.isEmpty() || m_name == "." || m_name == "..") {
        return fail(StreamFailure::System, m_name.isEmpty() ? ENOENT : EISDIR);
    }
    m_dir = ::open(m_folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dir < 0) {
        return failSystem();
    }
    if (!(m_features.unnamedFiles && openUnnamed(mode)) && !openNamed(mode)) {
        return false;
    }
    if (!restrictAccess(mode, group)) {
        drop();
        return false;
    }
    return true;
}

// The unnamed file must be linkable later, through /proc: without it (a
// chroot, a container) the named stand-in is used.
bool OutputFile::openUnnamed(mode_t mode)
{
    const int fd = ::openat(m_dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd < 0) {
        return false;
    }
    struct stat opened
    {
    };
    struct stat throughProc
    {
    };
    if (::fstat(fd, &opened) != 0 || ::stat(procPathOf(fd).constData(), &throughProc) != 0 ||
        !sameFile(opened, throughProc)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool OutputFile::openNamed(mode_t mode)
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const QByteArray name = randomTemporaryName();
        const int fd = ::openat(m_dir, name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) {
            m_fd = fd;
            const std::lock_guard lock(m_names);
            m_tempName = name;
            return true;
        }
        if (errno != EEXIST) {
            return failSystem();
        }
    }
    return fail(StreamFailure::System, EEXIST);
}

// A setgid folder hands the new file its own group, and a default ACL entries
// of its own: either would let in people whom the input kept out. Done before
// the first byte is written.
bool OutputFile::restrictAccess(mode_t mode, gid_t group)
{
    // Where the file system has no ACLs, removing one fails and none is there.
    static constexpr char AccessAcl[] = "system.posix_acl_access";
    if (::fremovexattr(m_fd, AccessAcl) != 0) {
        const int error = errno;
        if (::fgetxattr(m_fd, AccessAcl, nullptr, 0) >= 0) {
            return fail(StreamFailure::System, error);
        }
    }
    struct stat made
    {
    };
    if (::fstat(m_fd, &made) != 0) {
        return failSystem();
    }
    m_device = made.st_dev;
    m_inode = made.st_ino;
    // A default ACL skips the umask: never more than asked for, though.
    mode_t allowed = made.st_mode & mode & 0777;
    if (made.st_gid != group && ::fchown(m_fd, uid_t(-1), group) != 0) {
        allowed &= ~mode_t(S_IRWXG);
    }
    if (::fchmod(m_fd, allowed) != 0) {
        return failSystem();
    }
    return true;
}

bool OutputFile::write(const char* data, std::size_t size)
{
    if (m_failed || m_fd < 0) {
        return fail(StreamFailure::System, EBADF);
    }
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail(StreamFailure::System, n < 0 ? errno : EIO);
        }
        data += n;
        size -= std::size_t(n);
        m_written += n;
    }
    startWriteback();
    return !m_failed;
}

void OutputFile::startWriteback()
{
    if (m_written - m_kicked < WritebackWindow) {
        return;
    }
    // Errors here are the disk's: the final fsync reports them again.
    ::sync_file_range(m_fd, m_kicked, m_written - m_kicked, SYNC_FILE_RANGE_WRITE);
    m_kicked = m_written;
    const std::int64_t settled = m_kicked - InFlight;
    if (settled > m_waited) {
        ::sync_file_range(m_fd, m_waited, settled - m_waited,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                              SYNC_FILE_RANGE_WAIT_AFTER);
        // Data on the disk need not stay in the cache.
        ::posix_fadvise(m_fd, m_waited, settled - m_waited, POSIX_FADV_DONTNEED);
        m_waited = settled;
    }
}

bool OutputFile::flush()
{
    if (m_failed || m_fd < 0) {
        return fail(StreamFailure::System, EBADF);
    }
    if (!m_flushed && ::fsync(m_fd) != 0) {
        return failSystem();
    }
    m_flushed = true;
    return true;
}

bool OutputFile::groupSyncReachesDisk() const
{
    // ext2-4, XFS, Btrfs, F2FS, JFS, ReiserFS, NILFS, bcachefs, FAT, exFAT;
    // tmpfs, which keeps nothing anyway.
    constexpr std::array<unsigned long, 11> Local{0xEF53,     0x58465342, 0x9123683E, 0xF2F52010,
                                                  0x3153464A, 0x52654973, 0x3434,     0xCA451A4E,
                                                  0x4d44,     0x2011BAB0, 0x01021994};
    struct statfs system
    {
    };
    return m_dir >= 0 && ::fstatfs(m_dir, &system) == 0 &&
           std::find(Local.begin(), Local.end(), static_cast<unsigned long>(system.f_type)) !=
               Local.end();
}

bool OutputFile::commit()
{
    if (!flush() || !limitToReplacedMode()) {
        return false;
    }
    if (!temporaryName().isEmpty()) {
        closeFile(); // a named file is complete once closed; close reports late errors
    }
    if (m_failed || !folderStillAtPath() || !placeName()) {
        drop();
        return false;
    }
    closeFile();
    if (!m_groupSynced) {
        syncFolder();
    }
    return true;
}

// The replaced file as it is now, not as it was at the question: its
// permissions may have been narrowed meanwhile.
bool OutputFile::limitToReplacedMode()
{
    struct stat entry
    {
    };
    if (!m_rule.replace || ::fstatat(m_dir, m_name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(entry.st_mode)) {
        return true;
    }
    struct stat own
    {
    };
    if (::fstat(m_fd, &own) != 0) {
        return failSystem();
    }
    const mode_t limited = own.st_mode & entry.st_mode & 0777;
    return limited == (own.st_mode & 07777) || ::fchmod(m_fd, limited) == 0 || failSystem();
}

// Makes the new name durable; a folder that cannot be synced is not a failure,
// the data being on the disk already.
void OutputFile::syncFolder()
{
    ::fsync(m_dir);
}

void OutputFile::closeFile()
{
    if (m_fd >= 0) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            failSystem();
        }
    }
}

void OutputFile::discard()
{
    drop();
}

void OutputFile::drop()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    removeTemporaryName();
}

} // namespace quibex
