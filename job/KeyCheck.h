// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobOptions.h"
#include "keycheck/KeyFit.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace quibex {

class JobView;

using keycheck::KeyFit;

// The first 64 KiB of a file as the job opens it, and its size; nothing of
// what is not a regular file, and nothing of a file that is no longer the one
// expected (replaced then).
struct FileBeginning
{
    QByteArray bytes;
    std::uint64_t size = 0;
    bool replaced = false;
};
FileBeginning readBeginning(const QString& file, const std::optional<FileIdentity>& expected = {});

// Decrypts the beginning of file (read by readBeginning()) with the key of
// the password codes in the mode advanced, and with the other mode's key only
// when that key does not seem right; both keys are wiped. A garbled beginning
// is what a wrong password or mode gives; content of a specific type, even
// not the name's, is taken as the user's; text must read alike at every
// character of the password. Below 256 bytes a wrong mode cannot be told from
// a wrong password: NeitherFits then.
KeyFit keyFit(const QString& file, const FileBeginning& beginning, const QByteArray& codes,
              bool advanced);
// The same, on the file's beginning as it is now.
KeyFit keyFit(const QString& file, const QByteArray& codes, bool advanced);

// Before the Encrypt command decrypts file with key (made from the password
// codes in the mode advanced): when the key does not seem to fit, asks
// whether to go on. False when the user says No or the program is ending
// meanwhile. The
// file is read off the calling thread, which yields meanwhile as the job does
// (options: its interval, and the test streams put before the file). The
// other mode's key is made silently and wiped.
bool confirmKey(JobView& view, const QString& file, const QByteArray& codes, bool advanced,
                const QByteArray& key, const JobOptions& options = {});

} // namespace quibex
