// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/QuibexCmd.h"

#include "ui/controls/AccessibleFactory.h"
#include "ui/controls/MaskedPixmap.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
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

// The caption as read out: each "&" that marks an access key left out, "&&"
// read as one "&".
QString withoutAccessKeyMarks(const QString& caption)
{
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && ++i == caption.size()) {
            break;
        }
        plain += caption.at(i);
    }
    return plain;
}

// Qt's push button as assistive tools see it (its name, access key, states
// and actions), but for the description: Qt falls back on the tool tip, which
// is also the name of a button that shows a picture alone, so that screen
// readers would read it twice.
class QuibexCmdAccessible : public QAccessibleWidget
{
public:
    explicit QuibexCmdAccessible(QuibexCmd* button)
        : QAccessibleWidget(button, QAccessible::Button), m_button(button)
    {
        addControllingSignal(QStringLiteral("clicked()"));
    }

    QString text(QAccessible::Text t) const override
    {
        QString read;
        switch (t) {
        case QAccessible::Name:
            read = m_button->accessibleName();
            if (read.isEmpty()) {
                read = withoutAccessKeyMarks(m_button->text());
            }
            break;
        case QAccessible::Accelerator:
            read = QKeySequence::mnemonic(m_button->text()).toString(QKeySequence::NativeText);
            break;
        case QAccessible::Description:
            read = QAccessibleWidget::text(t);
            return read == text(QAccessible::Name) ? QString() : read;
        default:
            break;
        }
        return read.isEmpty() ? QAccessibleWidget::text(t) : read;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = m_button->isCheckable();
        state.checked = m_button->isChecked();
        state.pressed = m_button->isDown();
        state.defaultButton = m_button->isDefault();
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (m_button->isEnabled()) {
            names << (m_button->isCheckable() ? toggleAction() : pressAction());
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override
    {
        if (!m_button->isEnabled()) {
            return;
        }
        if (actionName == pressAction()) {
            m_button->animateClick();
        } else if (actionName == toggleAction()) {
            m_button->toggle();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

    QStringList keyBindingsForAction(const QString& actionName) const override
    {
        if (actionName == pressAction()) {
            return {m_button->shortcut().toString()};
        }
        return {};
    }

private:
    QuibexCmd* m_button;
};

} // namespace

QuibexCmd::QuibexCmd(QWidget* parent) : QPushButton(parent)
{
    installAccessible<QuibexCmd, QuibexCmdAccessible>();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    // Return and Enter are this button's own keys, never a dialog's default.
    setAutoDefault(false);
}

void QuibexCmd::setCaption(const QString& caption)
{
    setText(caption);
    nameAfterToolTip();
}

void QuibexCmd::setPicture(const QImage& picture, const QImage& large)
{
    m_picture = picture;
    m_largePicture = large;
    refreshPixmap();
}

void QuibexCmd::setMaskColor(const QColor& color)
{
    m_maskColor = color;
    refreshPixmap();
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
    m_pixmapRatio = 0.0;
    updateGeometry();
    update();
}

QPixmap QuibexCmd::pictureShown() const
{
    // Made again when the button moves to a screen of another scale.
    const qreal ratio = devicePixelRatioF();
    if (!qFuzzyCompare(ratio, m_pixmapRatio)) {
        m_pixmap = maskedPixmap(m_picture, m_largePicture, m_maskColor, ratio);
        m_pixmapRatio = ratio;
    }
    return m_pixmap;
}

QSize QuibexCmd::contentSize() const
{
    QSize size;
    if (!text().isEmpty()) {
        size = fontMetrics().size(Qt::TextShowMnemonic, text());
    }
    if (!m_picture.isNull()) {
        const int gap = text().isEmpty() ? 0 : PictureGap;
        size.setWidth(size.width() + gap + m_picture.width());
        size.setHeight(qMax(size.height(), m_picture.height()));
    }
    return size;
}

QSize QuibexCmd::sizeHint() const
{
    if (isFlat()) {
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
    if (isFlat()) {
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
    if (!isFlat()) {
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
        return;
    }
    const bool hot = isEnabled() && (underMouse() || isDown() || showsKeyboardFocus());
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
    QRect area =
        isFlat() ? rect() : style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown()) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    QRect textArea = area;
    if (!m_picture.isNull()) {
        const QPixmap shown = pictureShown();
        const QPixmap pixmap =
            isEnabled() ? shown : style()->generatedIconPixmap(QIcon::Disabled, shown, &option);
        QRect pictureArea =
            QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, m_picture.size(), area);
        if (!m_centerPicture && !text().isEmpty()) {
            // Picture and caption share the button as one centred group.
            const QRect group =
                QStyle::alignedRect(layoutDirection(), Qt::AlignCenter, contentSize(), area);
            pictureArea.moveLeft(group.left());
            textArea = group.adjusted(m_picture.width() + PictureGap, 0, 0, 0);
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
    focus.rect = isFlat() ? rect().adjusted(2, 2, -2, -2)
                          : style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
    focus.backgroundColor = palette().color(QPalette::Button);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

bool QuibexCmd::showsKeyboardFocus() const
{
    // A flat button that draws no focus rectangle still shows a keyboard
    // user where the focus is: it rises as under the mouse.
    return isFlat() && !m_mustDrawFocus && hasFocus() && m_keyboardFocus;
}

void QuibexCmd::focusInEvent(QFocusEvent* event)
{
    // The focus that the window gives back when it is activated again keeps
    // the way it first came.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason) {
        m_keyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                          reason == Qt::ShortcutFocusReason;
    }
    QPushButton::focusInEvent(event);
}

void QuibexCmd::keyPressEvent(QKeyEvent* event)
{
    // Return and Enter press the focused button, as on the desktop the
    // program comes from; Qt's own buttons leave them to dialogs.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain) {
        if (!event->isAutoRepeat()) {
            click();
        }
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

bool QuibexCmd::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTipChange) {
        nameAfterToolTip();
    }
    return QPushButton::event(event);
}

void QuibexCmd::nameAfterToolTip()
{
    // A picture alone gives a screen reader nothing to read: its tool tip
    // names the button, unless the button was given a name of its own.
    if (!accessibleName().isEmpty() && accessibleName() != m_toolTipName) {
        return;
    }
    m_toolTipName = text().isEmpty() ? toolTip() : QString();
    setAccessibleName(m_toolTipName);
}

} // namespace quibex
