// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/KeyCheck.h"

#include "cipher/RotatingXor.h"
#include "job/FileJob.h"
#include "job/InputFile.h"
#include "job/JobView.h"
#include "job/OffThread.h"
#include "job/PasswordKey.h"
#include "job/TextEvidence.h"
#include "job/Texts.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMultiHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <memory>
#include <span>

namespace quibex {

namespace {

// Enough for the content rules of common types (a tar header ends at 512, an
// office document names itself within the first entry of its archive).
constexpr std::size_t BeginningSize = std::size_t{16} * 1024;
// Fewer bytes than this say too little either way.
constexpr qsizetype ShortestTold = 16;
// Below this, a wrong password and a wrong mode garble a beginning alike:
// the question then names no mode.
constexpr qsizetype ShortestForMode = 256;

using texts::text;

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

bool isText(const QMimeType& type)
{
    const QString plain = QStringLiteral("text/plain");
    return type.name() == plain || type.inherits(plain);
}

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

// The ending an encrypted name kept before ".qbc" ("JPG" in photo.JPG.qbc),
// empty when there is none or when it is only the end of a name that had no
// ending ("sans_extension" gave sans_extension.ION.qbc).
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

QByteArray beginningOf(const QString& file, const std::shared_ptr<StreamWrapper>& streams)
{
    int error = 0;
    std::unique_ptr<InputFile> input = InputFile::open(QFile::encodeName(file), error);
    if (!input || !input->isRegular() || input->isVirtual()) {
        return {};
    }
    std::unique_ptr<ByteSource> source = std::move(input);
    if (streams) {
        source = streams->source(std::move(source));
    }
    QByteArray bytes(qsizetype(BeginningSize), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const std::int64_t got =
            source->read(bytes.data() + filled, std::size_t(bytes.size() - filled));
        if (got <= 0) {
            break;
        }
        filled += qsizetype(got);
    }
    bytes.truncate(filled);
    return bytes;
}

QByteArray decrypted(const QByteArray& bytes, const QByteArray& key)
{
    QByteArray plain(bytes.size(), Qt::Uninitialized);
    RotatingXor(
        std::span(reinterpret_cast<const std::uint8_t*>(key.constData()), std::size_t(key.size())))
        .apply(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         std::size_t(bytes.size())),
               std::span(reinterpret_cast<std::uint8_t*>(plain.data()), std::size_t(plain.size())));
    return plain;
}

// What a right key gives: content of a specific type (the name's, or another
// binary one: a picture named for another format), or, where the name stands
// for text, text as people write it, alike at every position of the key.
// Mere text is never right for a binary type: a wrong key over the zeros of
// a binary header gives the printable password back.
bool seemsRight(const QMimeDatabase& database, const QByteArray& plain,
                const PasswordPositions& password, const QList<QMimeType>& types)
{
    if (std::any_of(types.cbegin(), types.cend(), isText) && readsAsText(plain, password)) {
        return true;
    }
    const QMimeType found = database.mimeTypeForData(plain);
    return !found.isDefault() && !isText(found);
}

// A wrong key, with a short beginning, cannot be told from a wrong mode:
// the password question then. The other mode is named only when its key
// gives content of the name's type and this key does not.
KeyFit fitOf(const QMimeDatabase& database, const QList<QMimeType>& types, const QByteArray& bytes,
             const QByteArray& codes, bool advanced, const QByteArray& key,
             const std::function<QByteArray()>& otherKey)
{
    if (bytes.size() < ShortestTold) {
        return KeyFit::CannotTell;
    }
    QByteArray plain = decrypted(bytes, key);
    const auto wiped = qScopeGuard([&plain] { wipeSecret(plain); });
    if (seemsRight(database, plain, PasswordPositions::of(codes, advanced), types)) {
        return KeyFit::Fits;
    }
    if (bytes.size() < ShortestForMode) {
        return KeyFit::NeitherFits;
    }
    const QByteArray other = otherKey();
    if (other.isEmpty()) {
        return KeyFit::NeitherFits;
    }
    wipeSecret(plain);
    plain = decrypted(bytes, other);
    return seemsRight(database, plain, PasswordPositions::of(codes, !advanced), types)
               ? KeyFit::OtherModeFits
               : KeyFit::NeitherFits;
}

// The key of codes in a mode, a copy of its own to be wiped.
QByteArray keyOf(const QByteArray& codes, bool advanced)
{
    return advanced ? expandKeySilently(codes) : QByteArray(codes.constData(), codes.size());
}

} // namespace

KeyFit keyFit(const QString& file, const QByteArray& codes, bool advanced)
{
    const QMimeDatabase database;
    const QList<QMimeType> types = judgeableTypes(database, keptEnding(file));
    if (types.isEmpty() || codes.isEmpty()) {
        return KeyFit::CannotTell;
    }
    QByteArray key = keyOf(codes, advanced);
    QByteArray other;
    const auto wiped = qScopeGuard([&key, &other] {
        wipeSecret(key);
        wipeSecret(other);
    });
    return fitOf(database, types, beginningOf(file, {}), codes, advanced, key, [&] {
        other = keyOf(codes, !advanced);
        return other;
    });
}

bool confirmKey(JobView& view, const QString& file, const QByteArray& codes, bool advanced,
                const QByteArray& key, const JobOptions& options)
{
    const QMimeDatabase database;
    const QList<QMimeType> types = judgeableTypes(database, keptEnding(file));
    if (types.isEmpty()) {
        return true;
    }
    // Read off the window's thread: a file that blocks must not freeze it.
    const std::optional<QByteArray> beginning =
        offThread(view, options.updateInterval,
                  [file, streams = options.streams] { return beginningOf(file, streams); });
    if (!beginning) {
        return false; // the program is ending
    }
    // Made only when needed, and wiped here whatever happens.
    QByteArray other;
    const auto otherWiped = qScopeGuard([&other] { wipeSecret(other); });
    const KeyFit fit = fitOf(database, types, *beginning, codes, advanced, key, [&] {
        other = keyOf(codes, !advanced);
        return other;
    });
    if (fit == KeyFit::CannotTell || fit == KeyFit::Fits) {
        return true;
    }
    const QString question =
        fit == KeyFit::OtherModeFits
            ? text(texts::OtherModeQuestion)
                  .arg(text(advanced ? texts::ModeSimple : texts::ModeAdvanced))
            : text(texts::WrongKeyQuestion).arg(keptEnding(file));
    const bool goOn = view.question(question);
    if (view.endRequested()) {
        return false;
    }
    if (!goOn) {
        backToIdle(view);
    }
    return goOn;
}

} // namespace quibex
