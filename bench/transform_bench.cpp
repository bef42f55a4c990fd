// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// The block transform against memcpy on the same 1 MiB buffer.
#include "cipher/RotatingXor.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

constexpr std::size_t BufferSize = std::size_t{1024} * 1024;

std::vector<std::uint8_t> makeKey(std::size_t n)
{
    std::vector<std::uint8_t> key(n);
    std::iota(key.begin(), key.end(), std::uint8_t(17));
    return key;
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<std::uint8_t> buffer(BufferSize, 0x5A);
    std::vector<std::uint8_t> copy(BufferSize);
    for (auto _ : state) {
        std::memcpy(copy.data(), buffer.data(), BufferSize);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(BufferSize));
}
BENCHMARK(BM_Memcpy);

// In place, as the file job does it; key length as the argument.
void BM_TransformInPlace(benchmark::State& state)
{
    std::vector<std::uint8_t> buffer(BufferSize, 0x5A);
    quibex::RotatingXor transform(makeKey(std::size_t(state.range(0))));
    for (auto _ : state) {
        transform.apply(buffer);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(BufferSize));
}
BENCHMARK(BM_TransformInPlace)->Arg(1)->Arg(7)->Arg(255)->Arg(256);

// From one buffer into another, like memcpy.
void BM_TransformCopy(benchmark::State& state)
{
    std::vector<std::uint8_t> buffer(BufferSize, 0x5A);
    std::vector<std::uint8_t> out(BufferSize);
    quibex::RotatingXor transform(makeKey(std::size_t(state.range(0))));
    for (auto _ : state) {
        transform.apply(buffer, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(BufferSize));
}
BENCHMARK(BM_TransformCopy)->Arg(7)->Arg(256);

} // namespace

BENCHMARK_MAIN();
