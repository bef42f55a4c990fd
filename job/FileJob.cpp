// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/FileJob.h"

#include "cipher/Percent.h"
#include "cipher/RotatingXor.h"
#include "job/JobSteps.h"
#include "job/JobView.h"
#include "job/JobWorker.h"
#include "job/OutputName.h"
#include "job/Texts.h"

#include "job/InputFile.h"
#include "job/OffThread.h"
#include "job/OutputFile.h"
#include "job/StandardOutput.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <span>
#include <sys/stat.h>
#include <system_error>

namespace quibex {

namespace {

using namespace steps;

using texts::text;

// How far the job is, by its bytes.
void showProgress(JobView& view, std::int64_t done, std::int64_t size)
{
    const int percent = size == 0 ? 100 : roundedPercent(std::uint64_t(done), std::uint64_t(size));
    view.showProgress(percent, done);
}

// The worker's commit, waited for to its end.
Outcome committed(JobWorker& worker)
{
    for (;;) {
        const JobWorker::State state =
            worker.wait(std::chrono::steady_clock::now() + std::chrono::hours(1)).state;
        if (state == JobWorker::State::Failed) {
            return Outcome::failure({});
        }
        if (state == JobWorker::State::Committed) {
            return {Outcome::Kind::Success, {}};
        }
    }
}

// The window's side of the byte loop: waits for the worker, shows how far it
// is at every update interval, and yields at every events interval too
// (between the updates, when one is set), until it has failed or named the
// output. The full count is shown before the output may be named.
Outcome follow(JobView& view, JobWorker& worker, std::int64_t size, const JobOptions& options)
{
    using Clock = std::chrono::steady_clock;
    const auto slice = options.eventsInterval.count() > 0
                           ? std::min(options.eventsInterval, options.updateInterval)
                           : options.updateInterval;
    auto nextUpdate = Clock::now() + options.updateInterval;
    bool fullCountShown = false;
    bool commitAllowed = false;
    for (;;) {
        const JobWorker::Snapshot now = worker.wait(std::min(nextUpdate, Clock::now() + slice));
        if (now.state == JobWorker::State::Failed) {
            return Outcome::failure({});
        }
        if (now.state == JobWorker::State::Committed) {
            return {Outcome::Kind::Success, {}};
        }
        const bool complete = now.done == size;
        if (Clock::now() >= nextUpdate || (complete && !fullCountShown)) {
            showProgress(view, now.done, size);
            fullCountShown = complete;
            nextUpdate = Clock::now() + options.updateInterval;
        }
        view.yield();
        if (view.endRequested()) {
            if (commitAllowed && options.finishBegunCommit) {
                return committed(worker);
            }
            worker.abandon(); // never waits for a stalled disk
            return ended();
        }
        if (fullCountShown) {
            worker.allowCommit();
            commitAllowed = true;
        }
    }
}

// The output file, made and opened off this thread, and dropped there too
// when the program ends meanwhile (nullopt then).
std::optional<std::unique_ptr<OutputFile>> openOutput(JobView& view, const JobOptions& options,
                                                      const QString& outputPath, bool replace,
                                                      const struct stat& input)
{
    return offThread(view, options.updateInterval,
                     [native = QFile::encodeName(outputPath),
                      rule = OutputFile::Rule{replace, input.st_dev, input.st_ino},
                      mode = input.st_mode & 0777, group = input.st_gid] {
                         auto output = std::make_unique<OutputFile>(native, rule);
                         [[maybe_unused]] const bool ready =
                             output->open(mode, group); // else error() says why
                         return output;
                     });
}

Outcome transformFile(JobView& view, const QString& file, const QByteArray& key,
                      const JobOptions& options, std::unique_ptr<InputFile> input,
                      const QString& outputPath, bool replace)
{
    const struct stat info = input->info();
    std::unique_ptr<ByteSink> sink;
    if (outputPath == QLatin1String("-")) {
        sink = std::make_unique<StandardOutput>();
    } else {
        std::optional<std::unique_ptr<OutputFile>> output =
            openOutput(view, options, outputPath, replace, info);
        if (!output) {
            return ended();
        }
        if ((*output)->error().failure != StreamFailure::None) {
            return failureOf((*output)->error(), file, outputPath);
        }
        sink = std::move(*output);
    }
    const std::int64_t size = info.st_size;
    std::unique_ptr<ByteSource> source = std::move(input);
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
            QString& outputPath, std::int64_t& size)
{
    if (key.isEmpty()) {
        return {Outcome::Kind::Refusal, text(texts::EmptyKey)};
    }
    outputPath = options.outputPath.isEmpty() ? outputPathFor(file) : options.outputPath;
    view.setStatus(
        text(isDecryptionPath(file) ? texts::StatusDecrypting : texts::StatusEncrypting));

    const QString looked = outputPath == QLatin1String("-") ? QString() : outputPath;
    std::optional<Opened> opened =
        offThread(view, options.updateInterval, [file, looked, expected = options.expectedInput] {
            return openFiles(file, looked, expected);
        });
    if (!opened) {
        return ended();
    }
    if (opened->input) {
        size = opened->input->info().st_size;
        view.setSizeText(QString::number(size));
    }
    if (opened->refusal) {
        return *opened->refusal;
    }
    if (auto declined = askToReplace(view, outputPath, opened->entry)) {
        return *declined;
    }
    return transformFile(view, file, key, options, std::move(opened->input), outputPath,
                         opened->entry.has_value());
}

} // namespace

JobResult dec_crypt(JobView& view, const QString& file, const QByteArray& key)
{
    return dec_crypt(view, file, key, JobOptions{});
}

JobResult dec_crypt(JobView& view, const QString& file, const QByteArray& key,
                    const JobOptions& options)
{
    QString outputPath;
    std::int64_t size = 0;
    // Both files are released when run() returns, before the caller tells.
    const Outcome outcome = run(view, file, key, options, outputPath, size);
    switch (outcome.kind) {
    case Outcome::Kind::Ended:
        return {JobResult::Kind::Ended, {}, {}, 0};
    case Outcome::Kind::Declined:
        return {JobResult::Kind::Declined, {}, {}, 0};
    case Outcome::Kind::Refusal:
        return {JobResult::Kind::Refused, outcome.message, {}, 0};
    case Outcome::Kind::Failure:
        break;
    case Outcome::Kind::Success:
        return {JobResult::Kind::Done, {}, outputPath, size};
    }
    return {JobResult::Kind::Failed, outcome.message, {}, 0};
}

} // namespace quibex
