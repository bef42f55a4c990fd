// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QByteArray>
#include <QString>

// Files of common kinds for the key check's test and benchmark, the same on
// every run.
namespace corpus {

// French prose of about size bytes, in sentences of varied length.
QString prose(qsizetype size, quint32 seed);
QByteArray utf8Prose(qsizetype size, quint32 seed);
// A sound of count mono 16-bit samples: a saw at 8 kHz, or two tones and
// some noise at 22.05 kHz.
QByteArray wav(int count = 4000, bool tones = false);
// A PDF of pages of text, in compressed streams, with its table of objects.
QByteArray pdf(const QByteArray& text, int pages);
// A picture drawn here, saved in a format Qt writes.
QByteArray image(const char* format);
// Writes a text, a sound and a picture into folder, long and short, and makes
// from them, with the machine's own tools (tests/support/make-corpus.sh),
// files of common kinds: compressed, archived, encoded. A missing tool makes
// none of its kinds. False when the sources could not be written.
bool makeFiles(const QString& folder);

} // namespace corpus
