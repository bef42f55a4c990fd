// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/Qbc.h"
#include "job/Version.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <sys/prctl.h>

int main(int argc, char* argv[])
{
    // The password and the key live in this process's memory.
    ::prctl(PR_SET_DUMPABLE, 0);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qbc"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(quibex::Version));
    // Its texts are French: so are those of Qt's own option parser.
    QTranslator translator;
    if (translator.load(QStringLiteral("qtbase_fr"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&translator);
    }
    return quibex::cli::run(QCoreApplication::arguments());
}
