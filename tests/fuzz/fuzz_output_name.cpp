// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// The output of the naming rule must always stay in the input's own folder,
// keep the file name up to its first dot, and end in ".qbc" or ".cbq".
#include "job/OutputName.h"

#include <QFileInfo>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString output = quibex::outputPathFor(input);

    check(folderOf(output) == folderOf(input));
    const QString name = input.mid(folderOf(input).size());
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString stem = dot < 0 ? name : name.left(dot);
    check(output.mid(folderOf(output).size()).startsWith(stem));
    check(output.endsWith(QLatin1String(".qbc")) || output.endsWith(QLatin1String(".cbq")));
    check(output.endsWith(QLatin1String(".cbq")) ==
          (quibex::ext3Of(input) == QLatin1String("QBC")));
    return 0;
}
