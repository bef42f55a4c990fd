// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "keycheck/FormatJudge.h"

namespace quibex::keycheck {

// Each family of formats, in a file of its own name.
Structure judgeZip(const Beginning& file);
Structure judgePng(const Beginning& file);
Structure judgeGzip(const Beginning& file);
Structure judgePdf(const Beginning& file);
Structure judgeBzip2(const Beginning& file);
Structure judgeXz(const Beginning& file);
Structure judgeZstd(const Beginning& file);
Structure judgeTar(const Beginning& file);
Structure judgeJpeg(const Beginning& file);
Structure judgeGif(const Beginning& file);
Structure judgeRiff(const Beginning& file);
Structure judgeMp3(const Beginning& file);
Structure judgeIsoMedia(const Beginning& file);
Structure judgeOgg(const Beginning& file);
Structure judgeFlac(const Beginning& file);
Structure judgeOpenType(const Beginning& file);
Structure judgeSqlite(const Beginning& file);
Structure judgeBmp(const Beginning& file);
Structure judgeIco(const Beginning& file);

// Their bare values, for the families that have them.
std::optional<Samples> waveSamples(const Beginning& file);
std::optional<Samples> bmpSamples(const Beginning& file);
std::optional<Samples> icoSamples(const Beginning& file);

} // namespace quibex::keycheck
