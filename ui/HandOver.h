// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QByteArray>
#include <QObject>

#include <QString>
#include <chrono>

class QLocalServer;
class QLocalSocket;

namespace quibex {

// How a second start hands its file to the window already open: over a local
// socket beside the single-instance lock, in a folder only the user can
// enter. The message is the file's absolute path in UTF-8, or nothing for a
// start without a file.
class HandOverServer : public QObject
{
    Q_OBJECT

public:
    explicit HandOverServer(QObject* parent = nullptr);
    // Listens at socketPath (an earlier instance's socket is replaced: the
    // lock says that instance is gone). False when it cannot.
    bool listen(const QString& socketPath);

    // The socket beside a lock file.
    static QString socketPathFor(const QString& lockPath);

signals:
    // A second start of this user: path empty when it gave no file.
    void handedOver(const QString& path);

private:
    void accept();
    void read(QLocalSocket* socket);

    QLocalServer* m_server;
};

// A second start's side: sends message to the window listening at socketPath.
// Plain system calls, before any Qt application exists. A first start that
// holds the lock may not listen yet: it is tried again for patience at most.
// False when no window listens there by then.
bool handOver(const QString& socketPath, const QByteArray& message,
              std::chrono::milliseconds patience = std::chrono::milliseconds(0));

// A start's file argument made absolute against the current folder, links
// and dots left as given, as Browse leaves them; empty without one. Its
// UTF-8 is what a second start hands over.
QString givenPath(const QString& file);

} // namespace quibex
