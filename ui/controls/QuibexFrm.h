// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QColor>
#include <QGroupBox>

namespace quibex {

// A titled panel on a background colour of its own, painted by the program
// itself. Its children are placed relative to it and clipped to it, as any Qt
// child widget. Assistive tools see Qt's own group, named by the caption
// without the blanks and the colon that set it off on screen.
//
// The caption is the frame's own, never Qt's group box title: a titled group
// box lends its title as a name to every unnamed control inside it, and as a
// label to every one of them.
class QuibexFrm : public QGroupBox
{
    Q_OBJECT

public:
    explicit QuibexFrm(QWidget* parent = nullptr);

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color);
    QString caption() const { return m_caption; }
    // The accessible name follows, unless the frame was given one of its own.
    void setCaption(const QString& caption);

    // Where the caption is drawn, in the frame's coordinates.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont captionFont() const;

    QColor m_backColor;
    QString m_caption;
};

} // namespace quibex
