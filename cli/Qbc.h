// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QStringList>

namespace quibex::cli {

// Exit statuses: every file done; a file refused or failed (the others still
// processed); the command misused; ended by a signal is 128 and its number.
enum Status
{
    AllDone = 0,
    SomeNotDone = 1,
    UsageError = 2
};

// qbc's whole run on its arguments (the program's name first).
int run(const QStringList& arguments);

} // namespace quibex::cli
