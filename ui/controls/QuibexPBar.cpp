// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/QuibexPBar.h"

#include "ui/controls/AccessibleFactory.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>

namespace quibex {

namespace {

constexpr int FrameWidth = 2;
constexpr int BlockGap = 2;

// Qt reads a progress bar's value out as a bare number; this one is read
// as the percentage it stands for, as the window's own label shows it.
class QuibexPBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit QuibexPBarAccessible(QuibexPBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar), m_bar(bar)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? m_bar->text() : QAccessibleWidget::text(t);
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return m_bar->value(); }
    void setCurrentValue(const QVariant& /*value*/) override {}
    QVariant maximumValue() const override { return m_bar->maximum(); }
    QVariant minimumValue() const override { return m_bar->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    QuibexPBar* m_bar;
};

} // namespace

QuibexPBar::QuibexPBar(QWidget* parent) : QProgressBar(parent)
{
    installAccessible<QuibexPBar, QuibexPBarAccessible>();
    setTextVisible(false);
    // Qt's bar starts below its range, showing nothing.
    setValue(0);
}

void QuibexPBar::setValue(int value)
{
    QProgressBar::setValue(qBound(minimum(), value, maximum()));
}

QString QuibexPBar::text() const
{
    return QStringLiteral("%1 %").arg(value());
}

void QuibexPBar::setBarColor(const QColor& color)
{
    m_barColor = color;
    update();
}

void QuibexPBar::setSmoothScrolling(bool on)
{
    m_smoothScrolling = on;
    update();
}

QRect QuibexPBar::trackRect() const
{
    return rect().adjusted(FrameWidth, FrameWidth, -FrameWidth, -FrameWidth);
}

QRect QuibexPBar::filledRect() const
{
    QRect filled = trackRect();
    filled.setWidth(filled.width() * value() / 100);
    return filled;
}

QSize QuibexPBar::sizeHint() const
{
    return {150, fontMetrics().height() + 2 * FrameWidth + 2};
}

void QuibexPBar::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(trackRect(), palette().base());
    const QRect filled = filledRect();
    if (m_smoothScrolling) {
        painter.fillRect(filled, m_barColor);
    } else {
        drawBlocks(painter, filled);
    }
    drawBorder(painter);
    if (isTextVisible()) {
        style()->drawItemText(&painter, rect(), Qt::AlignCenter, palette(), isEnabled(), text(),
                              QPalette::WindowText);
    }
}

void QuibexPBar::drawBorder(QPainter& painter) const
{
    // One line of the palette's mid grey around the bar, as filled edges: a
    // pen along the edge loses its top line on screens scaled to 150 %.
    const QColor line = palette().color(QPalette::Mid);
    const int w = width();
    const int h = height();
    painter.fillRect(QRect(0, 0, w, 1), line);
    painter.fillRect(QRect(0, h - 1, w, 1), line);
    painter.fillRect(QRect(0, 0, 1, h), line);
    painter.fillRect(QRect(w - 1, 0, 1, h), line);
}

void QuibexPBar::drawBlocks(QPainter& painter, const QRect& filled) const
{
    if (filled.width() <= 0) {
        return;
    }
    // Every block the value reaches is drawn whole; the last one of a full
    // bar runs to the end of the track, so 100 fills it completely.
    const QRect track = trackRect();
    const int blockWidth = qMax(2, track.height() * 2 / 3);
    const int pitch = blockWidth + BlockGap;
    painter.save();
    painter.setClipRect(track);
    for (int x = filled.left(); x <= filled.right(); x += pitch) {
        QRect block(x, filled.top(), blockWidth, filled.height());
        if (value() == 100 && x + pitch > filled.right()) {
            block.setRight(track.right());
        }
        painter.fillRect(block, m_barColor);
    }
    painter.restore();
}

} // namespace quibex
