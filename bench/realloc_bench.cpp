// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// Growing a buffer to 4 MiB in 4 KiB steps, as readers of pipes and string
// builders do: through the program's realloc, which wipes what it frees,
// and through glibc's own.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_realloc(void* block,
                                std::size_t size); // NOLINT(bugprone-reserved-identifier)
extern "C" void __libc_free(void* block);          // NOLINT(bugprone-reserved-identifier)

namespace {

template <void* (*Grow)(void*, std::size_t), void (*Free)(void*)>
void growBySteps(benchmark::State& state)
{
    for (auto _ : state) {
        void* block = nullptr;
        for (std::size_t size = 4096; size <= 4U * 1024 * 1024; size += 4096) {
            block = Grow(block, size);
            static_cast<char*>(block)[size - 1] = 1;
        }
        benchmark::DoNotOptimize(block);
        Free(block);
    }
}

// Once, first in a process (run it alone with --benchmark_filter), as a
// program meets it; and again and again, with the heap grown already.
BENCHMARK(growBySteps<std::realloc, std::free>)
    ->Name("BM_GrowWipingOnce")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(growBySteps<__libc_realloc, __libc_free>)
    ->Name("BM_GrowGlibcOnce")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(growBySteps<std::realloc, std::free>)
    ->Name("BM_GrowWiping")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(growBySteps<__libc_realloc, __libc_free>)
    ->Name("BM_GrowGlibc")
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
