#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "job/JobOptions.h"
#include "tests/support/TestStreams.h"

namespace quibex::bench {

// The command line shared by the whole-run benchmarks:
// [--advanced] [--slow-disk MBPS] [--quit-after MS [--quit-by menu|button]]
// FILE PASSWORD (the window benchmark alone takes the quit options).
struct BenchArguments
{
    bool advanced = false;
    // When > 0, the output goes to a simulated disk that stores this many
    // bytes per second (the test streams' slow disk).
    long long slowDiskBytesPerSecond = 0;
    // When > 0, a Quit command this many milliseconds after the job starts.
    long long quitAfterMs = 0;
    bool quitByButton = false;
    const char* file = nullptr;
    const char* password = nullptr;
};

// Prints the usage line of program and returns nullopt when the words do not fit.
inline std::optional<BenchArguments> parseBenchArguments(int argc, char** argv, const char* program)
{
    BenchArguments parsed;
    int arg = 1;
    bool fits = true;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--advanced") == 0) {
            parsed.advanced = true;
        } else if (std::strcmp(argv[arg], "--slow-disk") == 0 && arg + 1 < argc) {
            const double megabytes = std::atof(argv[++arg]);
            parsed.slowDiskBytesPerSecond = static_cast<long long>(megabytes * 1e6);
            fits = fits && parsed.slowDiskBytesPerSecond > 0;
        } else if (std::strcmp(argv[arg], "--quit-after") == 0 && arg + 1 < argc) {
            parsed.quitAfterMs = std::atoll(argv[++arg]);
            fits = fits && parsed.quitAfterMs > 0;
        } else if (std::strcmp(argv[arg], "--quit-by") == 0 && arg + 1 < argc) {
            parsed.quitByButton = std::strcmp(argv[++arg], "button") == 0;
            fits = fits && (parsed.quitByButton || std::strcmp(argv[arg], "menu") == 0);
        } else {
            fits = false;
        }
    }
    if (!fits || argc - arg != 2) {
        std::fprintf(stderr,
                     "usage: %s [--advanced] [--slow-disk MBPS] [--quit-after MS "
                     "[--quit-by menu|button]] FILE PASSWORD\n",
                     program);
        return std::nullopt;
    }
    parsed.file = argv[arg];
    parsed.password = argv[arg + 1];
    return parsed;
}

// The job's options for a run: the slow disk when one was asked for.
inline JobOptions jobOptionsFor(const BenchArguments& arguments)
{
    JobOptions options;
    if (arguments.slowDiskBytesPerSecond > 0) {
        testing::TestStreams::Faults faults;
        faults.bytesPerSecond = arguments.slowDiskBytesPerSecond;
        options.streams = std::make_shared<testing::TestStreams>(faults);
    }
    return options;
}

} // namespace quibex::bench
