// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "keycheck/PasswordPositions.h"

#include <QByteArray>

namespace quibex::keycheck {

// Whether the beginning of a decrypted file reads as text as people write it
// (UTF-8, or Windows-1252 with few letters beyond ASCII; blanks between
// words; line and page breaks, tabs, the end mark of old DOS files and the
// escapes of coloured logs allowed, no other control character), and reads
// alike whichever character of the password made the key there. A wrong key
// garbles every byte, a mistyped character the bytes of its own positions
// (readsAlikeAcrossKey()). A text too short for that is judged by which
// characters follow which.
bool readsAsText(const QByteArray& bytes, const PasswordPositions& password);

} // namespace quibex::keycheck
