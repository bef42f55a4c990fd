// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "ui/controls/FileOpenDialog.h"

namespace quibex {

// A file-open dialog for tests: show() takes the next scripted answer instead
// of waiting for a user, and cancels when none is left. The answers and the
// record are shared by every scripted dialog of the suite.
class ScriptedFileOpenDialog : public FileOpenDialog
{
public:
    // Clears the answers and the record.
    static void reset();

    static void setNextChoice(const QString& path);
    static void setNextCancel();

    struct Shown
    {
        QString title;
        QString filter;
        QString fileName;
    };
    // Every show() since reset(), with the dialog's state when it opened.
    static QList<Shown> shown();

    bool show() override;
};

} // namespace quibex
