// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quibex::cli {

// Where the password comes from: never the command line, which other users'
// ps would show.
struct PasswordSource
{
    QString file;       // its first line, without the line end
    int fd = -1;        // read up to a line end
    bool twice = false; // asked twice on the terminal, and compared
};

// The password's Windows-1252 codes, with the window's checks (fewer than 256
// characters, Windows-1252 only); nullopt with error saying why.
std::optional<QByteArray> readPassword(const PasswordSource& source, QString& error);

} // namespace quibex::cli
