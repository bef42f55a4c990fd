// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "keycheck/FormatJudge.h"
#include "keycheck/PasswordPositions.h"

#include <cstdint>
#include <span>

namespace quibex::keycheck {

// Whether decrypted samples or pixels run as smoothly whichever character of
// the password made their bytes. A mistyped character flips bits of its own
// bytes alone: where those are the low bytes of loud sound, or a few of the
// advanced key's 256 codes, the bytes' counts hardly change, but each value
// it touched stands out from its neighbours. Compared within each channel,
// as channels differ in their own right.
bool samplesRunAlike(std::span<const std::uint8_t> file, const Samples& samples,
                     const PasswordPositions& password);

} // namespace quibex::keycheck
