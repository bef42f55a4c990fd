// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QList>
#include <QMimeDatabase>
#include <QMimeType>
#include <QString>

namespace quibex::keycheck {

// The ending an encrypted name kept before ".qbc" ("JPG" in photo.JPG.qbc),
// empty when there is none or when it is only the end of a name that had no
// ending ("sans_extension" gave sans_extension.ION.qbc).
QString keptEnding(const QString& file);

// The types the ending kept in file may stand for: its own, and those of the
// longer endings it ends that can be told from content (OCX: docx; TML:
// html, xhtml). Empty when there is no ending, or when it names a type that
// cannot be told from content: then nothing is judged.
QList<QMimeType> typesToJudge(const QMimeDatabase& database, const QString& file);

bool isText(const QMimeType& type);

} // namespace quibex::keycheck
