// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quibex {

// Why a stream of the job failed, beside the system's own error codes.
enum class StreamFailure
{
    None,
    System,              // error() holds the errno
    InputChanged,        // the input's size or time differs from the start
    InputIsVirtual,      // the input reads more or fewer bytes than its size, unchanged
    OutputIsInput,       // the entry at the output name is the input itself
    OutputIsFolder,      // a folder is at the output name
    OutputIsSpecial,     // a device, FIFO or socket is at the output name
    OutputOfAnotherUser, // another user's file in a sticky folder is at the output name
    FolderMoved,         // the output's folder no longer is at its path
    TemporaryReplaced,   // the name about to be given is no longer this output's file
};

struct StreamError
{
    StreamFailure failure = StreamFailure::None;
    int code = 0; // errno when failure is System
};

// Where the bytes of a job come from. Used by one thread at a time.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Up to size bytes: the count, 0 at the end, -1 on failure (see error()).
    [[nodiscard]] virtual std::int64_t read(char* buffer, std::size_t size) = 0;
    // True when the source is not what it was when opened (size, modification
    // time).
    [[nodiscard]] virtual bool changed() = 0;
    virtual StreamError error() const = 0;
};

// Once the size a source gave at the start has been read: nothing when it
// ends there, else why not. The size must be the whole content: a file that
// reads on past it (a pseudo-file of size 0) would otherwise be named short
// and whole.
StreamError endAfterSize(ByteSource& source);
// A source that ended before its size, or went on past it: changed by
// someone, or a file whose size says nothing of its content.
StreamError sizeMismatch(ByteSource& source);

// Where the bytes of a job go: an output that gets its name only at commit().
// Used by one thread at a time, except abandon().
class ByteSink
{
public:
    virtual ~ByteSink() = default;
    // All of data or false.
    [[nodiscard]] virtual bool write(const char* data, std::size_t size) = 0;
    // Every byte written on the disk.
    [[nodiscard]] virtual bool flush() = 0;
    // Gives the output its name; the file is then complete and durable.
    [[nodiscard]] virtual bool commit() = 0;
    // Drops the output; nothing is left of it.
    virtual void discard() = 0;
    // From any thread, while another may be inside a call: removes every name
    // the output has so far, so that ending the process at once leaves nothing.
    virtual void abandon() noexcept = 0;
    virtual StreamError error() const = 0;
};

// Lets tests and benchmarks stand between the job and its files (faults, a
// slow disk, a pace set by the view). The job calls it once per run, on the
// calling thread, with the streams it opened.
class StreamWrapper
{
public:
    virtual ~StreamWrapper() = default;
    virtual std::unique_ptr<ByteSource> source(std::unique_ptr<ByteSource> file) = 0;
    virtual std::unique_ptr<ByteSink> sink(std::unique_ptr<ByteSink> file) = 0;
};

} // namespace quibex
