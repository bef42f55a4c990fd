// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/OutputName.h"

#include <QList>

#include <algorithm>

namespace quibex {

namespace {

// Index of the last path separator, -1 when there is none. A backslash is
// an ordinary character of a name here.
qsizetype lastSeparator(const QString& path)
{
    return path.lastIndexOf(QLatin1Char('/'));
}

} // namespace

QString ext3Of(const QString& path)
{
    // Whole characters, each upper-cased alone: a character whose capital is
    // several (ß) keeps its own form, so that ext3 has three characters.
    const QList<uint> name = path.mid(lastSeparator(path) + 1).toUcs4();
    QString ext3;
    for (qsizetype i = std::max<qsizetype>(0, name.size() - 3); i < name.size(); ++i) {
        const auto code = char32_t(name[i]);
        const QString character = QString::fromUcs4(&code, 1);
        const QString upper = character.toUpper();
        ext3 += upper.toUcs4().size() == 1 ? upper : character;
    }
    return ext3;
}

bool isDecryptionPath(const QString& path)
{
    const QString ext3 = ext3Of(path);
    return ext3 == QLatin1String("QBC") || ext3 == QLatin1String("CBQ");
}

QString outputPathFor(const QString& path)
{
    const qsizetype separator = lastSeparator(path);
    const QString folder = path.left(separator + 1);
    const QString name = path.mid(separator + 1);
    const QString ext3 = ext3Of(path);
    const QString ending = ext3 == QLatin1String("QBC")
                               ? QStringLiteral(".cbq")
                               : QLatin1Char('.') + ext3 + QStringLiteral(".qbc");
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return folder + (dot < 0 ? name : name.left(dot)) + ending;
}

} // namespace quibex
