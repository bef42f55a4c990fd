// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/TestStreams.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quibex::testing {

struct TestStreams::Pacer
{
    std::mutex mutex;
    std::condition_variable changed;
    std::int64_t shown = 0;
    bool released = false;

    void awaitShown(std::int64_t done)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return released || shown >= done; });
    }
    void update(std::int64_t done, bool release)
    {
        {
            const std::lock_guard lock(mutex);
            shown = std::max(shown, done);
            released = released || release;
        }
        changed.notify_all();
    }
};

struct TestStreams::Gate
{
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;

    void pass()
    {
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] { return open; });
    }
    void release()
    {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
};

namespace {

// A slow disk takes this much in its cache before writes wait for it.
constexpr std::int64_t DiskCache = std::int64_t{1024} * 1024;

class FaultySource : public ByteSource
{
public:
    FaultySource(std::unique_ptr<ByteSource> file, const TestStreams::Faults& faults,
                 std::shared_ptr<TestStreams::Pacer> pacer,
                 std::shared_ptr<TestStreams::Gate> stall)
        : m_file(std::move(file)), m_faults(faults), m_pacer(std::move(pacer)),
          m_stall(std::move(stall))
    {
    }
    std::int64_t read(char* buffer, std::size_t size) override
    {
        if (m_stall) {
            m_stall->pass();
        }
        if (m_pacer && m_read > 0) {
            m_pacer->awaitShown(m_read);
        }
        if (m_faults.endAt >= 0) {
            size = std::min<std::size_t>(
                size, std::size_t(std::max<std::int64_t>(0, m_faults.endAt - m_read)));
        }
        if (m_faults.failReadAt >= 0) {
            if (m_read >= m_faults.failReadAt) {
                m_injected = true;
                return -1;
            }
            size = std::min<std::size_t>(size, std::size_t(m_faults.failReadAt - m_read));
        }
        std::int64_t got = size == 0 ? 0 : m_file->read(buffer, size);
        if (got == 0 && m_extra < m_faults.extraBytes && size > 0) {
            got = std::min<std::int64_t>(std::int64_t(size), m_faults.extraBytes - m_extra);
            std::fill_n(buffer, got, 'x');
            m_extra += got;
        }
        m_read += std::max<std::int64_t>(got, 0);
        return got;
    }
    bool changed() override { return m_file->changed(); }
    StreamError error() const override
    {
        return m_injected ? StreamError{StreamFailure::System, m_faults.readError}
                          : m_file->error();
    }

private:
    std::unique_ptr<ByteSource> m_file;
    TestStreams::Faults m_faults;
    std::shared_ptr<TestStreams::Pacer> m_pacer;
    std::shared_ptr<TestStreams::Gate> m_stall;
    std::int64_t m_read = 0;
    std::int64_t m_extra = 0;
    bool m_injected = false;
};

class FaultySink : public ByteSink
{
public:
    FaultySink(std::unique_ptr<ByteSink> file, const TestStreams::Faults& faults,
               std::shared_ptr<TestStreams::Gate> stall)
        : m_file(std::move(file)), m_faults(faults), m_stall(std::move(stall))
    {
    }
    bool write(const char* data, std::size_t size) override
    {
        if (m_written == 0) {
            m_start = std::chrono::steady_clock::now();
        }
        std::size_t allowed = size;
        const bool injected =
            m_faults.failWriteAt >= 0 && m_written + std::int64_t(size) > m_faults.failWriteAt;
        if (injected) {
            allowed = std::size_t(std::max<std::int64_t>(0, m_faults.failWriteAt - m_written));
        }
        if (!m_file->write(data, allowed)) {
            return false;
        }
        m_written += std::int64_t(allowed);
        awaitStored(m_written - DiskCache);
        return injected ? inject() : true;
    }
    bool flush() override
    {
        awaitStored(m_written);
        return m_faults.failFlush ? inject() : m_file->flush();
    }
    bool commit() override { return !m_injected && m_file->commit(); }
    void discard() override { m_file->discard(); }
    void abandon() noexcept override
    {
        if (m_stall) {
            m_stall->pass();
        }
        m_file->abandon();
    }
    StreamError error() const override
    {
        return m_injected ? StreamError{StreamFailure::System, m_faults.writeError}
                          : m_file->error();
    }

private:
    bool inject()
    {
        m_injected = true;
        return false;
    }
    void awaitStored(std::int64_t upTo) const
    {
        if (m_faults.bytesPerSecond <= 0 || upTo <= 0) {
            return;
        }
        const std::chrono::duration<double> storing(double(upTo) / double(m_faults.bytesPerSecond));
        std::this_thread::sleep_until(
            m_start + std::chrono::duration_cast<std::chrono::nanoseconds>(storing));
    }

    std::unique_ptr<ByteSink> m_file;
    TestStreams::Faults m_faults;
    std::shared_ptr<TestStreams::Gate> m_stall;
    std::int64_t m_written = 0;
    bool m_injected = false;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace

TestStreams::TestStreams() : TestStreams(Faults{})
{
}

TestStreams::TestStreams(const Faults& faults)
    : m_faults(faults), m_stall(faults.stall ? std::make_shared<Gate>() : nullptr)
{
}

TestStreams::~TestStreams()
{
    if (m_pacer) {
        m_pacer->update(0, true);
    }
    if (m_stall) {
        m_stall->release();
    }
}

void TestStreams::pace()
{
    m_pacer = std::make_shared<Pacer>();
}

void TestStreams::shown(std::int64_t done)
{
    if (m_pacer) {
        m_pacer->update(done, false);
    }
}

std::unique_ptr<ByteSource> TestStreams::source(std::unique_ptr<ByteSource> file)
{
    return std::make_unique<FaultySource>(std::move(file), m_faults, m_pacer, m_stall);
}

std::unique_ptr<ByteSink> TestStreams::sink(std::unique_ptr<ByteSink> file)
{
    return std::make_unique<FaultySink>(std::move(file), m_faults, m_stall);
}

} // namespace quibex::testing
