#include "ui/controls/MessageBox.h"

#include <QMessageBox>
#include <QPointer>

namespace quibex {

namespace {

QList<MessageBox::Answer>& nextAnswers()
{
    static QList<MessageBox::Answer> answers;
    return answers;
}

MessageBox::Shown& last()
{
    static MessageBox::Shown box;
    return box;
}

int& count()
{
    static int shown = 0;
    return shown;
}

QMessageBox::Icon iconOf(MessageBox::Kind kind)
{
    switch (kind) {
    case MessageBox::Kind::Information:
        return QMessageBox::Information;
    case MessageBox::Kind::Error:
        return QMessageBox::Critical;
    case MessageBox::Kind::Question:
        return QMessageBox::Question;
    case MessageBox::Kind::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void MessageBox::message(QWidget* parent, const QString& text, Kind kind, const QString& title)
{
    show(parent, {kind, text, title});
}

MessageBox::Answer MessageBox::question(QWidget* parent, const QString& text, const QString& title)
{
    return show(parent, {Kind::Question, text, title});
}

void MessageBox::setNextAnswer(Answer answer)
{
    nextAnswers().append(answer);
}

void MessageBox::clearNextAnswers()
{
    nextAnswers().clear();
}

MessageBox::Shown MessageBox::lastShown()
{
    return last();
}

int MessageBox::shownCount()
{
    return count();
}

QString MessageBox::displayText(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QString MessageBox::displayTitle(const QString& title)
{
    return title.isEmpty() ? ApplicationTitle : title;
}

MessageBox::Answer MessageBox::show(QWidget* parent, const Shown& box)
{
    last() = box;
    ++count();
    if (!nextAnswers().isEmpty()) {
        return nextAnswers().takeFirst();
    }
    const bool asking = box.kind == Kind::Question;
    QPointer<QMessageBox> dialog =
        new QMessageBox(iconOf(box.kind), displayTitle(box.title), displayText(box.text),
                        asking ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    // Paths and passwords are shown as they are, never read as markup.
    dialog->setTextFormat(Qt::PlainText);
    dialog->setDefaultButton(asking ? QMessageBox::No : QMessageBox::Ok);
    const int result = dialog->exec();
    delete dialog;
    if (!asking) {
        return Answer::Ok;
    }
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

} // namespace quibex
