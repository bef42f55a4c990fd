// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/ByteStreams.h"
#include "job/FileJob.h"
#include "job/InputFile.h"
#include "job/JobOptions.h"
#include "job/JobView.h"
#include "job/Texts.h"

#include <QString>

#include <memory>
#include <optional>
#include <sys/stat.h>

// The steps of a file job before its bytes move, and the words of how it
// ended: shared by the window's job (dec_crypt) and the command line's
// batches (BatchJob).
namespace quibex::steps {

// How a run ended, told once both files are released.
struct Outcome
{
    enum class Kind
    {
        Success,
        Refusal, // for a reason of the files' own
        Failure, // the system failed
        Declined,
        Ended
    };
    Kind kind = Kind::Failure;
    QString message;

    static Outcome failure(const QString& message) { return {Kind::Failure, message}; }
    static Outcome refusal(const char* utf8, const QString& path)
    {
        return {Kind::Refusal, texts::text(utf8).arg(path)};
    }
    static Outcome systemFailure(int error) { return failure(systemErrorText(error)); }
};

Outcome failureOf(const StreamError& error, const QString& file, const QString& output);
Outcome ended();

// Opens the input: regular files only, not a pseudo-file; the refusal else.
std::optional<Outcome> openInput(const QString& file, std::unique_ptr<InputFile>& input);

// What is at the output path, never followed: nothing, or an entry that may
// be replaced once the user agrees; the refusal else.
std::optional<Outcome> lookAtOutput(const QString& file, const QString& outputPath,
                                    const struct stat& input, std::optional<struct stat>& found);

// The input and what is at the output's name, found off the window's thread.
struct Opened
{
    std::unique_ptr<InputFile> input;
    std::optional<Outcome> refusal;
    std::optional<struct stat> entry;
};

// No output path: standard output, where nothing is looked at. An input that
// is no longer the expected file is refused.
Opened openFiles(const QString& file, const QString& outputPath,
                 const std::optional<FileIdentity>& expected = {});

// Nothing at the output's name, or the user agrees to replace what is there.
std::optional<Outcome> askToReplace(JobView& view, const QString& outputPath,
                                    const std::optional<struct stat>& entry);

} // namespace quibex::steps
