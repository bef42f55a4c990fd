// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/Percent.h"

#include <cmath>

namespace quibex {

int roundedPercent(std::uint64_t done, std::uint64_t total)
{
    if (total == 0) {
        return 0;
    }
    const double value = static_cast<double>(done) / static_cast<double>(total) * 100.0;
    // Ties to even, whatever the floating-point environment says.
    const double low = std::floor(value);
    const double diff = value - low;
    double result = low;
    if (diff > 0.5) {
        result = low + 1.0;
    } else if (diff == 0.5) {
        result = std::fmod(low, 2.0) == 0.0 ? low : low + 1.0;
    }
    return static_cast<int>(result);
}

} // namespace quibex
