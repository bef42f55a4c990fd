// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/ByteStreams.h"

namespace quibex {

StreamError endAfterSize(ByteSource& source)
{
    char more = 0;
    const std::int64_t got = source.read(&more, 1);
    if (got < 0) {
        return source.error();
    }
    return got == 0 ? StreamError{} : sizeMismatch(source);
}

StreamError sizeMismatch(ByteSource& source)
{
    return source.changed() ? source.error() : StreamError{StreamFailure::InputIsVirtual, 0};
}

} // namespace quibex
