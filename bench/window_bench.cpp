// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// build/bench/window_bench [--advanced] [--slow-disk MBPS]
//                          [--quit-after MS [--quit-by menu|button]] FILE PASSWORD
// Encrypts FILE through the real window, as a user would: Browse (the dialog
// answers FILE), the first press of Encrypt, the password typed, the second
// press; the overwrite question is answered Yes and the final message OK.
// Run it with QT_QPA_PLATFORM=offscreen when there is no display.
//
// Prints the total time of the run (from the second press to the final
// message) and the longest gap during which the window could not answer the
// user: the longest time between two turns of its event loop (which the
// job's yields run), the press and the final message counting as turns; and
// the median gap, how long an event (an assistive tool's call) waits as a rule.
// Exits 1 when the run did not succeed. --slow-disk writes the
// output as to a disk that stores MBPS megabytes (10^6 bytes) per second.
// --quit-after runs a Quit command (the menu item, or the button) MS
// milliseconds after the start and prints the wall-clock time of the click,
// for bench/quit_latency.sh.
#include "bench/BenchArguments.h"
#include "job/Texts.h"
#include "tests/support/WindowTestSupport.h"
#include "ui/Application.h"
#include "ui/controls/QuibexCmd.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using quibex::MessageBox;
using quibex::testBoxes;

// Times the turns of the event loop from start() to stop(): a timer that
// fires at every turn, so the gaps between its ticks are the times the
// window could not answer.
class Responsiveness
{
public:
    qint64 longestGapNs = 0;
    qint64 turns = 0;
    std::vector<qint64> gapsNs;

    Responsiveness()
    {
        m_ticks.setInterval(0);
        QObject::connect(&m_ticks, &QTimer::timeout, &m_ticks, [this] { turn(); });
    }

    void start()
    {
        m_clock.start();
        m_lastNs = 0;
        m_ticks.start();
    }

    // Returns the nanoseconds since start().
    qint64 stop()
    {
        turn();
        m_ticks.stop();
        return m_lastNs;
    }

private:
    void turn()
    {
        const qint64 now = m_clock.nsecsElapsed();
        longestGapNs = std::max(longestGapNs, now - m_lastNs);
        gapsNs.push_back(now - m_lastNs);
        m_lastNs = now;
        ++turns;
    }

    QTimer m_ticks;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
};

void press(quibex::RezarUvurizod& window, const char* name)
{
    window.findChild<quibex::QuibexCmd*>(QLatin1String(name))->click();
}

void printWallClock()
{
    // The wall clock, which the calling script reads once the process is gone.
    std::printf("quit at %lld ns\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::system_clock::now().time_since_epoch())
                                           .count()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const auto arguments = quibex::bench::parseBenchArguments(argc, argv, true);
    if (!arguments) {
        return 2;
    }
    QApplication app(argc, argv);
    quibex::setUpApplication(app);
    quibex::ScriptedFileOpenDialog::setNextChoice(arguments->file);

    // The window's own tuning, as the program gives it.
    quibex::JobOptions options = quibex::bench::jobOptionsFor(*arguments);
    options.eventsInterval = quibex::WindowParts::promptJobOptions().eventsInterval;
    quibex::ScriptedWindow window(options);
    window.show();
    bool quitted = false;
    if (arguments->quitAfterMs > 0) {
        QTimer::singleShot(arguments->quitAfterMs, &window, [&window, &arguments, &quitted] {
            quitted = true;
            printWallClock();
            if (arguments->quitByButton) {
                press(window, "KovCommand1");
            } else {
                window.findChild<QAction*>(QStringLiteral("menu_fichier_quitter"))->trigger();
            }
        });
    }
    if (arguments->advanced) {
        window.findChild<QAction*>(QStringLiteral("menu_option_avance"))->trigger();
    }
    press(window, "btnParcourir");
    press(window, "btnCrypt");
    window.findChild<QLineEdit*>(QStringLiteral("Motdepass"))->setText(arguments->password);
    // Yes to a question about an existing output, then OK to the last message.
    testBoxes().setNextAnswer(MessageBox::Answer::Yes);
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    Responsiveness responsiveness;
    responsiveness.start();
    press(window, "btnCrypt");
    const qint64 runNs = responsiveness.stop();
    if (quitted) {
        return 0; // as the program: its window and the application go, then the process
    }

    const QString lastMessage = testBoxes().lastShown().text;
    if (!lastMessage.startsWith(QString::fromUtf8(quibex::texts::SuccessLine1))) {
        std::fprintf(stderr, "%s\n", lastMessage.toLocal8Bit().constData());
        return 1;
    }
    std::printf("turns of the event loop: %lld\n", static_cast<long long>(responsiveness.turns));
    std::printf("longest gap: %.1f ms\n", double(responsiveness.longestGapNs) / 1e6);
    auto& gaps = responsiveness.gapsNs;
    std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
    std::printf("median gap: %.3f ms\n", double(gaps[gaps.size() / 2]) / 1e6);
    std::printf("run: %.3f s\n", double(runNs) / 1e9);
    return 0;
}
