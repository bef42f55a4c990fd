#pragma once

#include <cstdio>
#include <cstring>
#include <optional>

namespace quibex::bench {

// The command line shared by the whole-run benchmarks: [--advanced] FILE PASSWORD.
struct BenchArguments
{
    bool advanced = false;
    const char* file = nullptr;
    const char* password = nullptr;
};

// Prints the usage line of program and returns nullopt when the words do not fit.
inline std::optional<BenchArguments> parseBenchArguments(int argc, char** argv, const char* program)
{
    BenchArguments parsed;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--advanced") == 0) {
        parsed.advanced = true;
        ++arg;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: %s [--advanced] FILE PASSWORD\n", program);
        return std::nullopt;
    }
    parsed.file = argv[arg];
    parsed.password = argv[arg + 1];
    return parsed;
}

} // namespace quibex::bench
