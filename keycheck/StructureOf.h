// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "keycheck/FormatJudge.h"

#include <QMimeType>

#include <optional>

namespace quibex::keycheck {

struct Judged
{
    Structure structure = Structure::Unknown;
    // Whether what the structure leaves unchecked is bare bytes (samples,
    // pixels, rows), to be compared across the password's characters.
    bool rawPayload = false;
    // Where those bytes are values that run smoothly, when the format says.
    std::optional<Samples> samples;
};

// The structure of bytes that content sniffing found to be of type, by the
// family of formats that type or an ancestor of it belongs to. A type of no
// known family is taken on its magic alone, as its bytes may be anything.
Judged structureOf(const QMimeType& type, const Beginning& file);

} // namespace quibex::keycheck
