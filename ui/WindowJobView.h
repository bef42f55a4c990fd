// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobView.h"
#include "ui/WindowLayout.h"
#include "ui/controls/MessageBoxes.h"

class QWidget;

namespace quibex {

// The job view on the window's controls: what the file job, the key
// expansion and the Encrypt command show and ask goes through here.
class WindowJobView : public JobView
{
public:
    // Boxes open over window; controls and boxes must outlive the view.
    WindowJobView(QWidget& window, const WindowControls& controls, MessageBoxes& boxes);

    // From now on a running job or expansion stops at its next yield.
    void requestEnd() { m_endRequested = true; }

    void setCommandsEnabled(bool on) override;
    void setCryptCaption(const QString& text) override;
    void setStatus(const QString& text) override;
    void setSizeText(const QString& text) override;
    // The bar, the percentage beside it ("37 %") and the byte count.
    void showProgress(int percent, std::optional<std::int64_t> bytesDone = {}) override;
    // The bar empty and the percentage "0%", as at start.
    void clearProgress() override;
    // The byte counter as before any job: for a new file, or a new command.
    void clearCounts();
    void setPasswordEntryVisible(bool on) override;
    void setPasswordText(const QString& text) override;
    void yield() override;
    void message(const QString& text, MessageKind kind, const QString& title = {}) override;
    bool question(const QString& text, const QString& title = {}) override;
    bool endRequested() const override { return m_endRequested; }

private:
    QWidget& m_window;
    const WindowControls& m_ui;
    MessageBoxes& m_boxes;
    bool m_endRequested = false;
};

} // namespace quibex
