// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobOptions.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quibex {

class JobView;

// How the beginning of an encrypted file, decrypted with a key, compares with
// the type its name still tells (photo.JPG.qbc was a JPG).
enum class KeyFit
{
    // Not a stem.EXT.qbc name, an ending the MIME database cannot judge from
    // content, too few bytes, or content that seems right: no question.
    CannotTell,
    // The key gives neither the type of the name nor any other specific
    // type, but the other mode's key gives the type of the name.
    OtherModeFits,
    // Neither key gives content of the type of the name.
    NeitherFits,
};

// Reads the first few KiB of file as the job opens it (anything but a
// regular file tells nothing), decrypts them with key, and with otherKey()
// only when key does not seem right; the caller owns that key and wipes it.
// A garbled beginning is what a wrong password or mode gives; content of a
// specific type, even not the name's, is taken as the user's.
KeyFit keyFit(const QString& file, const QByteArray& key,
              const std::function<QByteArray()>& otherKey);

// Before the Encrypt command decrypts file with key (made from the password
// codes in the mode advanced): when the key does not seem to fit, asks
// whether to go on. False when the user says No (the view is then idle again,
// as after a declined overwrite) or the program is ending meanwhile. The
// file is read off the calling thread, which yields meanwhile as the job does
// (options: its interval, and the test streams put before the file). The
// other mode's key is made silently and wiped.
bool confirmKey(JobView& view, const QString& file, const QByteArray& codes, bool advanced,
                const QByteArray& key, const JobOptions& options = {});

} // namespace quibex
