// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/Options.h"

#include "cli/CliTexts.h"
#include "cli/Qbc.h"
#include "job/Texts.h"

#include <QCommandLineParser>

#include <fcntl.h>
#include <unistd.h>

namespace quibex::cli {

namespace {

// The number of a descriptor open in this process; nullopt for anything
// else, which must not fall back on standard input.
std::optional<int> openDescriptor(const QString& value)
{
    bool number = !value.isEmpty();
    for (const QChar c : value) {
        number = number && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    }
    const int fd = number ? value.toInt(&number) : -1;
    if (!number || ::fcntl(fd, F_GETFD) < 0) {
        return std::nullopt;
    }
    return fd;
}

} // namespace

std::optional<Options> parseOptions(const QStringList& arguments, QString& error)
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
    const std::optional<int> fd = parser.isSet(passwordFd)
                                      ? openDescriptor(parser.value(passwordFd))
                                      : std::optional<int>(-1);
    options.password = {parser.value(passwordFile), fd.value_or(-1),
                        options.command == Command::Encrypt};
    options.paths = positional;
    error = options.paths.isEmpty() ? texts::text(NoPath)
            : !fd                   ? texts::text(NotADescriptor).arg(parser.value(passwordFd))
            : parser.isSet(passwordFile) && parser.isSet(passwordFd)
                ? texts::text(TwoPasswordSources)
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

} // namespace quibex::cli
