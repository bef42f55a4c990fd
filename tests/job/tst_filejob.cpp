// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/FakeJobView.h"
#include "tests/support/TestFiles.h"

#include "cipher/KeyExpansion.h"
#include "job/FileJob.h"
#include "job/KeyCheck.h"
#include "job/OutputFile.h"
#include "job/OutputName.h"
#include "job/Texts.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <grp.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quibex;
using namespace testfiles;
using quibex::testing::TestStreams;
using quibex::texts::text;

namespace {

QString successText(const QString& output)
{
    return FakeJobView::successText(output);
}

JobOptions smallBlocks(std::size_t blockSize)
{
    JobOptions options;
    options.blockSize = blockSize;
    return options;
}

// The job's files behind test streams with faults; paced by view when given,
// so that it shows every block and the test can act between two blocks.
JobOptions withStreams(const TestStreams::Faults& faults, FakeJobView* view = nullptr,
                       std::size_t blockSize = 4096)
{
    auto streams = std::make_shared<TestStreams>(faults);
    JobOptions options = smallBlocks(blockSize);
    options.streams = streams;
    if (view != nullptr) {
        streams->pace();
        view->paced = streams.get();
        options.updateInterval = std::chrono::milliseconds(1);
    }
    return options;
}

JobOptions paced(FakeJobView& view, std::size_t blockSize)
{
    return withStreams({}, &view, blockSize);
}

JobOptions slowDisk(std::int64_t bytesPerSecond)
{
    TestStreams::Faults faults;
    faults.bytesPerSecond = bytesPerSecond;
    JobOptions options = withStreams(faults, nullptr, JobOptions{}.blockSize);
    options.updateInterval = std::chrono::milliseconds(1);
    return options;
}

// The entry at path itself, a link not followed.
struct stat entryOf(const QString& path)
{
    struct stat info
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        info.st_mode = 0;
    }
    return info;
}

QByteArray readFileIfRegular(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return "<absent>";
    }
    return S_ISREG(info.st_mode) ? readFile(path) : QByteArray("<not a file>");
}

// Puts what another user could at path: "link" or "hardlink" to input, a
// "folder", a "fifo", a "socket" or a "device" (root only). False when it
// cannot be made.
bool plantAt(const QString& path, const QString& what, const QString& input)
{
    const QByteArray native = QFile::encodeName(path);
    if (what == QStringLiteral("link")) {
        return QFile::link(input, path);
    }
    if (what == QStringLiteral("hardlink")) {
        return ::link(QFile::encodeName(input).constData(), native.constData()) == 0;
    }
    if (what == QStringLiteral("folder")) {
        return ::mkdir(native.constData(), 0700) == 0;
    }
    if (what == QStringLiteral("fifo")) {
        return ::mkfifo(native.constData(), 0600) == 0;
    }
    if (what == QStringLiteral("device")) {
        return ::mknod(native.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(native.size()) >= sizeof(address.sun_path)) {
        return false;
    }
    std::copy(native.begin(), native.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

// The columns "what" to plant and "message" (empty: success), and the rows of
// what the job never writes through, with the error it shows.
void addEntriesNeverWrittenThrough()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("message");
    QTest::newRow("hard link to the input") << "hardlink" << text(texts::OutputIsInput);
    QTest::newRow("folder") << "folder" << text(texts::OutputIsFolder);
    QTest::newRow("FIFO") << "fifo" << text(texts::OutputIsSpecial);
}

// A default ACL on folder that lets user 12345 read and write every new file.
bool setDefaultAcl(const QString& folder)
{
    constexpr quint32 Anyone = 0xFFFFFFFFU;
    struct Entry
    {
        quint16 tag;
        quint16 permissions;
        quint32 id;
    };
    const Entry acl[] = {{0x01, 6, Anyone},
                         {0x02, 6, 12345},
                         {0x04, 4, Anyone},
                         {0x10, 6, Anyone},
                         {0x20, 0, Anyone}};
    QByteArray value;
    const auto put = [&value](auto number) {
        value.append(reinterpret_cast<const char*>(&number), sizeof(number));
    };
    put(quint32(2));
    for (const Entry& entry : acl) {
        put(entry.tag);
        put(entry.permissions);
        put(entry.id);
    }
    return ::setxattr(QFile::encodeName(folder).constData(), "system.posix_acl_default",
                      value.constData(), std::size_t(value.size()), 0) == 0;
}

// While it lives, the process acts as another user with no other group (root
// only), so that the job meets what an ordinary user meets. Nothing changes
// for the process's own user.
class ActingAs
{
public:
    ActingAs(uid_t user, gid_t group)
        : m_other(user != ::geteuid()), m_groups(m_other ? ::getgroups(0, nullptr) : 0)
    {
        m_acting = !m_other ||
                   (::getgroups(int(m_groups.size()), m_groups.data()) >= 0 &&
                    ::setgroups(0, nullptr) == 0 && ::setegid(group) == 0 && ::seteuid(user) == 0);
    }
    ~ActingAs()
    {
        if (m_other) {
            [[maybe_unused]] const bool restored =
                ::seteuid(0) == 0 && ::setegid(0) == 0 &&
                ::setgroups(m_groups.size(), m_groups.data()) == 0;
        }
    }
    bool acting() const { return m_acting; }

private:
    bool m_other;
    std::vector<gid_t> m_groups;
    bool m_acting = false;
};

constexpr uid_t Nobody = 65534;

// Aborts the test program if a job does not come back in time (a FIFO that
// blocked would otherwise hang the test run).
class Watchdog
{
public:
    explicit Watchdog(std::chrono::seconds limit)
        : m_thread([this, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fputs("Watchdog: the job blocked\n", stderr);
                  std::_Exit(2);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace

class TestFileJob : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void roundTripSimple_data();
    void roundTripSimple();
    void roundTripAdvanced_data();
    void roundTripAdvanced();
    void blockSizes_data();
    void blockSizes();
    void emptyFile();
    void callSequence();
    void progressUpdates();
    void yieldsWhileTheDiskIsSlow();
    void endRequestedWhileFlushing();
    void decryptionStatus_data();
    void decryptionStatus();
    void dottedFolder();
    void twoCharacterName();
    void pathShownAsWritten();
    void longNames_data();
    void longNames();

    void existingOutputYes_data();
    void existingOutputYes();
    void existingOutputNo();
    void linkAtTheOutput_data();
    void linkAtTheOutput();
    void outputRefused_data();
    void outputRefused();
    void plantedDuringTheQuestion_data();
    void plantedDuringTheQuestion();
    void fileAppearingAtTheOutput_data();
    void fileAppearingAtTheOutput();
    void folderMovedMidJob_data();
    void folderMovedMidJob();

    void outputAccess_data();
    void outputAccess();
    void stalledDiskNeverHoldsTheWindow();
    void folderRefused();
    void specialInputRefused_data();
    void specialInputRefused();
    void missingFile_data();
    void missingFile();
    void emptyKey();

    void writeFailure_data();
    void writeFailure();
    void readFailure();
    void inputChanges_data();
    void inputChanges();
    void endRequestedMidJob();
    void endRequestedAtLastYield();
    void processEndsMidJob_data();
    void processEndsMidJob();
    void outputFile_data();
    void outputFile();

private:
    QTemporaryDir* m_dir = nullptr;
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_owner;
};

void TestFileJob::init()
{
    m_owner = std::make_unique<QTemporaryDir>();
    QVERIFY(m_owner->isValid());
    m_dir = m_owner.get();
}

void TestFileJob::roundTripSimple_data()
{
    QTest::addColumn<int>("keyLength");
    for (int n = 1; n <= 255; ++n) {
        QTest::addRow("key %d", n) << n;
    }
}

void TestFileJob::roundTripSimple()
{
    QFETCH(int, keyLength);
    const QByteArray key = randomBytes(keyLength, quint32(keyLength));
    // Blocks of 1000 bytes: the stream crosses 3 block boundaries at an offset
    // that changes with the key length.
    const QByteArray data = randomBytes(3000 + keyLength, quint32(keyLength) + 1000);
    const QString input = path(QStringLiteral("photo.jpg"));
    QVERIFY(writeFile(input, data));

    FakeJobView view;
    view.job(input, key, smallBlocks(1000));
    const QString encrypted = path(QStringLiteral("photo.JPG.qbc"));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(encrypted));
    const QByteArray cipherText = readFile(encrypted);
    QCOMPARE(cipherText.size(), data.size());
    QCOMPARE(cipherText, transformed(data, key));

    FakeJobView back;
    back.job(encrypted, key, smallBlocks(999));
    const QString decrypted = path(QStringLiteral("photo.cbq"));
    QCOMPARE(back.messages.size(), 1);
    QCOMPARE(back.messages[0].text, successText(decrypted));
    QCOMPARE(readFile(decrypted), data);
    QCOMPARE(entries(m_dir->path()), QStringList({"photo.JPG.qbc", "photo.cbq", "photo.jpg"}));
}

void TestFileJob::roundTripAdvanced_data()
{
    QTest::addColumn<int>("passwordLength");
    for (int n : {1, 2, 3, 8, 100, 127, 128, 254, 255}) {
        QTest::addRow("password %d", n) << n;
    }
}

void TestFileJob::roundTripAdvanced()
{
    QFETCH(int, passwordLength);
    const QByteArray password = randomBytes(passwordLength, quint32(passwordLength) + 7);
    const ExpandedKey expanded = expandKey(std::span(
        reinterpret_cast<const std::uint8_t*>(password.constData()), std::size_t(password.size())));
    const QByteArray key(reinterpret_cast<const char*>(expanded.data()), 256);
    const QByteArray data = randomBytes(70000 + passwordLength, 5);
    const QString input = path(QStringLiteral("doc.pdf"));
    QVERIFY(writeFile(input, data));

    FakeJobView view;
    view.job(input, key, smallBlocks(4099));
    const QByteArray cipherText = readFile(path(QStringLiteral("doc.PDF.qbc")));
    QCOMPARE(cipherText, transformed(data, key));
    // Simple mode with the same password gives other bytes.
    QVERIFY(cipherText != transformed(data, password));

    FakeJobView back;
    back.job(path(QStringLiteral("doc.PDF.qbc")), key);
    QCOMPARE(readFile(path(QStringLiteral("doc.cbq"))), data);
}

void TestFileJob::blockSizes_data()
{
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("fileSize");
    for (int block : {1, 2, 3, 7, 255, 256, 257, 4096}) {
        for (int delta : {-1, 0, 1}) {
            const int size = std::max(0, 3 * block + delta);
            QTest::addRow("block %d, size %d", block, size) << block << size;
        }
    }
    QTest::newRow("default blocks, 3 MiB + 5") << 1024 * 1024 << 3 * 1024 * 1024 + 5;
}

void TestFileJob::blockSizes()
{
    QFETCH(int, blockSize);
    QFETCH(int, fileSize);
    const QByteArray key("cl\xE9", 3);
    const QByteArray data = randomBytes(fileSize, quint32(fileSize));
    const QString input = path(QStringLiteral("f.bin"));
    QVERIFY(writeFile(input, data));
    FakeJobView view;
    view.job(input, key, smallBlocks(std::size_t(blockSize)));
    QCOMPARE(readFile(path(QStringLiteral("f.BIN.qbc"))), transformed(data, key));
    QCOMPARE(view.lastCount(), qint64(fileSize));
}

void TestFileJob::emptyFile()
{
    const QString input = path(QStringLiteral("vide.txt"));
    QVERIFY(writeFile(input, {}));
    FakeJobView view;
    view.job(input, "k");
    const QString output = path(QStringLiteral("vide.TXT.qbc"));
    QVERIFY(QFile::exists(output));
    QCOMPARE(QFileInfo(output).size(), 0);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(output));
    QVERIFY(view.calls.contains(QStringLiteral("size:0")));
    // Every update (the last one, and any while the output is flushed) shows
    // the full count, 0, and 100 %.
    for (const auto& [percent, count] : view.jobProgress()) {
        QCOMPARE(percent, 100);
        QCOMPARE(count, 0);
    }
    QVERIFY(!view.jobProgress().isEmpty());
}

void TestFileJob::callSequence()
{
    // The whole conversation of a small run with one update at the end.
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, "bonjour"));
    FakeJobView view;
    JobOptions options;
    options.updateInterval = std::chrono::hours(1);
    const JobResult result = view.job(input, "cle", options);
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QCOMPARE(int(result.kind), int(JobResult::Kind::Done));
    QCOMPARE(result.output, output);
    QCOMPARE(result.bytes, 7);
    const QStringList expected = {
        QStringLiteral("status:Cryptage en cours..."),   QStringLiteral("size:7"),
        QStringLiteral("progress:100 count:7"),          QStringLiteral("yield"),
        QStringLiteral("result:") + successText(output),
    };
    QCOMPARE(view.calls, expected);
}

void TestFileJob::progressUpdates()
{
    const int size = 10007;
    const QString input = path(QStringLiteral("p.dat"));
    QVERIFY(writeFile(input, randomBytes(size, 1)));
    FakeJobView view;
    const JobOptions options = paced(view, 100);
    view.job(input, "k", options);
    // Every block of 100 bytes is shown, in order (after a 0 when the window
    // is quicker than the first read); the last one is the full count.
    QList<qint64> counts = view.counts();
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
    counts.removeAll(0);
    QCOMPARE(counts.size(), 101);
    qint64 previous = 0;
    for (const auto& [percent, done] : view.jobProgress()) {
        QVERIFY(done >= previous);
        previous = done;
        QCOMPARE(percent, expectedPercent(done, size));
    }
    QCOMPARE(previous, qint64(size));
    // The last update before the job returns shows 100 % and the full count.
    const qsizetype returned = view.calls.size() - 1;
    QVERIFY(view.calls[returned].startsWith(QStringLiteral("result:")));
    QCOMPARE(view.calls.mid(returned - 2, 2),
             QStringList({QStringLiteral("progress:100 count:10007"), QStringLiteral("yield")}));
}

void TestFileJob::yieldsWhileTheDiskIsSlow()
{
    // A disk that takes a quarter of a second to store 64 KiB: once every byte
    // is written, the window goes on yielding, with the full count shown,
    // until the output is in place.
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    const QByteArray data = randomBytes(64 * 1024, 4);
    QVERIFY(writeFile(input, data));
    JobOptions options = slowDisk(256 * 1024);
    FakeJobView view;
    view.job(input, "k", options);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(output));
    QCOMPARE(readFile(output), transformed(data, "k"));
    const QList<qint64> counts = view.counts();
    QVERIFY(counts.count(65536) >= 2);
    QCOMPARE(counts.last(), 65536);
}

void TestFileJob::endRequestedWhileFlushing()
{
    // The program ends while the slow disk still stores the output: the job
    // returns without waiting for it, the output never gets a name, and the
    // file that was there stays.
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(64 * 1024, 4)));
    QVERIFY(writeFile(output, "ancien"));
    JobOptions options = slowDisk(64 * 1024);
    FakeJobView view;
    view.onYield = [&] {
        // The second showing of the full count comes after the output was let go.
        if (view.counts().count(65536) == 2) {
            view.ending = true;
        }
    };
    view.job(input, "k", options);
    QVERIFY(view.ending);
    QCOMPARE(view.calls.value(view.calls.size() - 2), QStringLiteral("yield"));
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(readFile(output), QByteArray("ancien"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
}

void TestFileJob::decryptionStatus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("output");
    QTest::newRow("txt") << "n.txt"
                         << "Cryptage en cours..."
                         << "n.TXT.qbc";
    QTest::newRow("qbc") << "n.TXT.qbc"
                         << "Décryptage en cours..."
                         << "n.cbq";
    QTest::newRow("cbq") << "n.cbq"
                         << "Décryptage en cours..."
                         << "n.CBQ.qbc";
}

void TestFileJob::decryptionStatus()
{
    QFETCH(QString, name);
    QFETCH(QString, status);
    QFETCH(QString, output);
    QVERIFY(writeFile(path(name), "xyz"));
    FakeJobView view;
    view.job(path(name), "k");
    QCOMPARE(view.calls.value(0), QStringLiteral("status:") + status);
    QCOMPARE(readFile(path(output)), transformed("xyz", "k"));
}

void TestFileJob::dottedFolder()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("dossier.2")));
    const QString input = path(QStringLiteral("dossier.2/notes.txt"));
    QVERIFY(writeFile(input, "notes"));
    FakeJobView view;
    view.job(input, "k");
    const QString output = path(QStringLiteral("dossier.2/notes.TXT.qbc"));
    QCOMPARE(view.messages.value(0).text, successText(output));
    QCOMPARE(readFile(output), transformed("notes", "k"));
    QCOMPARE(entries(m_dir->path()), QStringList({"dossier.2"}));
}

void TestFileJob::twoCharacterName()
{
    const QString input = path(QStringLiteral("ab"));
    QVERIFY(writeFile(input, "12345"));
    FakeJobView view;
    view.job(input, "k");
    QCOMPARE(readFile(path(QStringLiteral("ab.AB.qbc"))), transformed("12345", "k"));
}

void TestFileJob::pathShownAsWritten()
{
    // A case-sensitive file system: the success message shows the path as written.
    const QString input = path(QStringLiteral("Été.txt"));
    QVERIFY(writeFile(input, "e"));
    FakeJobView view;
    view.job(input, "k");
    const QString output = path(QStringLiteral("Été.TXT.qbc"));
#ifdef Q_OS_WIN
    QCOMPARE(view.messages.value(0).text, successText(output.toUpper()));
#else
    QCOMPARE(view.messages.value(0).text, successText(output));
    QVERIFY(QFile::exists(output));
#endif
}

void TestFileJob::existingOutputYes_data()
{
    // The output has at most the input's permissions, less the umask, and no
    // more than those of a file it replaces (oldMode, -1 for none): never
    // setuid, setgid or sticky, never more open.
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("inputMode");
    QTest::addColumn<int>("oldMode");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("expected");
    QTest::newRow("private file") << "a.txt" << 0600 << -1 << 022 << 0600;
    QTest::newRow("decrypting a private file") << "a.TXT.qbc" << 0600 << -1 << 022 << 0600;
    QTest::newRow("group readable") << "a.txt" << 0640 << -1 << 022 << 0640;
    QTest::newRow("umask 077") << "a.txt" << 0644 << -1 << 077 << 0600;
    QTest::newRow("executable") << "a.txt" << 0755 << -1 << 022 << 0755;
    QTest::newRow("setuid and setgid input") << "a.txt" << 06755 << -1 << 022 << 0755;
    QTest::newRow("read-only") << "a.txt" << 0444 << -1 << 022 << 0444;
    QTest::newRow("world writable, umask 002") << "a.txt" << 0666 << -1 << 002 << 0664;
    QTest::newRow("older output's mode kept") << "a.txt" << 0644 << 0640 << 022 << 0640;
    QTest::newRow("setuid and setgid older output")
        << "tool.OOL.qbc" << 0755 << 06755 << 022 << 0755;
    QTest::newRow("sticky older output") << "a.txt" << 0644 << 01666 << 022 << 0644;
    QTest::newRow("open older output, private input") << "a.TXT.qbc" << 0600 << 0666 << 022 << 0600;
}

void TestFileJob::existingOutputYes()
{
    QFETCH(QString, name);
    QFETCH(int, inputMode);
    QFETCH(int, oldMode);
    QFETCH(int, mask);
    QFETCH(int, expected);
    const QString input = path(name);
    const QString output = outputPathFor(input);
    QVERIFY(writeFile(input, "nouveau contenu"));
    QCOMPARE(::chmod(QFile::encodeName(input).constData(), mode_t(inputMode)), 0);
    if (oldMode >= 0) {
        QVERIFY(writeFile(output, "un ancien fichier bien plus long que le nouveau"));
        QCOMPARE(::chmod(QFile::encodeName(output).constData(), mode_t(oldMode)), 0);
    }
    const mode_t before = ::umask(mode_t(mask));
    FakeJobView view;
    view.answerYes = true;
    view.job(input, "k");
    ::umask(before);
    const QStringList asked{QStringLiteral("Le fichier ") + output +
                            QStringLiteral(" existe déjà.\rVoulez-vous le remplacer ?")};
    QCOMPARE(view.questions, oldMode >= 0 ? asked : QStringList());
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(output));
    QCOMPARE(readFile(output), transformed("nouveau contenu", "k"));
    QCOMPARE(int(entryOf(output).st_mode & 07777), expected);
    QCOMPARE(entries(m_dir->path()).size(), 2);
}

void TestFileJob::existingOutputNo()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "nouveau contenu"));
    QVERIFY(writeFile(output, "ancien"));
    FakeJobView view;
    view.answerYes = false;
    view.job(input, "k");
    QCOMPARE(view.questions.size(), 1);
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(readFile(output), QByteArray("ancien"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QVERIFY(view.counts().isEmpty());
}

void TestFileJob::linkAtTheOutput_data()
{
    // A link at the output path is an entry like any other: asked about, and
    // after Yes the link itself is replaced; what it names is never opened.
    QTest::addColumn<QString>("linkText");
    QTest::addColumn<QString>("target");
    QTest::newRow("to the input") << "a.txt"
                                  << "a.txt";
    QTest::newRow("to another user's file") << "ABS/notes.txt"
                                            << "notes.txt";
    QTest::newRow("to a FIFO") << "tube"
                               << "tube";
    QTest::newRow("to a device") << "/dev/null"
                                 << "/dev/null";
    QTest::newRow("dangling") << "cible.bin"
                              << "cible.bin";
    QTest::newRow("into a missing folder") << "absent/cible.bin"
                                           << "absent/cible.bin";
    QTest::newRow("a loop") << "a.TXT.qbc"
                            << "";
}

void TestFileJob::linkAtTheOutput()
{
    QFETCH(QString, linkText);
    QFETCH(QString, target);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "contenu"));
    QVERIFY(writeFile(path(QStringLiteral("notes.txt")), "notes"));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("tube"))).constData(), 0600), 0);
    linkText.replace(QStringLiteral("ABS"), m_dir->path());
    QVERIFY(QFile::link(linkText, output));
    const QString targetPath = target.startsWith(QLatin1Char('/')) ? target : path(target);
    const QByteArray targetBefore = readFileIfRegular(targetPath);
    const QStringList before = entries(m_dir->path());

    FakeJobView view;
    Watchdog watchdog(std::chrono::seconds(20)); // a FIFO opened would block
    view.job(input, "k");
    QCOMPARE(view.questions.size(), 1);
    QCOMPARE(view.messages.value(0).text, successText(output));
    QVERIFY(S_ISREG(entryOf(output).st_mode));
    QCOMPARE(readFile(output), transformed("contenu", "k"));
    QCOMPARE(readFile(input), QByteArray("contenu"));
    QCOMPARE(readFileIfRegular(targetPath), targetBefore);
    QCOMPARE(entries(m_dir->path()), before);
    QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists());
    QVERIFY(S_ISCHR(entryOf(QStringLiteral("/dev/null")).st_mode));
}

void TestFileJob::outputRefused_data()
{
    // What the output path may hold and the job refuses to replace, before
    // any question: the input itself (a hard link), a folder, a FIFO, a
    // socket, a device.
    addEntriesNeverWrittenThrough();
    QTest::newRow("socket") << "socket" << text(texts::OutputIsSpecial);
    QTest::newRow("device") << "device" << text(texts::OutputIsSpecial);
}

void TestFileJob::outputRefused()
{
    QFETCH(QString, what);
    QFETCH(QString, message);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "precieux"));
    if (!plantAt(output, what, input)) {
        QSKIP("cannot make this kind of entry here (a device needs root)");
    }
    const struct stat before = entryOf(output);
    FakeJobView view;
    Watchdog watchdog(std::chrono::seconds(20));
    view.job(input, "k");
    QVERIFY(view.questions.isEmpty());
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Refused);
    QCOMPARE(view.messages[0].text, message.arg(output));
    QCOMPARE(readFile(input), QByteArray("precieux"));
    QCOMPARE(entryOf(output).st_ino, before.st_ino);
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
}

void TestFileJob::plantedDuringTheQuestion_data()
{
    // Another user swaps the older output for something else while the
    // question is up: the commit looks at the entry again and never writes
    // through it.
    addEntriesNeverWrittenThrough();
    QTest::newRow("link to the input") << "link" << QString(); // success
}

void TestFileJob::plantedDuringTheQuestion()
{
    QFETCH(QString, what);
    QFETCH(QString, message);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "precieux"));
    QVERIFY(writeFile(output, "ancien"));
    FakeJobView view;
    view.onQuestion = [&] {
        QVERIFY(QFile::remove(output));
        QVERIFY(plantAt(output, what, input));
    };
    Watchdog watchdog(std::chrono::seconds(20));
    view.job(input, "k");
    QCOMPARE(view.questions.size(), 1);
    QCOMPARE(readFile(input), QByteArray("precieux"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    if (message.isEmpty()) {
        QCOMPARE(view.messages.value(0).text, successText(output));
        QCOMPARE(readFile(output), transformed("precieux", "k"));
    } else {
        QCOMPARE(view.messages.value(0).kind, JobResult::Kind::Refused);
        QCOMPARE(view.messages.value(0).text, message.arg(output));
    }
}

void TestFileJob::fileAppearingAtTheOutput_data()
{
    // Something another program puts at the output path while the job runs
    // is never replaced.
    QTest::addColumn<QString>("appears"); // empty: nothing
    QTest::newRow("nothing") << QString();
    QTest::newRow("a file") << "file";
    QTest::newRow("a link to the input") << "link";
}

void TestFileJob::fileAppearingAtTheOutput()
{
    QFETCH(QString, appears);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    const QByteArray data = randomBytes(10000, 2);
    QVERIFY(writeFile(input, data));
    JobOptions options;
    options.updateInterval = std::chrono::hours(1); // one yield, before the commit
    FakeJobView view;
    view.onYield = [&] {
        // Long enough inside the yield for the worker to have flushed: the
        // output still waits for the full count to be shown.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (appears == QStringLiteral("file")) {
            QVERIFY(writeFile(output, "arrive"));
        } else if (!appears.isEmpty()) {
            QVERIFY(plantAt(output, appears, input));
        }
    };
    view.job(input, "k", options);
    QCOMPARE(view.yields, 1);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QCOMPARE(readFile(input), data);
    if (appears.isEmpty()) {
        QCOMPARE(view.messages[0].text, successText(output));
        QCOMPARE(readFile(output), transformed(data, "k"));
    } else {
        QCOMPARE(view.messages[0].text, systemErrorText(EEXIST));
        QCOMPARE(view.messages[0].kind, JobResult::Kind::Failed);
        QVERIFY(readFile(output) != transformed(data, "k"));
    }
}

void TestFileJob::folderMovedMidJob_data()
{
    // The output's folder is renamed, or replaced by another, while the job
    // runs: nothing is left in either place and the message says why.
    QTest::addColumn<bool>("replaced");
    QTest::newRow("renamed") << false;
    QTest::newRow("renamed and replaced") << true;
}

void TestFileJob::folderMovedMidJob()
{
    QFETCH(bool, replaced);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("album")));
    const QString input = path(QStringLiteral("album/photo.jpg"));
    QVERIFY(writeFile(input, randomBytes(40000, 3)));
    FakeJobView view;
    const JobOptions options = paced(view, 4096);
    view.onYield = [&] {
        if (view.yields == 2) {
            QVERIFY(QDir(m_dir->path()).rename(QStringLiteral("album"), QStringLiteral("moved")));
            QVERIFY(!replaced || QDir(m_dir->path()).mkdir(QStringLiteral("album")));
        }
    };
    view.job(input, "k", options);
    const QString output = path(QStringLiteral("album/photo.JPG.qbc"));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Refused);
    QCOMPARE(view.messages[0].text, text(texts::FolderMoved).arg(output));
    QCOMPARE(entries(path(QStringLiteral("moved"))), QStringList({"photo.jpg"}));
    QCOMPARE(entries(path(QStringLiteral("album"))), QStringList());
}

void TestFileJob::outputAccess_data()
{
    // Nobody reads the output who could not read the input: not the group of
    // a setgid folder, not the users of a default ACL, not what a replaced
    // file was narrowed to during the question. Another user's file in a
    // sticky folder is refused before any work.
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<int>("mode");  // -1: refused
    QTest::addColumn<int>("group"); // -1: the input's
    QTest::newRow("setgid folder, the input's group given") << "setgid" << false << 0640 << -1;
    QTest::newRow("setgid folder, a group not the user's") << "setgid" << true << 0600 << 12345;
    QTest::newRow("default ACL on the folder") << "acl" << false << 0640 << -1;
    QTest::newRow("replaced file narrowed during the question")
        << "narrowed" << false << 0600 << -1;
    QTest::newRow("another user's file in a sticky folder") << "sticky" << true << -1 << -1;
}

void TestFileJob::outputAccess()
{
    QFETCH(QString, setup);
    QFETCH(bool, asNobody);
    QFETCH(int, mode);
    QFETCH(int, group);
    const bool root = ::geteuid() == 0;
    if (!root && (asNobody || setup == QStringLiteral("setgid"))) {
        QSKIP("Only root can make another user's files and folders");
    }
    const uid_t user = asNobody ? Nobody : ::geteuid();
    const QString folder = path(QStringLiteral("partage"));
    const QString input = folder + QStringLiteral("/a.txt");
    const QString output = folder + QStringLiteral("/a.TXT.qbc");
    QVERIFY(QDir().mkdir(folder));
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
    QVERIFY(writeFile(input, "secret"));
    const auto native = [](const QString& name) { return QFile::encodeName(name); };
    QCOMPARE(::chmod(native(input).constData(), setup == QStringLiteral("narrowed") ? 0644 : 0640),
             0);
    FakeJobView view;
    if (root) {
        QCOMPARE(::chown(native(input).constData(), user, 0), 0);
    }
    if (setup == QStringLiteral("setgid")) {
        QCOMPARE(::chown(native(folder).constData(), user, 12345), 0);
        QCOMPARE(::chmod(native(folder).constData(), 02775), 0);
    } else if (setup == QStringLiteral("acl") && !setDefaultAcl(folder)) {
        QSKIP("This file system has no ACLs");
    } else if (setup == QStringLiteral("narrowed")) {
        QVERIFY(writeFile(output, "ancien"));
        view.onQuestion = [&] { QCOMPARE(::chmod(native(output).constData(), 0600), 0); };
    } else if (setup == QStringLiteral("sticky")) {
        QCOMPARE(::chmod(native(folder).constData(), 01777), 0);
        QVERIFY(writeFile(output, "ancien"));
        QCOMPARE(::chown(native(output).constData(), 12345, 12345), 0);
    }
    {
        const ActingAs acting(user, asNobody ? Nobody : ::getegid());
        QVERIFY(acting.acting());
        view.job(input, "k");
    }
    if (mode < 0) {
        QVERIFY(view.questions.isEmpty());
        QCOMPARE(view.messages.value(0).text, text(texts::OutputOfAnotherUser).arg(output));
        QCOMPARE(readFile(output), QByteArray("ancien"));
        QCOMPARE(entries(folder), QStringList({"a.TXT.qbc", "a.txt"}));
        return;
    }
    QCOMPARE(view.messages.value(0).text, successText(output));
    const struct stat made = entryOf(output);
    QCOMPARE(int(made.st_mode & 07777), mode);
    QCOMPARE(int(made.st_gid), group < 0 ? int(entryOf(input).st_gid) : group);
    QCOMPARE(::getxattr(native(output).constData(), "system.posix_acl_access", nullptr, 0), -1);
}

void TestFileJob::stalledDiskNeverHoldsTheWindow()
{
    // Reads and the removal of the output's names never return (a frozen
    // file system): the program still ends at once, and once the disk thaws
    // nothing is left.
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, randomBytes(10000, 4)));
    TestStreams::Faults faults;
    faults.stall = true;
    JobOptions options = withStreams(faults);
    options.updateInterval = std::chrono::milliseconds(1);
    FakeJobView view;
    view.onYield = [&view] { view.ending = view.yields == 3; };
    {
        Watchdog watchdog(std::chrono::seconds(20));
        view.job(input, "k", options);
    }
    QCOMPARE(view.yields, 3);
    QVERIFY(view.messages.isEmpty());
    options.streams.reset(); // the disk thaws
    QTRY_COMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
}

void TestFileJob::folderRefused()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("photos.jpg")));
    const QString input = path(QStringLiteral("photos.jpg"));
    FakeJobView view;
    view.job(input, "k");
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Refused);
    QCOMPARE(view.messages[0].text, text(texts::InputIsFolder).arg(input));
    QCOMPARE(entries(m_dir->path()), QStringList({"photos.jpg"}));
}

void TestFileJob::specialInputRefused_data()
{
    // Files that cannot give an output of their length, chosen directly or
    // through a link: refused by name, without blocking, nothing written.
    QTest::addColumn<QString>("target"); // made here when not a path
    QTest::addColumn<QString>("message");
    const QString special = text(texts::InputNotRegular);
    const QString virtualFile = text(texts::InputIsVirtual);
    QTest::newRow("fifo") << "fifo" << special;
    QTest::newRow("socket") << "socket" << special;
    QTest::newRow("/dev/null") << "/dev/null" << special;
    QTest::newRow("/dev/zero") << "/dev/zero" << special;
    QTest::newRow("/proc/cpuinfo") << "/proc/cpuinfo" << virtualFile;
    QTest::newRow("/proc/self/environ") << "/proc/self/environ" << virtualFile;
    QTest::newRow("/sys file") << "/sys/kernel/mm/transparent_hugepage/enabled" << virtualFile;
    // A walk found another file at the name: a link put there since is not read.
    QTest::newRow("not the file walked") << "/etc/passwd" << text(texts::InputReplaced);
}

void TestFileJob::specialInputRefused()
{
    QFETCH(QString, target);
    QFETCH(QString, message);
    const QString input = path(QStringLiteral("entree.txt"));
    if (target.startsWith(QLatin1Char('/'))) {
        if (!QFileInfo::exists(target)) {
            QSKIP("This system has no such file");
        }
        QVERIFY(QFile::link(target, input));
    } else if (target == QStringLiteral("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(input).constData(), 0600), 0);
    } else {
        QVERIFY(plantAt(input, target, input));
    }
    JobOptions options;
    if (message == text(texts::InputReplaced)) {
        const struct stat walked = entryOf(m_dir->path());
        options.expectedInput = FileIdentity{walked.st_dev, walked.st_ino};
        const FileBeginning beginning = readBeginning(input, options.expectedInput);
        QVERIFY(beginning.replaced);
        QVERIFY(beginning.bytes.isEmpty());
    }
    FakeJobView view;
    {
        Watchdog watchdog(std::chrono::seconds(20));
        view.job(input, "k", options);
    }
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Refused);
    QCOMPARE(view.messages[0].text, message.arg(input));
    QCOMPARE(entries(m_dir->path()), QStringList({"entree.txt"}));
}

void TestFileJob::missingFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "absent.txt";
    QTest::newRow("missing folder") << "absent/fichier.txt";
    QTest::newRow("empty selection") << "";
}

void TestFileJob::missingFile()
{
    QFETCH(QString, name);
    const QString input = name.isEmpty() ? QString() : path(name);
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    FakeJobView view;
    view.job(input, "k");
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Failed);
    QCOMPARE(view.messages[0].text, systemErrorText(ENOENT));
    QVERIFY(entries(m_dir->path()).isEmpty());
}

void TestFileJob::emptyKey()
{
    QVERIFY(writeFile(path(QStringLiteral("a.txt")), "x"));
    FakeJobView view;
    view.job(path(QStringLiteral("a.txt")), QByteArray());
    QCOMPARE(view.messages.value(0).text, text(texts::EmptyKey));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
}

void TestFileJob::writeFailure_data()
{
    QTest::addColumn<qint64>("failAt"); // -1: the final flush fails
    QTest::addColumn<bool>("existing");
    QTest::newRow("first byte") << qint64(0) << false;
    QTest::newRow("second byte") << qint64(1) << false;
    QTest::newRow("end of first block") << qint64(4095) << false;
    QTest::newRow("block boundary") << qint64(4096) << false;
    QTest::newRow("middle") << qint64(50000) << false;
    QTest::newRow("last byte") << qint64(99999) << false;
    QTest::newRow("middle, existing output kept") << qint64(50000) << true;
    QTest::newRow("flush") << qint64(-1) << false;
    QTest::newRow("flush, existing output kept") << qint64(-1) << true;
}

void TestFileJob::writeFailure()
{
    QFETCH(qint64, failAt);
    QFETCH(bool, existing);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(100000, 9)));
    if (existing) {
        QVERIFY(writeFile(output, "ancien"));
    }
    TestStreams::Faults faults;
    faults.failWriteAt = failAt;
    faults.failFlush = failAt < 0;
    FakeJobView view;
    const JobOptions options = withStreams(faults, &view);
    const JobResult result = view.job(input, "k", options);
    QCOMPARE(int(result.kind), int(JobResult::Kind::Failed));
    QCOMPARE(result.why, systemErrorText(ENOSPC));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Failed);
    QCOMPARE(view.messages[0].text, systemErrorText(ENOSPC));
    if (existing) {
        QCOMPARE(readFile(output), QByteArray("ancien"));
        QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    } else {
        QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
    }
    // The job stopped at the failure: no update past it.
    QVERIFY(failAt < 0 || view.lastCount() <= failAt);
}

void TestFileJob::readFailure()
{
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, randomBytes(100000, 9)));
    TestStreams::Faults faults;
    faults.failReadAt = 10000;
    FakeJobView view;
    view.job(input, "k", withStreams(faults));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Failed);
    QCOMPARE(view.messages[0].text, systemErrorText(EIO));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
}

void TestFileJob::inputChanges_data()
{
    // Another program changes the input while the job runs: the job refuses
    // to report it done, and the older output stays.
    // A file whose size lies, unchanged, is told apart.
    QTest::addColumn<QString>("change");
    QTest::addColumn<qint64>("endAt");
    QTest::addColumn<qint64>("extraBytes");
    QTest::addColumn<QString>("message");
    const QString changed = text(texts::InputChanged);
    QTest::newRow("cut short") << "shrink" << qint64(-1) << qint64(0) << changed;
    QTest::newRow("grows") << "grow" << qint64(-1) << qint64(0) << changed;
    QTest::newRow("rewritten, same size") << "rewrite" << qint64(-1) << qint64(0) << changed;
    const QString virtualFile = text(texts::InputIsVirtual);
    QTest::newRow("reads past its size") << "" << qint64(-1) << qint64(10) << virtualFile;
    QTest::newRow("ends before its size") << "" << qint64(50000) << qint64(0) << virtualFile;
}

void TestFileJob::inputChanges()
{
    QFETCH(QString, change);
    QFETCH(qint64, endAt);
    QFETCH(qint64, extraBytes);
    QFETCH(QString, message);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(100000, 9)));
    QVERIFY(writeFile(output, "ancien"));
    FakeJobView view;
    TestStreams::Faults faults;
    faults.endAt = endAt;
    faults.extraBytes = extraBytes;
    const JobOptions options = withStreams(faults, &view);
    view.onYield = [&] {
        if (view.yields != 2 || change.isEmpty()) {
            return;
        }
        QFile file(input);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (change == QStringLiteral("shrink")) {
            QVERIFY(file.resize(5000));
        } else if (change == QStringLiteral("grow")) {
            QVERIFY(file.seek(file.size()) && file.write("plus") == 4);
        } else {
            QVERIFY(file.seek(90000) && file.write("autre") == 5);
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                     QFileDevice::FileModificationTime));
        }
    };
    view.job(input, "k", options);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, JobResult::Kind::Refused);
    QCOMPARE(view.messages[0].text, message.arg(input));
    QCOMPARE(readFile(output), QByteArray("ancien"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
}

void TestFileJob::endRequestedMidJob()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(100000, 9)));
    QVERIFY(writeFile(output, "ancien"));
    FakeJobView view;
    const JobOptions options = paced(view, 4096);
    view.onYield = [&] {
        if (view.yields == 3) {
            view.ending = true;
        }
    };
    view.job(input, "k", options);
    QCOMPARE(view.yields, 3);
    QCOMPARE(view.calls.value(view.calls.size() - 2), QStringLiteral("yield")); // returned at once
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(readFile(output), QByteArray("ancien"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
}

void TestFileJob::endRequestedAtLastYield()
{
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, "abc"));
    FakeJobView view;
    view.onYield = [&] { view.ending = true; };
    view.job(input, "k");
    QCOMPARE(view.yields, 1);
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
}

void TestFileJob::outputFile_data()
{
    // The writer on every path it may take: unnamed, or named where the file
    // system has no unnamed files, with each way of refusing an existing name.
    QTest::addColumn<bool>("unnamed");
    QTest::addColumn<bool>("noReplaceRename");
    QTest::addColumn<bool>("hardLinks");
    QTest::newRow("unnamed file") << true << true << true;
    QTest::newRow("named, renameat2") << false << true << true;
    QTest::newRow("named, hard link") << false << false << true;
    QTest::newRow("named, check before rename") << false << false << false;
}

void TestFileJob::outputFile()
{
    QFETCH(bool, unnamed);
    QFETCH(bool, noReplaceRename);
    QFETCH(bool, hardLinks);
    const OutputFile::Features features{unnamed, noReplaceRename, hardLinks};
    const QByteArray target = QFile::encodeName(path(QStringLiteral("out.bin")));
    const auto writer = [&](bool replace) {
        return std::make_unique<OutputFile>(target, OutputFile::Rule{replace, 0, 0}, features);
    };
    // Until commit() the output has no name, or only its short temporary one.
    const auto onlyTemporary = [&](const OutputFile& file) {
        const QStringList names = entries(m_dir->path()).filter(QStringLiteral(".qbc-"));
        return file.temporaryName().isEmpty() == unnamed && names.size() == (unnamed ? 0 : 1) &&
               (unnamed || QRegularExpression(QStringLiteral("^\\.qbc-[a-z0-9]{8}\\.tmp$"))
                               .match(names.value(0))
                               .hasMatch());
    };
    {
        const auto file = writer(false);
        QVERIFY(file->open(0644, ::getegid()));
        QVERIFY(file->write("hello", 5));
        QVERIFY(onlyTemporary(*file));
        QVERIFY(!QFile::exists(path(QStringLiteral("out.bin"))));
        QVERIFY(file->commit());
    }
    QCOMPARE(entries(m_dir->path()), QStringList({"out.bin"}));
    QCOMPARE(readFile(path(QStringLiteral("out.bin"))), QByteArray("hello"));
    for (const bool abandon : {false, true}) {
        const auto file = writer(true);
        QVERIFY(file->open(0644, ::getegid()));
        QVERIFY(file->write("other", 5));
        if (abandon) {
            file->abandon(); // the program ends: not even a temporary name stays
            QCOMPARE(entries(m_dir->path()), QStringList({"out.bin"}));
        }
    } // dropped without commit
    QCOMPARE(entries(m_dir->path()), QStringList({"out.bin"}));
    QCOMPARE(readFile(path(QStringLiteral("out.bin"))), QByteArray("hello"));
    // An existing name is taken only with the rule's leave.
    {
        const auto file = writer(false);
        QVERIFY(file->open(0644, ::getegid()));
        QVERIFY(file->write("x", 1));
        QVERIFY(!file->commit());
        QCOMPARE(file->error().code, EEXIST);
    }
    QCOMPARE(readFile(path(QStringLiteral("out.bin"))), QByteArray("hello"));
    {
        const auto file = writer(true);
        QVERIFY(file->open(0600, ::getegid()));
        QVERIFY(file->write("nouveau", 7));
        QVERIFY(file->commit());
    }
    QCOMPARE(readFile(path(QStringLiteral("out.bin"))), QByteArray("nouveau"));
    QCOMPARE(int(entryOf(path(QStringLiteral("out.bin"))).st_mode & 0777), 0600);
    QCOMPARE(entries(m_dir->path()), QStringList({"out.bin"}));
    if (unnamed) {
        return;
    }
    // Someone who may write the folder swaps the temporary for a link of
    // theirs: the name is not given to it, and nothing of ours stays.
    QVERIFY(writeFile(path(QStringLiteral("autre")), "autre"));
    {
        const auto file = writer(true);
        QVERIFY(file->open(0600, ::getegid()));
        QVERIFY(file->write("piege", 5));
        const QString temporary = path(QString::fromLatin1(file->temporaryName()));
        QVERIFY(QFile::remove(temporary) && QFile::link(path(QStringLiteral("autre")), temporary));
        QVERIFY(!file->commit());
        QCOMPARE(file->error().failure, StreamFailure::TemporaryReplaced);
    }
    QCOMPARE(entries(m_dir->path()), QStringList({"autre", "out.bin"}));
    QCOMPARE(readFile(path(QStringLiteral("out.bin"))), QByteArray("nouveau"));
}

void TestFileJob::longNames_data()
{
    // Names whose output just fits in 255 bytes, with a character of two or
    // three bytes at every offset near the end: the job always succeeds.
    QTest::addColumn<QString>("name");
    for (const QString& wide : {QStringLiteral("é"), QStringLiteral("€")}) {
        const int width = int(wide.toUtf8().size());
        const int stemBytes = 255 - 8; // the output adds ".TXT.qbc"
        for (int at = stemBytes - 8; at <= stemBytes - width; ++at) {
            const QString stem = QString(at, QLatin1Char('a')) + wide +
                                 QString(stemBytes - at - width, QLatin1Char('b'));
            QTest::addRow("%s at byte %d", qPrintable(wide), at) << stem + QStringLiteral(".txt");
        }
    }
    // No dot: the output is the name, "." and its last three characters, ".qbc".
    QTest::newRow("ending in a wide character")
        << QString(242, QLatin1Char('a')) + QStringLiteral("€");
}

void TestFileJob::longNames()
{
    QFETCH(QString, name);
    const QString input = path(name);
    QVERIFY(writeFile(input, "long"));
    FakeJobView view;
    view.job(input, "k");
    const QString output = outputPathFor(input);
    QVERIFY(QFileInfo(output).fileName().toUtf8().size() <= 255);
    QCOMPARE(view.messages.value(0).text, successText(output));
    QCOMPARE(readFile(output), transformed("long", "k"));
    QCOMPARE(entries(m_dir->path()).size(), 2);
}

void TestFileJob::processEndsMidJob_data()
{
    // The program dies (SIGKILL, a crash) or is ended (SIGTERM) in the
    // middle of a job on a slow disk: it is gone at once and nothing is left.
    // Ended while the replacing output has its short name, between the link
    // and the rename (held there by strace): that name goes too.
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("atRename");
    QTest::newRow("killed") << int(SIGKILL) << false;
    QTest::newRow("ended") << int(SIGTERM) << false;
    QTest::newRow("ended between link and rename") << int(SIGTERM) << true;
}

void TestFileJob::processEndsMidJob()
{
    QFETCH(int, signal);
    QFETCH(bool, atRename);
    const QString input = path(QStringLiteral("gros.bin"));
    const QString output = path(QStringLiteral("gros.BIN.qbc"));
    QVERIFY(writeFile(input, randomBytes(atRename ? 64 * 1024 : 8 * 1024 * 1024, 6)));
    QVERIFY(writeFile(output, "ancien"));
    QProcess child;
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    const QStringList held{
        QStringLiteral("-f"), QStringLiteral("-qq"),
        QStringLiteral("-o"), QStringLiteral("/dev/null"),
        QStringLiteral("-e"), QStringLiteral("trace=renameat"),
        QStringLiteral("-e"), QStringLiteral("inject=renameat:delay_enter=2000000")};
    if (!atRename) {
        child.start(QStringLiteral(QUIBEX_JOB_CHILD), {input});
    } else if (strace.isEmpty() || QProcess::execute(strace, held + QStringList{"true"}) != 0) {
        QSKIP("strace cannot trace here");
    } else {
        child.start(strace, held + QStringList{QStringLiteral(QUIBEX_JOB_CHILD), input});
    }
    QVERIFY(child.waitForReadyRead(20000)); // its first yield
    const pid_t pid = child.readLine().split(' ').value(1).trimmed().toInt();
    if (atRename) {
        QTRY_VERIFY_WITH_TIMEOUT(!entries(m_dir->path()).filter(QStringLiteral(".qbc-")).isEmpty(),
                                 20000);
    }
    QCOMPARE(::kill(pid, signal), 0);
    // The slow disk would take 8 s more: waiting for it would show here.
    // (strace lets the process go only once the held call's time is up.)
    QVERIFY(child.waitForFinished(atRename ? 20000 : 4000));
    QCOMPARE(entries(m_dir->path()), QStringList({"gros.BIN.qbc", "gros.bin"}));
    QCOMPARE(readFile(output), QByteArray("ancien"));
}

QTEST_GUILESS_MAIN(TestFileJob)
#include "tst_filejob.moc"
