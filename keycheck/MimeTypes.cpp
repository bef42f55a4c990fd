// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/MimeTypes.h"

#include <QFile>
#include <QMultiHash>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>

namespace quibex::keycheck {

namespace {

// The types that shared-mime-info can recognise by content: those named in
// the magic list of its binary cache (big-endian; the list's offset is the
// sixth header word). A cache it cannot read recognises nothing here, so that
// no question is ever asked on a guess.
void addTypesWithMagic(const QByteArray& cache, QSet<QString>& types)
{
    const auto word = [&cache](qsizetype at, quint32& value) {
        if (at < 0 || at + 4 > cache.size()) {
            return false;
        }
        value = qFromBigEndian<quint32>(cache.constData() + at);
        return true;
    };
    quint32 list = 0;
    quint32 count = 0;
    quint32 first = 0;
    if (cache.size() < 4 || qFromBigEndian<quint16>(cache.constData()) != 1 || !word(24, list) ||
        !word(qsizetype(list), count) || !word(qsizetype(list) + 8, first)) {
        return;
    }
    for (quint32 i = 0; i < count; ++i) {
        quint32 name = 0;
        if (!word(qsizetype(first) + 16 * qsizetype(i) + 4, name)) {
            return;
        }
        const qsizetype end = cache.indexOf('\0', qsizetype(name));
        if (end < 0) {
            return;
        }
        types.insert(QString::fromLatin1(cache.mid(qsizetype(name), end - qsizetype(name))));
    }
}

const QSet<QString>& typesWithMagic()
{
    static const QSet<QString> types = [] {
        QSet<QString> found;
        for (const QString& path : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                             QStringLiteral("mime/mime.cache"))) {
            QFile cache(path);
            if (cache.open(QIODevice::ReadOnly)) {
                addTypesWithMagic(cache.readAll(), found);
            }
        }
        return found;
    }();
    return types;
}

} // namespace

bool isText(const QMimeType& type)
{
    const QString plain = QStringLiteral("text/plain");
    return type.name() == plain || type.inherits(plain);
}

namespace {

// A type is told from content by its own rules or an ancestor's (a word
// processor document by its archive's), or, for text, by being text.
bool toldByContent(const QMimeType& type)
{
    if (isText(type) || typesWithMagic().contains(type.name())) {
        return true;
    }
    const QStringList ancestors = type.allAncestors();
    return std::any_of(ancestors.cbegin(), ancestors.cend(), [](const QString& ancestor) {
        return ancestor != QLatin1String("application/octet-stream") &&
               typesWithMagic().contains(ancestor);
    });
}

// Every ending of the MIME database's globs ("*.docx"), by its last three
// letters ("ocx"): the name keeps no more of a longer ending. Read from its
// glob list (weight:type:pattern lines), which is far quicker to go through
// than every type the database holds.
const QMultiHash<QString, QString>& endingsByLastThree()
{
    static const QMultiHash<QString, QString> endings = [] {
        QMultiHash<QString, QString> found;
        for (const QString& path : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                             QStringLiteral("mime/globs2"))) {
            QFile globs(path);
            if (!globs.open(QIODevice::ReadOnly)) {
                continue;
            }
            for (const QByteArray& line : globs.readAll().split('\n')) {
                const QList<QByteArray> fields = line.split(':');
                const QString pattern =
                    fields.size() >= 3 ? QString::fromUtf8(fields[2]).toLower() : QString();
                const QString ending = pattern.mid(2);
                if (pattern.startsWith(QLatin1String("*.")) && ending.size() > 3 &&
                    !ending.contains(QRegularExpression(QStringLiteral("[*?\\[.]")))) {
                    found.insert(ending.right(3), ending);
                }
            }
        }
        return found;
    }();
    return endings;
}

// The types the kept ending may stand for: its own, and those of the longer
// endings it ends that can be told from content (OCX: docx; TML: html,
// xhtml). A two-letter ending kept its dot (.PS) and stands for itself alone.
// Empty when the ending itself names a type that cannot be told from content.
QList<QMimeType> judgeableTypes(const QMimeDatabase& database, const QString& ending)
{
    if (ending.isEmpty()) {
        return {};
    }
    const auto typesOf = [&database](const QString& candidate) {
        return database.mimeTypesForFileName(QStringLiteral("x.") + candidate);
    };
    QList<QMimeType> types = typesOf(ending.toLower());
    if (!std::all_of(types.cbegin(), types.cend(), toldByContent)) {
        return {};
    }
    if (ending.size() == 3) {
        for (const QString& longer : endingsByLastThree().values(ending.toLower())) {
            for (const QMimeType& type : typesOf(longer)) {
                if (!types.contains(type) && toldByContent(type)) {
                    types.append(type);
                }
            }
        }
    }
    return types;
}

} // namespace

QString keptEnding(const QString& file)
{
    const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    if (!name.endsWith(QLatin1String(".qbc"), Qt::CaseInsensitive)) {
        return {};
    }
    const QString inner = name.chopped(4);
    const qsizetype dot = inner.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return {};
    }
    const QString ending = inner.mid(dot + 1);
    const QString stem = inner.left(dot);
    const bool endOfAName = ending.size() == 3 && !stem.contains(QLatin1Char('.')) &&
                            stem.endsWith(ending, Qt::CaseInsensitive);
    return endOfAName ? QString() : ending;
}

QList<QMimeType> typesToJudge(const QMimeDatabase& database, const QString& file)
{
    return judgeableTypes(database, keptEnding(file));
}

} // namespace quibex::keycheck
