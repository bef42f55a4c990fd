#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace quibex::bench {

// The command line shared by the whole-run benchmarks:
// [--advanced] [--slow-disk MBPS] FILE PASSWORD.
struct BenchArguments
{
    bool advanced = false;
    // When > 0, the output goes to a simulated disk that stores this many
    // bytes per second (the writer's slow-disk seam).
    long long slowDiskBytesPerSecond = 0;
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
        } else {
            fits = false;
        }
    }
    if (!fits || argc - arg != 2) {
        std::fprintf(stderr, "usage: %s [--advanced] [--slow-disk MBPS] FILE PASSWORD\n", program);
        return std::nullopt;
    }
    parsed.file = argv[arg];
    parsed.password = argv[arg + 1];
    return parsed;
}

} // namespace quibex::bench
