// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/RezarUvurizod.h"

#include "job/FileJob.h"
#include "job/KeyCheck.h"
#include "job/OutputName.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"
#include "ui/BusyPointer.h"
#include "ui/LegacyFonts.h"
#include "ui/Pictures.h"
#include "ui/StrayAccessKeys.h"
#include "ui/WindowTexts.h"
#include "ui/controls/QuibexCmd.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QMoveEvent>
#include <QScopeGuard>
#include <QScreen>

#include <utility>

namespace quibex {

namespace wt = window_texts;

RezarUvurizod::RezarUvurizod(WindowParts parts, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint),
      m_boxes(parts.boxes != nullptr ? *parts.boxes : m_desktopBoxes), m_view(*this, m_ui, m_boxes),
      m_dialog(parts.dialog ? std::move(parts.dialog)
                            : std::make_unique<DesktopFileOpenDialog>(this)),
      m_jobOptions(std::move(parts.jobOptions))
{
    setObjectName(QStringLiteral("RezarUvurizod"));
    setWindowTitle(texts::text(wt::WindowTitle));
    setWindowIcon(pictures::windowIcon());
    setFont(legacy_fonts::msSansSerif(8.25));
    m_ui = buildWindowLayout(*this);
    wireCommands();
    // The only box that takes typing (the path box is read-only).
    m_ui.passwordBox->installEventFilter(new StrayAccessKeys(m_boxes, this));
    connect(QGuiApplication::clipboard(), &QClipboard::selectionChanged, this,
            &RezarUvurizod::keepPasswordOutOfSelection);
    m_dialog->setDialogTitle(texts::text(wt::DialogTitle));
    setAcceptDrops(true);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    startUp();
}

RezarUvurizod::~RezarUvurizod() = default;

void RezarUvurizod::wireCommands()
{
    // Image buttons run the procedures themselves, so they work while their
    // counterparts are disabled during a job.
    for (QuibexCmd* trigger : {m_ui.btnParcourir, m_ui.cmdOuvrir}) {
        connect(trigger, &QuibexCmd::clicked, this, &RezarUvurizod::parcourir);
    }
    connect(m_ui.ouvrir, &QAction::triggered, this, &RezarUvurizod::parcourir);
    for (QuibexCmd* trigger : {m_ui.btnCrypt, m_ui.cmdCryptage}) {
        connect(trigger, &QuibexCmd::clicked, this, &RezarUvurizod::crypter);
    }
    connect(m_ui.kovCommand1, &QuibexCmd::clicked, this, &RezarUvurizod::fermer);
    connect(m_ui.quitter, &QAction::triggered, this, &RezarUvurizod::quitter);
    connect(m_ui.simple, &QAction::triggered, this, &RezarUvurizod::modeSimple);
    connect(m_ui.avance, &QAction::triggered, this, &RezarUvurizod::modeAvance);
    connect(m_ui.aPropos, &QAction::triggered, this, &RezarUvurizod::aPropos);
    connect(m_ui.cmdAPropos, &QuibexCmd::clicked, this, &RezarUvurizod::aPropos);
    connect(m_ui.help, &QAction::triggered, this, &RezarUvurizod::aide);
    connect(m_ui.cmdAide, &QuibexCmd::clicked, this, &RezarUvurizod::aide);
    connect(m_ui.tel, &QAction::triggered, this, &RezarUvurizod::telecharger);
    connect(m_ui.cmdTelechargement, &QuibexCmd::clicked, this, &RezarUvurizod::telecharger);
}

// The password shows in clear, as in the old tool, but selecting it must not
// offer it to every program on the display through the primary selection.
// The box has just put it there, and no other program can have asked for it
// yet: the event loop that would answer has not run. Copy and paste work.
void RezarUvurizod::keepPasswordOutOfSelection()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->ownsSelection() && m_ui.passwordBox->hasSelectedText() &&
        clipboard->text(QClipboard::Selection) == m_ui.passwordBox->selectedText()) {
        clipboard->clear(QClipboard::Selection);
    }
}

void RezarUvurizod::startUp()
{
    // The close box is already left out by the window flags.
    m_view.setPasswordEntryVisible(false);
    m_ui.fileSelected->setFocus();
}

QPointF RezarUvurizod::centredPosition(const QSizeF& screen, const QSizeF& window)
{
    const float left =
        (static_cast<float>(screen.width()) - static_cast<float>(window.width())) / 2.0F;
    const float top =
        (static_cast<float>(screen.height()) - static_cast<float>(window.height())) / 2.0F;
    return {left, top};
}

void RezarUvurizod::centre()
{
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr) {
        return;
    }
    const QRect whole = shown->geometry();
    const QPointF corner = centredPosition(whole.size(), frameGeometry().size());
    move(whole.topLeft() + corner.toPoint());
}

void RezarUvurizod::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The outer size is known only once the window manager has framed the
    // window: centre again, once, on the real frame.
    if (!m_frameCentred && isVisible() && frameGeometry().size() != size()) {
        m_frameCentred = true;
        centre();
    }
}

void RezarUvurizod::closeEvent(QCloseEvent* event)
{
    if (m_closeAllowed) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
}

auto RezarUvurizod::busyWith(Busy step)
{
    m_busy = step;
    return qScopeGuard([this] { m_busy = Busy::Idle; });
}

bool RezarUvurizod::advancedMode() const
{
    return m_ui.avance->isChecked();
}

void RezarUvurizod::parcourir()
{
    // Set on every run, and the earlier choice dropped before the dialog opens.
    m_dialog->setFilter(texts::text(wt::DialogFilter));
    m_dialog->setFileName(QString());
    if (!m_dialog->show()) {
        return;
    }
    const BusyPointer busy;
    choose(m_dialog->fileName());
}

// One file at a time, and never a folder. While the Encrypt command works,
// what it shows and the file it works on stay its own: a file chosen
// meanwhile (handed over, dropped, browsed) waits for the command's end.
void RezarUvurizod::choose(const QString& path)
{
    if (m_busy != Busy::Idle) {
        m_waitingChoice = path;
        return;
    }
    if (QFileInfo(path).isDir()) {
        m_view.message(texts::text(texts::InputIsFolder).arg(path), MessageKind::Error);
        return;
    }
    m_dialog->setFileName(path);
    showChoice(path);
}

void RezarUvurizod::chooseWaiting()
{
    if (m_busy == Busy::Idle && m_waitingChoice) {
        choose(*std::exchange(m_waitingChoice, std::nullopt));
    }
}

void RezarUvurizod::showChoice(const QString& selection)
{
    m_ui.fileSelected->setText(selection);
    m_view.clearCounts();
    // Only a hint: the job itself reads the direction from the name.
    if (isDecryptionPath(selection)) {
        m_view.setCryptCaption(texts::text(wt::DecryptCaption));
    }
}

void RezarUvurizod::showHandedOver(const QString& path)
{
    if (!path.isEmpty()) {
        choose(path);
    }
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void RezarUvurizod::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

// One local file is chosen as Browse would choose it; anything else is
// refused with a word, the window working on one file at a time.
void RezarUvurizod::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    if (urls.size() != 1 || !urls.first().isLocalFile()) {
        m_view.message(texts::text(wt::DropOneFile), MessageKind::Error);
        return;
    }
    choose(urls.first().toLocalFile());
}

void RezarUvurizod::crypter()
{
    // Only the image button reaches here during a job; one job at a time.
    if (m_busy == Busy::Running) {
        m_boxes.beep();
        return;
    }
    if (m_ui.fileSelected->text().isEmpty()) {
        m_view.message(texts::text(wt::NoFileText), MessageKind::Information,
                       texts::text(wt::NoFileTitle));
        return;
    }
    // Decided now: nothing chosen during the expansion or the check changes it.
    const QString file = m_dialog->fileName();
    const auto thenWaiting = qScopeGuard([this] { chooseWaiting(); });
    m_view.setPasswordEntryVisible(true);
    m_ui.passwordBox->setFocus();
    // The first press of a run only reveals the entry.
    const QString password = m_ui.passwordBox->text();
    if (password.isEmpty()) {
        return;
    }
    if (passwordTooLong(password)) {
        return;
    }
    std::optional<QByteArray> codes = passwordToKey(password);
    if (!codes) {
        m_view.message(unsupportedPasswordMessage(), MessageKind::Error);
        return;
    }
    // The codes and the key go with the command, however it ends.
    const auto wiped = qScopeGuard([&codes] { wipeSecret(*codes); });
    if (m_busy == Busy::Preparing) {
        m_boxes.beep();
        return;
    }
    // The mode is read once: a click in the Option menu during the expansion
    // is for the next run.
    const bool advanced = advancedMode();
    std::optional<QByteArray> key = keyFor(*codes, advanced);
    if (!key) {
        return;
    }
    const auto keyWiped = qScopeGuard([&key] { wipeSecret(*key); });
    m_view.clearCounts();
    bool confirmed = false;
    {
        const auto checking = busyWith(Busy::Preparing); // its read yields, as the expansion does
        confirmed = confirmKey(m_view, file, *codes, advanced, *key, m_jobOptions);
    }
    if (m_view.endRequested()) {
        return;
    }
    if (confirmed) {
        const auto running = busyWith(Busy::Running);
        m_view.setCommandsEnabled(false);
        const JobResult result = dec_crypt(m_view, file, *key, m_jobOptions);
        // Ending: no box, and the commands stay off.
        if (result.kind == JobResult::Kind::Ended) {
            return;
        }
        m_view.tell(result);
    }
    m_view.backToIdle(); // a No to the wrong-key question too, as after a declined overwrite
}

bool RezarUvurizod::passwordTooLong(const QString& password)
{
    // Counted in characters as the user sees them, not in UTF-16 units.
    if (password.toUcs4().size() < 256) {
        return false;
    }
    m_view.message(texts::text(texts::PasswordTooLong), MessageKind::Error);
    return true;
}

std::optional<QByteArray> RezarUvurizod::keyFor(const QByteArray& passwordCodes, bool advanced)
{
    if (!advanced) {
        return passwordCodes;
    }
    QByteArray key;
    {
        const auto expanding = busyWith(Busy::Preparing);
        key = expandKeyOnView(m_view, passwordCodes,
                              [this](const QString& text) { m_view.setPasswordText(text); });
    }
    // A Quit during the expansion's yields ends the program: no job then.
    if (m_view.endRequested()) {
        return std::nullopt;
    }
    return key;
}

void RezarUvurizod::aide()
{
    m_view.message(wt::helpText(), MessageKind::Information, wt::helpTitle());
}

void RezarUvurizod::aPropos()
{
    m_view.message(wt::aboutText(), MessageKind::Information, wt::aboutTitle());
}

void RezarUvurizod::telecharger()
{
    // Whether a browser opened the page or not, nothing is reported.
    QDesktopServices::openUrl(wt::downloadPage());
}

void RezarUvurizod::quitter()
{
    endProgram();
    // The program ends even if another window or box is still up; a job
    // running below stops at its next yield.
    QCoreApplication::exit(0);
}

void RezarUvurizod::fermer()
{
    endProgram();
}

void RezarUvurizod::endProgram()
{
    m_view.requestEnd();
    m_closeAllowed = true;
    close();
}

void RezarUvurizod::modeSimple()
{
    m_ui.simple->setChecked(true);
}

void RezarUvurizod::modeAvance()
{
    m_ui.avance->setChecked(true);
}

} // namespace quibex
