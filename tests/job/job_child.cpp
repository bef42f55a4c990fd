// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// tests/job/job_child FILE: a program that encrypts FILE on a disk that
// stores 1 MB a second, prints "started" and its process number at the job's
// first yield, answers Yes to the overwrite question, and ends
// at the next yield after SIGTERM, as the window does; the test ends it there.
#include "job/FileJob.h"
#include "tests/support/SilentJobView.h"
#include "tests/support/TestStreams.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_ending = 0;

extern "C" void onEnd(int)
{
    g_ending = 1;
}

class ChildView : public SilentJobView
{
public:
    void yield() override
    {
        if (!m_told) {
            std::printf("started %d\n", int(::getpid()));
            std::fflush(stdout);
            m_told = true;
        }
    }
    bool endRequested() const override { return g_ending != 0; }

private:
    bool m_told = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    std::signal(SIGTERM, onEnd);
    quibex::testing::TestStreams::Faults faults;
    faults.bytesPerSecond = 1000 * 1000;
    quibex::JobOptions options;
    options.blockSize = 64 * 1024;
    options.streams = std::make_shared<quibex::testing::TestStreams>(faults);
    ChildView view;
    quibex::dec_crypt(view, QString::fromLocal8Bit(argv[1]), "k", options);
    return g_ending != 0 ? 0 : 1;
}
