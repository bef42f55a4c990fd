#include "job/JobWorker.h"

#include <algorithm>
#include <span>
#include <unistd.h>

namespace quibex {

namespace {

// Reads up to size bytes at offset done; EINTR retried. Returns the count,
// 0 at the end of the file, -1 with errno set.
ssize_t readSome(int fd, char* buffer, std::size_t size, std::int64_t done,
                 const ReadFaults& faults)
{
    if (faults.failAtByte >= 0) {
        if (done >= faults.failAtByte) {
            errno = faults.error;
            return -1;
        }
        size = std::min<std::size_t>(size, std::size_t(faults.failAtByte - done));
    }
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

} // namespace

JobWorker::JobWorker(int input, std::int64_t size, RotatingXor transform, AtomicWriter& output,
                     bool replace, const JobOptions& options)
    : m_input(input), m_size(size), m_transform(std::move(transform)), m_output(output),
      m_replace(replace), m_options(options),
      m_buffer(new char[std::max<std::size_t>(1, options.blockSize)])
{
}

JobWorker::~JobWorker()
{
    stop();
}

void JobWorker::start()
{
    m_thread = std::thread([this] { run(); });
}

JobWorker::Snapshot JobWorker::wait(std::optional<std::chrono::steady_clock::time_point> deadline)
{
    std::unique_lock lock(m_mutex);
    const auto ready = [this] {
        return m_state != State::Working || (m_done == m_size && !m_commitAllowed) ||
               (m_options.showEveryBlock && m_done > m_shown);
    };
    if (deadline) {
        m_changed.wait_until(lock, *deadline, ready);
    } else {
        m_changed.wait(lock, ready);
    }
    return {m_done, m_state};
}

void JobWorker::shown(std::int64_t done)
{
    {
        const std::lock_guard lock(m_mutex);
        m_shown = std::max(m_shown, done);
    }
    m_changed.notify_all();
}

void JobWorker::allowCommit()
{
    {
        const std::lock_guard lock(m_mutex);
        m_commitAllowed = true;
    }
    m_changed.notify_all();
}

void JobWorker::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

JobWorker::Failure JobWorker::failure() const
{
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

void JobWorker::run()
{
    if (!moveBytes()) {
        return;
    }
    if (!m_output.flush()) {
        fail({false, m_output.errorString()});
        return;
    }
    if (!awaitCommit()) {
        m_output.discard();
        return;
    }
    if (!m_output.commit(m_replace)) {
        fail({false, m_output.errorString()});
        return;
    }
    finish(State::Committed);
}

bool JobWorker::moveBytes()
{
    const std::size_t blockSize = std::max<std::size_t>(1, m_options.blockSize);
    std::int64_t done = 0;
    while (done < m_size) {
        if (stopRequested()) {
            m_output.discard();
            return false;
        }
        const std::size_t want =
            std::size_t(std::min<std::int64_t>(std::int64_t(blockSize), m_size - done));
        const ssize_t got = readSome(m_input, m_buffer.get(), want, done, m_options.readFaults);
        if (got < 0) {
            return fail({false, systemErrorText(errno)});
        }
        if (got == 0) {
            return fail({true, {}});
        }
        m_transform.apply(
            std::span(reinterpret_cast<std::uint8_t*>(m_buffer.get()), std::size_t(got)));
        if (!m_output.write(m_buffer.get(), got)) {
            return fail({false, m_output.errorString()});
        }
        done += got;
        if (!publish(done)) {
            m_output.discard();
            return false;
        }
    }
    return true;
}

// Tells the window how far the bytes are; false when asked to stop.
bool JobWorker::publish(std::int64_t done)
{
    std::unique_lock lock(m_mutex);
    m_done = done;
    m_changed.notify_all();
    if (m_options.showEveryBlock) {
        m_changed.wait(lock, [this, done] { return m_shown >= done || m_stop; });
    }
    return !m_stop;
}

bool JobWorker::awaitCommit()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_commitAllowed || m_stop; });
    return !m_stop;
}

// The temporary output goes before the window hears of the failure, so that
// its message comes with nothing left behind.
bool JobWorker::fail(Failure failure)
{
    m_output.discard();
    {
        const std::lock_guard lock(m_mutex);
        m_failure = std::move(failure);
    }
    finish(State::Failed);
    return false;
}

bool JobWorker::stopRequested() const
{
    const std::lock_guard lock(m_mutex);
    return m_stop;
}

void JobWorker::finish(State state)
{
    {
        const std::lock_guard lock(m_mutex);
        m_state = state;
    }
    m_changed.notify_all();
}

} // namespace quibex
