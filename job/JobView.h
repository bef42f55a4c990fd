// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace quibex {

// What the file job and the key check show and ask while they work: how far
// they are, and the questions only the user can answer. How a job ended is
// the result it returns; what the window or the terminal does with it is
// theirs. The window and qbc implement it; tests record it.
class JobView
{
public:
    virtual ~JobView() = default;

    virtual void setStatus(const QString& text) = 0;
    virtual void setSizeText(const QString& text) = 0;
    // How far the file job or the key's expansion is, in percent, and for
    // the job the bytes done so far.
    virtual void showProgress(int percent, std::optional<std::int64_t> bytesDone = {}) = 0;
    // Lets pending events run; commands that stay enabled may run inside.
    virtual void yield() = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const QString& text) = 0;
    // True once the program is ending: a running job stops at its next yield.
    virtual bool endRequested() const = 0;
};

} // namespace quibex
