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

// A progress bar as assistive tools know one: its value through the value
// interface, whose changes they announce, and as text, the percentage the
// window's own label shows. Qt's AT-SPI bridge offers Increase and Decrease
// for any value, as for Qt's own bar; here as there, they change nothing.
class QuibexPBarAccessible : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleValueInterface
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
        if (t == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        if (t == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }

    // The value as text, without a caret or a selection.
    QString text(int startOffset, int endOffset) const override
    {
        return m_bar->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(m_bar->text().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int /*position*/) override {}
    int selectionCount() const override { return 0; }
    void selection(int /*selectionIndex*/, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = 0;
    }
    void addSelection(int /*startOffset*/, int /*endOffset*/) override {}
    void removeSelection(int /*selectionIndex*/) override {}
    void setSelection(int /*selectionIndex*/, int /*startOffset*/, int /*endOffset*/) override {}
    QRect characterRect(int /*offset*/) const override { return {}; }
    int offsetAtPoint(const QPoint& /*point*/) const override { return -1; }
    void scrollToSubstring(int /*startIndex*/, int /*endIndex*/) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = offset;
        *endOffset = offset;
        return {};
    }

    QVariant currentValue() const override { return m_bar->value(); }
    void setCurrentValue(const QVariant& /*value*/) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; }

private:
    QuibexPBar* m_bar;
};

} // namespace

QuibexPBar::QuibexPBar(QWidget* parent) : QWidget(parent)
{
    installAccessible<QuibexPBar, QuibexPBarAccessible>();
}

void QuibexPBar::setValue(int value)
{
    const int bounded = qBound(0, value, 100);
    if (bounded == m_value) {
        return;
    }
    m_value = bounded;
    update();
    QAccessibleValueChangeEvent changed(this, m_value);
    QAccessible::updateAccessibility(&changed);
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

void QuibexPBar::setShowCaption(bool on)
{
    m_showCaption = on;
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
    if (m_showCaption) {
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
