// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/Application.h"
#include "ui/EndSignals.h"
#include "ui/RezarUvurizod.h"

#include <QApplication>

#include <sys/prctl.h>

int main(int argc, char* argv[])
{
    // The password and the key live in this process's memory: no core file
    // of it, and no other process of the user may read it through ptrace.
    ::prctl(PR_SET_DUMPABLE, 0);
    // A second start ends at once and in silence: before Qt connects to the
    // display, which may already print warnings, and before any window shows.
    QCoreApplication::setApplicationName(QStringLiteral("quibex-crypto"));
    const quibex::SingleInstance instance;
    if (!instance.acquired()) {
        return 0;
    }

    QApplication app(argc, argv);
    quibex::setUpApplication(app);

    quibex::RezarUvurizod window;
    // Ended by the session or a signal: as the Quit command, so that a job
    // does not leave its temporary output behind.
    const quibex::EndSignals endSignals;
    QObject::connect(&endSignals, &quibex::EndSignals::received, &window,
                     &quibex::RezarUvurizod::quitter);
    window.centre();
    window.show();
    return QApplication::exec();
}
