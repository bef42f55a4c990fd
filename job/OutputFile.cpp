// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/OutputFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quibex {

namespace {

// Writeback of every window of this size starts once it is written, and the
// writer waits only for data this far behind its position, so that several
// windows are in flight at once and the final flush is short.
constexpr std::int64_t WritebackWindow = std::int64_t{8} * 1024 * 1024;
constexpr std::int64_t InFlight = 4 * WritebackWindow;

constexpr int NameAttempts = 100;

// ".qbc-" and 8 random characters and ".tmp": short and never derived from the
// input's name, so that every output name that fits also has its temporary.
QByteArray randomTemporaryName()
{
    static constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = QByteArrayLiteral(".qbc-");
    for (int i = 0; i < 8; ++i) {
        name += Alphabet[QRandomGenerator::global()->bounded(int(sizeof(Alphabet) - 1))];
    }
    return name + QByteArrayLiteral(".tmp");
}

QByteArray procPathOf(int fd)
{
    return QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd);
}

bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

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

QByteArray OutputFile::temporaryName() const
{
    const std::lock_guard lock(m_names);
    return m_tempName;
}

// Whoever may write the folder may swap a name of ours for a link or a file
// of theirs: a name is given only to the file written, and checked after.
bool OutputFile::isOwnFile(const QByteArray& name) const
{
    struct stat entry
    {
    };
    return ::fstatat(m_dir, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
           entry.st_dev == m_device && entry.st_ino == m_inode;
}

// The message names the output by its path: a folder renamed or replaced
// meanwhile would put the file somewhere else than the message says.
bool OutputFile::folderStillAtPath()
{
    struct stat atPath
    {
    };
    struct stat opened
    {
    };
    if (::stat(m_folderPath.constData(), &atPath) != 0 || ::fstat(m_dir, &opened) != 0 ||
        !sameFile(atPath, opened)) {
        return fail(StreamFailure::FolderMoved);
    }
    return true;
}

bool OutputFile::placeName()
{
    struct stat entry
    {
    };
    if (::fstatat(m_dir, m_name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? linkNew() : failSystem();
    }
    if (!m_rule.replace) {
        return fail(StreamFailure::System, EEXIST); // put there by someone else
    }
    return replaceEntry(entry);
}

StreamFailure OutputFile::refusalFor(const struct stat& entry, const Rule& rule)
{
    if (S_ISDIR(entry.st_mode)) {
        return StreamFailure::OutputIsFolder;
    }
    if (!S_ISREG(entry.st_mode) && !S_ISLNK(entry.st_mode)) {
        return StreamFailure::OutputIsSpecial;
    }
    if (entry.st_dev == rule.inputDevice && entry.st_ino == rule.inputInode) {
        return StreamFailure::OutputIsInput;
    }
    return StreamFailure::None;
}

StreamFailure OutputFile::refusalInFolder(const struct stat& entry, const struct stat& folder)
{
    const uid_t self = ::geteuid();
    const bool mayReplace = (folder.st_mode & S_ISVTX) == 0 || self == 0 || entry.st_uid == self ||
                            folder.st_uid == self;
    return mayReplace ? StreamFailure::None : StreamFailure::OutputOfAnotherUser;
}

// Looked at again here: the entry may have changed since the question.
bool OutputFile::replaceEntry(const struct stat& entry)
{
    if (const StreamFailure refusal = refusalFor(entry, m_rule); refusal != StreamFailure::None) {
        return fail(refusal);
    }
    // There is no linking over an entry: the unnamed file gets a short
    // temporary name first, which the rename then takes away.
    if (temporaryName().isEmpty() && !linkTemporaryName()) {
        return false;
    }
    const QByteArray from = temporaryName();
    if (!isOwnFile(from)) {
        return fail(StreamFailure::TemporaryReplaced);
    }
    return renamedOwnFile(::renameat(m_dir, from.constData(), m_dir, m_name.constData()) == 0);
}

// The name is made under the lock that abandon() takes, so that abandon()
// either comes first and no name is made, or knows the name and removes it.
bool OutputFile::linkTemporaryName()
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const QByteArray name = randomTemporaryName();
        const std::lock_guard lock(m_names);
        if (m_abandoned) {
            return fail(StreamFailure::System, ECANCELED);
        }
        const int error = linkUnnamedAs(name);
        if (error == 0) {
            m_tempName = name;
            return true;
        }
        if (error != EEXIST) {
            return fail(StreamFailure::System, error);
        }
    }
    return fail(StreamFailure::System, EEXIST);
}

// After a rename from the temporary name: the name given must be this file's.
// Something else renamed there (a swap between the check and the rename) is
// taken away again, and the failure reported.
bool OutputFile::renamedOwnFile(bool renamed)
{
    if (!renamed) {
        return failSystem();
    }
    const std::lock_guard lock(m_names);
    m_tempName.clear();
    if (!isOwnFile(m_name)) {
        ::unlinkat(m_dir, m_name.constData(), 0);
        return fail(StreamFailure::TemporaryReplaced);
    }
    return true;
}

// 0 or the errno.
int OutputFile::linkUnnamedAs(const QByteArray& name)
{
    return ::linkat(AT_FDCWD, procPathOf(m_fd).constData(), m_dir, name.constData(),
                    AT_SYMLINK_FOLLOW) == 0
               ? 0
               : errno;
}

// Fails with EEXIST when anything is at the name by then.
bool OutputFile::linkNew()
{
    if (!temporaryName().isEmpty()) {
        return renameNoReplace();
    }
    const std::lock_guard lock(m_names);
    if (m_abandoned) {
        return fail(StreamFailure::System, ECANCELED);
    }
    const int error = linkUnnamedAs(m_name);
    if (error != 0) {
        return fail(StreamFailure::System, error);
    }
    return true;
}

// renameat2 refuses an existing name in one step, and so does a hard link;
// where neither exists a check just before the rename is the best left.
bool OutputFile::renameNoReplace()
{
    const QByteArray temporary = temporaryName();
    const char* from = temporary.constData();
    const char* to = m_name.constData();
    if (!isOwnFile(temporary)) {
        return fail(StreamFailure::TemporaryReplaced);
    }
    if (m_features.noReplaceRename) {
        if (::renameat2(m_dir, from, m_dir, to, RENAME_NOREPLACE) == 0) {
            return renamedOwnFile(true);
        }
        if (!unsupported(errno)) {
            return failSystem();
        }
    }
    if (m_features.hardLinks) {
        if (::linkat(m_dir, from, m_dir, to, 0) == 0) {
            // Gone already when abandon() took it away meanwhile.
            if (::unlinkat(m_dir, from, 0) != 0 && errno != ENOENT) {
                const bool failed = failSystem();
                ::unlinkat(m_dir, to, 0); // nothing was there before the link
                return failed;
            }
            return renamedOwnFile(true);
        }
        if (!unsupported(errno)) {
            return failSystem();
        }
    }
    struct stat entry
    {
    };
    if (::fstatat(m_dir, to, &entry, AT_SYMLINK_NOFOLLOW) == 0) {
        return fail(StreamFailure::System, EEXIST);
    }
    return renamedOwnFile(::renameat(m_dir, from, m_dir, to) == 0);
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

void OutputFile::abandon() noexcept
{
    removeTemporaryName();
}

void OutputFile::removeTemporaryName() noexcept
{
    QByteArray name;
    {
        const std::lock_guard lock(m_names);
        m_abandoned = true;
        name = m_tempName;
        m_tempName.clear();
    }
    if (!name.isEmpty() && m_dir >= 0) {
        ::unlinkat(m_dir, name.constData(), 0);
    }
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
