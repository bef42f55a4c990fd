// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/WindowTestSupport.h"

#include "tests/support/ScriptedFileOpenDialog.h"
#include "ui/WindowTexts.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/QuibexCmd.h"

#include <QAction>
#include <QDesktopServices>

namespace quibex {

namespace {

const QStringList WebSchemes{QStringLiteral("https"), QStringLiteral("http")};

} // namespace

UrlCatcher::UrlCatcher()
{
    for (const QString& scheme : WebSchemes) {
        QDesktopServices::setUrlHandler(scheme, this, "open");
    }
}

UrlCatcher::~UrlCatcher()
{
    for (const QString& scheme : WebSchemes) {
        QDesktopServices::unsetUrlHandler(scheme);
    }
}

void UrlCatcher::open(const QUrl& url)
{
    opened << url;
    if (onOpen) {
        onOpen();
    }
}

CommandEffects::CommandEffects()
{
    ScriptedFileOpenDialog::install();
    m_urls.onOpen = [this] { record(QStringLiteral("telecharger")); };
    MessageBox::setAnswerer([this](const MessageBox::Shown& box) {
        if (box.title == window_texts::helpTitle()) {
            record(QStringLiteral("aide"));
        } else if (box.title == window_texts::aboutTitle()) {
            record(QStringLiteral("aPropos"));
        } else if (box.text == window_texts::NoFileText) {
            record(QStringLiteral("crypter"));
        }
        return MessageBox::Answer::Ok;
    });
}

CommandEffects::~CommandEffects()
{
    // The scripted dialog stays: a later window of the suite must not open the desktop's.
    MessageBox::setAnswerer({});
}

QStringList CommandEffects::calls()
{
    record({});
    return m_calls;
}

void CommandEffects::clear()
{
    record({});
    m_calls.clear();
}

void CommandEffects::record(const QString& procedure)
{
    // The dialog keeps its own record: its shows come before what is seen now.
    const qsizetype dialogs = ScriptedFileOpenDialog::shown().size();
    for (; m_dialogsSeen < dialogs; ++m_dialogsSeen) {
        m_calls << QStringLiteral("parcourir");
    }
    if (!procedure.isEmpty()) {
        m_calls << procedure;
    }
}

void activate(QWidget& window, const QString& name)
{
    if (auto* button = control<QuibexCmd>(window, name)) {
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        control<QAction>(window, name)->trigger();
    }
}

} // namespace quibex
