// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobOptions.h"
#include "ui/WindowJobView.h"
#include "ui/WindowLayout.h"
#include "ui/controls/FileOpenDialog.h"
#include "ui/controls/MessageBox.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPointF>
#include <QSizeF>

#include <memory>
#include <optional>

namespace quibex {

// What the window is given rather than makes for itself: the boxes it shows
// (they must outlive it), its file dialog, and the tuning of the jobs it
// starts. The desktop's boxes and dialog where none is given.
struct WindowParts
{
    MessageBoxes* boxes = nullptr;
    std::unique_ptr<FileOpenDialog> dialog;
    JobOptions jobOptions = promptJobOptions();

    // The window's own tuning: its events answered within a millisecond.
    static JobOptions promptJobOptions()
    {
        JobOptions options;
        options.eventsInterval = std::chrono::milliseconds(1);
        return options;
    }
};

// The program's only window: start-up, centring, and the command procedures
// that every trigger of a command runs. Its controls carry the names of the
// design as object names (ui/WindowLayout.h); the file job drives them
// through the window's job view.
class RezarUvurizod : public QMainWindow
{
    Q_OBJECT

public:
    explicit RezarUvurizod(WindowParts parts = {}, QWidget* parent = nullptr);
    ~RezarUvurizod() override;

    // Centres the window's outer frame on the whole screen.
    void centre();
    // The top-left corner that centres a window of outer size window on a
    // screen of size screen, in single precision and never clamped: a window
    // larger than the screen gets a negative position.
    static QPointF centredPosition(const QSizeF& screen, const QSizeF& window);

    // Advanced ("2048 bits") mode is checked in the Option menu.
    bool advancedMode() const;

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

    // What the Encrypt command is doing; the yields of each let commands run.
    enum class Busy
    {
        Idle,
        Preparing, // the key expanded or checked
        Running,   // the file job
    };
    // Busy until it goes: however the step ends, the window is idle again.
    [[nodiscard]] auto busyWith(Busy step);
    void chooseWaiting();

    MessageBox m_desktopBoxes;
    MessageBoxes& m_boxes;
    WindowControls m_ui;
    WindowJobView m_view;
    // Its file name is the current selection.
    std::unique_ptr<FileOpenDialog> m_dialog;
    JobOptions m_jobOptions;
    Busy m_busy = Busy::Idle;
    // A file chosen while the Encrypt command was busy: chosen once it is done.
    std::optional<QString> m_waitingChoice;
    bool m_closeAllowed = false;
    bool m_frameCentred = false;
};

} // namespace quibex
