// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"
#include "job/JobOptions.h"
#include "job/JobResult.h"
#include "job/JobView.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <sys/types.h>
#include <vector>

struct stat;

namespace quibex {

class InputFile;
class OutputFile;

// The file job over many small files, for the command line. Each output
// still has no name until its bytes are on the disk, never replaces what
// the user did not agree to replace, and is refused for the same reasons,
// in the same words; but the disk is synced once for a group of outputs,
// before they are named, and once after, instead of twice for each file.
// Everything runs on the calling thread: the view is asked the overwrite
// question and whether the program is ending, nothing else.
class BatchJob
{
public:
    struct Result
    {
        using Kind = JobResult::Kind;
        QString file;
        Kind kind = Kind::Done;
        QString message;
        std::int64_t bytes = 0; // written, when done
    };

    // Files up to this size go through a batch; larger ones are better
    // served by the window's job, which streams them.
    static constexpr std::int64_t LargestFile = std::int64_t{1024} * 1024;
    // Files of a group, synced together: few syncs for many small files,
    // and at most this many files' bytes waiting for one. Each holds three
    // descriptors until then.
    static constexpr std::size_t LargestGroup = 128;

    // The key is copied, and the copy wiped with the batch.
    BatchJob(JobView& view, const QByteArray& key, std::size_t groupSize = LargestGroup);
    // Outputs of a group not finished get no name.
    ~BatchJob();
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    // Transforms file into an unnamed output of the group; a full group is
    // finished. Whatever is known of its end, or of the group's, is in results().
    void add(const QString& file, const std::optional<FileIdentity>& expected = {});
    // Syncs, names and reports every output of the group.
    void finish();
    // The ends told since the last call.
    std::vector<Result> takeResults();

private:
    struct Pending;
    void transform(const QString& file, const std::optional<FileIdentity>& expected);
    static std::map<dev_t, int> syncFileSystems(const std::vector<const Pending*>& files);
    StreamError readWhole(InputFile& input, OutputFile& sink, const struct stat& info);

    JobView& m_view;
    QByteArray m_key;
    std::vector<char> m_buffer;
    std::size_t m_groupSize;
    std::vector<std::unique_ptr<Pending>> m_group;
    std::vector<Result> m_results;
};

} // namespace quibex
