// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/BatchJob.h"

#include "cipher/RotatingXor.h"
#include "cipher/SecureWipe.h"
#include "job/FileJob.h"
#include "job/InputFile.h"
#include "job/JobSteps.h"
#include "job/OutputFile.h"
#include "job/OutputName.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <span>
#include <unistd.h>

namespace quibex {

namespace {

using Kind = BatchJob::Result::Kind;

BatchJob::Result resultOf(const QString& file, const steps::Outcome& outcome)
{
    switch (outcome.kind) {
    case steps::Outcome::Kind::Success:
        return {file, Kind::Done, {}};
    case steps::Outcome::Kind::Declined:
    case steps::Outcome::Kind::Ended:
        return {file, Kind::Declined, {}};
    case steps::Outcome::Kind::Refusal:
        return {file, Kind::Refused, outcome.message};
    case steps::Outcome::Kind::Failure:
        break;
    }
    return {file, Kind::Failed, outcome.message};
}

// syncfs on the file system of folder; 0 or the errno.
} // namespace

struct BatchJob::Pending
{
    QString file;
    QString output;
    std::int64_t size;
    std::unique_ptr<InputFile> input;
    std::unique_ptr<OutputFile> sink;
};

BatchJob::BatchJob(JobView& view, const QByteArray& key, std::size_t groupSize)
    : m_view(view), m_key(key.constData(), key.size()), m_buffer(std::size_t(LargestFile)),
      m_groupSize(std::clamp<std::size_t>(groupSize, 1, LargestGroup))
{
}

BatchJob::~BatchJob()
{
    secureWipe(m_buffer);
    wipeSecret(m_key);
}

void BatchJob::add(const QString& file, const std::optional<FileIdentity>& expected)
{
    transform(file, expected);
    if (m_group.size() >= m_groupSize) {
        finish();
    }
}

// The whole input in the buffer, once the output is open; the first failure.
StreamError BatchJob::readWhole(InputFile& input, OutputFile& sink, const struct stat& info)
{
    if (!sink.open(info.st_mode & 0777, info.st_gid)) {
        return sink.error();
    }
    if (info.st_size > LargestFile) {
        return {StreamFailure::InputChanged, 0}; // grown since it was chosen for a batch
    }
    std::int64_t got = 0;
    while (got < info.st_size) {
        const std::int64_t n = input.read(m_buffer.data() + got, std::size_t(info.st_size - got));
        if (n < 0) {
            return input.error();
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return got == info.st_size ? endAfterSize(input) : sizeMismatch(input);
}

// The whole file in one buffer, through the key, into its unnamed output.
void BatchJob::transform(const QString& file, const std::optional<FileIdentity>& expected)
{
    const QString output = outputPathFor(file);
    steps::Opened opened = steps::openFiles(file, output, expected);
    std::optional<steps::Outcome> refused = opened.refusal;
    if (!refused) {
        refused = steps::askToReplace(m_view, output, opened.entry);
    }
    if (refused) {
        m_results.push_back(resultOf(file, *refused));
        return;
    }
    const struct stat info = opened.input->info();
    auto sink = std::make_unique<OutputFile>(
        QFile::encodeName(output),
        OutputFile::Rule{opened.entry.has_value(), info.st_dev, info.st_ino});
    StreamError error = readWhole(*opened.input, *sink, info);
    if (error.failure == StreamFailure::None) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(m_buffer.data());
        RotatingXor(std::span(reinterpret_cast<const std::uint8_t*>(m_key.constData()),
                              std::size_t(m_key.size())))
            .apply(std::span(bytes, std::size_t(info.st_size)));
        if (!sink->write(m_buffer.data(), std::size_t(info.st_size))) {
            error = sink->error();
        }
    }
    if (error.failure != StreamFailure::None) {
        sink->discard();
        m_results.push_back(resultOf(file, steps::failureOf(error, file, output)));
        return;
    }
    m_group.push_back(std::make_unique<Pending>(
        Pending{file, output, info.st_size, std::move(opened.input), std::move(sink)}));
}

// Each local file system of the group synced once, on the descriptor its
// first output opened before any write of the group: an error since then,
// even one another program's sync saw first, is reported. Its errno by file
// system (0: synced); outputs elsewhere sync themselves at their commit.
std::map<dev_t, int> BatchJob::syncFileSystems(const std::vector<const Pending*>& files)
{
    std::map<dev_t, int> errors;
    for (const Pending* pending : files) {
        const OutputFile& sink = *pending->sink;
        if (sink.groupSyncReachesDisk() && !errors.contains(sink.fileSystem())) {
            errors[sink.fileSystem()] = ::syncfs(sink.fileSystemDescriptor()) == 0 ? 0 : errno;
        }
    }
    return errors;
}

void BatchJob::finish()
{
    if (m_group.empty()) {
        return;
    }
    std::vector<const Pending*> group;
    for (const auto& pending : m_group) {
        group.push_back(pending.get());
    }
    const std::map<dev_t, int> before = syncFileSystems(group);
    std::vector<const Pending*> named;
    for (const auto& pending : m_group) {
        // An end asked for meanwhile leaves the rest unnamed.
        if (m_view.endRequested()) {
            break;
        }
        const auto synced = before.find(pending->sink->fileSystem());
        const int error = synced == before.end() ? 0 : synced->second;
        StreamError failure{error != 0 ? StreamFailure::System : StreamFailure::None, error};
        if (failure.failure == StreamFailure::None && pending->input->changed()) {
            failure = pending->input->error();
        }
        if (failure.failure == StreamFailure::None) {
            if (synced != before.end()) {
                pending->sink->syncedWithGroup();
            }
            if (!pending->sink->commit()) {
                failure = pending->sink->error();
            }
        }
        if (failure.failure != StreamFailure::None) {
            pending->sink->discard();
            m_results.push_back(
                resultOf(pending->file, steps::failureOf(failure, pending->file, pending->output)));
        } else {
            named.push_back(pending.get());
        }
    }
    // The names on the disk too: only then is a file done.
    const std::map<dev_t, int> after = syncFileSystems(named);
    for (const Pending* pending : named) {
        const auto synced = after.find(pending->sink->fileSystem());
        if (synced != after.end() && synced->second != 0) {
            m_results.push_back({pending->file, Kind::Failed,
                                 texts::text(texts::NameNotConfirmed)
                                     .arg(pending->output, systemErrorText(synced->second)),
                                 0});
        } else {
            m_results.push_back({pending->file, Kind::Done, {}, pending->size});
        }
    }
    m_group.clear();
}

std::vector<BatchJob::Result> BatchJob::takeResults()
{
    std::vector<Result> results;
    results.swap(m_results);
    return results;
}

} // namespace quibex
