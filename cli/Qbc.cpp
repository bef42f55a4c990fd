// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/Qbc.h"

#include "cli/CliTexts.h"
#include "cli/CliView.h"
#include "cli/Options.h"
#include "cli/Password.h"
#include "cli/Plan.h"
#include "job/BatchJob.h"
#include "job/FileJob.h"
#include "job/KeyCheck.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"

#include <QFile>
#include <QScopeGuard>

#include <array>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace quibex::cli {

namespace {

// The mode a file decrypts in: the one given, checked unless --force, or the
// one whose key gives content of the name's type. nullopt: refused.
std::optional<bool> decryptionMode(const QString& file, const FileBeginning& beginning,
                                   const QByteArray& codes, const Options& options, CliView& view)
{
    if (options.advanced) {
        const KeyFit fit = keyFit(file, beginning, codes, *options.advanced);
        if (options.force || fit == KeyFit::Fits || fit == KeyFit::CannotTell) {
            return options.advanced;
        }
        view.refuse(texts::text(fit == KeyFit::OtherModeFits ? OtherMode : WrongKey));
        return std::nullopt;
    }
    const KeyFit simple = keyFit(file, beginning, codes, false);
    const KeyFit advanced = keyFit(file, beginning, codes, true);
    if ((simple == KeyFit::Fits) != (advanced == KeyFit::Fits)) {
        return advanced == KeyFit::Fits;
    }
    const bool wrong = simple == KeyFit::NeitherFits && advanced == KeyFit::NeitherFits;
    view.refuse(texts::text(wrong ? WrongKeyNoMode : ModeUnknown));
    return std::nullopt;
}

// ok, other-mode, wrong or unknown for the mode given; without one, ok when
// a mode fits.
QString verdict(const QString& file, const FileBeginning& beginning, const QByteArray& codes,
                const Options& options)
{
    const auto word = [](KeyFit fit) {
        switch (fit) {
        case KeyFit::Fits:
            return QStringLiteral("ok");
        case KeyFit::OtherModeFits:
            return QStringLiteral("other-mode");
        case KeyFit::NeitherFits:
            return QStringLiteral("wrong");
        case KeyFit::CannotTell:
            break;
        }
        return QStringLiteral("unknown");
    };
    if (options.advanced) {
        return word(keyFit(file, beginning, codes, *options.advanced));
    }
    const KeyFit simple = keyFit(file, beginning, codes, false);
    const KeyFit advanced = keyFit(file, beginning, codes, true);
    if (simple == KeyFit::Fits || advanced == KeyFit::Fits) {
        return word(KeyFit::Fits);
    }
    const bool unknown = simple == KeyFit::CannotTell || advanced == KeyFit::CannotTell;
    return word(unknown ? KeyFit::CannotTell : KeyFit::NeitherFits);
}

// The beginning of a file to decrypt or check, read once for both modes;
// nullopt, told, when a walked file was replaced since the walk.
std::optional<FileBeginning> beginningToJudge(const Planned& planned, CliView& view)
{
    FileBeginning beginning = readBeginning(planned.file, planned.walked);
    if (beginning.replaced) {
        view.refuse(texts::text(texts::InputReplaced).arg(planned.file));
        return std::nullopt;
    }
    return beginning;
}

// Small files go in batches, one for each mode's key, synced in groups;
// their ends are told as the batches tell them.
class Batches
{
public:
    Batches(CliView& view, Tally& tally, std::size_t groupSize)
        : m_view(view), m_tally(tally), m_groupSize(groupSize)
    {
    }

    void add(const Planned& planned, const QByteArray& key, bool advanced)
    {
        auto& batch = m_batches[advanced ? 1 : 0];
        if (!batch) {
            batch = std::make_unique<BatchJob>(m_view, key, m_groupSize);
        }
        batch->add(planned.file, planned.walked);
        tell();
    }
    void finish()
    {
        for (const auto& batch : m_batches) {
            if (batch) {
                batch->finish();
            }
        }
        tell();
    }

private:
    void tell()
    {
        for (const auto& batch : m_batches) {
            for (const BatchJob::Result& result :
                 batch ? batch->takeResults() : std::vector<BatchJob::Result>{}) {
                m_view.start(result.file);
                m_tally.tell(m_view, {result.kind, result.message, {}, result.bytes}, false);
            }
        }
    }

    CliView& m_view;
    Tally& m_tally;
    std::size_t m_groupSize;
    std::array<std::unique_ptr<BatchJob>, 2> m_batches;
};

// A small file that may go in a batch (the plan took regular files only; one
// grown since is refused by its batch).
bool batchable(const Planned& planned, const Options& options)
{
    return options.output.isEmpty() && planned.size <= BatchJob::LargestFile;
}

// The file's line for check; true when it is ok.
bool check(const QString& file, const FileBeginning& beginning, const QByteArray& codes,
           const Options& options)
{
    const QString word = verdict(file, beginning, codes, options);
    std::fputs(qPrintable(quotedName(QFile::encodeName(file)) + QStringLiteral(": ") + word + '\n'),
               stdout);
    std::fflush(stdout);
    return word == QLatin1String("ok");
}

void process(const Planned& planned, const std::array<QByteArray, 2>& keys, const QByteArray& codes,
             const Options& options, CliView& view, Batches& batches, Tally& tally)
{
    const QString& file = planned.file;
    view.start(file);
    std::optional<bool> advanced = options.advanced.value_or(false);
    if (options.command != Command::Encrypt) {
        const std::optional<FileBeginning> beginning = beginningToJudge(planned, view);
        if (beginning && options.command == Command::Check) {
            ++(check(file, *beginning, codes, options) ? tally.done : tally.refused);
            return;
        }
        advanced =
            beginning ? decryptionMode(file, *beginning, codes, options, view) : std::nullopt;
    }
    if (!advanced) {
        ++tally.refused;
        return;
    }
    const QByteArray& key = keys[*advanced ? 1 : 0];
    if (batchable(planned, options)) {
        batches.add(planned, key, *advanced);
        return;
    }
    batches.finish(); // in order: the small files before this one
    view.start(file);
    JobOptions job;
    job.outputPath = options.output;
    job.expectedInput = planned.walked;
    job.finishBegunCommit = true;
    tally.tell(view, dec_crypt(view, file, key, job), true);
}

// Every file of a batch's group holds three descriptors until the group is
// synced: the soft limit goes up to the hard one, and groups fit in what it
// leaves beside the ones kept for the rest of the work.
std::size_t filesPerGroup()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 1;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    constexpr rlim_t Kept = 64;
    const rlim_t left = limit.rlim_cur > Kept ? limit.rlim_cur - Kept : 3;
    // Two batches may fill at once: one for each mode's key.
    return std::size_t(std::clamp<rlim_t>(left / 6, 1, BatchJob::LargestGroup));
}

} // namespace

int run(const QStringList& arguments)
{
    handleEndSignals();
    QString error;
    const std::optional<Options> options = parseOptions(arguments, error);
    if (!options) {
        printError(error);
        return UsageError;
    }
    std::optional<QByteArray> codes = readPassword(options->password, error);
    if (endSignal() != 0) {
        return 128 + endSignal();
    }
    if (!codes) {
        printError(error);
        return UsageError;
    }
    const auto wiped = qScopeGuard([&codes] { wipeSecret(*codes); });
    const bool showProgress = !options->quiet && ::isatty(STDERR_FILENO) != 0;
    CliView view(showProgress, options->force       ? CliView::Replace::Always
                               : options->noClobber ? CliView::Replace::Never
                                                    : CliView::Replace::Ask);
    std::array<QByteArray, 2> keys{QByteArray(codes->constData(), codes->size()),
                                   expandKeySilently(*codes)};
    const auto keysWiped = qScopeGuard([&keys] {
        for (QByteArray& key : keys) {
            wipeSecret(key);
        }
    });
    Tally tally;
    int toTell = 0;
    {
        // A batch left when a signal ends the command names none of its outputs.
        Batches batches(view, tally, filesPerGroup());
        const std::vector<Planned> planned = plan(*options, view, tally);
        toTell = tally.told() + int(planned.size());
        for (const Planned& file : planned) {
            if (endSignal() != 0) {
                break;
            }
            process(file, keys, *codes, *options, view, batches, tally);
        }
        if (endSignal() == 0) {
            batches.finish();
        }
    }
    // A signal during the last commit let it finish: nothing is left undone.
    if (endSignal() != 0 && tally.told() < toTell) {
        return 128 + endSignal();
    }
    if (showProgress && options->command != Command::Check) {
        tally.printSummary();
    }
    return tally.status();
}

} // namespace quibex::cli
