// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace quibex {

enum class MessageKind
{
    None,
    Information,
    Error
};

// What the file job, the key expansion and the Encrypt command need of the
// window. The window implements it on its controls; tests record it.
class JobView
{
public:
    virtual ~JobView() = default;

    // The commands that would start another job or change its mode, together.
    virtual void setCommandsEnabled(bool on) = 0;
    virtual void setCryptCaption(const QString& text) = 0;
    virtual void setStatus(const QString& text) = 0;
    virtual void setSizeText(const QString& text) = 0;
    // How far the file job or the key's expansion is, in percent, and for
    // the job the bytes done so far.
    virtual void showProgress(int percent, std::optional<std::int64_t> bytesDone = {}) = 0;
    // Nothing done: as before any job.
    virtual void clearProgress() = 0;
    virtual void setPasswordEntryVisible(bool on) = 0;
    virtual void setPasswordText(const QString& text) = 0;
    // Lets pending window events run; commands that stay enabled may run inside.
    virtual void yield() = 0;
    // Lines of text are separated by a carriage return alone. An empty title
    // stands for the application's title.
    virtual void message(const QString& text, MessageKind kind, const QString& title = {}) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const QString& text, const QString& title = {}) = 0;
    // True once the program is ending: a running job stops at its next yield.
    virtual bool endRequested() const = 0;
};

} // namespace quibex
