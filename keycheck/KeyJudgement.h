// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "keycheck/KeyFit.h"

#include <QByteArray>
#include <QList>
#include <QMimeType>

#include <cstdint>
#include <functional>

namespace quibex::keycheck {

// As much of a file's beginning as any judged kind needs.
constexpr std::size_t BeginningSize = std::size_t{64} * 1024;

// How a key fits bytes, the beginning of an encrypted file of fileSize bytes
// whose name stands for types (typesToJudge()): decrypted with key (made of
// the password codes in the mode advanced), and, when that key does not
// seem right and there are enough bytes to tell the modes apart, with the
// other mode's key, made by otherKey only then (the caller wipes it). A
// right key gives content of a specific type (the name's, or another one:
// a picture named for another format) whose structure holds, and whose bare
// bytes, as text's, read alike at every character of the password. Every
// decrypted byte is wiped before it returns.
KeyFit judgeKey(const QList<QMimeType>& types, const QByteArray& bytes, std::uint64_t fileSize,
                const QByteArray& codes, bool advanced, const QByteArray& key,
                const std::function<QByteArray()>& otherKey);

} // namespace quibex::keycheck
