// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "cli/Password.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quibex::cli {

enum class Command
{
    Encrypt,
    Decrypt,
    Check
};

// What the command line asks for, checked for misuse.
struct Options
{
    Command command = Command::Encrypt;
    std::optional<bool> advanced; // none: the check chooses, when decrypting
    bool recursive = false;
    bool force = false;
    bool noClobber = false;
    bool quiet = false;
    QString output;
    PasswordSource password;
    QStringList paths;
};

// nullopt with error saying what is misused (help and version end the
// program here).
std::optional<Options> parseOptions(const QStringList& arguments, QString& error);

} // namespace quibex::cli
