// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/ScriptedFileOpenDialog.h"

#include <QList>
#include <optional>

namespace quibex {

namespace {

// A chosen path, or nullopt for a cancellation.
QList<std::optional<QString>>& answers()
{
    static QList<std::optional<QString>> queue;
    return queue;
}

QList<ScriptedFileOpenDialog::Shown>& records()
{
    static QList<ScriptedFileOpenDialog::Shown> list;
    return list;
}

} // namespace

void ScriptedFileOpenDialog::reset()
{
    answers().clear();
    records().clear();
}

void ScriptedFileOpenDialog::setNextChoice(const QString& path)
{
    answers().append(path);
}

void ScriptedFileOpenDialog::setNextCancel()
{
    answers().append(std::nullopt);
}

QList<ScriptedFileOpenDialog::Shown> ScriptedFileOpenDialog::shown()
{
    return records();
}

bool ScriptedFileOpenDialog::show()
{
    records().append({dialogTitle(), filter(), fileName()});
    const std::optional<QString> answer =
        answers().isEmpty() ? std::nullopt : answers().takeFirst();
    if (!answer) {
        return false;
    }
    setFileName(*answer);
    return true;
}

} // namespace quibex
