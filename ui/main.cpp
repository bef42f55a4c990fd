// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/Application.h"
#include "ui/EndSignals.h"
#include "ui/HandOver.h"
#include "ui/RezarUvurizod.h"
#include "ui/WindowTexts.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <sys/prctl.h>

namespace {

// quibex-crypto [FILE]: the file to open, absolute; empty without one.
QString fileArgument(int argc, char* argv[])
{
    return argc == 2 && argv[1][0] != '-' ? quibex::givenPath(QFile::decodeName(argv[1]))
                                          : QString();
}

} // namespace

int main(int argc, char* argv[])
{
    // The password and the key live in this process's memory: no core file
    // of it, and no other process of the user may read it through ptrace.
    ::prctl(PR_SET_DUMPABLE, 0);
    // A second start ends at once and in silence: before Qt connects to the
    // display, which may already print warnings, and before any window shows.
    QCoreApplication::setApplicationName(QStringLiteral("quibex-crypto"));
    const quibex::SingleInstance instance;
    const QString file = fileArgument(argc, argv);
    if (!instance.acquired()) {
        // The window already open shows the file, or only comes to the front;
        // one that is just starting is waited for a moment.
        if (!quibex::handOver(quibex::HandOverServer::socketPathFor(*instance.lockPath()),
                              file.toUtf8(), std::chrono::seconds(3))) {
            std::fprintf(stderr, "%s\n", quibex::window_texts::HandOverFailed);
            return 1;
        }
        return 0;
    }

    QApplication app(argc, argv);
    quibex::setUpApplication(app);
    // Listening before the window is built: what a second start sends
    // meanwhile waits for the event loop, which runs once the window is there.
    quibex::HandOverServer handOver;
    if (instance.guarded()) {
        handOver.listen(quibex::HandOverServer::socketPathFor(*instance.lockPath()));
    }

    quibex::RezarUvurizod window;
    // Ended by the session or a signal: as the Quit command, so that a job
    // does not leave its temporary output behind.
    const quibex::EndSignals endSignals;
    QObject::connect(&endSignals, &quibex::EndSignals::received, &window,
                     &quibex::RezarUvurizod::quitter);
    window.centre();
    window.show();
    if (!file.isEmpty()) {
        window.choose(file);
    }
    QObject::connect(&handOver, &quibex::HandOverServer::handedOver, &window,
                     &quibex::RezarUvurizod::showHandedOver);
    return QApplication::exec();
}
