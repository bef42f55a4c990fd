// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "cipher/KeyExpansion.h"
#include "job/Texts.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace quibex {

class JobView;

// The typed password as Windows-1252 codes (the key of the transform), or
// nullopt when it holds a character that Windows-1252 cannot represent: the
// Encrypt command then shows unsupportedPasswordMessage() (kind error, default
// title) and runs no job.
std::optional<QByteArray> passwordToKey(const QString& password);

// "Le mot de passe contient des caractères qui ne sont pas pris en charge."
// (also texts::UnsupportedPassword, in UTF-8).
QString unsupportedPasswordMessage();

// Shows a key expansion on a job view (status line, percentage, the yields of
// phase 3) and hands the growing extension, decoded from Windows-1252, to
// showExtension: the window puts it in its password box.
class JobViewExpansionObserver : public ExpansionObserver
{
public:
    using ExtensionShown = std::function<void(const QString&)>;
    JobViewExpansionObserver(JobView& view, ExtensionShown showExtension)
        : m_view(view), m_showExtension(std::move(showExtension))
    {
    }
    void showStep(int percent) override;
    void setExtension(std::span<const std::uint8_t> extension) override;
    void yield() override;

private:
    JobView& m_view;
    ExtensionShown m_showExtension;
};

// The advanced-mode key for password codes (1 or more), expanded with a
// live display on view and showExtension; 256 codes.
QByteArray expandKeyOnView(JobView& view, const QByteArray& passwordCodes,
                           const JobViewExpansionObserver::ExtensionShown& showExtension);
// The same key, expanded without any display.
QByteArray expandKeySilently(const QByteArray& passwordCodes);

// Overwrites the bytes of a password or key where they are, in every copy
// that shares them, then empties it: for when the command that holds them ends.
void wipeSecret(QByteArray& secret);

} // namespace quibex
