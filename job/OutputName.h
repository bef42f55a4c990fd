// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>

namespace quibex {

// The last three characters (code points) of the file name (the last path
// component), each upper-cased alone unless its capital is several characters
// (ß stays ß); the whole name when it is shorter.
QString ext3Of(const QString& path);

// True when ext3 is "QBC" or "CBQ": the job then reports a decryption.
bool isDecryptionPath(const QString& path);

// The output path of the naming rule: the part of the file name before its
// first dot, then "." + ext3 + ".qbc", or ".cbq" when ext3 is "QBC"; always in
// the input's own folder. The separator is "/" (and also "\" on Windows).
// /data/dossier.2/notes.txt gives /data/dossier.2/notes.TXT.qbc, ab gives
// ab.AB.qbc, photo.JPG.qbc gives photo.cbq, archive.gz gives archive..GZ.qbc.
QString outputPathFor(const QString& path);

} // namespace quibex
