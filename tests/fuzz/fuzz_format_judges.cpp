// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// Every family of formats judges decrypted bytes, which a wrong key makes
// any bytes at all: none may read past them, loop, or grow without bound;
// nor may the samples those families find be read past the bytes.
// The first byte tells how far the file is said to go past the bytes.
#include "keycheck/Formats.h"
#include "keycheck/SampleEvidence.h"

#include <array>
#include <cstddef>
#include <cstdint>

using namespace quibex::keycheck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::uint64_t beyond = data[0] < 128 ? 0 : std::uint64_t(data[0]) << 12;
    const Beginning file{std::span(data + 1, size - 1), size - 1 + beyond};
    static constexpr std::array Judges{
        judgeZip,  judgePng,      judgeGzip,   judgePdf,  judgeBzip2, judgeXz,       judgeZstd,
        judgeTar,  judgeJpeg,     judgeGif,    judgeRiff, judgeMp3,   judgeIsoMedia, judgeOgg,
        judgeFlac, judgeOpenType, judgeSqlite, judgeBmp,  judgeIco};
    for (const FormatJudge judge : Judges) {
        judge(file);
    }
    static const QByteArray Codes("Quibex-2024!");
    for (const SampleFinder find : {waveSamples, bmpSamples, icoSamples}) {
        if (const std::optional<Samples> samples = find(file)) {
            for (const bool advanced : {false, true}) {
                samplesRunAlike(file.bytes, *samples, PasswordPositions::of(Codes, advanced));
            }
        }
    }
    return 0;
}
