#pragma once

#include "cipher/RotatingXor.h"
#include "job/AtomicWriter.h"
#include "job/JobOptions.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace quibex {

// Moves the bytes of one file job on a thread of its own, so that no wait for
// the disk (a slow read, the writeback of a window, the final flush) keeps the
// window from answering: it reads the input, transforms it, writes the output
// and flushes it. It moves the output into place only once the window has
// shown the full count (allowCommit()), so that an end request at that last
// yield still leaves nothing behind. The window's thread follows it with
// wait() and never touches the files while it runs.
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
    struct Failure
    {
        // The input ended before its size: it was cut while the job ran.
        bool inputShrank = false;
        QString systemText;
    };

    // input stays open and output alive until the worker is stopped or done;
    // replace as for AtomicWriter::commit().
    JobWorker(int input, std::int64_t size, RotatingXor transform, AtomicWriter& output,
              bool replace, const JobOptions& options);
    ~JobWorker();
    JobWorker(const JobWorker&) = delete;
    JobWorker& operator=(const JobWorker&) = delete;

    // Throws std::system_error when no thread can be started.
    void start();
    // Returns once the worker has failed or committed, once every byte is
    // written while the full count has not been shown, once a block waits to
    // be shown (JobOptions::showEveryBlock), or at deadline (none: no limit).
    Snapshot wait(std::optional<std::chrono::steady_clock::time_point> deadline);
    // The view shows done bytes now.
    void shown(std::int64_t done);
    // The full count has been shown: the output may go into place.
    void allowCommit();
    // Stops at the next block, or before the output goes into place, and
    // waits for the thread. The output is removed unless already in place.
    void stop();
    Failure failure() const;

private:
    void run();
    bool moveBytes();
    bool publish(std::int64_t done);
    bool awaitCommit();
    bool fail(Failure failure);
    bool stopRequested() const;
    void finish(State state);

    int m_input;
    std::int64_t m_size;
    RotatingXor m_transform;
    AtomicWriter& m_output;
    bool m_replace;
    JobOptions m_options;
    std::unique_ptr<char[]> m_buffer;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_done = 0;
    std::int64_t m_shown = 0;
    State m_state = State::Working;
    Failure m_failure;
    bool m_commitAllowed = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace quibex
