// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/FileJob.h"
#include "ui/WindowJobView.h"
#include "ui/WindowLayout.h"
#include "ui/controls/FileOpenDialog.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPointF>
#include <QSizeF>

#include <memory>
#include <optional>

namespace quibex {

// The program's only window: start-up, centring, and the command procedures
// that every trigger of a command runs. Its controls carry the names of the
// design as object names (ui/WindowLayout.h); the file job drives them
// through the window's job view.
class RezarUvurizod : public QMainWindow
{
    Q_OBJECT

public:
    explicit RezarUvurizod(QWidget* parent = nullptr);
    ~RezarUvurizod() override;

    // Centres the window's outer frame on the whole screen.
    void centre();
    // The top-left corner that centres a window of outer size window on a
    // screen of size screen, in single precision and never clamped: a window
    // larger than the screen gets a negative position.
    static QPointF centredPosition(const QSizeF& screen, const QSizeF& window);

    // The file job and the reset, on this window.
    void dec_crypt(const QString& file, const QByteArray& key);
    void raz();
    // The tuning and fault seams of the jobs that this window starts.
    void setJobOptions(const JobOptions& options) { m_jobOptions = options; }
    JobView& jobView() { return m_view; }

    // Advanced ("2048 bits") mode is checked in the Option menu.
    bool advancedMode() const;
    // The file-open dialog; its file name is the current selection.
    FileOpenDialog& dialog() { return *m_dialog; }

    void parcourir();
    // The file chosen as Browse chooses it, without the dialog: from the
    // command line, a second start or a drop.
    void choose(const QString& path);
    // A second start's file, if any, chosen; the window un-minimised and in front.
    void showHandedOver(const QString& path);
    void crypter();
    void aide();
    void aPropos();
    void telecharger();
    // "&Quitter" of the File menu: the window goes and the program ends.
    void quitter();
    // The "&Quitter" button: closes the window, which ends the program.
    void fermer();
    void modeSimple();
    void modeAvance();

protected:
    // Only the two Quit commands may close the window.
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void wireCommands();
    void showChoice(const QString& selection);
    void keepPasswordOutOfSelection();
    void startUp();
    void endProgram();
    // True, after saying so to the user, for 256 characters or more.
    bool passwordTooLong(const QString& password);
    // The key of the mode; nullopt when the program ended meanwhile.
    std::optional<QByteArray> keyFor(const QByteArray& passwordCodes, bool advanced);

    WindowControls m_ui;
    WindowJobView m_view;
    std::unique_ptr<FileOpenDialog> m_dialog;
    JobOptions m_jobOptions;
    // A key is being expanded or checked: their yields let commands run.
    bool m_preparing = false;
    bool m_closeAllowed = false;
    bool m_frameCentred = false;
};

} // namespace quibex
