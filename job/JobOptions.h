// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"

#include <QString>

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace quibex {

// A file as the system knows it, whatever its name.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
};

// Tuning of the file job. dec_crypt(view, file, key) uses the defaults.
struct JobOptions
{
    std::size_t blockSize = std::size_t{1024} * 1024;
    // The view is updated, and the job yields, at least this often while the
    // bytes move on their own thread (and once when they have all been written).
    std::chrono::milliseconds updateInterval{30};
    // When set, the job also yields this often between the updates, so
    // that the window answers its events (an assistive tool's calls among
    // them) as promptly during a job as when idle.
    std::chrono::milliseconds eventsInterval{0};
    // None in the program: the job reads and writes its files directly.
    std::shared_ptr<StreamWrapper> streams;
    // Empty: the output name rule. "-": standard output. Else the output's
    // path, under the same rules (never the input, asked before replacing).
    QString outputPath;
    // When set, the file the input must still be (a walk found it so): one
    // put in its place since, a link among them, is refused.
    std::optional<FileIdentity> expectedInput;
    // An end asked once the commit has begun (every byte written and the
    // full count shown): when set, the commit finishes and the result says
    // what it gave, as a command line must; else, as the window must, the
    // job returns at once whatever the disk does, and the output ends named
    // and complete or not at all, unsaid.
    bool finishBegunCommit = false;
};

} // namespace quibex
