// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "ui/controls/FileOpenDialog.h"

namespace quibex {

// A file-open dialog for tests: show() takes the next scripted answer instead
// of waiting for a user, and cancels when none is left.
class ScriptedFileOpenDialog : public FileOpenDialog
{
public:
    // Dialogs created from now on are scripted; clears answers and records.
    static void install();
    // Dialogs created from now on are the desktop's again.
    static void uninstall();

    static void setNextChoice(const QString& path);
    static void setNextCancel();

    struct Shown
    {
        QString title;
        QString filter;
        QString fileName;
    };
    // Every show() since install(), with the dialog's state when it opened.
    static QList<Shown> shown();

    int show() override;
};

} // namespace quibex
