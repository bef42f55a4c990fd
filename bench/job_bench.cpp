// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// build/bench/job_bench [--advanced] [--slow-disk MBPS] FILE PASSWORD
// Runs the real file job on FILE with a view that shows nothing and answers Yes
// to the overwrite question. Prints the output path on its first line and the
// throughput on its last; exits 1 with the job's message on stderr on failure.
//
// Also prints how long the calling (window's) thread went without a yield:
// from the start of the job to its first yield, between two yields (from the
// end of one to the start of the next), and from the last yield to the job's
// return, when the window tells how it ended. --slow-disk writes the output
// as to a disk that stores MBPS megabytes (10^6 bytes) per second, through
// the test streams' slow disk.
// SIGTERM, SIGHUP and SIGINT end the job at its next yield, as in the window:
// it then exits 3 at once, leaving no output behind.
#include "bench/BenchArguments.h"
#include "job/FileJob.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"
#include "tests/support/SilentJobView.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t g_ending = 0;

extern "C" void onEndSignal(int)
{
    g_ending = 1;
}

void handleEndSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        ::sigaction(signal, &action, nullptr);
    }
}

class NullView : public SilentJobView
{
public:
    int yields = 0;
    qint64 longestGapNs = 0;

    void start()
    {
        m_clock.start();
        m_lastReturnNs = 0;
    }

    void yield() override
    {
        reached();
        ++yields;
        m_lastReturnNs = m_clock.nsecsElapsed();
    }
    // The job has returned: the window would tell its result now.
    qint64 returned() { return reached(); }
    bool endRequested() const override { return g_ending != 0; }

private:
    // The window answers again here: the gap since it last could ends.
    qint64 reached()
    {
        const qint64 gap = m_clock.nsecsElapsed() - m_lastReturnNs;
        longestGapNs = std::max(longestGapNs, gap);
        return gap;
    }

    QElapsedTimer m_clock;
    qint64 m_lastReturnNs = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const auto arguments = quibex::bench::parseBenchArguments(argc, argv, false);
    if (!arguments) {
        return 2;
    }
    const bool advanced = arguments->advanced;
    const QString file = arguments->file;
    const QString password = arguments->password;
    const auto codes = quibex::passwordToKey(password);
    if (!codes || codes->isEmpty() || codes->size() > 255) {
        std::fprintf(stderr, "%s\n",
                     codes ? "Le mot de passe doit avoir de 1 à 255 caractères."
                           : quibex::texts::UnsupportedPassword);
        return 1;
    }
    NullView expansion;
    const QByteArray key =
        advanced ? quibex::expandKeyOnView(expansion, *codes, [](const QString&) {}) : *codes;
    const quibex::JobOptions options = quibex::bench::jobOptionsFor(*arguments);
    handleEndSignals();

    NullView view;
    QElapsedTimer timer;
    timer.start();
    view.start();
    const quibex::JobResult result = quibex::dec_crypt(view, file, key, options);
    const qint64 lastYieldToReturnNs = view.returned();
    const qint64 ns = timer.nsecsElapsed();
    if (g_ending != 0) {
        std::fprintf(stderr, "ended by a signal\n");
        return 3;
    }

    if (result.kind != quibex::JobResult::Kind::Done) {
        std::fprintf(stderr, "%s\n", result.why.toLocal8Bit().constData());
        return 1;
    }
    const QString output = result.output;
    const qint64 bytes = QFileInfo(output).size();
    const double seconds = double(ns) / 1e9;
    std::printf("%s\n", output.toLocal8Bit().constData());
    std::printf("%lld bytes in %.3f s, %d yields, %s mode, %s\n", static_cast<long long>(bytes),
                seconds, view.yields, advanced ? "advanced" : "simple",
                arguments->slowDiskBytesPerSecond > 0 ? "simulated slow disk" : "real disk");
    std::printf("longest gap without a yield: %.1f ms; last yield to the job's end: %.1f ms\n",
                double(view.longestGapNs) / 1e6, double(lastYieldToReturnNs) / 1e6);
    std::printf("throughput: %.1f MiB/s\n",
                seconds > 0 ? double(bytes) / (1024.0 * 1024.0) / seconds : 0.0);
    return 0;
}
