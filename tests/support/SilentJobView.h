// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobView.h"

// A job view that shows nothing and answers Yes, for programs that run a job
// without a window; they override what they watch.
class SilentJobView : public quibex::JobView
{
public:
    void setStatus(const QString&) override {}
    void setSizeText(const QString&) override {}
    void showProgress(int, std::optional<std::int64_t>) override {}
    void yield() override {}
    bool question(const QString&) override { return true; }
    bool endRequested() const override { return false; }
};
