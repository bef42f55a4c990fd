// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QLockFile>
#include <QString>

#include <optional>

class QApplication;

namespace quibex {

// Names, look and French translations of the program; once, right after the
// QApplication is made and before any window.
void setUpApplication(QApplication& app);

// Held for the life of the program so that a second start of the same user
// finds it taken. A lock left by a crashed instance is seen as stale (its
// process is gone) and taken over. Where no lock can be had safely the program
// runs unguarded: a second window is harmless, a program that never starts is
// not.
class SingleInstance
{
public:
    // lockPath empty: the default place below.
    explicit SingleInstance(const QString& lockPath = {});
    // Whether this instance may run: false only while a live instance holds
    // the lock.
    bool acquired() const { return m_acquired; }
    // Whether this instance holds the lock, so that a second start ends.
    bool guarded() const { return m_lock && m_lock->isLocked(); }

    // Where the lock is, when there is one.
    std::optional<QString> lockPath() const { return m_path; }

    // In a folder that only this user controls, made in the temporary folder
    // when the runtime folder does not qualify; none when neither does.
    static std::optional<QString> defaultLockPath();

private:
    std::optional<QString> m_path;
    std::optional<QLockFile> m_lock;
    bool m_acquired = true;
};

} // namespace quibex
