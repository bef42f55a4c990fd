// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "tests/support/RecordingBoxes.h"
#include "tests/support/ScriptedFileOpenDialog.h"
#include "ui/RezarUvurizod.h"

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace quibex {

// Receives the addresses that the window asks the desktop to open, while it lives.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    UrlCatcher();
    ~UrlCatcher() override;

    QList<QUrl> opened;
    std::function<void()> onOpen;

public slots:
    void open(const QUrl& url);
};

// Tells which command procedures ran by what each leaves behind: the file
// dialog shown (parcourir; the scripted dialog cancels), the "no file" box
// (crypter, in a window where no file was chosen), the Help and About boxes
// (aide, aPropos; answered OK without showing) and the download page opened
// (telecharger).
class CommandEffects
{
public:
    CommandEffects();
    ~CommandEffects();
    CommandEffects(const CommandEffects&) = delete;
    CommandEffects& operator=(const CommandEffects&) = delete;

    // The procedures, in the order they ran, since the last clear.
    QStringList calls();
    void clear();

private:
    void record(const QString& procedure);

    UrlCatcher m_urls;
    QStringList m_calls;
    qsizetype m_dialogsSeen = 0;
};

// The window made with the suite's recording boxes, a scripted file dialog
// and the jobs' options.
class ScriptedWindow : public RezarUvurizod
{
public:
    explicit ScriptedWindow(JobOptions options = {});

    // Its file name is the window's current selection.
    ScriptedFileOpenDialog& dialog() { return *m_dialog; }

private:
    ScriptedWindow(ScriptedFileOpenDialog* dialog, JobOptions options);
    ScriptedFileOpenDialog* m_dialog;
};

// The window's controls, found by their names.
WindowControls controlsOf(QWidget& window);

struct ControlsOf
{
    WindowControls controls;
};

// A job view on a window's controls, as the window's own: puts the window in
// the states that a job or the Encrypt command leave it in, or runs a job on it.
class WindowView : private ControlsOf, public WindowJobView
{
public:
    explicit WindowView(QWidget& window)
        : ControlsOf{controlsOf(window)}, WindowJobView(window, controls, testBoxes())
    {
    }
};

// The window with its commands recorded by their effects.
class RecordingWindow : private CommandEffects, public ScriptedWindow
{
public:
    using CommandEffects::calls;
    using CommandEffects::clear;
    using ScriptedWindow::ScriptedWindow;
};

template <typename T> T* control(QWidget& window, const QString& name)
{
    return window.findChild<T*>(name);
}

// A file job runs in the window: it has turned the commands off.
bool jobRunning(QWidget& window);

// Clicks the button, or triggers the menu item, of that name.
void activate(QWidget& window, const QString& name);

// Keys and shortcuts reach only the active window.
inline bool showAndActivate(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// True while a button pressed by its access key or an assistive tool waits
// to be released, which clicks it: a key that presses nothing leaves none.
inline bool aButtonIsDown()
{
    const QList<QWidget*> widgets = QApplication::allWidgets();
    return std::any_of(widgets.cbegin(), widgets.cend(), [](QWidget* widget) {
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        return button != nullptr && button->isDown();
    });
}

// Runs check on the modal dialog of type T once it shows; returns after
// scheduling, the caller opens the dialog, and check must end it.
template <typename T> void whenModalShows(const std::function<void(T*)>& check)
{
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, check] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            check(dialog);
        }
    });
    poll->start();
}

} // namespace quibex
