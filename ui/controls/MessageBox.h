// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace quibex {

// Every message box and beep of the program goes through here, so that tests
// can answer the boxes before they show and count the beeps.
class MessageBox
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

    struct Shown
    {
        Kind kind = Kind::None;
        QString text;
        QString title;
    };

    // Modal box with one OK button. Lines are separated by a carriage return
    // alone; an empty title stands for the application's title.
    static void message(QWidget* parent, const QString& text, Kind kind, const QString& title = {});
    // Modal Yes/No box; No is the default button.
    static Answer question(QWidget* parent, const QString& text, const QString& title = {});

    // The system beep: the answer to a key or a command refused without a word.
    static void beep();
    static int beepCount();

    // The next box is not shown and gives this answer instead; several calls
    // answer the boxes that follow, in order.
    static void setNextAnswer(Answer answer);
    static void clearNextAnswers();
    // While set, every box without an answer set in advance is answered by
    // answerer instead of showing; an empty one shows the boxes again.
    using Answerer = std::function<Answer(const Shown&)>;
    static void setAnswerer(Answerer answerer);
    // The last box asked for, shown or answered in advance.
    static Shown lastShown();
    static int shownCount();

    // The text as the box displays it: a carriage return, alone or before a
    // line feed, starts a new line.
    static QString displayText(const QString& text);
    static QString displayTitle(const QString& title);

    static inline const QString ApplicationTitle = QStringLiteral("Quibex Crypto");

private:
    static Answer show(QWidget* parent, const Shown& box);
};

} // namespace quibex
