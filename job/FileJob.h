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
// into the file named by the output rule, showing its progress and asking
// its questions through view, and returns how it ended; telling the user is
// the caller's. When the view says that the program is ending, the job
// returns at its next yield, Ended, without waiting for the disk; its output
// gets no name, unless the full count was shown and the name was being given
// at that moment, in which case it is complete.
//
// The bytes move on a thread of their own; every call on view stays on the
// calling thread, which updates the view and yields at least every
// JobOptions::updateInterval, however slow the disk.
//
// Its yields let other commands run: the caller keeps a second job from
// starting meanwhile.
JobResult dec_crypt(JobView& view, const QString& file, const QByteArray& key);

JobResult dec_crypt(JobView& view, const QString& file, const QByteArray& key,
                    const JobOptions& options);

// The system's description of an error code, in French, as the job's
// messages show it.
QString systemErrorText(int error);

} // namespace quibex
