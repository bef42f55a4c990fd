#pragma once

#include <QColor>
#include <QWidget>

namespace quibex {

// A titled panel on a background colour of its own. Its children are placed
// relative to it and clipped to it, as any Qt child widget.
class QuibexFrm : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor backcolor READ backColor WRITE setBackColor)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)

public:
    explicit QuibexFrm(QWidget* parent = nullptr);

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color);
    QString caption() const { return m_caption; }
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
