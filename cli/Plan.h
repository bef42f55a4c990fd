// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "cli/CliView.h"
#include "cli/Options.h"
#include "cli/Summary.h"
#include "job/JobOptions.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace quibex::cli {

// One file the command will work on, and where its output goes (empty for
// check).
struct Planned
{
    QString file;
    QString output;
    std::int64_t size = 0; // as the plan found it
    // Found by a walk: the file the job must still find at that name.
    std::optional<FileIdentity> walked;
};

// Every argument walked and every input mapped to its output before anything
// is written. What cannot be worked on is told and counted as refused here:
// a missing, unreadable or special file, a folder without -r or one that
// cannot be read, a link met in a walk (never followed), a name that is not
// UTF-8, a file of the wrong direction for the command, an output that an
// earlier input of the run already has, standard output that is the input.
std::vector<Planned> plan(const Options& options, CliView& view, Tally& tally);

} // namespace quibex::cli
