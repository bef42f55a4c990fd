#include "ui/controls/QuibexCmd.h"

#include "ui/controls/MaskedPixmap.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QKeySequence>
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

// The caption as it is read out: the access key's "&" dropped, "&&" read as
// one "&".
QString spokenCaption(const QString& caption)
{
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && ++i == caption.size()) {
            break;
        }
        spoken.append(caption.at(i));
    }
    return spoken;
}

// How screen readers and other assistive tools see the button.
class QuibexCmdAccessible : public QAccessibleWidget
{
public:
    explicit QuibexCmdAccessible(QuibexCmd* button)
        : QAccessibleWidget(button, QAccessible::Button), m_button(button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return name();
        case QAccessible::Description:
            // A picture button is already named by its tool tip.
            if (m_button->accessibleDescription().isEmpty() && m_button->caption().isEmpty()) {
                return {};
            }
            return QAccessibleWidget::text(t);
        case QAccessible::Accelerator:
            return accessKey();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State shown = QAccessibleWidget::state();
        shown.pressed = m_button->isDown();
        return shown;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (m_button->isEnabled()) {
            names << pressAction();
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // Later, from the event loop: the command may open a modal box, which
        // must not hold up the assistive tool's request.
        if (m_button->isEnabled()) {
            m_button->animateClick();
        }
    }

    QStringList keyBindingsForAction(const QString& action) const override
    {
        if (action == pressAction() && !accessKey().isEmpty()) {
            return {accessKey()};
        }
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    QString name() const
    {
        if (!m_button->accessibleName().isEmpty()) {
            return m_button->accessibleName();
        }
        if (!m_button->caption().isEmpty()) {
            return spokenCaption(m_button->caption());
        }
        return m_button->toolTip();
    }

    QString accessKey() const
    {
        return QKeySequence::mnemonic(m_button->caption()).toString(QKeySequence::NativeText);
    }

    QuibexCmd* m_button;
};

QAccessibleInterface* accessibleButton(const QString& key, QObject* object)
{
    auto* button = qobject_cast<QuibexCmd*>(object);
    if (button == nullptr || key != QLatin1String(QuibexCmd::staticMetaObject.className())) {
        return nullptr;
    }
    return new QuibexCmdAccessible(button);
}

void installAccessibleButton()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleButton);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

QuibexCmd::QuibexCmd(QWidget* parent) : QAbstractButton(parent)
{
    installAccessibleButton();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void QuibexCmd::setCaption(const QString& caption)
{
    setText(caption);
    updateGeometry();
    update();
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
    QRect area = m_buttonType == FlatType
                     ? rect()
                     : style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
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
    focus.rect = m_buttonType == FlatType
                     ? rect().adjusted(2, 2, -2, -2)
                     : style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
    focus.backgroundColor = palette().color(QPalette::Button);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

bool QuibexCmd::showsKeyboardFocus() const
{
    // A flat button that draws no focus rectangle still shows a keyboard
    // user where the focus is: it rises as under the mouse.
    return m_buttonType == FlatType && !m_mustDrawFocus && hasFocus() && m_keyboardFocus;
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
    QAbstractButton::focusInEvent(event);
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
    QAbstractButton::keyPressEvent(event);
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
