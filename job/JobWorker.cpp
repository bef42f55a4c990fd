// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/JobWorker.h"

#include "cipher/SecureWipe.h"

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <span>
#include <vector>

namespace quibex {

namespace {

// How long an end request waits for the output's names to be removed: far
// more than an unlink takes, far less than anyone notices. Only a stalled
// file system makes it wait that long, and the names then stay.
constexpr std::chrono::milliseconds RemovalGrace{100};

} // namespace

struct JobWorker::Shared
{
    Shared(std::unique_ptr<ByteSource> source, std::unique_ptr<ByteSink> sink, std::int64_t size,
           RotatingXor transform, std::size_t blockSize)
        : source(std::move(source)), sink(std::move(sink)), size(size),
          transform(std::move(transform)), buffer(std::max<std::size_t>(1, blockSize))
    {
    }
    ~Shared() { secureWipe(buffer); }

    void run();
    bool moveBytes();
    bool publish(std::int64_t done);
    bool awaitCommit();
    void fail(StreamError error);
    void finish(State state);

    const std::unique_ptr<ByteSource> source;
    const std::unique_ptr<ByteSink> sink;
    const std::int64_t size;
    RotatingXor transform;
    std::vector<char> buffer;

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::int64_t done = 0;
    State state = State::Working;
    StreamError failure;
    bool commitAllowed = false;
    bool stop = false;
};

void JobWorker::Shared::run()
{
    if (!moveBytes()) {
        return;
    }
    if (!sink->flush()) {
        fail(sink->error());
        return;
    }
    if (!awaitCommit()) {
        sink->discard();
        return;
    }
    // Checked last, so that a change while the output was flushed counts too.
    if (source->changed()) {
        fail(source->error());
        return;
    }
    if (!sink->commit()) {
        fail(sink->error());
        return;
    }
    finish(State::Committed);
}

bool JobWorker::Shared::moveBytes()
{
    std::int64_t read = 0;
    while (read < size) {
        const std::size_t want =
            std::size_t(std::min<std::int64_t>(std::int64_t(buffer.size()), size - read));
        const std::int64_t got = source->read(buffer.data(), want);
        if (got < 0) {
            fail(source->error());
            return false;
        }
        if (got == 0) { // cut while the job ran, or never that long
            fail(sizeMismatch(*source));
            return false;
        }
        transform.apply(
            std::span(reinterpret_cast<std::uint8_t*>(buffer.data()), std::size_t(got)));
        if (!sink->write(buffer.data(), std::size_t(got))) {
            fail(sink->error());
            return false;
        }
        read += got;
        if (!publish(read)) {
            sink->discard();
            return false;
        }
    }
    const StreamError end = endAfterSize(*source);
    if (end.failure != StreamFailure::None) {
        fail(end);
        return false;
    }
    return true;
}

// Tells the window how far the bytes are; false when asked to stop.
bool JobWorker::Shared::publish(std::int64_t read)
{
    const std::lock_guard lock(mutex);
    done = read;
    changed.notify_all();
    return !stop;
}

bool JobWorker::Shared::awaitCommit()
{
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return commitAllowed || stop; });
    return !stop;
}

// The output goes before the window hears of the failure, so that its
// message comes with nothing left behind.
void JobWorker::Shared::fail(StreamError error)
{
    sink->discard();
    {
        const std::lock_guard lock(mutex);
        failure = error;
    }
    finish(State::Failed);
}

void JobWorker::Shared::finish(State reached)
{
    {
        const std::lock_guard lock(mutex);
        state = reached;
    }
    changed.notify_all();
}

JobWorker::JobWorker(std::unique_ptr<ByteSource> source, std::unique_ptr<ByteSink> sink,
                     std::int64_t size, RotatingXor transform, std::size_t blockSize)
    : m_shared(std::make_shared<Shared>(std::move(source), std::move(sink), size,
                                        std::move(transform), blockSize))
{
}

JobWorker::~JobWorker()
{
    if (!m_thread.joinable()) {
        return;
    }
    if (wait(std::chrono::steady_clock::time_point::min()).state == State::Working) {
        abandon();
    } else {
        m_thread.join();
    }
}

void JobWorker::start()
{
    // The thread holds the shared state, so that it may outlive this object.
    m_thread = std::thread([shared = m_shared] { shared->run(); });
}

JobWorker::Snapshot JobWorker::wait(std::chrono::steady_clock::time_point deadline)
{
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    s.changed.wait_until(lock, deadline, [&s] {
        return s.state != State::Working || (s.done == s.size && !s.commitAllowed);
    });
    return {s.done, s.state};
}

void JobWorker::allowCommit()
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->commitAllowed = true;
    }
    m_shared->changed.notify_all();
}

void JobWorker::abandon()
{
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.detach();
    }
    // The names go on a thread of their own: an unlink on a frozen file
    // system waits for the thaw, and the window must not.
    std::promise<void> removed;
    std::future<void> done = removed.get_future();
    try {
        std::thread([shared = m_shared, removed = std::move(removed)]() mutable {
            shared->sink->abandon();
            removed.set_value();
        }).detach();
    } catch (const std::system_error&) {
        m_shared->sink->abandon();
        return;
    }
    done.wait_for(RemovalGrace);
}

StreamError JobWorker::failure() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->failure;
}

} // namespace quibex
