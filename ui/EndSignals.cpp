// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/EndSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace quibex {

namespace {

// A handler may only do async-signal-safe work: it writes the signal number
// to a socket that the event loop watches. The socket never blocks: when it
// is full, a number is waiting already, and one is enough to end.
std::array<int, 2> g_pipe{-1, -1};
constexpr std::array HandledSignals{SIGTERM, SIGHUP, SIGINT};
// What each signal did before; an ignored one (SIGHUP under nohup) stays so.
std::array<struct sigaction, HandledSignals.size()> g_previous{};

extern "C" void onEndSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &number, 1);
    errno = saved;
}

void handleSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < HandledSignals.size(); ++i) {
        ::sigaction(HandledSignals[i], nullptr, &g_previous[i]);
        if (g_previous[i].sa_handler != SIG_IGN) {
            ::sigaction(HandledSignals[i], &action, nullptr);
        }
    }
}

void restoreSignals()
{
    for (std::size_t i = 0; i < HandledSignals.size(); ++i) {
        ::sigaction(HandledSignals[i], &g_previous[i], nullptr);
    }
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pipe.data()) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndSignals::readSignal);
    handleSignals();
}

EndSignals::~EndSignals()
{
    if (m_notifier == nullptr) {
        return;
    }
    restoreSignals();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe = {-1, -1};
}

void EndSignals::readSignal()
{
    unsigned char number = 0;
    if (::read(g_pipe[1], &number, 1) == 1) {
        emit received(number);
    }
}

} // namespace quibex
