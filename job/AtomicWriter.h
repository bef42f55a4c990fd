#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <cstdint>

namespace quibex {

// Test seam: makes the writer fail as a full disk would.
struct WriteFaults
{
    // When >= 0, the write that would go past this many bytes writes the bytes
    // up to it and then fails with error.
    std::int64_t failAtByte = -1;
    // The final flush (fsync before the rename) fails with error.
    bool failAtFlush = false;
    int error = ENOSPC;
};

// Writes a file atomically: the bytes go to a new temporary file in the
// target's folder, which replaces the target only in commit(), once every byte
// is written and flushed to the disk; the folder is synced after the rename.
// Until then a file at the target path is left as it was. Every failure is
// reported (errorString() holds the system's description) and the temporary
// file is removed on failure, on discard() and on destruction before commit().
// Writing never goes through the target path itself (no direct-write fallback).
// POSIX only.
class AtomicWriter
{
public:
    explicit AtomicWriter(const QString& targetPath, const WriteFaults& faults = {});
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    // Creates the temporary file. A target that is a symbolic link is written
    // through: the link stays and the file it names is replaced.
    bool open();
    // Writes all of data or fails.
    bool write(const char* data, std::int64_t size);
    // Flushes, closes and renames onto the target. With replace false the
    // rename fails (EEXIST) when a file has appeared at the target meanwhile.
    bool commit(bool replace = true);
    // Removes the temporary file; nothing is left behind.
    void discard();

    QString errorString() const { return m_error; }
    QString temporaryPath() const { return m_tempPath; }
    std::int64_t written() const { return m_written; }

private:
    bool failWith(int error);
    int systemWrite(const char* data, std::size_t size);
    void startWriteback();

    QString m_target;
    QString m_tempPath;
    QByteArray m_nativeTarget;
    QByteArray m_nativeTemp;
    WriteFaults m_faults;
    QString m_error;
    int m_fd = -1;
    bool m_failed = false;
    bool m_committed = false;
    std::int64_t m_written = 0;
    std::int64_t m_kicked = 0; // writeback started up to here
    std::int64_t m_waited = 0; // written to the disk up to here
};

// The system's description of an error code.
QString systemErrorText(int error);

} // namespace quibex
