// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobResult.h"
#include "job/JobView.h"
#include "ui/WindowLayout.h"
#include "ui/controls/MessageBoxes.h"

class QWidget;

namespace quibex {

enum class MessageKind
{
    None,
    Information,
    Error
};

// The window's controls as the file job, the key check and the Encrypt
// command see them: what they show and ask goes through here, and so does
// the window's own state around a run (its commands, the Encrypt button's
// caption, the password entry).
class WindowJobView : public JobView
{
public:
    // Boxes open over window; controls and boxes must outlive the view.
    WindowJobView(QWidget& window, const WindowControls& controls, MessageBoxes& boxes);

    // From now on a running job or expansion stops at its next yield.
    void requestEnd() { m_endRequested = true; }

    // The commands that would start another job or change its mode, together.
    void setCommandsEnabled(bool on);
    void setCryptCaption(const QString& text);
    void setStatus(const QString& text) override;
    void setSizeText(const QString& text) override;
    // The bar, the percentage beside it ("37 %") and the byte count.
    void showProgress(int percent, std::optional<std::int64_t> bytesDone = {}) override;
    // The bar empty and the percentage "0%", as at start.
    void clearProgress();
    // The byte counter as before any job: for a new file, or a new command.
    void clearCounts();
    void setPasswordEntryVisible(bool on);
    void setPasswordText(const QString& text);
    void yield() override;
    // Lines of text are separated by a carriage return alone. An empty title
    // stands for the application's title.
    void message(const QString& text, MessageKind kind, const QString& title = {});
    bool question(const QString& text) override;
    bool endRequested() const override { return m_endRequested; }

    // How a job ended, in its box: the output's name when done, why not when
    // refused (an error) or failed; nothing when declined or ending.
    void tell(const JobResult& result);
    // Back to idle: commands on, caption "Crypter", "En attente...".
    void raz();
    // The window as a run leaves it, however it ended: raz(), the password
    // entry hidden and emptied, "0%" and an empty bar.
    void backToIdle();

private:
    QWidget& m_window;
    const WindowControls& m_ui;
    MessageBoxes& m_boxes;
    bool m_endRequested = false;
};

} // namespace quibex
