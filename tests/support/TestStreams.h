// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"

#include <cerrno>
#include <cstdint>
#include <memory>

namespace quibex::testing {

// Stands between the job and its files: a full disk, a broken one, a slow
// one, and a pace set by the view, for tests and benchmarks.
class TestStreams : public StreamWrapper
{
public:
    struct Faults
    {
        // When >= 0, the write that would go past this many bytes writes the
        // bytes up to it and then fails with writeError.
        std::int64_t failWriteAt = -1;
        // The final flush fails with writeError.
        bool failFlush = false;
        int writeError = ENOSPC;
        // When >= 0, reading at or past this byte fails with readError.
        std::int64_t failReadAt = -1;
        int readError = EIO;
        // When > 0, a disk that stores this many bytes per second from the
        // first write on: a write waits while more than 1 MiB is not stored
        // yet, the flush until every byte would be stored.
        std::int64_t bytesPerSecond = 0;
        // A file whose size lies: reading ends at this byte when >= 0, and
        // goes on this many bytes past the real end.
        std::int64_t endAt = -1;
        std::int64_t extraBytes = 0;
        // Reads, and the end's removal of the output's names, wait until the
        // streams are destroyed: a stalled network share, a frozen disk.
        bool stall = false;
    };

    TestStreams();
    explicit TestStreams(const Faults& faults);
    // A paced source still waiting is let go.
    ~TestStreams() override;

    // Every read after the first waits until the view has shown all the bytes
    // read before it (see shown()), so that a test sees every block's count
    // and acts between two blocks.
    void pace();
    // The view shows done bytes now.
    void shown(std::int64_t done);

    std::unique_ptr<ByteSource> source(std::unique_ptr<ByteSource> file) override;
    std::unique_ptr<ByteSink> sink(std::unique_ptr<ByteSink> file) override;

    struct Pacer;
    struct Gate;

private:
    Faults m_faults;
    std::shared_ptr<Pacer> m_pacer;
    std::shared_ptr<Gate> m_stall;
};

} // namespace quibex::testing
