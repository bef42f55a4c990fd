// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/JobSteps.h"

#include "job/OutputFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace quibex::steps {

using texts::text;

Outcome failureOf(const StreamError& error, const QString& file, const QString& output)
{
    switch (error.failure) {
    case StreamFailure::InputChanged:
        return Outcome::refusal(texts::InputChanged, file);
    case StreamFailure::InputIsVirtual:
        return Outcome::refusal(texts::InputIsVirtual, file);
    case StreamFailure::OutputOfAnotherUser:
        return Outcome::refusal(texts::OutputOfAnotherUser, output);
    case StreamFailure::TemporaryReplaced:
        return Outcome::refusal(texts::TemporaryReplaced, output);
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

Outcome ended()
{
    return {Outcome::Kind::Ended, {}};
}

std::optional<Outcome> openInput(const QString& file, std::unique_ptr<InputFile>& input)
{
    int error = ENOENT;
    const QByteArray native = QFile::encodeName(file);
    if (!file.isEmpty()) {
        input = InputFile::open(native, error);
    }
    struct stat entry
    {
    };
    if (!input) {
        // A socket cannot even be opened: told apart from a missing file.
        const bool socket =
            error == ENXIO && ::stat(native.constData(), &entry) == 0 && S_ISSOCK(entry.st_mode);
        return socket ? Outcome::refusal(texts::InputNotRegular, file)
                      : Outcome::systemFailure(error);
    }
    if (input->isFolder()) {
        return Outcome::refusal(texts::InputIsFolder, file);
    }
    if (!input->isRegular()) {
        return Outcome::refusal(texts::InputNotRegular, file);
    }
    if (input->isVirtual()) {
        return Outcome::refusal(texts::InputIsVirtual, file);
    }
    return std::nullopt;
}

// What is at the output path, never followed: nothing, or an entry that may
// be replaced once the user agrees. A link there is replaced, not what it
// names; a folder, a special file, the input itself, or another user's file
// that the folder keeps from being replaced are refused before any work.
std::optional<Outcome> lookAtOutput(const QString& file, const QString& outputPath,
                                    const struct stat& input, std::optional<struct stat>& found)
{
    struct stat entry
    {
    };
    if (::lstat(QFile::encodeName(outputPath).constData(), &entry) != 0) {
        return errno == ENOENT ? std::nullopt : std::optional(Outcome::systemFailure(errno));
    }
    StreamFailure refusal = OutputFile::refusalFor(entry, {true, input.st_dev, input.st_ino});
    struct stat folder
    {
    };
    if (refusal == StreamFailure::None &&
        ::stat(QFile::encodeName(QFileInfo(outputPath).path()).constData(), &folder) == 0) {
        refusal = OutputFile::refusalInFolder(entry, folder);
    }
    if (refusal != StreamFailure::None) {
        return failureOf({refusal, 0}, file, outputPath);
    }
    found = entry;
    return std::nullopt;
}

Opened openFiles(const QString& file, const QString& outputPath,
                 const std::optional<FileIdentity>& expected)
{
    Opened opened;
    opened.refusal = openInput(file, opened.input);
    if (!opened.refusal && expected &&
        (opened.input->info().st_dev != expected->device ||
         opened.input->info().st_ino != expected->inode)) {
        opened.refusal = Outcome::refusal(texts::InputReplaced, file);
    }
    if (!opened.refusal && !outputPath.isEmpty()) {
        opened.refusal = lookAtOutput(file, outputPath, opened.input->info(), opened.entry);
    }
    return opened;
}

// Nothing at the output's name, or the user agrees to replace what is there.
std::optional<Outcome> askToReplace(JobView& view, const QString& outputPath,
                                    const std::optional<struct stat>& entry)
{
    if (!entry) {
        return std::nullopt;
    }
    const bool replace = view.question(text(texts::OverwriteQuestion).arg(outputPath));
    if (view.endRequested()) {
        return ended();
    }
    if (!replace) {
        return Outcome{Outcome::Kind::Declined, {}};
    }
    return std::nullopt;
}

// The bytes from input to an unnamed output on the worker's thread, followed
// here. The output has the input's permission bits and group; it may replace
// only what the user agreed to replace.

} // namespace quibex::steps
