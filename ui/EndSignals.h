// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QObject>

class QSocketNotifier;

namespace quibex {

// Turns the signals by which a session or a user ends a program (SIGTERM at
// logout or shutdown, SIGHUP, SIGINT) into an ordinary event, so that a job
// running at that moment stops at its next yield and removes its temporary
// output, as with the Quit command. One instance for the program's life.
class EndSignals : public QObject
{
    Q_OBJECT

public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

signals:
    void received(int signal);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quibex
