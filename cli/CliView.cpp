// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/CliView.h"

#include "cli/CliTexts.h"
#include "job/Texts.h"

#include <QFile>
#include <QHash>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quibex::cli {

namespace {

volatile std::sig_atomic_t g_endSignal = 0;

extern "C" void onEndSignal(int signal)
{
    g_endSignal = signal;
}

// The live line is redrawn at most this often.
constexpr qint64 LineInterval = 100;

// One line, and no control character of a name inside a message (the job's
// messages carry paths) reaches the terminal: each is shown as \ooo.
QString oneLine(const QString& text)
{
    QString line;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\r' || u == u'\n') {
            line += QLatin1Char(' ');
        } else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0)) {
            line += QStringLiteral("\\%1").arg(int(u), 3, 8, QLatin1Char('0'));
        } else {
            line += c;
        }
    }
    return line;
}

void writeError(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::write(STDERR_FILENO, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += n;
    }
}

// The length of the UTF-8 sequence of a printable character at the start of
// bytes; 0 for a control character or bytes that are not UTF-8.
qsizetype printableSequence(QByteArrayView bytes)
{
    const auto lead = static_cast<unsigned char>(bytes.front());
    if (lead < 0x80) {
        return lead >= 0x20 && lead != 0x7f ? 1 : 0;
    }
    const qsizetype length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
    if (length == 0 || bytes.size() < length) {
        return 0;
    }
    // Valid when it comes back the same: no overlong form, no surrogate.
    const QString decoded = QString::fromUtf8(bytes.first(length));
    const char32_t c = decoded.toUcs4().value(0);
    const bool valid = decoded.toUtf8() == bytes.first(length);
    return valid && !(c >= 0x80 && c < 0xa0) ? length : 0;
}

} // namespace

QString quotedName(const QByteArray& name)
{
    QString plain;
    QString quoted = QStringLiteral("$'");
    bool needsQuotes = false;
    for (qsizetype at = 0; at < name.size();) {
        const qsizetype length = printableSequence(QByteArrayView(name).sliced(at));
        if (length > 0) {
            const QString character = QString::fromUtf8(name.mid(at, length));
            plain += character;
            quoted += character == QLatin1String("'") || character == QLatin1String("\\")
                          ? QLatin1Char('\\') + character
                          : character;
            at += length;
            continue;
        }
        needsQuotes = true;
        const auto byte = static_cast<unsigned char>(name.at(at));
        static const QHash<unsigned char, QString> named{
            {'\a', QStringLiteral("\\a")}, {'\b', QStringLiteral("\\b")},
            {'\t', QStringLiteral("\\t")}, {'\n', QStringLiteral("\\n")},
            {'\v', QStringLiteral("\\v")}, {'\f', QStringLiteral("\\f")},
            {'\r', QStringLiteral("\\r")}};
        quoted += named.value(byte, QStringLiteral("\\%1").arg(byte, 3, 8, QLatin1Char('0')));
        ++at;
    }
    return needsQuotes ? quoted + QLatin1Char('\'') : plain;
}

int endSignal()
{
    return g_endSignal;
}

void handleEndSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    // No restart: a prompt waiting for the terminal ends too.
    for (const int signal : std::array{SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction before
        {
        };
        ::sigaction(signal, nullptr, &before);
        if (before.sa_handler != SIG_IGN) {
            ::sigaction(signal, &action, nullptr);
        }
    }
    // A closed pipe is a write error to report, not a death.
    ::signal(SIGPIPE, SIG_IGN);
}

void printError(const QString& line)
{
    writeError((QStringLiteral("qbc: ") + oneLine(line) + QLatin1Char('\n')).toUtf8());
}

bool askOnTerminal(const QString& question)
{
    const int terminal = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        return false;
    }
    const QByteArray prompt = (oneLine(question) + QStringLiteral(" (o/N) ")).toUtf8();
    [[maybe_unused]] const ssize_t written =
        ::write(terminal, prompt.constData(), std::size_t(prompt.size()));
    char answer[16] = {};
    const ssize_t n = ::read(terminal, answer, sizeof(answer) - 1);
    ::close(terminal);
    return n > 0 && (answer[0] == 'o' || answer[0] == 'O' || answer[0] == 'y' || answer[0] == 'Y');
}

CliView::CliView(bool showProgress, Replace replace)
    : m_showProgress(showProgress), m_replace(replace)
{
}

void CliView::start(const QString& file)
{
    start(QFile::encodeName(file));
}

void CliView::start(const QByteArray& nativeFile)
{
    m_file = quotedName(nativeFile);
    m_percent = 0;
    m_done = 0;
    m_shownAt = -1;
    m_started.start();
}

void CliView::refuse(const QString& why)
{
    if (m_lineOpen) {
        writeError("\n");
        m_lineOpen = false;
    }
    printError(m_file + QStringLiteral(" : ") + why);
}

void CliView::done(qint64 bytes, bool withRate)
{
    if (m_showProgress) {
        m_percent = 100;
        m_done = bytes;
        showLine(true, withRate);
    }
}

void CliView::showProgress(int percent, std::optional<std::int64_t> bytesDone)
{
    m_percent = percent;
    m_done = bytesDone.value_or(m_done);
}

void CliView::yield()
{
    if (m_showProgress && (m_shownAt < 0 || m_started.elapsed() - m_shownAt >= LineInterval)) {
        showLine(false, true);
    }
}

// The throughput only where this file's own time is known: a file of a batch
// was written with the others of its group.
void CliView::showLine(bool last, bool withRate)
{
    m_shownAt = m_started.elapsed();
    const double seconds = std::max<double>(0.001, double(m_started.nsecsElapsed()) / 1e9);
    QString line =
        QStringLiteral("\r\x1b[K%1  %2 %  %3 octets").arg(m_file).arg(m_percent).arg(m_done);
    if (withRate) {
        line += QStringLiteral("  %1 Mo/s").arg(double(m_done) / 1e6 / seconds, 0, 'f', 1);
    }
    writeError(line.toUtf8() + (last ? "\n" : ""));
    m_lineOpen = !last;
}

bool CliView::question(const QString& text)
{
    switch (m_replace) {
    case Replace::Always:
        return true;
    case Replace::Never:
        refuse(texts::text(ExistsNoClobber));
        return false;
    case Replace::Ask:
        break;
    }
    if (::isatty(STDIN_FILENO) == 0 || !askOnTerminal(text)) {
        refuse(texts::text(ExistsKept));
        return false;
    }
    return true;
}

bool CliView::endRequested() const
{
    return g_endSignal != 0;
}

} // namespace quibex::cli
