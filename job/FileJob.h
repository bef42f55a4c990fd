// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobOptions.h"
#include "job/JobResult.h"

#include <QByteArray>
#include <QString>

namespace quibex {

class JobView;

// The window's file job: transforms file with key (8-bit codes, at least one)
// into the file named by the output rule, reporting through view, and leaves
// the window idle again whatever happens (except when the view says that the
// program is ending: the job then returns at its next yield, with no message
// and without waiting for the disk; its output gets no name, unless the full
// count was shown and the name was being given at that moment, in which case
// it is complete).
//
// The bytes move on a thread of their own; every call on view stays on the
// calling thread, which updates the view and yields at least every
// JobOptions::updateInterval, however slow the disk.
//
// Its yields let other commands run: the caller keeps a second job from
// starting meanwhile. Returns how it ended, as the view was told.
JobResult dec_crypt(JobView& view, const QString& file, const QByteArray& key);

// Puts the window back to idle: commands on, caption "Crypter", "En attente...".
void raz(JobView& view);

// The window as a run leaves it, however it ended: raz(), the password entry
// hidden and emptied, "0%" and an empty bar.
void backToIdle(JobView& view);

JobResult dec_crypt(JobView& view, const QString& file, const QByteArray& key,
                    const JobOptions& options);

// The system's description of an error code, in French, as the job's
// messages show it.
QString systemErrorText(int error);

} // namespace quibex
