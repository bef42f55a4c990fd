// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/HandOver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace quibex {

namespace {

// A path is at most this long; anything longer is not one.
constexpr qsizetype LongestMessage = 4096;

// Only the user's own processes may hand a file over: the folder says so,
// and the peer's credentials say it again.
bool fromThisUser(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t size = sizeof(peer);
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::getuid();
}

// An absolute path in UTF-8 with nothing a path cannot hold (any byte but
// NUL: a line break too); else nothing.
std::optional<QString> pathIn(const QByteArray& message)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString path = utf8.decode(message);
    if (utf8.hasError() || !path.startsWith(QLatin1Char('/')) || message.contains('\0')) {
        return std::nullopt;
    }
    return path;
}

} // namespace

HandOverServer::HandOverServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &HandOverServer::accept);
}

bool HandOverServer::listen(const QString& socketPath)
{
    QLocalServer::removeServer(socketPath);
    return m_server->listen(socketPath);
}

QString HandOverServer::socketPathFor(const QString& lockPath)
{
    return QFileInfo(lockPath).dir().filePath(QStringLiteral("quibex-crypto.socket"));
}

void HandOverServer::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A sender that goes on past one path is cut off, not buffered.
        socket->setReadBufferSize(LongestMessage + 1);
        connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            if (socket->bytesAvailable() > LongestMessage) {
                socket->abort();
            }
        });
        if (!fromThisUser(*socket)) {
            socket->abort();
            continue;
        }
        // The whole message is there once the sender has closed its end.
        connect(socket, &QLocalSocket::readChannelFinished, this, [this, socket] { read(socket); });
        if (socket->state() != QLocalSocket::ConnectedState) {
            read(socket);
        }
    }
}

void HandOverServer::read(QLocalSocket* socket)
{
    const QByteArray message = socket->read(LongestMessage + 1);
    socket->abort();
    if (message.isEmpty()) {
        emit handedOver({});
        return;
    }
    if (message.size() > LongestMessage) {
        return;
    }
    if (const std::optional<QString> path = pathIn(message)) {
        emit handedOver(*path);
    }
}

namespace {

// Connected to the socket at address, waiting while nobody listens there yet;
// -1 when nobody does within patience.
int connectedSocket(const sockaddr_un& address, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return -1;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
            return fd;
        }
        const int error = errno;
        ::close(fd);
        const bool notYet = error == ENOENT || error == ECONNREFUSED || error == EINTR;
        if (!notYet || std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace

bool handOver(const QString& socketPath, const QByteArray& message,
              std::chrono::milliseconds patience)
{
    const QByteArray native = QFile::encodeName(socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(native.size()) >= sizeof(address.sun_path) || message.size() > LongestMessage) {
        return false;
    }
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    const int fd = connectedSocket(address, patience);
    bool sent = fd >= 0;
    for (qsizetype done = 0; sent && done < message.size();) {
        // A window that goes away meanwhile is an error to report, not a signal to die of.
        const ssize_t n = ::send(fd, message.constData() + done, std::size_t(message.size() - done),
                                 MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        sent = n > 0;
        done += n > 0 ? n : 0;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return sent;
}

QString givenPath(const QString& file)
{
    return file.isEmpty() ? QString() : QDir::current().absoluteFilePath(file);
}

} // namespace quibex
