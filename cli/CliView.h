// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include "job/JobView.h"

#include <QElapsedTimer>
#include <QString>

namespace quibex::cli {

// The file job's view on a terminal: a live line per file (name, percentage,
// bytes, throughput) when standard error is a terminal, each message as one
// line on standard error naming the file, and the overwrite question asked
// on the terminal or answered by the command's options.
class CliView : public JobView
{
public:
    enum class Replace
    {
        Ask,    // on the terminal; refused without one
        Always, // --force
        Never   // --no-clobber
    };
    CliView(bool showProgress, Replace replace);

    // Before each file's job; by its bytes, for names that are not UTF-8.
    void start(const QString& file);
    void start(const QByteArray& nativeFile);
    // Why the current file was not done, one line naming it.
    void refuse(const QString& why);
    // The current file done, bytes written; its throughput where its own time
    // is known (not in a batch, whose files were written together).
    void done(qint64 bytes, bool withRate);

    void setStatus(const QString&) override {}
    void setSizeText(const QString&) override {}
    void showProgress(int percent, std::optional<std::int64_t> bytesDone = {}) override;
    void yield() override;
    bool question(const QString& text) override;
    bool endRequested() const override;

private:
    void showLine(bool last, bool withRate);

    bool m_showProgress;
    Replace m_replace;
    QString m_file;
    int m_percent = 0;
    qint64 m_done = 0;
    QElapsedTimer m_started;
    qint64 m_shownAt = -1;
    bool m_lineOpen = false;
};

// Set from a signal handler: SIGINT, SIGTERM, SIGHUP or SIGQUIT asked the
// command to end.
int endSignal();
void handleEndSignals();

// The name as ls shows one that holds control characters or bytes that are
// not UTF-8: $'...' with escapes, so that no name moves the terminal or
// forges a line; any other as it is.
QString quotedName(const QByteArray& name);

// One line on standard error, "qbc: " first.
void printError(const QString& line);
// The terminal's answer to a Oui/Non question, No by default and without one.
bool askOnTerminal(const QString& question);

} // namespace quibex::cli
