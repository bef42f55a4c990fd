#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <sys/types.h>

namespace quibex {

// Test seams: make the writer fail as a full disk would, run as slowly as a
// slow disk, or fall back as on file systems that lack some calls.
struct WriteFaults
{
    // When >= 0, the write that would go past this many bytes writes the bytes
    // up to it and then fails with error.
    std::int64_t failAtByte = -1;
    // The final flush (fsync before the rename) fails with error.
    bool failAtFlush = false;
    int error = ENOSPC;
    // When > 0, a disk that stores this many bytes per second from the first
    // write on: every wait for written data (the writeback of a window, the
    // final flush) lasts until the data up to there would be stored.
    std::int64_t slowDiskBytesPerSecond = 0;
    // As on file systems without renameat2(RENAME_NOREPLACE), and without
    // hard links either.
    bool noReplaceRenameUnsupported = false;
    bool hardLinksUnsupported = false;
};

// Writes a file atomically: the bytes go to a new temporary file in the
// target's folder, which replaces the target only in commit(), once every byte
// is written and flushed to the disk; the folder is synced after the rename.
// Until then a file at the target path is left as it was. Every failure is
// reported (errorString() holds the system's description) and the temporary
// file is removed on failure, on discard() and on destruction before commit().
// Writing never goes through the target path itself (no direct-write fallback).
// POSIX only. One thread at a time may use a writer.
class AtomicWriter
{
public:
    explicit AtomicWriter(const QString& targetPath, const WriteFaults& faults = {});
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    // Permission bits of a new file, before the umask (0666 unless set before
    // open()). A file that is replaced keeps its own.
    void setNewFileMode(mode_t mode) { m_newFileMode = mode; }
    // Creates the temporary file. A target that is a symbolic link is written
    // through, a dangling one too: the link stays and the file it names is
    // replaced or created.
    bool open();
    // Writes all of data or fails.
    bool write(const char* data, std::int64_t size);
    // The final flush: every byte to the disk, then the file closed. commit()
    // does it when it has not been done.
    bool flush();
    // Flushes, then renames onto the target. With replace false, and when no
    // file was at the target at open(), the rename fails (EEXIST) when a file
    // has appeared at the target meanwhile.
    bool commit(bool replace = true);
    // Removes the temporary file; nothing is left behind.
    void discard();

    QString errorString() const { return m_error; }
    QString temporaryPath() const { return m_tempPath; }
    std::int64_t written() const { return m_written; }

private:
    bool failWith(int error);
    bool resolveTarget();
    bool createTemporary(mode_t mode);
    int systemWrite(const char* data, std::size_t size);
    void startWriteback();
    void awaitSlowDisk(std::int64_t end);
    bool moveIntoPlace(bool replace);
    bool renameNoReplace();
    bool dropTemporaryName();
    void syncFolder();

    QString m_target;
    QString m_tempPath;
    QByteArray m_nativeTarget;
    QByteArray m_nativeTemp;
    WriteFaults m_faults;
    QString m_error;
    mode_t m_newFileMode = 0666;
    int m_fd = -1;
    bool m_failed = false;
    bool m_flushed = false;
    bool m_committed = false;
    bool m_targetExisted = false;
    std::int64_t m_written = 0;
    std::int64_t m_kicked = 0; // writeback started up to here
    std::int64_t m_waited = 0; // written to the disk up to here
    std::chrono::steady_clock::time_point m_firstWrite;
};

// The system's description of an error code.
QString systemErrorText(int error);

} // namespace quibex
