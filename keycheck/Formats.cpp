// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include "keycheck/StructureOf.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace quibex::keycheck {

namespace {

struct Family
{
    const char* type; // a MIME type; its subtypes are judged alike
    FormatJudge judge;
    // What the structure leaves unchecked (samples, pixels, rows, the files
    // of an archive) has no structure of its own: its bytes are compared
    // across the password's characters.
    bool rawPayload;
    SampleFinder samples = nullptr;
};

// A new kind is a new file and one line here.
constexpr std::array Families{
    Family{"application/zip", judgeZip, false},
    Family{"image/png", judgePng, false},
    Family{"application/gzip", judgeGzip, false},
    Family{"application/pdf", judgePdf, false},
    Family{"application/x-bzip", judgeBzip2, false},
    Family{"application/x-bzip2", judgeBzip2, false},
    Family{"application/x-xz", judgeXz, false},
    Family{"application/zstd", judgeZstd, false},
    Family{"application/x-zstd", judgeZstd, false},
    Family{"application/x-tar", judgeTar, true},
    Family{"image/jpeg", judgeJpeg, false},
    Family{"image/gif", judgeGif, false},
    Family{"audio/x-wav", judgeRiff, true, waveSamples},
    // A RIFF whose form type is none the database knows (a WAVE garbled).
    Family{"application/x-riff", judgeRiff, true},
    Family{"audio/vnd.wave", judgeRiff, true, waveSamples},
    Family{"video/x-msvideo", judgeRiff, false},
    Family{"image/webp", judgeRiff, false},
    Family{"audio/mpeg", judgeMp3, false},
    Family{"video/mp4", judgeIsoMedia, false},
    Family{"audio/mp4", judgeIsoMedia, false},
    Family{"video/quicktime", judgeIsoMedia, false},
    Family{"video/3gpp", judgeIsoMedia, false},
    Family{"image/heif", judgeIsoMedia, false},
    Family{"image/avif", judgeIsoMedia, false},
    Family{"application/ogg", judgeOgg, false},
    Family{"audio/flac", judgeFlac, false},
    Family{"font/ttf", judgeOpenType, false},
    Family{"font/otf", judgeOpenType, false},
    Family{"font/collection", judgeOpenType, false},
    Family{"application/vnd.sqlite3", judgeSqlite, true},
    Family{"image/bmp", judgeBmp, true, bmpSamples},
    Family{"image/vnd.microsoft.icon", judgeIco, true, icoSamples},
};

const Family* familyOf(const QMimeType& type)
{
    QStringList names{type.name()};
    names += type.aliases();
    names += type.allAncestors();
    for (const QString& name : names) {
        const auto found =
            std::find_if(Families.cbegin(), Families.cend(),
                         [&name](const Family& f) { return name == QLatin1String(f.type); });
        if (found != Families.cend()) {
            return &*found;
        }
    }
    return nullptr;
}

} // namespace

Judged structureOf(const QMimeType& type, const Beginning& file)
{
    const Family* family = familyOf(type);
    if (family == nullptr) {
        return {Structure::Unknown, false, std::nullopt};
    }
    const Structure structure = family->judge(file);
    return {structure, family->rawPayload,
            structure != Structure::Broken && family->samples != nullptr ? family->samples(file)
                                                                         : std::nullopt};
}

} // namespace quibex::keycheck
