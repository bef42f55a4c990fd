// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"

namespace quibex {

// The job's bytes to standard output (a pipe to another program, say), for
// the command line's "-o -". There is no name to give and nothing to take
// back: a reader sees a stream cut short when the job fails, and the
// command's status says so.
class StandardOutput : public ByteSink
{
public:
    [[nodiscard]] bool write(const char* data, std::size_t size) override;
    // On the disk when standard output is a file.
    [[nodiscard]] bool flush() override;
    [[nodiscard]] bool commit() override { return m_error.failure == StreamFailure::None; }
    void discard() override {}
    void abandon() noexcept override {}
    StreamError error() const override { return m_error; }

private:
    StreamError m_error;
};

} // namespace quibex
