// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "cipher/RotatingXor.h"
#include "job/ByteStreams.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

namespace quibex {

// Moves the bytes of one file job on a thread of its own, so that no wait for
// the disk (a slow read, the writeback, the final flush) keeps the window from
// answering: it reads the source, transforms it, writes the sink and flushes
// it. It names the output only once the window has shown the full count
// (allowCommit()), so that an end request at that last yield still leaves
// nothing behind. The thread owns the streams and the key; the window's thread
// follows it with wait() and never touches them.
class JobWorker
{
public:
    enum class State
    {
        Working,
        Failed,
        Committed
    };
    struct Snapshot
    {
        std::int64_t done = 0;
        State state = State::Working;
    };

    JobWorker(std::unique_ptr<ByteSource> source, std::unique_ptr<ByteSink> sink, std::int64_t size,
              RotatingXor transform, std::size_t blockSize);
    // Waits for a thread that has failed or committed; one that was abandoned
    // runs on alone and releases everything it holds when it ends.
    ~JobWorker();
    JobWorker(const JobWorker&) = delete;
    JobWorker& operator=(const JobWorker&) = delete;

    // Throws std::system_error when no thread can be started.
    void start();
    // Returns once the worker has failed or committed, once every byte is
    // written while the full count has not been shown, or at deadline.
    Snapshot wait(std::chrono::steady_clock::time_point deadline);
    // The full count has been shown: the output may be named.
    void allowCommit();
    // The program is ending: the worker stops at its next step and its
    // output keeps no name; the names are removed on a thread of their own,
    // waited for a moment at most, so that a stalled disk never holds the
    // window. Once the commit is allowed the worker may be naming the output
    // already: the output then ends named and complete, or with no name at
    // all (OutputFile::abandon() and the commit exclude each other), never
    // with a temporary name left or a partial file named.
    void abandon();
    StreamError failure() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace quibex
