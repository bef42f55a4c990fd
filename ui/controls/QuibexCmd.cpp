#include "ui/controls/QuibexCmd.h"

#include "ui/controls/MaskedPixmap.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStyleOptionToolButton>

namespace quibex {

namespace {

// Blank between the picture and the caption when they share the button.
constexpr int PictureGap = 4;
// Room around the picture of a flat button for its raised panel.
constexpr int FlatMargin = 4;

} // namespace

QuibexCmd::QuibexCmd(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void QuibexCmd::setCaption(const QString& caption)
{
    setText(caption);
    updateGeometry();
    update();
}

void QuibexCmd::setPicture(const QImage& picture)
{
    m_picture = picture;
    refreshPixmap();
}

void QuibexCmd::setMaskColor(const QColor& color)
{
    m_maskColor = color;
    refreshPixmap();
}

void QuibexCmd::setButtonType(int type)
{
    m_buttonType = type;
    updateGeometry();
    update();
}

void QuibexCmd::setMustDrawFocus(bool on)
{
    m_mustDrawFocus = on;
    update();
}

void QuibexCmd::setCenterPicture(bool on)
{
    m_centerPicture = on;
    update();
}

void QuibexCmd::refreshPixmap()
{
    m_pixmap = maskedPixmap(m_picture, m_maskColor);
    updateGeometry();
    update();
}

QSize QuibexCmd::contentSize() const
{
    QSize size;
    if (!text().isEmpty()) {
        size = fontMetrics().size(Qt::TextShowMnemonic, text());
    }
    if (!m_pixmap.isNull()) {
        const int gap = text().isEmpty() ? 0 : PictureGap;
        size.setWidth(size.width() + gap + m_pixmap.width());
        size.setHeight(qMax(size.height(), m_pixmap.height()));
    }
    return size;
}

QSize QuibexCmd::sizeHint() const
{
    if (m_buttonType == FlatType) {
        return contentSize() + QSize(2 * FlatMargin, 2 * FlatMargin);
    }
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, contentSize(), this);
}

QSize QuibexCmd::minimumSizeHint() const
{
    return sizeHint();
}

void QuibexCmd::initStyleOption(QStyleOptionButton* option) const
{
    option->initFrom(this);
    option->features = QStyleOptionButton::None;
    if (m_buttonType == FlatType) {
        option->features |= QStyleOptionButton::Flat;
    }
    option->state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    if (!m_mustDrawFocus) {
        option->state &= ~QStyle::State_HasFocus;
    }
    option->text = text();
}

void QuibexCmd::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    drawBevel(painter, option);
    drawContents(painter, option);
    drawFocus(painter, option);
}

void QuibexCmd::drawBevel(QPainter& painter, const QStyleOptionButton& option) const
{
    if (m_buttonType != FlatType) {
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
        return;
    }
    const bool hot = isEnabled() && (underMouse() || isDown());
    if (!hot) {
        return;
    }
    QStyleOptionToolButton panel;
    panel.QStyleOption::operator=(option);
    panel.state |= QStyle::State_AutoRaise | QStyle::State_MouseOver;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &panel, &painter, this);
}

void QuibexCmd::drawContents(QPainter& painter, const QStyleOptionButton& option) const
{
    QRect area = m_buttonType == FlatType
                     ? rect()
                     : style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown()) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    QRect textArea = area;
    if (!m_pixmap.isNull()) {
        const QPixmap pixmap =
            isEnabled() ? m_pixmap
                        : style()->generatedIconPixmap(QIcon::Disabled, m_pixmap, &option);
        QRect pictureArea =
            QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, m_pixmap.size(), area);
        if (!m_centerPicture && !text().isEmpty()) {
            // Picture and caption share the button as one centred group.
            const QRect group =
                QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, contentSize(), area);
            pictureArea.moveLeft(group.left());
            textArea = group.adjusted(m_pixmap.width() + PictureGap, 0, 0, 0);
        }
        style()->drawItemPixmap(&painter, pictureArea, Qt::AlignCenter, pixmap);
    }
    if (text().isEmpty()) {
        return;
    }
    int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this)) {
        flags |= Qt::TextHideMnemonic;
    }
    style()->drawItemText(&painter, textArea, flags, option.palette, isEnabled(), text(),
                          QPalette::ButtonText);
}

void QuibexCmd::drawFocus(QPainter& painter, const QStyleOptionButton& option) const
{
    if (!hasFocus() || !m_mustDrawFocus) {
        return;
    }
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = m_buttonType == FlatType
                     ? rect().adjusted(2, 2, -2, -2)
                     : style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
    focus.backgroundColor = palette().color(QPalette::Button);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

void QuibexCmd::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    update();
}

void QuibexCmd::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    update();
}

} // namespace quibex
