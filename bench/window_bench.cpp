// build/bench/window_bench [--advanced] [--slow-disk MBPS]
//                          [--quit-after MS [--quit-by menu|button]] FILE PASSWORD
// Encrypts FILE through the real window, as a user would: Browse (the dialog
// answers FILE), the first press of Encrypt, the password typed, the second
// press; the overwrite question is answered Yes and the final message OK.
// Run it with QT_QPA_PLATFORM=offscreen when there is no display.
//
// Prints the total time of the run (from the second press to the final
// message) and the longest gap during which the window could not answer the
// user: between the press and the first yield, between two yields (from the
// end of one to the start of the next), and between the last yield and the
// final message. Exits 1 when the run did not succeed. --slow-disk writes the
// output as to a disk that stores MBPS megabytes (10^6 bytes) per second.
// --quit-after runs a Quit command (the menu item, or the button) MS
// milliseconds after the start and prints the wall-clock time of the click,
// for bench/quit_latency.sh.
#include "bench/BenchArguments.h"
#include "job/Texts.h"
#include "ui/Application.h"
#include "ui/RezarUvurizod.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/ScriptedFileOpenDialog.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using quibex::MessageBox;

// The window, timed at every point where it answers the user again.
class TimedWindow : public quibex::RezarUvurizod
{
public:
    qint64 longestGapNs = 0;
    // Where the longest gap ended: 1 at the first yield, yields + 1 at the
    // final message.
    qint64 longestGapEnd = 0;
    qint64 longestStartToStartNs = 0;
    qint64 yields = 0;
    qint64 startNs = -1;
    qint64 endNs = -1;
    QString lastMessage;

    TimedWindow() { m_clock.start(); }

    void crypter() override
    {
        m_lastReturnNs = m_clock.nsecsElapsed();
        m_lastStartNs = m_lastReturnNs;
        RezarUvurizod::crypter();
    }

    void yield() override
    {
        reached();
        ++yields;
        RezarUvurizod::yield();
        m_lastReturnNs = m_clock.nsecsElapsed();
    }

    void message(const QString& text, quibex::MessageKind kind, const QString& title) override
    {
        // A box runs the event loop: the window answers again here.
        if (startNs >= 0) {
            reached();
            endNs = m_clock.nsecsElapsed();
        }
        lastMessage = text;
        RezarUvurizod::message(text, kind, title);
    }

    void press(const char* name)
    {
        if (std::strcmp(name, "btnCrypt") == 0 && startNs < 0 &&
            !findChild<QLineEdit*>(QStringLiteral("Motdepass"))->text().isEmpty()) {
            startNs = m_clock.nsecsElapsed();
        }
        findChild<quibex::QuibexCmd*>(QLatin1String(name))->click();
    }

private:
    void reached()
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (now - m_lastReturnNs > longestGapNs) {
            longestGapNs = now - m_lastReturnNs;
            longestGapEnd = yields + 1;
        }
        longestStartToStartNs = std::max(longestStartToStartNs, now - m_lastStartNs);
        m_lastStartNs = now;
    }

    QElapsedTimer m_clock;
    qint64 m_lastReturnNs = 0;
    qint64 m_lastStartNs = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const auto arguments = quibex::bench::parseBenchArguments(argc, argv, "window_bench");
    if (!arguments) {
        return 2;
    }
    QApplication app(argc, argv);
    quibex::setUpApplication(app);
    quibex::ScriptedFileOpenDialog::install();
    quibex::ScriptedFileOpenDialog::setNextChoice(QString::fromLocal8Bit(arguments->file));

    TimedWindow window;
    window.show();
    window.setJobOptions(quibex::bench::jobOptionsFor(*arguments));
    bool quitted = false;
    if (arguments->quitAfterMs > 0) {
        QTimer::singleShot(arguments->quitAfterMs, &window, [&window, &arguments, &quitted] {
            quitted = true;
            // The wall clock, which the calling script reads once the process is gone.
            std::printf(
                "quit at %lld ns\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::system_clock::now().time_since_epoch())
                                           .count()));
            std::fflush(stdout);
            if (arguments->quitByButton) {
                window.press("KovCommand1");
            } else {
                window.findChild<QAction*>(QStringLiteral("menu_fichier_quitter"))->trigger();
            }
        });
    }
    if (arguments->advanced) {
        window.findChild<QAction*>(QStringLiteral("menu_option_avance"))->trigger();
    }
    window.press("btnParcourir");
    window.press("btnCrypt");
    window.findChild<QLineEdit*>(QStringLiteral("Motdepass"))
        ->setText(QString::fromLocal8Bit(arguments->password));
    // Yes to a question about an existing output, then OK to the last message.
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    window.press("btnCrypt");
    if (quitted) {
        return 0; // as the program: its window and the application go, then the process
    }

    if (!window.lastMessage.startsWith(QString::fromUtf8(quibex::texts::SuccessLine1))) {
        std::fprintf(stderr, "%s\n", window.lastMessage.toLocal8Bit().constData());
        return 1;
    }
    const double seconds = double(window.endNs - window.startNs) / 1e9;
    std::printf("yields: %lld\n", static_cast<long long>(window.yields));
    std::printf("longest gap: %.1f ms (yield start to start: %.1f ms), ending at point %lld of "
                "%lld (the last: the final message)\n",
                double(window.longestGapNs) / 1e6, double(window.longestStartToStartNs) / 1e6,
                static_cast<long long>(window.longestGapEnd),
                static_cast<long long>(window.yields + 1));
    std::printf("run: %.3f s\n", seconds);
    return 0;
}
