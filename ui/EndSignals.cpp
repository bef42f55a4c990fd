// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/EndSignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace quibex {

namespace {

// A handler may only do async-signal-safe work: it writes the signal number
// to a socket that the event loop watches.
std::array<int, 2> g_pipe{-1, -1};
constexpr std::array HandledSignals{SIGTERM, SIGHUP, SIGINT};

extern "C" void onEndSignal(int signal)
{
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &number, 1);
}

void setHandler(void (*handler)(int))
{
    struct sigaction action
    {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : HandledSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe.data()) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndSignals::readSignal);
    setHandler(onEndSignal);
}

EndSignals::~EndSignals()
{
    if (m_notifier == nullptr) {
        return;
    }
    setHandler(SIG_DFL);
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
