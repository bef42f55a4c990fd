// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/Password.h"

#include "cli/CliTexts.h"
#include "cli/CliView.h"
#include "job/FileJob.h"
#include "job/PasswordKey.h"
#include "job/Texts.h"

#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <unistd.h>

namespace quibex::cli {

namespace {

constexpr qsizetype LongestLine = 4096;

volatile std::sig_atomic_t g_stopAsked = 0;

extern "C" void onStopSignal(int /*signal*/)
{
    g_stopAsked = 1;
}

// Up to a line end (not kept, nor a carriage return before it), or the end.
// A stop asked meanwhile (Ctrl+Z) runs whenStopped, which stops the process.
std::optional<QByteArray> readLine(int fd, QString& error,
                                   const std::function<void()>& whenStopped = {})
{
    QByteArray line;
    char byte = 0;
    for (;;) {
        // Also before each read: a signal may come just before it.
        if (endSignal() != 0) {
            wipeSecret(line);
            return std::nullopt;
        }
        if (g_stopAsked != 0 && whenStopped) {
            g_stopAsked = 0;
            whenStopped();
        }
        const ssize_t n = ::read(fd, &byte, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int code = errno;
            error = texts::text(PasswordUnreadable).arg(systemErrorText(code));
            wipeSecret(line);
            return std::nullopt;
        }
        if (n == 0 || byte == '\n' || line.size() > LongestLine) {
            break;
        }
        line += byte;
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

std::optional<QByteArray> fromFile(const QString& path, QString& error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int code = errno;
        error = texts::text(PasswordUnreadable).arg(systemErrorText(code));
        return std::nullopt;
    }
    std::optional<QByteArray> line = readLine(fd, error);
    ::close(fd);
    return line;
}

// Stops the process as Ctrl+Z would have, until it is continued.
void stopHere()
{
    struct sigaction ours
    {
    };
    ::sigaction(SIGTSTP, nullptr, &ours);
    ::signal(SIGTSTP, SIG_DFL);
    ::raise(SIGTSTP);
    ::sigaction(SIGTSTP, &ours, nullptr);
}

// Asked on the terminal, without echo. The echo comes back whenever the
// prompt is left: a line read, an end signal, or a stop (and goes off again
// when the command is continued).
std::optional<QByteArray> prompted(int terminal, const char* prompt, QString& error)
{
    termios before{};
    const bool echoOff = ::tcgetattr(terminal, &before) == 0;
    termios quiet = before;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    const auto echo = [&](bool on) {
        // A second signal may interrupt the wait for the output to drain.
        while (echoOff && ::tcsetattr(terminal, TCSAFLUSH, on ? &before : &quiet) != 0 &&
               errno == EINTR) {
        }
    };
    struct sigaction stop
    {
    };
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    struct sigaction stopBefore
    {
    };
    ::sigaction(SIGTSTP, nullptr, &stopBefore);
    if (stopBefore.sa_handler != SIG_IGN) { // a qbc started to ignore Ctrl+Z keeps ignoring it
        ::sigaction(SIGTSTP, &stop, nullptr);
    }
    echo(false);
    const QByteArray text = texts::text(prompt).toUtf8();
    [[maybe_unused]] const ssize_t shown =
        ::write(terminal, text.constData(), std::size_t(text.size()));
    std::optional<QByteArray> line = readLine(terminal, error, [&] {
        echo(true);
        stopHere();
        echo(false);
    });
    echo(true);
    ::sigaction(SIGTSTP, &stopBefore, nullptr);
    [[maybe_unused]] const ssize_t newline = ::write(terminal, "\n", 1);
    return line;
}

std::optional<QByteArray> fromTerminal(bool twice, QString& error)
{
    const int terminal = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        error = texts::text(NoTerminal);
        return std::nullopt;
    }
    const auto closed = qScopeGuard([terminal] { ::close(terminal); });
    std::optional<QByteArray> first = prompted(terminal, PasswordPrompt, error);
    if (!first || !twice) {
        return first;
    }
    std::optional<QByteArray> second = prompted(terminal, PasswordAgain, error);
    const bool same = second && *second == *first;
    if (second) {
        wipeSecret(*second);
    }
    if (!same) {
        wipeSecret(*first);
        error = error.isEmpty() ? texts::text(PasswordsDiffer) : error;
        return std::nullopt;
    }
    return first;
}

} // namespace

std::optional<QByteArray> readPassword(const PasswordSource& source, QString& error)
{
    std::optional<QByteArray> typed = !source.file.isEmpty() ? fromFile(source.file, error)
                                      : source.fd >= 0       ? readLine(source.fd, error)
                                                             : fromTerminal(source.twice, error);
    if (!typed) {
        return std::nullopt;
    }
    const auto wiped = qScopeGuard([&typed] { wipeSecret(*typed); });
    const QString password = QString::fromUtf8(*typed);
    if (password.isEmpty()) {
        error = texts::text(PasswordEmpty);
        return std::nullopt;
    }
    if (password.toUcs4().size() >= 256) {
        error = texts::text(texts::PasswordTooLong);
        return std::nullopt;
    }
    std::optional<QByteArray> codes = passwordToKey(password);
    if (!codes) {
        error = texts::text(texts::UnsupportedPassword);
    }
    return codes;
}

} // namespace quibex::cli
