// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QColor>
#include <QWidget>

namespace quibex {

// A progress bar from 0 to 100 with a chosen bar colour, filled in blocks
// unless smooth scrolling is on, with an optional percentage caption, painted
// by the program itself. Assistive tools see a progress bar as they see Qt's:
// a value from 0 to 100, each change of it told to them, and the text "42 %".
class QuibexPBar : public QWidget
{
    Q_OBJECT

public:
    explicit QuibexPBar(QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Values outside 0 to 100 are brought back to the nearest end.
    void setValue(int value);
    QColor barColor() const { return m_barColor; }
    void setBarColor(const QColor& color);
    bool showCaption() const { return m_showCaption; }
    void setShowCaption(bool on);
    bool smoothScrolling() const { return m_smoothScrolling; }
    void setSmoothScrolling(bool on);

    // The caption, as drawn and as read out.
    QString text() const;

    // The area inside the frame, and the part of it the value fills.
    QRect trackRect() const;
    QRect filledRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawBlocks(QPainter& painter, const QRect& filled) const;
    void drawBorder(QPainter& painter) const;

    int m_value = 0;
    QColor m_barColor{0, 0, 128};
    bool m_showCaption = false;
    bool m_smoothScrolling = false;
};

} // namespace quibex
