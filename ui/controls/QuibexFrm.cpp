// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/QuibexFrm.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quibex {

namespace {

constexpr int CaptionIndent = 8;

// The caption as it is read out: without the blanks and the colon that set
// it off on screen.
QString spokenCaption(const QString& caption)
{
    QString spoken = caption.trimmed();
    if (spoken.endsWith(QLatin1Char(':'))) {
        spoken.chop(1);
    }
    return spoken.trimmed();
}

} // namespace

QuibexFrm::QuibexFrm(QWidget* parent) : QGroupBox(parent)
{
}

void QuibexFrm::setBackColor(const QColor& color)
{
    m_backColor = color;
    update();
}

void QuibexFrm::setCaption(const QString& caption)
{
    if (accessibleName().isEmpty() || accessibleName() == spokenCaption(m_caption)) {
        setAccessibleName(spokenCaption(caption));
    }
    m_caption = caption;
    update();
}

QFont QuibexFrm::captionFont() const
{
    QFont bold = font();
    bold.setBold(true);
    return bold;
}

QRect QuibexFrm::captionRect() const
{
    const QFontMetrics metrics(captionFont());
    return {CaptionIndent, 0, metrics.horizontalAdvance(m_caption) + 2, metrics.height()};
}

void QuibexFrm::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backColor.isValid() ? QBrush(m_backColor) : palette().window());

    // An etched border that the caption interrupts, half a line down.
    const QRect caption = captionRect();
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, caption.height() / 2, 0, 0);
    frame.lineWidth = 1;
    frame.midLineWidth = 0;
    frame.frameShape = QFrame::Box;
    frame.state |= QStyle::State_Sunken;
    style()->drawControl(QStyle::CE_ShapedFrame, &frame, &painter, this);
    if (m_caption.isEmpty()) {
        return;
    }
    painter.fillRect(caption, m_backColor.isValid() ? QBrush(m_backColor) : palette().window());
    painter.setFont(captionFont());
    style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter, palette(),
                          isEnabled(), m_caption, QPalette::WindowText);
}

} // namespace quibex
