// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "ui/controls/MessageBoxes.h"

#include <QString>

namespace quibex {

// The message boxes and the beep of the desktop.
class MessageBox : public MessageBoxes
{
public:
    void message(QWidget* parent, const QString& text, Kind kind,
                 const QString& title = {}) override;
    Answer question(QWidget* parent, const QString& text, const QString& title = {}) override;
    void beep() override;

    // The text as the box displays it: a carriage return, alone or before a
    // line feed, starts a new line.
    static QString displayText(const QString& text);
    static QString displayTitle(const QString& title);
    // The text as assistive tools read it: a line that is only a rule of
    // underscores is drawn, not read.
    static QString spokenText(const QString& text);

    static inline const QString ApplicationTitle = QStringLiteral("Quibex Crypto");

private:
    static Answer show(QWidget* parent, Kind kind, const QString& text, const QString& title);
};

} // namespace quibex
