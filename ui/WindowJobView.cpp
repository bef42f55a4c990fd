// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/WindowJobView.h"

#include "job/Texts.h"
#include "ui/SpokenPace.h"
#include "ui/WindowTexts.h"

#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexPBar.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace quibex {

WindowJobView::WindowJobView(QWidget& window, const WindowControls& controls, MessageBoxes& boxes)
    : m_window(window), m_ui(controls), m_boxes(boxes)
{
}

void WindowJobView::setCommandsEnabled(bool on)
{
    m_ui.btnCrypt->setEnabled(on);
    m_ui.btnParcourir->setEnabled(on);
    m_ui.ouvrir->setEnabled(on);
    m_ui.menuOption->menuAction()->setEnabled(on);
    m_ui.modes->setEnabled(on);
}

void WindowJobView::setCryptCaption(const QString& text)
{
    m_ui.btnCrypt->setCaption(text);
}

void WindowJobView::setStatus(const QString& text)
{
    setFittingText(m_ui.statusLabel, text);
    m_ui.spokenPace->changed(m_ui.statusLabel);
}

void WindowJobView::setSizeText(const QString& text)
{
    m_ui.lbtaille->setText(text);
    m_ui.spokenPace->changed(m_ui.lbtaille);
}

void WindowJobView::showProgress(int percent, std::optional<std::int64_t> bytesDone)
{
    m_ui.barre->setValue(percent);
    // The label beside the bar says what the bar says to assistive tools.
    setFittingText(m_ui.pourcent, m_ui.barre->text());
    m_ui.spokenPace->changed(m_ui.pourcent);
    if (bytesDone) {
        m_ui.lbcryptes->setText(QString::number(*bytesDone) + texts::text(texts::CountSuffix));
        m_ui.spokenPace->changed(m_ui.lbcryptes);
    }
}

void WindowJobView::clearProgress()
{
    setFittingText(m_ui.pourcent, texts::text(texts::IdlePercent));
    m_ui.spokenPace->changed(m_ui.pourcent);
    m_ui.barre->setValue(0);
}

void WindowJobView::clearCounts()
{
    m_ui.lbcryptes->setText(window_texts::idleCount());
    m_ui.lbtaille->setText(QStringLiteral("0"));
    m_ui.spokenPace->changed(m_ui.lbcryptes);
    m_ui.spokenPace->changed(m_ui.lbtaille);
}

void WindowJobView::setPasswordEntryVisible(bool on)
{
    m_ui.passwordBox->setVisible(on);
    m_ui.passwordLabel->setVisible(on);
}

void WindowJobView::setPasswordText(const QString& text)
{
    m_ui.passwordBox->setText(text);
}

void WindowJobView::yield()
{
    QCoreApplication::processEvents();
}

void WindowJobView::message(const QString& text, MessageKind kind, const QString& title)
{
    MessageBoxes::Kind shown = MessageBoxes::Kind::None;
    if (kind == MessageKind::Information) {
        shown = MessageBoxes::Kind::Information;
    } else if (kind == MessageKind::Error) {
        shown = MessageBoxes::Kind::Error;
    }
    m_boxes.message(&m_window, text, shown, title);
}

bool WindowJobView::question(const QString& text)
{
    return m_boxes.question(&m_window, text, {}) == MessageBoxes::Answer::Yes;
}

void WindowJobView::tell(const JobResult& result)
{
    using Kind = JobResult::Kind;
    switch (result.kind) {
    case Kind::Done:
        message(texts::text(texts::SuccessLine1) + QLatin1Char('\r') +
                    texts::text(texts::SuccessLine2) + result.output,
                MessageKind::None);
        break;
    case Kind::Refused:
        message(result.why, MessageKind::Error);
        break;
    case Kind::Failed:
        message(result.why, MessageKind::None);
        break;
    case Kind::Declined:
    case Kind::Ended:
        break;
    }
}

void WindowJobView::raz()
{
    setCommandsEnabled(true);
    setCryptCaption(texts::text(texts::CaptionCrypt));
    setStatus(texts::text(texts::StatusIdle));
}

void WindowJobView::backToIdle()
{
    raz();
    setPasswordEntryVisible(false);
    setPasswordText(QString());
    clearProgress();
}

} // namespace quibex
