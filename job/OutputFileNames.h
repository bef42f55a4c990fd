// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QByteArray>

#include <sys/stat.h>

// What OutputFile's making of the file (OutputFile.cpp) and its giving of
// names (OutputFileNames.cpp) both use.
namespace quibex::output_names {

inline constexpr int NameAttempts = 100;

// ".qbc-" and 8 random characters and ".tmp": short and never derived from the
// input's name, so that every output name that fits also has its temporary.
QByteArray randomTemporaryName();

// The name of an open file through /proc, which a link can be made from.
QByteArray procPathOf(int fd);

bool sameFile(const struct stat& a, const struct stat& b);

} // namespace quibex::output_names
