// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/MessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>

namespace quibex {

namespace {

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

// The label that shows the box's text, found by what it shows rather than by
// a name internal to Qt; the icon's label shows no text, in Qt's automatic
// format, never the plain text the boxes are given.
QLabel* textLabel(const QMessageBox& box)
{
    const QList<QLabel*> labels = box.findChildren<QLabel*>();
    const auto shown = std::find_if(labels.cbegin(), labels.cend(), [&box](const QLabel* label) {
        return label->text() == box.text() && label->textFormat() == box.textFormat();
    });
    return shown != labels.cend() ? *shown : nullptr;
}

// Qt wraps any line wider than half the screen; the texts are laid out line by
// line and read best as written, so each line, and the title, stays whole as
// far as the screen's width allows.
void keepLinesWhole(QMessageBox& box)
{
    QLabel* label = textLabel(box);
    if (label == nullptr) {
        return;
    }
    // A short text must not leave the title cut short in a narrow title bar
    // (room kept for the title bar's own buttons).
    int widest = label->fontMetrics().horizontalAdvance(box.windowTitle()) + 60;
    for (const QString& line : box.text().split(QLatin1Char('\n'))) {
        widest = qMax(widest, label->fontMetrics().horizontalAdvance(line));
    }
    // Room for the icon, the margins and the window frame.
    const int room = box.screen()->availableGeometry().width() - 120;
    label->setMinimumWidth(qMin(widest + 2, room));
}

} // namespace

void MessageBox::message(QWidget* parent, const QString& text, Kind kind, const QString& title)
{
    show(parent, kind, text, title);
}

MessageBox::Answer MessageBox::question(QWidget* parent, const QString& text, const QString& title)
{
    return show(parent, Kind::Question, text, title);
}

void MessageBox::beep()
{
    QApplication::beep();
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

QString MessageBox::spokenText(const QString& text)
{
    static const QRegularExpression rule(QStringLiteral("^_+$"));
    QStringList lines = displayText(text).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) { return rule.match(line).hasMatch(); });
    return lines.join(QLatin1Char('\n'));
}

MessageBox::Answer MessageBox::show(QWidget* parent, Kind kind, const QString& text,
                                    const QString& title)
{
    const bool asking = kind == Kind::Question;
    QPointer<QMessageBox> dialog =
        new QMessageBox(iconOf(kind), displayTitle(title), displayText(text),
                        asking ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    // Paths and passwords are shown as they are, never read as markup.
    dialog->setTextFormat(Qt::PlainText);
    dialog->setDefaultButton(asking ? QMessageBox::No : QMessageBox::Ok);
    keepLinesWhole(*dialog);
    if (QLabel* label = textLabel(*dialog)) {
        label->setAccessibleName(spokenText(text));
    }
    const int result = dialog->exec();
    delete dialog;
    if (!asking) {
        return Answer::Ok;
    }
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

} // namespace quibex
