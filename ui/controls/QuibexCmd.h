#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPixmap>

class QStyleOptionButton;

namespace quibex {

// The captioned or picture button the window is built from. A "&" in the
// caption gives the button its access key; a disabled button takes no focus,
// no click and no access key, as any Qt button. Space, Return and Enter press
// the focused button. Assistive tools see a push button named by its caption,
// or by its tool tip when it shows a picture alone.
class QuibexCmd : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor maskcolor READ maskColor WRITE setMaskColor)
    Q_PROPERTY(int buttontype READ buttonType WRITE setButtonType)
    Q_PROPERTY(bool mustdrawfocus READ mustDrawFocus WRITE setMustDrawFocus)
    Q_PROPERTY(bool centerpicture READ centerPicture WRITE setCenterPicture)

public:
    // Type 1 is the flat picture style of the tool row: no bevel until the
    // mouse is over the button or it is pressed.
    static constexpr int StandardType = 0;
    static constexpr int FlatType = 1;

    explicit QuibexCmd(QWidget* parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString& caption);

    QImage picture() const { return m_picture; }
    // large, when given, is the same picture drawn at twice the size, shown
    // instead of an enlarged bitmap on scaled screens.
    void setPicture(const QImage& picture, const QImage& large = QImage());
    QColor maskColor() const { return m_maskColor; }
    void setMaskColor(const QColor& color);
    // The picture as drawn on the button's screen: the mask colour
    // transparent, at the screen's device pixel ratio.
    QPixmap pictureShown() const;

    int buttonType() const { return m_buttonType; }
    void setButtonType(int type);
    bool mustDrawFocus() const { return m_mustDrawFocus; }
    void setMustDrawFocus(bool on);
    bool centerPicture() const { return m_centerPicture; }
    void setCenterPicture(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void initStyleOption(QStyleOptionButton* option) const;
    QSize contentSize() const;
    void drawBevel(QPainter& painter, const QStyleOptionButton& option) const;
    void drawContents(QPainter& painter, const QStyleOptionButton& option) const;
    void drawFocus(QPainter& painter, const QStyleOptionButton& option) const;
    void refreshPixmap();
    bool showsKeyboardFocus() const;

    QImage m_picture;
    QImage m_largePicture;
    // The picture shown, kept for the device pixel ratio it was made for.
    mutable QPixmap m_pixmap;
    mutable qreal m_pixmapRatio = 0.0;
    QColor m_maskColor;
    int m_buttonType = StandardType;
    bool m_mustDrawFocus = true;
    bool m_centerPicture = true;
    bool m_keyboardFocus = false;
};

} // namespace quibex
