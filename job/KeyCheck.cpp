// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/KeyCheck.h"

#include "job/FileJob.h"
#include "job/InputFile.h"
#include "job/JobView.h"
#include "job/OffThread.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"
#include "keycheck/KeyJudgement.h"
#include "keycheck/MimeTypes.h"

#include <QFile>
#include <QMimeDatabase>
#include <QScopeGuard>

#include <algorithm>
#include <memory>

namespace quibex {

namespace {

using texts::text;

FileBeginning beginningOf(const QString& file, const std::shared_ptr<StreamWrapper>& streams,
                          const std::optional<FileIdentity>& expected = {})
{
    int error = 0;
    std::unique_ptr<InputFile> input = InputFile::open(QFile::encodeName(file), error);
    if (!input || !input->isRegular() || input->isVirtual()) {
        return {};
    }
    if (expected &&
        (input->info().st_dev != expected->device || input->info().st_ino != expected->inode)) {
        return {{}, 0, true}; // not a byte read of what took its place
    }
    const auto size = std::uint64_t(input->info().st_size);
    std::unique_ptr<ByteSource> source = std::move(input);
    if (streams) {
        source = streams->source(std::move(source));
    }
    QByteArray bytes(qsizetype(std::min<std::uint64_t>(keycheck::BeginningSize, size)),
                     Qt::Uninitialized);
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
    return {bytes, size, false};
}

// The key of codes in a mode, a copy of its own to be wiped.
QByteArray keyOf(const QByteArray& codes, bool advanced)
{
    return advanced ? expandKeySilently(codes) : QByteArray(codes.constData(), codes.size());
}

// The other mode's key is made only when needed, and wiped here whatever happens.
KeyFit fitOf(const QList<QMimeType>& types, const FileBeginning& read, const QByteArray& codes,
             bool advanced, const QByteArray& key)
{
    QByteArray other;
    const auto otherWiped = qScopeGuard([&other] { wipeSecret(other); });
    return keycheck::judgeKey(types, read.bytes, read.size, codes, advanced, key, [&] {
        other = keyOf(codes, !advanced);
        return other;
    });
}

} // namespace

FileBeginning readBeginning(const QString& file, const std::optional<FileIdentity>& expected)
{
    return beginningOf(file, {}, expected);
}

KeyFit keyFit(const QString& file, const FileBeginning& beginning, const QByteArray& codes,
              bool advanced)
{
    const QList<QMimeType> types = keycheck::typesToJudge(QMimeDatabase(), file);
    if (types.isEmpty() || codes.isEmpty()) {
        return KeyFit::CannotTell;
    }
    QByteArray key = keyOf(codes, advanced);
    const auto wiped = qScopeGuard([&key] { wipeSecret(key); });
    return fitOf(types, beginning, codes, advanced, key);
}

KeyFit keyFit(const QString& file, const QByteArray& codes, bool advanced)
{
    return keyFit(file, readBeginning(file), codes, advanced);
}

bool confirmKey(JobView& view, const QString& file, const QByteArray& codes, bool advanced,
                const QByteArray& key, const JobOptions& options)
{
    const QList<QMimeType> types = keycheck::typesToJudge(QMimeDatabase(), file);
    if (types.isEmpty()) {
        return true;
    }
    // Read off the window's thread: a file that blocks must not freeze it.
    const std::optional<FileBeginning> beginning =
        offThread(view, options.updateInterval,
                  [file, streams = options.streams] { return beginningOf(file, streams); });
    if (!beginning) {
        return false; // the program is ending
    }
    const KeyFit fit = fitOf(types, *beginning, codes, advanced, key);
    if (fit == KeyFit::CannotTell || fit == KeyFit::Fits) {
        return true;
    }
    const QString question =
        fit == KeyFit::OtherModeFits
            ? text(texts::OtherModeQuestion)
                  .arg(text(advanced ? texts::ModeSimple : texts::ModeAdvanced))
            : text(texts::WrongKeyQuestion).arg(keycheck::keptEnding(file));
    return view.question(question) && !view.endRequested();
}

} // namespace quibex
