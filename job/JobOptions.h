#pragma once

#include "job/AtomicWriter.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quibex {

// Test seam: an input read that fails as a broken disk would.
struct ReadFaults
{
    // When >= 0, reading at or past this byte fails with error.
    std::int64_t failAtByte = -1;
    int error = EIO;
};

// Tuning and test seams of the file job. dec_crypt(view, file, key) uses the
// defaults.
struct JobOptions
{
    std::size_t blockSize = std::size_t{1024} * 1024;
    // The view is updated, and the job yields, at least this often while the
    // bytes move on their own thread (and once when they have all been written).
    std::chrono::milliseconds updateInterval{30};
    // Test seam: every block is shown (one update and one yield) before the
    // next one is read, whatever the interval, so that a test sees every count
    // and can act between two blocks.
    bool showEveryBlock = false;
    WriteFaults writeFaults;
    ReadFaults readFaults;
};

} // namespace quibex
