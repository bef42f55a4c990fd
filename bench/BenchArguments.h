// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobOptions.h"
#include "tests/support/TestStreams.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>

namespace quibex::bench {

// The command line shared by the whole-run benchmarks:
// [--advanced] [--slow-disk MBPS] [--quit-after MS [--quit-by menu|button]]
// FILE PASSWORD (the window benchmark alone takes the quit options).
struct BenchArguments
{
    bool advanced = false;
    // When > 0, the output goes to a simulated disk that stores this many
    // bytes per second (the test streams' slow disk).
    long long slowDiskBytesPerSecond = 0;
    // When > 0, a Quit command this many milliseconds after the job starts.
    long long quitAfterMs = 0;
    bool quitByButton = false;
    QString file;
    QString password;
};

// The words of argv, as the program was given them.
inline QStringList argumentList(int argc, char** argv)
{
    QStringList words;
    for (int i = 0; i < argc; ++i) {
        words << QString::fromLocal8Bit(argv[i]);
    }
    return words;
}

// Prints what does not fit, and the usage, and returns nullopt when the words
// do not fit; quitOptions adds --quit-after and --quit-by.
inline std::optional<BenchArguments> parseBenchArguments(int argc, char** argv, bool quitOptions)
{
    QCommandLineParser parser;
    const QCommandLineOption advanced(QStringLiteral("advanced"), QStringLiteral("advanced key"));
    const QCommandLineOption slowDisk(QStringLiteral("slow-disk"),
                                      QStringLiteral("a disk of MBPS 10^6 bytes per second"),
                                      QStringLiteral("MBPS"));
    const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                       QStringLiteral("a Quit command MS after the start"),
                                       QStringLiteral("MS"));
    const QCommandLineOption quitBy(QStringLiteral("quit-by"), QStringLiteral("menu or button"),
                                    QStringLiteral("menu|button"), QStringLiteral("menu"));
    parser.addOptions({advanced, slowDisk});
    if (quitOptions) {
        parser.addOptions({quitAfter, quitBy});
    }
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the file to transform"));
    parser.addPositionalArgument(QStringLiteral("PASSWORD"), QStringLiteral("its password"));

    BenchArguments parsed;
    bool fits = parser.parse(argumentList(argc, argv)) && parser.positionalArguments().size() == 2;
    parsed.advanced = parser.isSet(advanced);
    if (fits && parser.isSet(slowDisk)) {
        parsed.slowDiskBytesPerSecond =
            static_cast<long long>(parser.value(slowDisk).toDouble() * 1e6);
        fits = parsed.slowDiskBytesPerSecond > 0;
    }
    if (fits && quitOptions && parser.isSet(quitAfter)) {
        parsed.quitAfterMs = parser.value(quitAfter).toLongLong();
        parsed.quitByButton = parser.value(quitBy) == QStringLiteral("button");
        fits = parsed.quitAfterMs > 0 &&
               (parsed.quitByButton || parser.value(quitBy) == QStringLiteral("menu"));
    }
    if (!fits) {
        // Qt's own help text needs an application object, which the job
        // benchmark has none of.
        std::fprintf(stderr, "%s\nusage: %s [--advanced] [--slow-disk MBPS]%s FILE PASSWORD\n",
                     qPrintable(parser.errorText()), argv[0],
                     quitOptions ? " [--quit-after MS [--quit-by menu|button]]" : "");
        return std::nullopt;
    }
    parsed.file = parser.positionalArguments().at(0);
    parsed.password = parser.positionalArguments().at(1);
    return parsed;
}

// The job's options for a run: the slow disk when one was asked for.
inline JobOptions jobOptionsFor(const BenchArguments& arguments)
{
    JobOptions options;
    if (arguments.slowDiskBytesPerSecond > 0) {
        testing::TestStreams::Faults faults;
        faults.bytesPerSecond = arguments.slowDiskBytesPerSecond;
        options.streams = std::make_shared<testing::TestStreams>(faults);
    }
    return options;
}

} // namespace quibex::bench
