// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"

#include <QByteArray>

#include <cstdint>
#include <mutex>
#include <sys/stat.h>

namespace quibex {

// The job's output: a file that has no name until it is complete. On Linux it
// is an unnamed file (O_TMPFILE) in the output's folder, linked in at commit();
// where the file system has none, a hidden temporary of a short fixed shape
// (".qbc-" and 8 random characters, ".tmp") stands in, removed on every
// failure, discard() and abandon(). Every call goes through a descriptor of
// the folder, so that a folder moved meanwhile is noticed, and nothing at the
// output name is ever opened or followed: a link there is an entry like any
// other. The folder is synced once the name is in place.
//
// No one reads it who could not read the input: it has the input's group (or
// no group access), no ACL inherited from the folder, and at most the
// permissions of the input and of the file it replaces.
class OutputFile : public ByteSink
{
public:
    // What the folder's file system offers; the calls that fail say it too,
    // so these only say it beforehand.
    struct Features
    {
        bool unnamedFiles = true;
        bool noReplaceRename = true;
        bool hardLinks = true;
    };
    // What commit() may put its name over: with replace, the entry that the
    // user agreed to replace (never a folder, a device, a FIFO, a socket or
    // the input itself); without it, nothing.
    struct Rule
    {
        bool replace = false;
        dev_t inputDevice = 0;
        ino_t inputInode = 0;
    };

    OutputFile(const QByteArray& nativeTarget, const Rule& rule, const Features& features);
    OutputFile(const QByteArray& nativeTarget, const Rule& rule);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Why the entry at the output name may not be replaced (a folder, a
    // device, a FIFO, a socket, or the rule's input itself), None when it may.
    static StreamFailure refusalFor(const struct stat& entry, const Rule& rule);

    // Another user's file in a sticky folder (only its owner, the folder's
    // or root may replace it), None when folder lets this process replace it.
    static StreamFailure refusalInFolder(const struct stat& entry, const struct stat& folder);

    // Opens the folder and creates the file with mode (less the umask), in
    // group, or without group access when the process may not give it group.
    [[nodiscard]] bool open(mode_t mode, gid_t group);
    [[nodiscard]] bool write(const char* data, std::size_t size) override;
    [[nodiscard]] bool flush() override;
    [[nodiscard]] bool commit() override;
    void discard() override;
    // Once it returns, no name of the output's is left but its final one, if
    // commit() gave it already; a commit() running meanwhile gives no other.
    void abandon() noexcept override;
    StreamError error() const override { return m_error; }

    // Empty while the file is unnamed.
    QByteArray temporaryName() const;
    // For outputs synced in a group: the whole file system has been synced
    // since the last write (syncfs), so commit() syncs neither this file
    // nor its folder; the group syncs the folders once they are all named.
    void syncedWithGroup() { m_flushed = m_groupSynced = true; }
    // The file system written on, and a descriptor on it opened before the
    // first write (the folder's, open until destruction): syncfs on it
    // reports every write error of the file system since then.
    dev_t fileSystem() const { return m_device; }
    int fileSystemDescriptor() const { return m_dir; }
    // True where syncfs is known to reach the disk: the local disk file
    // systems. Elsewhere (FUSE, network shares) each file syncs itself.
    bool groupSyncReachesDisk() const;

private:
    bool fail(StreamFailure failure, int code = 0);
    bool failSystem() { return fail(StreamFailure::System, errno); }
    bool openUnnamed(mode_t mode);
    bool openNamed(mode_t mode);
    bool restrictAccess(mode_t mode, gid_t group);
    bool limitToReplacedMode();
    bool isOwnFile(const QByteArray& name) const;
    void startWriteback();
    bool folderStillAtPath();
    bool placeName();
    bool replaceEntry(const struct stat& entry);
    bool linkTemporaryName();
    bool linkNew();
    bool renameNoReplace();
    bool renamedOwnFile(bool renamed);
    int linkUnnamedAs(const QByteArray& name);
    void syncFolder();
    void closeFile();
    void drop();
    void removeTemporaryName() noexcept;

    QByteArray m_folderPath;
    QByteArray m_name;
    Rule m_rule;
    Features m_features;
    StreamError m_error;
    int m_dir = -1;
    int m_fd = -1;
    dev_t m_device = 0; // of the file written, to know it again by its name
    ino_t m_inode = 0;
    // abandon() may run on another thread at any time: a temporary name is
    // made, and given up for the final one, only under this lock.
    mutable std::mutex m_names;
    QByteArray m_tempName;
    bool m_abandoned = false; // no name may be made any more
    bool m_failed = false;
    bool m_flushed = false;
    bool m_groupSynced = false;
    std::int64_t m_written = 0;
    std::int64_t m_kicked = 0; // writeback started up to here
    std::int64_t m_waited = 0; // on the disk up to here
};

} // namespace quibex
