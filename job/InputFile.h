// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"

#include <QByteArray>

#include <memory>
#include <sys/stat.h>

namespace quibex {

// The job's input, read from the descriptor it was opened as: what is checked
// is what is read, whatever happens to the path meanwhile.
class InputFile : public ByteSource
{
public:
    // nullptr with the errno in error when the path cannot be opened. A FIFO
    // is opened without waiting for a writer.
    static std::unique_ptr<InputFile> open(const QByteArray& nativePath, int& error);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // As at open().
    const struct stat& info() const { return m_info; }
    bool isRegular() const { return S_ISREG(m_info.st_mode); }
    bool isFolder() const { return S_ISDIR(m_info.st_mode); }
    // A file of /proc, /sys and their kind: its size says nothing of what it reads.
    bool isVirtual() const { return m_virtual; }

    [[nodiscard]] std::int64_t read(char* buffer, std::size_t size) override;
    [[nodiscard]] bool changed() override;
    StreamError error() const override { return m_error; }

private:
    InputFile(int fd, const struct stat& info, bool isVirtual);

    int m_fd;
    struct stat m_info;
    bool m_virtual;
    StreamError m_error;
};

} // namespace quibex
