// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

namespace quibex::keycheck {

// How the beginning of an encrypted file, decrypted with a key, compares with
// the type its name still tells (photo.JPG.qbc was a JPG).
enum class KeyFit
{
    // Not a stem.EXT.qbc name, an ending the MIME database cannot judge from
    // content, or too few bytes: no question.
    CannotTell,
    // Content that seems right for the key: no question.
    Fits,
    // The key gives neither the type of the name nor any other specific
    // type, but the other mode's key does (never said of fewer than 256 bytes).
    OtherModeFits,
    // Neither key gives content of the type of the name.
    NeitherFits,
};

} // namespace quibex::keycheck
