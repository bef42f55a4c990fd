// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// How OutputFile gives its file a name: the checks on the entry at the
// output name, the short temporary name, the link or rename that takes no
// one else's name, and the end path that removes every name of ours.
#include "job/OutputFileNames.h"

#include "job/OutputFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quibex {

namespace output_names {

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

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace output_names

namespace {

using namespace output_names;

// A call the file system does not offer, rather than a failure of the call.
bool unsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
}

} // namespace

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

} // namespace quibex
