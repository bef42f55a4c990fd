// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/Qbc.h"

#include "cli/CliTexts.h"
#include "cli/CliView.h"
#include "cli/Password.h"
#include "job/BatchJob.h"
#include "job/FileJob.h"
#include "job/KeyCheck.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"

#include <QCommandLineParser>
#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>

#include <array>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quibex::cli {

namespace {

enum class Command
{
    Encrypt,
    Decrypt,
    Check
};

struct Options
{
    Command command = Command::Encrypt;
    std::optional<bool> advanced; // none: the check chooses, when decrypting
    bool recursive = false;
    bool force = false;
    bool noClobber = false;
    bool quiet = false;
    QString output;
    PasswordSource password;
    QStringList paths;
};

struct Tally
{
    int done = 0;
    int refused = 0;
    int failed = 0;

    void count(CliView::Outcome outcome)
    {
        ++(outcome == CliView::Outcome::Done      ? done
           : outcome == CliView::Outcome::Refused ? refused
                                                  : failed);
    }
};

bool isEncrypted(const QString& path)
{
    return path.endsWith(QLatin1String(".qbc"), Qt::CaseInsensitive);
}

// The files under a folder, in order: links to folders are not followed; a
// walk encrypts what is not encrypted yet and decrypts what is.
QStringList walk(const QString& folder, const Options& options, CliView& view, Tally& tally)
{
    QStringList files;
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QFileInfo info = entries.fileInfo();
        if (info.isDir()) {
            continue; // a folder is walked, a link to one is not
        }
        if (!info.isFile()) {
            view.start(path);
            view.refuse(texts::text(SpecialSkipped));
            ++tally.refused;
            continue;
        }
        if (isEncrypted(path) == (options.command != Command::Encrypt)) {
            files << path;
        }
    }
    files.sort();
    return files;
}

QStringList filesOf(const Options& options, CliView& view, Tally& tally)
{
    QStringList files;
    for (const QString& path : options.paths) {
        struct stat entry
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &entry) == 0 && S_ISDIR(entry.st_mode)) {
            if (options.recursive) {
                files += walk(path, options, view, tally);
            } else {
                view.start(path);
                view.refuse(texts::text(IsFolder));
                ++tally.refused;
            }
            continue;
        }
        files << path; // the job refuses what is not a regular file, by name
    }
    return files;
}

// The mode a file decrypts in: the one given, checked unless --force, or the
// one whose key gives content of the name's type. nullopt: refused.
std::optional<bool> decryptionMode(const QString& file, const QByteArray& codes,
                                   const Options& options, CliView& view)
{
    if (options.advanced) {
        const KeyFit fit = keyFit(file, codes, *options.advanced);
        if (options.force || fit == KeyFit::Fits || fit == KeyFit::CannotTell) {
            return options.advanced;
        }
        view.refuse(texts::text(fit == KeyFit::OtherModeFits ? OtherMode : WrongKey));
        return std::nullopt;
    }
    const KeyFit simple = keyFit(file, codes, false);
    const KeyFit advanced = keyFit(file, codes, true);
    if ((simple == KeyFit::Fits) != (advanced == KeyFit::Fits)) {
        return advanced == KeyFit::Fits;
    }
    const bool wrong = simple == KeyFit::NeitherFits && advanced == KeyFit::NeitherFits;
    view.refuse(texts::text(wrong ? WrongKey : ModeUnknown));
    return std::nullopt;
}

// ok, other-mode, wrong or unknown for the mode given; without one, ok when
// a mode fits.
QString verdict(const QString& file, const QByteArray& codes, const Options& options)
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
        return word(keyFit(file, codes, *options.advanced));
    }
    const KeyFit simple = keyFit(file, codes, false);
    const KeyFit advanced = keyFit(file, codes, true);
    if (simple == KeyFit::Fits || advanced == KeyFit::Fits) {
        return word(KeyFit::Fits);
    }
    const bool unknown = simple == KeyFit::CannotTell || advanced == KeyFit::CannotTell;
    return word(unknown ? KeyFit::CannotTell : KeyFit::NeitherFits);
}

// Small files go in batches, one for each mode's key, synced in groups;
// their ends are told as the batches tell them.
class Batches
{
public:
    Batches(CliView& view, Tally& tally) : m_view(view), m_tally(tally) {}

    void add(const QString& file, const QByteArray& key, bool advanced)
    {
        auto& batch = m_batches[advanced ? 1 : 0];
        if (!batch) {
            batch = std::make_unique<BatchJob>(m_view, key);
        }
        batch->add(file);
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
                using Kind = BatchJob::Result::Kind;
                m_view.start(result.file);
                if (result.kind == Kind::Done) {
                    m_view.done(result.bytes);
                } else if (result.kind != Kind::Declined) { // a declined question told why
                    m_view.refuse(result.message);
                }
                m_tally.count(result.kind == Kind::Done     ? CliView::Outcome::Done
                              : result.kind == Kind::Failed ? CliView::Outcome::Failed
                                                            : CliView::Outcome::Refused);
            }
        }
    }

    CliView& m_view;
    Tally& m_tally;
    std::array<std::unique_ptr<BatchJob>, 2> m_batches;
};

// A small regular file that may go in a batch.
bool batchable(const QString& file, const Options& options)
{
    struct stat info
    {
    };
    return options.output.isEmpty() && ::stat(QFile::encodeName(file).constData(), &info) == 0 &&
           S_ISREG(info.st_mode) && info.st_size <= BatchJob::LargestFile;
}

void process(const QString& file, const std::array<QByteArray, 2>& keys, const QByteArray& codes,
             const Options& options, CliView& view, Batches& batches, Tally& tally)
{
    view.start(file);
    if (options.command == Command::Check) {
        std::fputs(qPrintable(file + QStringLiteral(": ") + verdict(file, codes, options) + '\n'),
                   stdout);
        std::fflush(stdout);
        return;
    }
    const std::optional<bool> advanced =
        options.command == Command::Decrypt ? decryptionMode(file, codes, options, view)
                                            : std::optional<bool>(options.advanced.value_or(false));
    if (!advanced) {
        ++tally.refused;
        return;
    }
    const QByteArray& key = keys[*advanced ? 1 : 0];
    if (batchable(file, options)) {
        batches.add(file, key, *advanced);
        return;
    }
    batches.finish(); // in order: the small files before this one
    view.start(file);
    JobOptions job;
    job.outputPath = options.output;
    dec_crypt(view, file, key, job);
    tally.count(view.outcome());
}

std::optional<Options> parse(const QStringList& arguments, QString& error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(texts::text(Description));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  texts::text(HelpHelp));
    const QCommandLineOption version(QStringLiteral("version"), texts::text(VersionHelp));
    parser.addPositionalArgument(QStringLiteral("commande"), texts::text(CommandHelp));
    parser.addPositionalArgument(QStringLiteral("chemins"), texts::text(PathsHelp),
                                 QStringLiteral("CHEMIN…"));
    const QCommandLineOption advanced(QStringLiteral("advanced"), texts::text(AdvancedHelp));
    const QCommandLineOption simple(QStringLiteral("simple"), texts::text(SimpleHelp));
    const QCommandLineOption recursive({QStringLiteral("r"), QStringLiteral("recursive")},
                                       texts::text(RecursiveHelp));
    const QCommandLineOption force(QStringLiteral("force"), texts::text(ForceHelp));
    const QCommandLineOption noClobber(QStringLiteral("no-clobber"), texts::text(NoClobberHelp));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    texts::text(OutputHelp), QStringLiteral("FICHIER"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   texts::text(QuietHelp));
    const QCommandLineOption passwordFile(QStringLiteral("password-file"),
                                          texts::text(PasswordFileHelp), QStringLiteral("FICHIER"));
    const QCommandLineOption passwordFd(QStringLiteral("password-fd"), texts::text(PasswordFdHelp),
                                        QStringLiteral("N"));
    parser.addOptions({help, version, advanced, simple, recursive, force, noClobber, output, quiet,
                       passwordFile, passwordFd});
    if (!parser.parse(arguments)) {
        error = parser.errorText(); // an unknown option, --password among them
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        parser.showHelp(AllDone);
    }
    if (parser.isSet(version)) {
        parser.showVersion();
    }
    QStringList positional = parser.positionalArguments();
    Options options;
    const QString command = positional.isEmpty() ? QString() : positional.takeFirst();
    if (command == QLatin1String("encrypt")) {
        options.command = Command::Encrypt;
    } else if (command == QLatin1String("decrypt")) {
        options.command = Command::Decrypt;
    } else if (command == QLatin1String("check")) {
        options.command = Command::Check;
    } else {
        error = texts::text(UnknownCommand).arg(command);
        return std::nullopt;
    }
    if (parser.isSet(advanced) || parser.isSet(simple)) {
        options.advanced = parser.isSet(advanced);
    }
    options.recursive = parser.isSet(recursive);
    options.force = parser.isSet(force);
    options.noClobber = parser.isSet(noClobber);
    options.quiet = parser.isSet(quiet);
    options.output = parser.value(output);
    options.password = {parser.value(passwordFile),
                        parser.isSet(passwordFd) ? parser.value(passwordFd).toInt() : -1,
                        options.command == Command::Encrypt};
    options.paths = positional;
    error = options.paths.isEmpty()                          ? texts::text(NoPath)
            : parser.isSet(advanced) && parser.isSet(simple) ? texts::text(BothModes)
            : options.force && options.noClobber             ? texts::text(ForceAndNoClobber)
            : parser.isSet(output) && (options.paths.size() != 1 || options.recursive ||
                                       options.command == Command::Check)
                ? texts::text(OutputForOne)
            : options.output == QLatin1String("-") && ::isatty(STDOUT_FILENO) != 0
                ? texts::text(OutputToTerminal)
                : QString();
    return error.isEmpty() ? std::optional(options) : std::nullopt;
}

} // namespace

int run(const QStringList& arguments)
{
    handleEndSignals();
    QString error;
    const std::optional<Options> options = parse(arguments, error);
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
    {
        // A batch left when a signal ends the command names none of its outputs.
        Batches batches(view, tally);
        for (const QString& file : filesOf(*options, view, tally)) {
            if (endSignal() != 0) {
                break;
            }
            process(file, keys, *codes, *options, view, batches, tally);
        }
        if (endSignal() == 0) {
            batches.finish();
        }
    }
    if (endSignal() != 0) {
        return 128 + endSignal();
    }
    if (showProgress && options->command != Command::Check) {
        std::fputs(
            qPrintable(texts::text(Summary).arg(tally.done).arg(tally.refused).arg(tally.failed) +
                       '\n'),
            stderr);
    }
    return tally.refused + tally.failed == 0 ? AllDone : SomeNotDone;
}

} // namespace quibex::cli
