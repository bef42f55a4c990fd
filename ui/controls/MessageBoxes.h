// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>

class QWidget;

namespace quibex {

// The window's message boxes and beeps. MessageBox shows them on the
// desktop; tests answer and count them instead.
class MessageBoxes
{
public:
    enum class Kind
    {
        None,
        Information,
        Error,
        Question
    };
    enum class Answer
    {
        Ok,
        Yes,
        No
    };

    virtual ~MessageBoxes() = default;

    // Modal box with one OK button. Lines are separated by a carriage return
    // alone; an empty title stands for the application's title.
    virtual void message(QWidget* parent, const QString& text, Kind kind,
                         const QString& title = {}) = 0;
    // Modal Yes/No box; No is the default button.
    virtual Answer question(QWidget* parent, const QString& text, const QString& title = {}) = 0;
    // The system beep: the answer to a key or a command refused without a word.
    virtual void beep() = 0;
};

} // namespace quibex
