// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "ui/controls/MessageBox.h"

#include <QList>
#include <QString>

#include <functional>

namespace quibex {

// The window's boxes for tests: answered before they show and counted, with
// the beeps. A box without an answer set in advance or an answerer shows on
// the desktop.
class RecordingBoxes : public MessageBoxes
{
public:
    struct Shown
    {
        Kind kind = Kind::None;
        QString text;
        QString title;
    };
    using Answerer = std::function<Answer(const Shown&)>;

    void message(QWidget* parent, const QString& text, Kind kind,
                 const QString& title = {}) override;
    Answer question(QWidget* parent, const QString& text, const QString& title = {}) override;
    void beep() override { ++m_beeps; }

    // The next box is not shown and gives this answer instead; several calls
    // answer the boxes that follow, in order.
    void setNextAnswer(Answer answer) { m_answers.append(answer); }
    void clearNextAnswers() { m_answers.clear(); }
    // While set, every box without an answer set in advance is answered by it.
    void setAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }
    // The last box asked for, shown or answered in advance.
    Shown lastShown() const { return m_last; }
    int shownCount() const { return m_shown; }
    int beepCount() const { return m_beeps; }

private:
    Answer record(QWidget* parent, const Shown& box);

    MessageBox m_desktop;
    QList<Answer> m_answers;
    Answerer m_answerer;
    Shown m_last;
    int m_shown = 0;
    int m_beeps = 0;
};

// The boxes that the test windows of a suite share.
RecordingBoxes& testBoxes();

} // namespace quibex
