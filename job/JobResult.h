// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>

#include <cstdint>

namespace quibex {

// How one file's job ended, as its caller reads it: never from the words of
// a message.
struct JobResult
{
    enum class Kind
    {
        Done,     // the output named, every byte on the disk
        Refused,  // nothing done, for a reason of the files' own (why)
        Failed,   // nothing saved, the system failed (why)
        Declined, // the user kept what was there, and was told
        Ended     // the program is ending: nothing named, nothing said
    };
    Kind kind = Kind::Failed;
    QString why;
    QString output;
    std::int64_t bytes = 0;
};

} // namespace quibex
