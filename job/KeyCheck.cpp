// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/KeyCheck.h"

#include "cipher/RotatingXor.h"
#include "job/FileJob.h"
#include "job/InputFile.h"
#include "job/JobView.h"
#include "job/OffThread.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"

#include <QFile>
#include <QMimeDatabase>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <memory>
#include <span>

namespace quibex {

namespace {

// Enough for the content rules of common types (a tar header ends at 512, an
// office document names itself within the first entry of its archive).
constexpr std::size_t BeginningSize = std::size_t{16} * 1024;
// Fewer bytes than this say too little either way.
constexpr qsizetype ShortestTold = 16;

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

// A type is told from content by its own rules or an ancestor's (a word
// processor document by its archive's), or, for text, by being text.
bool isText(const QMimeType& type);

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
// empty when there is none.
QString keptEnding(const QString& file)
{
    const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    if (!name.endsWith(QLatin1String(".qbc"), Qt::CaseInsensitive)) {
        return {};
    }
    const QString inner = name.chopped(4);
    const qsizetype dot = inner.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : inner.mid(dot + 1);
}

// The types the ending names, when every one of them can be told by content.
QList<QMimeType> judgeableTypes(const QMimeDatabase& database, const QString& ending)
{
    if (ending.isEmpty()) {
        return {};
    }
    const QList<QMimeType> types =
        database.mimeTypesForFileName(QStringLiteral("x.") + ending.toLower());
    const bool judgeable =
        !types.isEmpty() && std::all_of(types.cbegin(), types.cend(), toldByContent);
    return judgeable ? types : QList<QMimeType>{};
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

bool fitsOneOf(const QMimeType& found, const QList<QMimeType>& types)
{
    return !found.isDefault() &&
           std::any_of(types.cbegin(), types.cend(), [&found](const QMimeType& type) {
               return found == type || found.inherits(type.name()) || type.inherits(found.name());
           });
}

// Text judged by the whole beginning, not its first 128 bytes alone: a wrong
// key turns some line ends, blanks or capitals of a text into control
// characters. Tabs, line and page breaks, and the end mark and escapes of old
// text files are text.
bool controlFree(const QByteArray& bytes)
{
    return std::none_of(bytes.cbegin(), bytes.cend(), [](char byte) {
        const auto code = quint8(byte);
        return code < 0x20 && !(code >= 0x09 && code <= 0x0D) && code != 0x1A && code != 0x1B;
    });
}

bool isText(const QMimeType& type)
{
    const QString plain = QStringLiteral("text/plain");
    return type.name() == plain || type.inherits(plain);
}

// The type of decrypted bytes; text with control characters in it is no
// type at all. Text that opens with a byte-order mark is taken as it is.
QMimeType typeOf(const QMimeDatabase& database, const QByteArray& plain)
{
    const QMimeType found = database.mimeTypeForData(plain);
    const bool marked = plain.startsWith("\xFF\xFE") || plain.startsWith("\xFE\xFF") ||
                        plain.startsWith("\xEF\xBB\xBF");
    if (isText(found) && !marked && !controlFree(plain)) {
        return database.mimeTypeForName(QStringLiteral("application/octet-stream"));
    }
    return found;
}

// What a right key gives: the type of the name, or content of some other
// specific type (a picture named for another format). Not mere text: a wrong
// key over the zeros of a binary header gives the printable password back.
bool seemsRight(const QMimeType& found, const QList<QMimeType>& types)
{
    return (!found.isDefault() && !isText(found)) || fitsOneOf(found, types);
}

} // namespace

namespace {

KeyFit fitOf(const QMimeDatabase& database, const QList<QMimeType>& types, const QByteArray& bytes,
             const QByteArray& key, const std::function<QByteArray()>& otherKey)
{
    if (bytes.size() < ShortestTold) {
        return KeyFit::CannotTell;
    }
    QByteArray plain = decrypted(bytes, key);
    const auto wiped = qScopeGuard([&plain] { wipeSecret(plain); });
    if (seemsRight(typeOf(database, plain), types)) {
        return KeyFit::CannotTell;
    }
    const QByteArray other = otherKey();
    if (other.isEmpty()) {
        return KeyFit::NeitherFits;
    }
    wipeSecret(plain);
    plain = decrypted(bytes, other);
    return fitsOneOf(typeOf(database, plain), types) ? KeyFit::OtherModeFits : KeyFit::NeitherFits;
}

} // namespace

KeyFit keyFit(const QString& file, const QByteArray& key,
              const std::function<QByteArray()>& otherKey)
{
    const QMimeDatabase database;
    const QList<QMimeType> types = judgeableTypes(database, keptEnding(file));
    if (types.isEmpty() || key.isEmpty()) {
        return KeyFit::CannotTell;
    }
    return fitOf(database, types, beginningOf(file, {}), key, otherKey);
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
    const KeyFit fit = fitOf(database, types, *beginning, key, [&] {
        other = advanced ? QByteArray(codes.constData(), codes.size()) : expandKeySilently(codes);
        return other;
    });
    if (fit == KeyFit::CannotTell) {
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
