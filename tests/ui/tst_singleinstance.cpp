#include "ui/Application.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Starts the real program, as a user would, in a runtime folder of the test's
// own so that an instance the user runs does not interfere.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStartEndsSilently_data();
    void secondStartEndsSilently();
    void lockOfACrashedInstanceIsTakenOver();
    void lockIsPerRuntimeFolder();

private:
    QProcess& start();
    QString lockPath() const;
    bool ownsLock(const QProcess& process) const;

    std::unique_ptr<QTemporaryDir> m_runtime;
    // Without XDG_RUNTIME_DIR the lock goes to the temporary folder (TMPDIR).
    bool m_withRuntimeFolder = true;
    std::vector<std::unique_ptr<QProcess>> m_started;
};

void TestSingleInstance::init()
{
    m_runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid());
    m_withRuntimeFolder = true;
}

void TestSingleInstance::cleanup()
{
    for (const auto& process : m_started) {
        process->kill();
        process->waitForFinished(5000);
    }
    m_started.clear();
}

QProcess& TestSingleInstance::start()
{
    QProcess& process = *m_started.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (m_withRuntimeFolder) {
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
    } else {
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(QStringLiteral("TMPDIR"), m_runtime->path());
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUIBEX_PROGRAM), QStringList{});
    return process;
}

QString TestSingleInstance::lockPath() const
{
    if (m_withRuntimeFolder) {
        return m_runtime->filePath(QStringLiteral("quibex-crypto.lock"));
    }
    return m_runtime->filePath(QStringLiteral("quibex-crypto-%1.lock").arg(::getuid()));
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
    QTest::addColumn<bool>("withRuntimeFolder");
    QTest::newRow("runtime folder") << true;
    QTest::newRow("no runtime folder") << false;
}

void TestSingleInstance::secondStartEndsSilently()
{
    QFETCH(bool, withRuntimeFolder);
    m_withRuntimeFolder = withRuntimeFolder;
    QProcess& first = start();
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(ownsLock(first), 10000);

    QProcess& second = start();
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardOutput(), QByteArray());
    QCOMPARE(second.readAllStandardError(), QByteArray());

    // The first instance is untouched: still running, still the owner.
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(ownsLock(first));
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

void TestSingleInstance::lockIsPerRuntimeFolder()
{
    QTemporaryDir other;
    QVERIFY(other.isValid());
    const quibex::SingleInstance mine(lockPath());
    QVERIFY(mine.acquired());
    QVERIFY(!quibex::SingleInstance(lockPath()).acquired());
    QVERIFY(
        quibex::SingleInstance(other.filePath(QStringLiteral("quibex-crypto.lock"))).acquired());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
