// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/FileJob.h"

#include "cipher/Percent.h"
#include "cipher/RotatingXor.h"
#include "job/JobView.h"
#include "job/JobWorker.h"
#include "job/OutputName.h"
#include "job/Texts.h"

#include "job/InputFile.h"
#include "job/OutputFile.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <optional>
#include <span>
#include <sys/stat.h>
#include <system_error>

namespace quibex {

namespace {

bool g_running = false;

using texts::text;

// How a run ended, told once both files are released.
struct Outcome
{
    enum class Kind
    {
        Success,
        Failure,
        Declined,
        Ended
    };
    Kind kind = Kind::Failure;
    QString message;
    MessageKind messageKind = MessageKind::None;

    static Outcome failure(const QString& message, MessageKind kind = MessageKind::None)
    {
        return {Kind::Failure, message, kind};
    }
    static Outcome refusal(const char* utf8, const QString& path)
    {
        return failure(text(utf8).arg(path), MessageKind::Error);
    }
    static Outcome systemFailure(int error) { return failure(systemErrorText(error)); }
};

// Upper-casing names the same file only where names ignore case; elsewhere
// it would show the path of another, non-existent file.
QString shownPath(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUpper();
#else
    return path;
#endif
}

// Count, percentage and bar of done bytes.
void showProgress(JobView& view, std::int64_t done, std::int64_t size)
{
    const int percent = size == 0 ? 100 : roundedPercent(std::uint64_t(done), std::uint64_t(size));
    view.setProgress(percent);
    view.setPercentText(QString::number(percent) + QStringLiteral(" %"));
    view.setCountText(QString::number(done) + text(texts::CountSuffix));
}

Outcome failureOf(const StreamError& error, const QString& file, const QString& output)
{
    switch (error.failure) {
    case StreamFailure::InputChanged:
        return Outcome::refusal(texts::InputChanged, file);
    case StreamFailure::OutputIsInput:
        return Outcome::refusal(texts::OutputIsInput, output);
    case StreamFailure::OutputIsFolder:
        return Outcome::refusal(texts::OutputIsFolder, output);
    case StreamFailure::OutputIsSpecial:
        return Outcome::refusal(texts::OutputIsSpecial, output);
    case StreamFailure::FolderMoved:
        return Outcome::refusal(texts::FolderMoved, output);
    case StreamFailure::None:
    case StreamFailure::System:
        break;
    }
    return Outcome::systemFailure(error.code);
}

// The window's side of the byte loop: waits for the worker at most one
// interval, shows how far it is and yields, until it has failed or named the
// output. The full count is shown before the output may be named.
Outcome follow(JobView& view, JobWorker& worker, std::int64_t size, const JobOptions& options)
{
    for (;;) {
        const JobWorker::Snapshot now =
            worker.wait(std::chrono::steady_clock::now() + options.updateInterval);
        if (now.state == JobWorker::State::Failed) {
            return Outcome::failure({});
        }
        if (now.state == JobWorker::State::Committed) {
            return {Outcome::Kind::Success, {}, MessageKind::None};
        }
        showProgress(view, now.done, size);
        view.yield();
        if (view.endRequested()) {
            worker.abandon(); // never waits for the disk
            return {Outcome::Kind::Ended, {}, MessageKind::None};
        }
        if (now.done == size) {
            worker.allowCommit();
        }
    }
}

// The output: never the input itself, never replaced without asking. What is
// at the output path is never followed: a link there is replaced, not what it
// names. rule says what the commit may replace; mode is the new file's: the
// input's permission bits, and no more than those of a file it replaces.
std::optional<Outcome> checkOutput(JobView& view, const QString& file, const QString& outputPath,
                                   const struct stat& input, OutputFile::Rule& rule, mode_t& mode)
{
    rule = {false, input.st_dev, input.st_ino};
    mode = input.st_mode & 0777;
    struct stat entry
    {
    };
    if (::lstat(QFile::encodeName(outputPath).constData(), &entry) != 0) {
        return errno == ENOENT ? std::nullopt : std::optional(Outcome::systemFailure(errno));
    }
    if (const StreamFailure refusal = OutputFile::refusalFor(entry, rule);
        refusal != StreamFailure::None) {
        return failureOf({refusal, 0}, file, outputPath);
    }
    const bool replace = view.question(text(texts::OverwriteQuestion).arg(outputPath));
    if (view.endRequested()) {
        return Outcome{Outcome::Kind::Ended, {}, MessageKind::None};
    }
    if (!replace) {
        return Outcome{Outcome::Kind::Declined, {}, MessageKind::None};
    }
    rule.replace = true;
    if (S_ISREG(entry.st_mode)) {
        mode &= entry.st_mode;
    }
    return std::nullopt;
}

std::optional<Outcome> openInput(const QString& file, std::unique_ptr<InputFile>& input)
{
    int error = ENOENT;
    if (!file.isEmpty()) {
        input = InputFile::open(QFile::encodeName(file), error);
    }
    if (!input) {
        return Outcome::systemFailure(error);
    }
    if (input->isFolder()) {
        return Outcome::refusal(texts::InputIsFolder, file);
    }
    if (!input->isRegular()) {
        return Outcome::refusal(texts::InputNotRegular, file);
    }
    return std::nullopt;
}

// The bytes from input to an unnamed output on the worker's thread, followed
// here.
Outcome moveBytes(JobView& view, const QString& file, const QByteArray& key,
                  const JobOptions& options, std::unique_ptr<InputFile> input,
                  const QString& outputPath, const OutputFile::Rule& rule, mode_t mode)
{
    auto output = std::make_unique<OutputFile>(QFile::encodeName(outputPath), rule);
    if (!output->open(mode)) {
        return failureOf(output->error(), file, outputPath);
    }
    const std::int64_t size = input->info().st_size;
    std::unique_ptr<ByteSource> source = std::move(input);
    std::unique_ptr<ByteSink> sink = std::move(output);
    if (options.streams) {
        source = options.streams->source(std::move(source));
        sink = options.streams->sink(std::move(sink));
    }
    JobWorker worker(std::move(source), std::move(sink), size,
                     RotatingXor(std::span(reinterpret_cast<const std::uint8_t*>(key.constData()),
                                           std::size_t(key.size()))),
                     options.blockSize);
    try {
        worker.start();
    } catch (const std::system_error& error) {
        return Outcome::systemFailure(error.code().value());
    }
    Outcome outcome = follow(view, worker, size, options);
    if (outcome.kind == Outcome::Kind::Failure) {
        outcome = failureOf(worker.failure(), file, outputPath);
    }
    return outcome;
}

Outcome run(JobView& view, const QString& file, const QByteArray& key, const JobOptions& options,
            QString& outputPath)
{
    if (key.isEmpty()) {
        return Outcome::failure(text(texts::EmptyKey), MessageKind::Error);
    }
    outputPath = outputPathFor(file);
    view.setStatus(
        text(isDecryptionPath(file) ? texts::StatusDecrypting : texts::StatusEncrypting));

    std::unique_ptr<InputFile> input;
    if (auto refused = openInput(file, input)) {
        return *refused;
    }
    view.setSizeText(QString::number(std::int64_t(input->info().st_size)));

    OutputFile::Rule rule;
    mode_t mode = 0;
    if (auto refused = checkOutput(view, file, outputPath, input->info(), rule, mode)) {
        return *refused;
    }
    return moveBytes(view, file, key, options, std::move(input), outputPath, rule, mode);
}

} // namespace

QString systemErrorText(int error)
{
    return qt_error_string(error);
}

void backToIdle(JobView& view)
{
    raz(view);
    view.setPasswordEntryVisible(false);
    view.setPasswordText(QString());
    view.setPercentText(text(texts::IdlePercent));
    view.setProgress(0);
}

void raz(JobView& view)
{
    view.setCommandsEnabled(true);
    view.setCryptCaption(text(texts::CaptionCrypt));
    view.setStatus(text(texts::StatusIdle));
}

bool isJobRunning()
{
    return g_running;
}

void dec_crypt(JobView& view, const QString& file, const QByteArray& key)
{
    dec_crypt(view, file, key, JobOptions{});
}

void dec_crypt(JobView& view, const QString& file, const QByteArray& key, const JobOptions& options)
{
    if (g_running) {
        return; // a start from inside a running job's yield is refused silently
    }
    g_running = true;
    struct Reset
    {
        ~Reset() { g_running = false; }
    } reset;

    view.setCommandsEnabled(false);
    QString outputPath;
    // Both files are released when run() returns, before any message.
    const Outcome outcome = run(view, file, key, options, outputPath);
    switch (outcome.kind) {
    case Outcome::Kind::Ended:
        return;
    case Outcome::Kind::Declined:
        break;
    case Outcome::Kind::Failure:
        view.message(outcome.message, outcome.messageKind);
        break;
    case Outcome::Kind::Success:
        view.message(text(texts::SuccessLine1) + QLatin1Char('\r') + text(texts::SuccessLine2) +
                         shownPath(outputPath),
                     MessageKind::None);
        break;
    }
    backToIdle(view);
}

} // namespace quibex
