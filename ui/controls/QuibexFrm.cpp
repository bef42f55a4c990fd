#include "ui/controls/QuibexFrm.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quibex {

namespace {

constexpr int CaptionIndent = 8;

// Assistive tools see a group named by the caption, without the blanks and
// the colon that set it off on screen.
class QuibexFrmAccessible : public QAccessibleWidget
{
public:
    explicit QuibexFrmAccessible(QuibexFrm* frame)
        : QAccessibleWidget(frame, QAccessible::Grouping), m_frame(frame)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !m_frame->accessibleName().isEmpty()) {
            return QAccessibleWidget::text(t);
        }
        QString name = m_frame->caption().trimmed();
        if (name.endsWith(QLatin1Char(':'))) {
            name.chop(1);
        }
        return name.trimmed();
    }

private:
    QuibexFrm* m_frame;
};

QAccessibleInterface* accessibleFrame(const QString& key, QObject* object)
{
    auto* frame = qobject_cast<QuibexFrm*>(object);
    if (frame == nullptr || key != QLatin1String(QuibexFrm::staticMetaObject.className())) {
        return nullptr;
    }
    return new QuibexFrmAccessible(frame);
}

void installAccessibleFrame()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFrame);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

QuibexFrm::QuibexFrm(QWidget* parent) : QWidget(parent)
{
    installAccessibleFrame();
    setFocusPolicy(Qt::NoFocus);
}

void QuibexFrm::setBackColor(const QColor& color)
{
    m_backColor = color;
    update();
}

void QuibexFrm::setCaption(const QString& caption)
{
    m_caption = caption;
    QAccessibleEvent renamed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
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
