// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/WindowTestSupport.h"

#include "job/Texts.h"
#include "tests/support/ScriptedFileOpenDialog.h"
#include "ui/SpokenPace.h"
#include "ui/WindowTexts.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexPBar.h"

#include <QAction>
#include <QActionGroup>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

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
    ScriptedFileOpenDialog::reset();
    m_urls.onOpen = [this] { record(QStringLiteral("telecharger")); };
    testBoxes().setAnswerer([this](const RecordingBoxes::Shown& box) {
        if (box.title == window_texts::helpTitle()) {
            record(QStringLiteral("aide"));
        } else if (box.title == window_texts::aboutTitle()) {
            record(QStringLiteral("aPropos"));
        } else if (box.text == texts::text(window_texts::NoFileText)) {
            record(QStringLiteral("crypter"));
        }
        return MessageBoxes::Answer::Ok;
    });
}

CommandEffects::~CommandEffects()
{
    testBoxes().setAnswerer({});
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

namespace {

WindowParts testParts(std::unique_ptr<ScriptedFileOpenDialog> dialog, JobOptions options)
{
    WindowParts parts;
    parts.boxes = &testBoxes();
    parts.dialog = std::move(dialog);
    parts.jobOptions = std::move(options);
    return parts;
}

} // namespace

ScriptedWindow::ScriptedWindow(JobOptions options)
    : ScriptedWindow(new ScriptedFileOpenDialog, std::move(options))
{
}

// The window owns the dialog at once; the test keeps its address.
ScriptedWindow::ScriptedWindow(ScriptedFileOpenDialog* dialog, JobOptions options)
    : RezarUvurizod(testParts(std::unique_ptr<ScriptedFileOpenDialog>(dialog), std::move(options))),
      m_dialog(dialog)
{
}

WindowControls controlsOf(QWidget& window)
{
    WindowControls controls;
    controls.btnCrypt = control<QuibexCmd>(window, QStringLiteral("btnCrypt"));
    controls.btnParcourir = control<QuibexCmd>(window, QStringLiteral("btnParcourir"));
    controls.passwordBox = control<QLineEdit>(window, QStringLiteral("Motdepass"));
    controls.passwordLabel = control<QLabel>(window, QStringLiteral("motdepasss"));
    controls.fileSelected = control<QLineEdit>(window, QStringLiteral("fileSelected"));
    controls.barre = control<QuibexPBar>(window, QStringLiteral("barre_progression"));
    controls.lbtaille = control<QLabel>(window, QStringLiteral("lbtaille"));
    controls.lbcryptes = control<QLabel>(window, QStringLiteral("lbcryptes"));
    controls.pourcent = control<QLabel>(window, QStringLiteral("pourcent"));
    controls.statusLabel = control<QLabel>(window, QStringLiteral("statusLabel"));
    controls.spokenPace = control<SpokenPace>(window, QStringLiteral("spokenPace"));
    controls.menuOption = control<QMenu>(window, QStringLiteral("menu_option"));
    controls.ouvrir = control<QAction>(window, QStringLiteral("menu_fichier_ouvrir"));
    controls.simple = control<QAction>(window, QStringLiteral("menu_option_simple"));
    controls.avance = control<QAction>(window, QStringLiteral("menu_option_avance"));
    controls.modes = controls.simple->actionGroup();
    return controls;
}

bool jobRunning(QWidget& window)
{
    return !control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->isEnabled();
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
