// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobResult.h"

namespace quibex::cli {

class CliView;

// What became of the files of a run, as the user is told it.
struct Tally
{
    int done = 0;
    int refused = 0;
    int failed = 0;

    // Tells how a file's job ended and counts it.
    void tell(CliView& view, const JobResult& result, bool withRate);
    int told() const { return done + refused + failed; }
    // "N fait(s), N refusé(s), N en échec." on standard error.
    void printSummary() const;
    // The exit status: AllDone only when no file was refused or failed.
    int status() const;
};

} // namespace quibex::cli
