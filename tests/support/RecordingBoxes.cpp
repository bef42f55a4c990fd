// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/RecordingBoxes.h"

namespace quibex {

void RecordingBoxes::message(QWidget* parent, const QString& text, Kind kind, const QString& title)
{
    record(parent, {kind, text, title});
}

MessageBoxes::Answer RecordingBoxes::question(QWidget* parent, const QString& text,
                                              const QString& title)
{
    return record(parent, {Kind::Question, text, title});
}

MessageBoxes::Answer RecordingBoxes::record(QWidget* parent, const Shown& box)
{
    m_last = box;
    ++m_shown;
    if (!m_answers.isEmpty()) {
        return m_answers.takeFirst();
    }
    if (m_answerer) {
        return m_answerer(box);
    }
    if (box.kind == Kind::Question) {
        return m_desktop.question(parent, box.text, box.title);
    }
    m_desktop.message(parent, box.text, box.kind, box.title);
    return Answer::Ok;
}

RecordingBoxes& testBoxes()
{
    static RecordingBoxes boxes;
    return boxes;
}

} // namespace quibex
