// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <cstdint>

namespace quibex {

// round(done / total * 100) in double precision, ties to even; 0 when total is 0.
int roundedPercent(std::uint64_t done, std::uint64_t total);

} // namespace quibex
