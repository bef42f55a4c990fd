// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
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

    // Opens the folder and creates the file with mode (less the umask).
    [[nodiscard]] bool open(mode_t mode);
    [[nodiscard]] bool write(const char* data, std::size_t size) override;
    [[nodiscard]] bool flush() override;
    [[nodiscard]] bool commit() override;
    void discard() override;
    void abandon() noexcept override;
    StreamError error() const override { return m_error; }

    // Empty while the file is unnamed.
    QByteArray temporaryName() const { return m_tempName; }
    std::int64_t written() const { return m_written; }

private:
    bool fail(StreamFailure failure, int code = 0);
    bool failSystem() { return fail(StreamFailure::System, errno); }
    bool openUnnamed(mode_t mode);
    bool openNamed(mode_t mode);
    void startWriteback();
    bool folderStillAtPath();
    bool placeName();
    bool replaceEntry(const struct stat& entry);
    bool linkNew();
    bool renameNoReplace();
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
    // Set by open() before any other thread knows the file, then only read.
    QByteArray m_tempName;
    std::atomic<bool> m_named{false}; // the output name is in place
    bool m_failed = false;
    bool m_flushed = false;
    std::int64_t m_written = 0;
    std::int64_t m_kicked = 0; // writeback started up to here
    std::int64_t m_waited = 0; // on the disk up to here
};

} // namespace quibex
