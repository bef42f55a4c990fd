// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPushButton>

namespace quibex {

// The captioned or picture button the window is built from, painted by the
// program itself. A "&" in the caption gives the button its access key; a
// disabled button takes no focus, no click and no access key, as any Qt
// button. Space, Return and Enter press the focused button. Assistive tools
// see a push button as Qt's own, named by its caption, or by its tool tip when
// it shows a picture alone, and described by its description, else its tool
// tip, unless that would only repeat its name.
class QuibexCmd : public QPushButton
{
    Q_OBJECT

public:
    enum ButtonType
    {
        StandardType,
        // The flat picture style of the tool row: no bevel until the mouse
        // is over the button or it is pressed.
        FlatType
    };
    Q_ENUM(ButtonType)

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

    ButtonType buttonType() const { return isFlat() ? FlatType : StandardType; }
    void setButtonType(ButtonType type) { setFlat(type == FlatType); }
    bool mustDrawFocus() const { return m_mustDrawFocus; }
    void setMustDrawFocus(bool on);
    bool centerPicture() const { return m_centerPicture; }
    void setCenterPicture(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void initStyleOption(QStyleOptionButton* option) const override;

private:
    QSize contentSize() const;
    void drawBevel(QPainter& painter, const QStyleOptionButton& option) const;
    void drawContents(QPainter& painter, const QStyleOptionButton& option) const;
    void drawFocus(QPainter& painter, const QStyleOptionButton& option) const;
    void refreshPixmap();
    bool showsKeyboardFocus() const;
    void nameAfterToolTip();

    QImage m_picture;
    QImage m_largePicture;
    // The picture shown, kept for the device pixel ratio it was made for.
    mutable QPixmap m_pixmap;
    mutable qreal m_pixmapRatio = 0.0;
    QColor m_maskColor;
    // The accessible name this button took from its tool tip; any other is
    // one it was given and keeps.
    QString m_toolTipName;
    bool m_mustDrawFocus = true;
    bool m_centerPicture = true;
    bool m_keyboardFocus = false;
};

} // namespace quibex
