// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/TestFiles.h"
#include "ui/Application.h"
#include "ui/HandOver.h"
#include "ui/WindowTexts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owner of what another user puts in the program's way.
constexpr uid_t otherUser = 12345;

// The program loads its display plugin only once past the single-instance
// lock: a start that gave way to an obstacle never gets there.
bool pastTheLock(const QProcess& process)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(process.processId()));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libqoffscreen");
}

bool mayActAsAnotherUser()
{
    return ::geteuid() == 0;
}

} // namespace

// Starts the real program, as a user would, in a runtime folder and a
// temporary folder of the test's own so that an instance the user runs does
// not interfere.
class TestSingleInstance : public QObject
{
    Q_OBJECT

public:
    // The runtime folder the program is given.
    enum class Runtime
    {
        Private,
        Unset,
        OpenToOthers,
        OfAnotherUser,
        Link
    };
    Q_ENUM(Runtime)
    // What another user put where the program makes its folder in the
    // temporary folder.
    enum class Obstacle
    {
        Folder,
        Link,
        File
    };
    Q_ENUM(Obstacle)

private slots:
    void init();
    void cleanup();
    void secondStartEndsSilently_data();
    void secondStartEndsSilently();
    void handOverThatCannotArriveIsSaid();
    void handOver_data();
    void handOver();
    void lockOfACrashedInstanceIsTakenOver();
    void anotherUsersNameDoesNotStopTheStart_data();
    void anotherUsersNameDoesNotStopTheStart();
    void lockIsPerRuntimeFolder();
    void lockThatCannotBeMadeLeavesTheProgramUnguarded();

private:
    bool setRuntime(Runtime runtime);
    QProcess& start(const QStringList& arguments = {});
    QString folderInTemp() const;
    QString lockPath() const;
    bool ownsLock(const QProcess& process) const;

    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<QTemporaryDir> m_temp;
    Runtime m_runtimeKind = Runtime::Private;
    // XDG_RUNTIME_DIR; empty: unset.
    QString m_runtimeVariable;
    std::vector<std::unique_ptr<QProcess>> m_started;
};

void TestSingleInstance::init()
{
    m_runtime = std::make_unique<QTemporaryDir>();
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid() && m_temp->isValid());
    QVERIFY(setRuntime(Runtime::Private));
}

void TestSingleInstance::cleanup()
{
    for (const auto& process : m_started) {
        process->kill();
        process->waitForFinished(5000);
    }
    m_started.clear();
}

bool TestSingleInstance::setRuntime(Runtime runtime)
{
    m_runtimeKind = runtime;
    m_runtimeVariable = runtime == Runtime::Unset ? QString() : m_runtime->path();
    const QByteArray path = QFile::encodeName(m_runtime->path());
    switch (runtime) {
    case Runtime::Private:
    case Runtime::Unset:
        return true;
    case Runtime::OpenToOthers:
        return ::chmod(path.constData(), 0755) == 0;
    case Runtime::OfAnotherUser:
        return ::chown(path.constData(), otherUser, otherUser) == 0;
    case Runtime::Link:
        // To a folder that would qualify: only the link itself is wrong.
        m_runtimeVariable = m_temp->filePath(QStringLiteral("runtime"));
        return ::symlink(path.constData(), QFile::encodeName(m_runtimeVariable).constData()) == 0;
    }
    return false;
}

QProcess& TestSingleInstance::start(const QStringList& arguments)
{
    QProcess& process = *m_started.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (m_runtimeVariable.isEmpty()) {
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    } else {
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeVariable);
    }
    environment.insert(QStringLiteral("TMPDIR"), m_temp->path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUIBEX_PROGRAM), arguments);
    return process;
}

QString TestSingleInstance::folderInTemp() const
{
    return m_temp->filePath(QStringLiteral("quibex-crypto-%1").arg(::getuid()));
}

// The runtime folder serves only when it is the user's own and private.
QString TestSingleInstance::lockPath() const
{
    const QString folder = m_runtimeKind == Runtime::Private ? m_runtime->path() : folderInTemp();
    return QDir(folder).filePath(QStringLiteral("quibex-crypto.lock"));
}

bool TestSingleInstance::ownsLock(const QProcess& process) const
{
    QFile lock(lockPath());
    if (!lock.open(QIODevice::ReadOnly)) {
        return false;
    }
    return lock.readLine().trimmed().toLongLong() == process.processId();
}

void TestSingleInstance::secondStartEndsSilently_data()
{
    // With a file, or without: it is handed over to the first, which the
    // second leaves running.
    QTest::addColumn<Runtime>("runtime");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("runtime folder") << Runtime::Private << QStringList{};
    QTest::newRow("runtime folder, a file given") << Runtime::Private << QStringList{"a.txt"};
    QTest::newRow("no runtime folder") << Runtime::Unset << QStringList{};
    QTest::newRow("no runtime folder, a file given") << Runtime::Unset << QStringList{"a.txt"};
    QTest::newRow("runtime folder open to others") << Runtime::OpenToOthers << QStringList{};
    QTest::newRow("runtime folder of another user") << Runtime::OfAnotherUser << QStringList{};
    QTest::newRow("runtime folder through a link") << Runtime::Link << QStringList{};
}

void TestSingleInstance::secondStartEndsSilently()
{
    QFETCH(Runtime, runtime);
    QFETCH(QStringList, arguments);
    if (runtime == Runtime::OfAnotherUser && !mayActAsAnotherUser()) {
        QSKIP("Only root can give a folder to another user");
    }
    QVERIFY(setRuntime(runtime));
    QProcess& first = start();
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(ownsLock(first), 10000);

    QProcess& second = start(arguments);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardOutput(), QByteArray());
    QCOMPARE(second.readAllStandardError(), QByteArray());

    // The first instance is untouched: still running, still the owner, its
    // hand-over socket beside the lock (opened once its window is built, which
    // a busy machine may take a while to do) and for this user alone.
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(ownsLock(first));
    struct stat socket
    {
    };
    const QByteArray socketPath =
        QFile::encodeName(quibex::HandOverServer::socketPathFor(lockPath()));
    QTRY_COMPARE_WITH_TIMEOUT(::lstat(socketPath.constData(), &socket), 0, 10000);
    QVERIFY(S_ISSOCK(socket.st_mode) && socket.st_uid == ::getuid() &&
            (socket.st_mode & (S_IRWXG | S_IRWXO)) == 0);
}

void TestSingleInstance::handOverThatCannotArriveIsSaid()
{
    // The first window holds the lock, but its socket is gone: the second
    // start waits a moment, then says so and fails.
    QProcess& first = start();
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(ownsLock(first), 10000);
    const QString socket = quibex::HandOverServer::socketPathFor(lockPath());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
    QVERIFY(QFile::remove(socket));
    QProcess& second = start({QStringLiteral("a.txt")});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 1);
    QCOMPARE(second.readAllStandardError(),
             QByteArray(quibex::window_texts::HandOverFailed) + '\n');
    QCOMPARE(first.state(), QProcess::Running);
}

void TestSingleInstance::handOver_data()
{
    // What a second start sends reaches the window as a path (any bytes but
    // NUL), or as nothing when it gave no file; anything that is not one
    // absolute path is ignored.
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<bool>("late"); // sent before the window listens
    QTest::newRow("a path") << QByteArray("/d/photo.JPG.qbc") << true << false;
    QTest::newRow("a path, to a window about to listen")
        << QByteArray("/d/photo.JPG.qbc") << true << true;
    QTest::newRow("an accented path") << QString::fromUtf8("/d/été.txt").toUtf8() << true << false;
    QTest::newRow("no file") << QByteArray() << true << false;
    QTest::newRow("a relative path") << QByteArray("d/a.txt") << false << false;
    QTest::newRow("not UTF-8") << QByteArray("/d/\xff\xfe") << false << false;
    QTest::newRow("a line break") << QByteArray("/a\n/b") << true << false;
    QTest::newRow("a zero byte") << QByteArray("/a\0b", 4) << false << false;
}

void TestSingleInstance::handOver()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, taken);
    QFETCH(bool, late);
    quibex::HandOverServer server;
    const QString socket = m_runtime->filePath(QStringLiteral("quibex-crypto.socket"));
    QSignalSpy received(&server, &quibex::HandOverServer::handedOver);
    if (late) {
        // A second start while the first builds its window: it waits.
        std::atomic<bool> sent = false;
        std::thread second(
            [&] { sent = quibex::handOver(socket, message, std::chrono::seconds(10)); });
        QTest::qWait(200);
        QVERIFY(server.listen(socket));
        second.join();
        QVERIFY(sent);
    } else {
        QVERIFY(server.listen(socket));
        QVERIFY(quibex::handOver(socket, message));
    }
    // What is longer than a path is refused by the sender.
    QVERIFY(!quibex::handOver(socket, "/" + QByteArray(5000, 'a')));
    // A path sent after it shows when the message has been dealt with.
    QVERIFY(quibex::handOver(socket, "/fin"));
    QTRY_VERIFY(!received.isEmpty() && received.last().value(0) == QStringLiteral("/fin"));
    QStringList paths;
    for (const QVariantList& arguments : std::as_const(received)) {
        paths << arguments.value(0).toString();
    }
    const QStringList expected{QString::fromUtf8(message), QStringLiteral("/fin")};
    QCOMPARE(paths, taken ? expected : QStringList{QStringLiteral("/fin")});
}

void TestSingleInstance::lockOfACrashedInstanceIsTakenOver()
{
    QProcess& crashed = start();
    QVERIFY(crashed.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(ownsLock(crashed), 10000);
    crashed.kill();
    QVERIFY(crashed.waitForFinished(5000));
    QVERIFY(QFile::exists(lockPath()));

    QProcess& next = start();
    QVERIFY(next.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(ownsLock(next), 10000);
    QCOMPARE(next.state(), QProcess::Running);
}

void TestSingleInstance::anotherUsersNameDoesNotStopTheStart_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::newRow("folder") << Obstacle::Folder;
    QTest::newRow("link to a folder") << Obstacle::Link;
    QTest::newRow("file") << Obstacle::File;
}

void TestSingleInstance::anotherUsersNameDoesNotStopTheStart()
{
    QFETCH(Obstacle, obstacle);
    if (!mayActAsAnotherUser()) {
        QSKIP("Only root can put another user's files in the way");
    }
    QVERIFY(setRuntime(Runtime::Unset));
    const QString name = folderInTemp();
    // Private and the user's own, as the program's folder would be.
    const QTemporaryDir target;
    QVERIFY(target.isValid());
    switch (obstacle) {
    case Obstacle::Folder:
        // Private too: only its owner tells it apart.
        QCOMPARE(::mkdir(QFile::encodeName(name).constData(), 0700), 0);
        break;
    case Obstacle::Link:
        QVERIFY(QFile::link(target.path(), name));
        break;
    case Obstacle::File: {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        break;
    }
    }
    QCOMPARE(::lchown(QFile::encodeName(name).constData(), otherUser, otherUser), 0);

    QProcess& process = start();
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(pastTheLock(process), 10000);
    QCOMPARE(process.state(), QProcess::Running);
    QVERIFY(testfiles::entries(target.path()).isEmpty());
    if (obstacle == Obstacle::Folder) {
        QVERIFY(testfiles::entries(name).isEmpty());
    }
    if (obstacle == Obstacle::File) {
        QCOMPARE(QFileInfo(name).size(), 1);
    }
}

void TestSingleInstance::lockIsPerRuntimeFolder()
{
    QTemporaryDir other;
    QVERIFY(other.isValid());
    const quibex::SingleInstance mine(lockPath());
    QVERIFY(mine.acquired() && mine.guarded());
    QVERIFY(!quibex::SingleInstance(lockPath()).acquired());
    QVERIFY(
        quibex::SingleInstance(other.filePath(QStringLiteral("quibex-crypto.lock"))).acquired());
}

void TestSingleInstance::lockThatCannotBeMadeLeavesTheProgramUnguarded()
{
    const quibex::SingleInstance instance(m_runtime->filePath(QStringLiteral("gone/x.lock")));
    QVERIFY(instance.acquired());
    QVERIFY(!instance.guarded());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
