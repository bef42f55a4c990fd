#include "FakeJobView.h"
#include "TestFiles.h"

#include "cipher/KeyExpansion.h"
#include "job/AtomicWriter.h"
#include "job/FileJob.h"
#include "job/OutputName.h"
#include "job/Texts.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace quibex;
using namespace testfiles;

Q_DECLARE_METATYPE(quibex::MessageKind)

namespace {

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

QString successText(const QString& output)
{
    return utf8(texts::SuccessLine1) + QLatin1Char('\r') + utf8(texts::SuccessLine2) + output;
}

JobOptions smallBlocks(std::size_t blockSize)
{
    JobOptions options;
    options.blockSize = blockSize;
    options.showEveryBlock = true;
    return options;
}

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

    void existingOutputYes();
    void existingOutputNo();
    void outputIsInputSymlink();
    void outputIsInputHardLink();
    void outputIsFolder();
    void outputSymlinkWrittenThrough();
    void danglingOutputLink_data();
    void danglingOutputLink();
    void fileAppearingAtTheOutput_data();
    void fileAppearingAtTheOutput();
    void newOutputMode_data();
    void newOutputMode();

    void folderRefused();
    void fifoRefusedWithoutBlocking();
    void deviceRefused();
    void missingFile_data();
    void missingFile();
    void emptyKey();

    void writeFailure_data();
    void writeFailure();
    void flushFailure_data();
    void flushFailure();
    void readFailure();
    void inputShrinks();
    void endRequestedMidJob();
    void endRequestedAtLastYield();
    void secondJobRefusedWhileRunning();
    void writerAlone();

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
    dec_crypt(view, input, key, smallBlocks(1000));
    const QString encrypted = path(QStringLiteral("photo.JPG.qbc"));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(encrypted));
    const QByteArray cipherText = readFile(encrypted);
    QCOMPARE(cipherText.size(), data.size());
    QCOMPARE(cipherText, transformed(data, key));

    FakeJobView back;
    dec_crypt(back, encrypted, key, smallBlocks(999));
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
    dec_crypt(view, input, key, smallBlocks(4099));
    const QByteArray cipherText = readFile(path(QStringLiteral("doc.PDF.qbc")));
    QCOMPARE(cipherText, transformed(data, key));
    // Simple mode with the same password gives other bytes.
    QVERIFY(cipherText != transformed(data, password));

    FakeJobView back;
    dec_crypt(back, path(QStringLiteral("doc.PDF.qbc")), key);
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
    dec_crypt(view, input, key, smallBlocks(std::size_t(blockSize)));
    QCOMPARE(readFile(path(QStringLiteral("f.BIN.qbc"))), transformed(data, key));
    QCOMPARE(view.callsStartingWith(QStringLiteral("count:")).last(),
             QStringLiteral("count:%1").arg(fileSize) + utf8(texts::CountSuffix));
}

void TestFileJob::emptyFile()
{
    const QString input = path(QStringLiteral("vide.txt"));
    QVERIFY(writeFile(input, {}));
    FakeJobView view;
    dec_crypt(view, input, "k");
    const QString output = path(QStringLiteral("vide.TXT.qbc"));
    QVERIFY(QFile::exists(output));
    QCOMPARE(QFileInfo(output).size(), 0);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(output));
    QVERIFY(view.calls.contains(QStringLiteral("size:0")));
    // Every update (the last one, and any while the output is flushed) shows
    // the full count, 0, and 100 %.
    QStringList counts = view.callsStartingWith(QStringLiteral("count:"));
    counts.removeDuplicates();
    QCOMPARE(counts, QStringList({QStringLiteral("count:0") + utf8(texts::CountSuffix)}));
    QCOMPARE(view.callsStartingWith(QStringLiteral("percent:")).first(),
             QStringLiteral("percent:100 %"));
    QVERIFY(view.endsIdle());
}

void TestFileJob::callSequence()
{
    // The whole conversation of a small run with one update at the end.
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, "bonjour"));
    FakeJobView view;
    JobOptions options;
    options.updateInterval = std::chrono::hours(1);
    dec_crypt(view, input, "cle", options);
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QStringList expected = {
        QStringLiteral("enabled:0"),     QStringLiteral("status:Cryptage en cours..."),
        QStringLiteral("size:7"),        QStringLiteral("progress:100"),
        QStringLiteral("percent:100 %"), QStringLiteral("count:7") + utf8(texts::CountSuffix),
        QStringLiteral("yield"),         QStringLiteral("message:") + successText(output),
    };
    expected += FakeJobView::idleTail();
    QCOMPARE(view.calls, expected);
    QCOMPARE(view.messages[0].kind, MessageKind::None);
    QCOMPARE(view.messages[0].title, QString());
    QCOMPARE(utf8(texts::CountSuffix), QStringLiteral(" octets cryptés sur "));
    QCOMPARE(
        successText(QStringLiteral("X")),
        QStringLiteral("Opération effectuée avec succés.\rLe fichier a été enregistré sous : X"));
}

void TestFileJob::progressUpdates()
{
    const int size = 10007;
    const QString input = path(QStringLiteral("p.dat"));
    QVERIFY(writeFile(input, randomBytes(size, 1)));
    FakeJobView view;
    dec_crypt(view, input, "k", smallBlocks(100));
    // One update per block of 100 bytes; the last one is the full count.
    const QStringList counts = view.callsStartingWith(QStringLiteral("count:"));
    QCOMPARE(counts.size(), 101);
    qint64 previous = 0;
    int countIndex = 0;
    for (int i = 0; i < view.calls.size(); ++i) {
        if (!view.calls[i].startsWith(QStringLiteral("progress:")) ||
            view.calls[i] == QStringLiteral("progress:0")) {
            continue;
        }
        // progress, percent text, count text, yield: always together.
        const QString count = view.calls[i + 2].mid(6).section(QLatin1Char(' '), 0, 0);
        const qint64 done = count.toLongLong();
        QVERIFY(done >= previous);
        previous = done;
        const int percent = expectedPercent(done, size);
        QCOMPARE(view.calls[i], QStringLiteral("progress:%1").arg(percent));
        QCOMPARE(view.calls[i + 1], QStringLiteral("percent:%1 %").arg(percent));
        QCOMPARE(view.calls[i + 3], QStringLiteral("yield"));
        ++countIndex;
    }
    QCOMPARE(countIndex, counts.size());
    QCOMPARE(previous, qint64(size));
    // The last update before the message shows 100 % and the full count.
    qsizetype message = 0;
    while (message < view.calls.size() &&
           !view.calls[message].startsWith(QStringLiteral("message:"))) {
        ++message;
    }
    QVERIFY(message < view.calls.size());
    QCOMPARE(view.calls.mid(message - 4, 4),
             QStringList({QStringLiteral("progress:100"), QStringLiteral("percent:100 %"),
                          QStringLiteral("count:10007") + utf8(texts::CountSuffix),
                          QStringLiteral("yield")}));
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
    JobOptions options;
    options.updateInterval = std::chrono::milliseconds(1);
    options.writeFaults.slowDiskBytesPerSecond = 256 * 1024;
    FakeJobView view;
    dec_crypt(view, input, "k", options);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(output));
    QCOMPARE(readFile(output), transformed(data, "k"));
    const QString full = QStringLiteral("count:65536") + utf8(texts::CountSuffix);
    const QStringList counts = view.callsStartingWith(QStringLiteral("count:"));
    QVERIFY2(counts.count(full) >= 2, qPrintable(counts.join(QLatin1Char('\n'))));
    QCOMPARE(counts.last(), full);
    QVERIFY(view.endsIdle());
}

void TestFileJob::endRequestedWhileFlushing()
{
    // The program ends while the slow disk still stores the output: it never
    // goes into place, and the file that was there stays.
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(64 * 1024, 4)));
    QVERIFY(writeFile(output, "ancien"));
    JobOptions options;
    options.updateInterval = std::chrono::milliseconds(1);
    options.writeFaults.slowDiskBytesPerSecond = 256 * 1024;
    FakeJobView view;
    const QString full = QStringLiteral("count:65536") + utf8(texts::CountSuffix);
    view.onYield = [&] {
        // The second showing of the full count comes after the output was let go.
        if (view.callsStartingWith(QStringLiteral("count:")).count(full) == 2) {
            view.ending = true;
        }
    };
    dec_crypt(view, input, "k", options);
    QVERIFY(view.ending);
    QCOMPARE(view.calls.last(), QStringLiteral("yield"));
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(readFile(output), QByteArray("ancien"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QVERIFY(!isJobRunning());
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
    dec_crypt(view, path(name), "k");
    QCOMPARE(view.calls.value(1), QStringLiteral("status:") + status);
    QCOMPARE(readFile(path(output)), transformed("xyz", "k"));
}

void TestFileJob::dottedFolder()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("dossier.2")));
    const QString input = path(QStringLiteral("dossier.2/notes.txt"));
    QVERIFY(writeFile(input, "notes"));
    FakeJobView view;
    dec_crypt(view, input, "k");
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
    dec_crypt(view, input, "k");
    QCOMPARE(readFile(path(QStringLiteral("ab.AB.qbc"))), transformed("12345", "k"));
}

void TestFileJob::pathShownAsWritten()
{
    // A case-sensitive file system: the success message shows the path as written.
    const QString input = path(QStringLiteral("Été.txt"));
    QVERIFY(writeFile(input, "e"));
    FakeJobView view;
    dec_crypt(view, input, "k");
    const QString output = path(QStringLiteral("Été.TXT.qbc"));
#ifdef Q_OS_WIN
    QCOMPARE(view.messages.value(0).text, successText(output.toUpper()));
#else
    QCOMPARE(view.messages.value(0).text, successText(output));
    QVERIFY(QFile::exists(output));
#endif
}

void TestFileJob::existingOutputYes()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "nouveau contenu"));
    QVERIFY(writeFile(output, "un ancien fichier bien plus long que le nouveau"));
    QCOMPARE(::chmod(QFile::encodeName(output).constData(), 0640), 0);
    FakeJobView view;
    view.answerYes = true;
    dec_crypt(view, input, "k");
    QCOMPARE(view.questions,
             QStringList({QStringLiteral("Le fichier ") + output +
                          QStringLiteral(" existe déjà.\rVoulez-vous le remplacer ?")}));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, successText(output));
    QCOMPARE(readFile(output), transformed("nouveau contenu", "k"));
    // The replaced file keeps its permissions.
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(output).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
}

void TestFileJob::existingOutputNo()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "nouveau contenu"));
    QVERIFY(writeFile(output, "ancien"));
    FakeJobView view;
    view.answerYes = false;
    dec_crypt(view, input, "k");
    QCOMPARE(view.questions.size(), 1);
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(readFile(output), QByteArray("ancien"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QVERIFY(view.endsIdle());
    QVERIFY(view.callsStartingWith(QStringLiteral("count:")).isEmpty());
}

void TestFileJob::outputIsInputSymlink()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "precieux"));
    QVERIFY(QFile::link(input, output));
    FakeJobView view;
    dec_crypt(view, input, "k");
    QVERIFY(view.questions.isEmpty());
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, MessageKind::Error);
    QCOMPARE(view.messages[0].text, utf8(texts::OutputIsInput).arg(output));
    QCOMPARE(readFile(input), QByteArray("precieux"));
    QVERIFY(QFileInfo(output).isSymLink());
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QVERIFY(view.endsIdle());
}

void TestFileJob::outputIsInputHardLink()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "precieux"));
    QCOMPARE(::link(QFile::encodeName(input).constData(), QFile::encodeName(output).constData()),
             0);
    FakeJobView view;
    dec_crypt(view, input, "k");
    QCOMPARE(view.messages.value(0).text, utf8(texts::OutputIsInput).arg(output));
    QCOMPARE(readFile(input), QByteArray("precieux"));
    QVERIFY(view.endsIdle());
}

void TestFileJob::outputIsFolder()
{
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, "x"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("a.TXT.qbc")));
    FakeJobView view;
    dec_crypt(view, input, "k");
    QCOMPARE(view.messages.value(0).text, systemErrorText(EISDIR));
    QCOMPARE(view.messages.value(0).kind, MessageKind::None);
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QVERIFY(view.endsIdle());
}

void TestFileJob::outputSymlinkWrittenThrough()
{
    // An output path that is a link to another file: after Yes the link stays
    // and the file it names gets the output.
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    const QString target = path(QStringLiteral("cible.bin"));
    QVERIFY(writeFile(input, "contenu"));
    QVERIFY(writeFile(target, "ancienne cible"));
    QVERIFY(QFile::link(target, output));
    FakeJobView view;
    dec_crypt(view, input, "k");
    QCOMPARE(view.questions.size(), 1);
    QVERIFY(QFileInfo(output).isSymLink());
    QCOMPARE(readFile(target), transformed("contenu", "k"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt", "cible.bin"}));
}

void TestFileJob::danglingOutputLink_data()
{
    // The output path is a link to a file that does not exist yet (through a
    // second link when via is set); created names the file that gets the
    // output, or error says why the job fails. "ABS" stands for the folder.
    QTest::addColumn<QString>("linkText");
    QTest::addColumn<QString>("via");
    QTest::addColumn<QString>("created");
    QTest::addColumn<int>("error");
    QTest::newRow("relative") << "cible.bin"
                              << ""
                              << "cible.bin" << 0;
    QTest::newRow("into a subfolder") << "sous/cible.bin"
                                      << ""
                                      << "sous/cible.bin" << 0;
    QTest::newRow("absolute") << "ABS/cible.bin"
                              << ""
                              << "cible.bin" << 0;
    QTest::newRow("through a second link") << "lien"
                                           << "lien"
                                           << "cible.bin" << 0;
    QTest::newRow("into a missing folder") << "absent/cible.bin"
                                           << ""
                                           << "" << ENOENT;
    QTest::newRow("a loop") << "a.TXT.qbc"
                            << ""
                            << "" << ELOOP;
}

void TestFileJob::danglingOutputLink()
{
    QFETCH(QString, linkText);
    QFETCH(QString, via);
    QFETCH(QString, created);
    QFETCH(int, error);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, "contenu"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sous")));
    linkText.replace(QStringLiteral("ABS"), m_dir->path());
    QCOMPARE(
        ::symlink(QFile::encodeName(linkText).constData(), QFile::encodeName(output).constData()),
        0);
    if (!via.isEmpty()) {
        QCOMPARE(::symlink("cible.bin", QFile::encodeName(path(via)).constData()), 0);
    }
    const QStringList before = entries(m_dir->path());
    FakeJobView view;
    dec_crypt(view, input, "k");
    QCOMPARE(view.questions.size(), 1);
    QCOMPARE(view.messages.size(), 1);
    QVERIFY(QFileInfo(output).isSymLink());
    QVERIFY(view.endsIdle());
    if (error != 0) {
        QCOMPARE(view.messages[0].text, systemErrorText(error));
        QCOMPARE(view.messages[0].kind, MessageKind::None);
        QCOMPARE(entries(m_dir->path()), before);
        QVERIFY(entries(path(QStringLiteral("sous"))).isEmpty());
        return;
    }
    QCOMPARE(view.messages[0].text, successText(output));
    QCOMPARE(readFile(path(created)), transformed("contenu", "k"));
    QCOMPARE(readFile(output), transformed("contenu", "k"));
    QStringList expected = before;
    if (!created.contains(QLatin1Char('/'))) {
        expected << created;
        expected.sort();
    }
    QCOMPARE(entries(m_dir->path()), expected);
}

void TestFileJob::fileAppearingAtTheOutput_data()
{
    // A file that another program puts at the output path while the job runs
    // is never replaced, also where the system lacks the calls that refuse it
    // in one step.
    QTest::addColumn<bool>("noReplaceRename");
    QTest::addColumn<bool>("hardLinks");
    QTest::addColumn<bool>("appears");
    for (const bool appears : {true, false}) {
        const char* what = appears ? "appears" : "absent";
        QTest::addRow("renameat2, file %s", what) << true << true << appears;
        QTest::addRow("hard link, file %s", what) << false << true << appears;
        QTest::addRow("check before rename, file %s", what) << false << false << appears;
    }
}

void TestFileJob::fileAppearingAtTheOutput()
{
    QFETCH(bool, noReplaceRename);
    QFETCH(bool, hardLinks);
    QFETCH(bool, appears);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(10000, 2)));
    JobOptions options;
    options.updateInterval = std::chrono::hours(1); // one yield, before the rename
    options.writeFaults.noReplaceRenameUnsupported = !noReplaceRename;
    options.writeFaults.hardLinksUnsupported = !hardLinks;
    FakeJobView view;
    view.onYield = [&] {
        // Long enough inside the yield for the worker to have flushed: the
        // output still waits for the full count to be shown.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (appears) {
            QVERIFY(writeFile(output, "arrive"));
        }
    };
    dec_crypt(view, input, "k", options);
    QCOMPARE(view.yields, 1);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QVERIFY(view.endsIdle());
    if (appears) {
        QCOMPARE(view.messages[0].text, systemErrorText(EEXIST));
        QCOMPARE(view.messages[0].kind, MessageKind::None);
        QCOMPARE(readFile(output), QByteArray("arrive"));
    } else {
        QCOMPARE(view.messages[0].text, successText(output));
        QCOMPARE(readFile(output), transformed(readFile(input), "k"));
    }
}

void TestFileJob::newOutputMode_data()
{
    // A new output has at most the input's permissions, less the umask.
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("inputMode");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("expected");
    QTest::newRow("private file") << "a.txt" << 0600 << 022 << 0600;
    QTest::newRow("decrypting a private file") << "a.TXT.qbc" << 0600 << 022 << 0600;
    QTest::newRow("group readable") << "a.txt" << 0640 << 022 << 0640;
    QTest::newRow("umask 077") << "a.txt" << 0644 << 077 << 0600;
    QTest::newRow("executable") << "a.txt" << 0755 << 022 << 0644;
    QTest::newRow("read-only") << "a.txt" << 0444 << 022 << 0444;
    QTest::newRow("world writable, umask 002") << "a.txt" << 0666 << 002 << 0664;
}

void TestFileJob::newOutputMode()
{
    QFETCH(QString, name);
    QFETCH(int, inputMode);
    QFETCH(int, mask);
    QFETCH(int, expected);
    const QString input = path(name);
    QVERIFY(writeFile(input, "secret"));
    QCOMPARE(::chmod(QFile::encodeName(input).constData(), mode_t(inputMode)), 0);
    const mode_t before = ::umask(mode_t(mask));
    FakeJobView view;
    dec_crypt(view, input, "k");
    ::umask(before);
    const QString output = outputPathFor(input);
    QCOMPARE(view.messages.value(0).text, successText(output));
    struct stat info
    {
    };
    QCOMPARE(::stat(QFile::encodeName(output).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 07777), expected);
}

void TestFileJob::folderRefused()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("photos.jpg")));
    const QString input = path(QStringLiteral("photos.jpg"));
    FakeJobView view;
    dec_crypt(view, input, "k");
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, MessageKind::Error);
    QCOMPARE(view.messages[0].text, utf8(texts::InputIsFolder).arg(input));
    QCOMPARE(entries(m_dir->path()), QStringList({"photos.jpg"}));
    QVERIFY(view.endsIdle());
}

void TestFileJob::fifoRefusedWithoutBlocking()
{
    const QString input = path(QStringLiteral("tube.txt"));
    QCOMPARE(::mkfifo(QFile::encodeName(input).constData(), 0600), 0);
    FakeJobView view;
    {
        Watchdog watchdog(std::chrono::seconds(20));
        dec_crypt(view, input, "k");
    }
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, MessageKind::Error);
    QCOMPARE(view.messages[0].text, utf8(texts::InputNotRegular).arg(input));
    QCOMPARE(entries(m_dir->path()), QStringList({"tube.txt"}));
    QVERIFY(view.endsIdle());
}

void TestFileJob::deviceRefused()
{
    for (const QString& device : {QStringLiteral("/dev/null"), QStringLiteral("/dev/zero")}) {
        FakeJobView view;
        Watchdog watchdog(std::chrono::seconds(20));
        dec_crypt(view, device, "k");
        QCOMPARE(view.messages.value(0).text, utf8(texts::InputNotRegular).arg(device));
        QVERIFY(view.endsIdle());
    }
    QVERIFY(!QFile::exists(QStringLiteral("/dev/null.NULL.qbc")));
    QVERIFY(!QFile::exists(QStringLiteral("/dev/null.ULL.qbc")));
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
    dec_crypt(view, input, "k");
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, MessageKind::None);
    QCOMPARE(view.messages[0].title, QString());
    QCOMPARE(view.messages[0].text, systemErrorText(ENOENT));
    QVERIFY(entries(m_dir->path()).isEmpty());
    QVERIFY(view.endsIdle());
}

void TestFileJob::emptyKey()
{
    QVERIFY(writeFile(path(QStringLiteral("a.txt")), "x"));
    FakeJobView view;
    dec_crypt(view, path(QStringLiteral("a.txt")), QByteArray());
    QCOMPARE(view.messages.value(0).text, utf8(texts::EmptyKey));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
    QVERIFY(view.endsIdle());
}

void TestFileJob::writeFailure_data()
{
    QTest::addColumn<qint64>("failAt");
    QTest::addColumn<bool>("existing");
    QTest::newRow("first byte") << qint64(0) << false;
    QTest::newRow("second byte") << qint64(1) << false;
    QTest::newRow("end of first block") << qint64(4095) << false;
    QTest::newRow("block boundary") << qint64(4096) << false;
    QTest::newRow("middle") << qint64(50000) << false;
    QTest::newRow("last byte") << qint64(99999) << false;
    QTest::newRow("middle, existing output kept") << qint64(50000) << true;
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
    JobOptions options = smallBlocks(4096);
    options.writeFaults.failAtByte = failAt;
    FakeJobView view;
    dec_crypt(view, input, "k", options);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, MessageKind::None);
    QCOMPARE(view.messages[0].title, QString());
    QCOMPARE(view.messages[0].text, systemErrorText(ENOSPC));
    if (existing) {
        QCOMPARE(readFile(output), QByteArray("ancien"));
        QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    } else {
        QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
    }
    QVERIFY(view.endsIdle());
    // The job stopped at the failure: no update past it.
    const QString lastCount =
        view.callsStartingWith(QStringLiteral("count:"))
            .value(view.callsStartingWith(QStringLiteral("count:")).size() - 1);
    QVERIFY(lastCount.isEmpty() ||
            lastCount.mid(6).section(QLatin1Char(' '), 0, 0).toLongLong() <= failAt);
}

void TestFileJob::flushFailure_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("new output") << false;
    QTest::newRow("existing output kept") << true;
}

void TestFileJob::flushFailure()
{
    QFETCH(bool, existing);
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(5000, 9)));
    if (existing) {
        QVERIFY(writeFile(output, "ancien"));
    }
    JobOptions options;
    options.writeFaults.failAtFlush = true;
    FakeJobView view;
    dec_crypt(view, input, "k", options);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].text, systemErrorText(ENOSPC));
    QVERIFY(!view.messages[0].text.startsWith(utf8(texts::SuccessLine1)));
    if (existing) {
        QCOMPARE(readFile(output), QByteArray("ancien"));
        QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    } else {
        QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
    }
    QVERIFY(view.endsIdle());
}

void TestFileJob::readFailure()
{
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, randomBytes(100000, 9)));
    JobOptions options = smallBlocks(4096);
    options.readFaults.failAtByte = 10000;
    FakeJobView view;
    dec_crypt(view, input, "k", options);
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, MessageKind::None);
    QCOMPARE(view.messages[0].text, systemErrorText(EIO));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
    QVERIFY(view.endsIdle());
}

void TestFileJob::inputShrinks()
{
    // Another program truncates the input while the job runs.
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, randomBytes(100000, 9)));
    FakeJobView view;
    view.onYield = [&] { QFile::resize(input, 5000); };
    dec_crypt(view, input, "k", smallBlocks(4096));
    QCOMPARE(view.messages.size(), 1);
    QCOMPARE(view.messages[0].kind, MessageKind::Error);
    QCOMPARE(view.messages[0].text, utf8(texts::InputChanged).arg(input));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
    QVERIFY(view.endsIdle());
}

void TestFileJob::endRequestedMidJob()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString output = path(QStringLiteral("a.TXT.qbc"));
    QVERIFY(writeFile(input, randomBytes(100000, 9)));
    QVERIFY(writeFile(output, "ancien"));
    FakeJobView view;
    view.onYield = [&] {
        if (view.yields == 3) {
            view.ending = true;
        }
    };
    dec_crypt(view, input, "k", smallBlocks(4096));
    QCOMPARE(view.yields, 3);
    QCOMPARE(view.calls.last(), QStringLiteral("yield")); // returned at once
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(readFile(output), QByteArray("ancien"));
    QCOMPARE(entries(m_dir->path()), QStringList({"a.TXT.qbc", "a.txt"}));
    QVERIFY(!isJobRunning());
}

void TestFileJob::endRequestedAtLastYield()
{
    const QString input = path(QStringLiteral("a.txt"));
    QVERIFY(writeFile(input, "abc"));
    FakeJobView view;
    view.onYield = [&] { view.ending = true; };
    dec_crypt(view, input, "k");
    QCOMPARE(view.yields, 1);
    QVERIFY(view.messages.isEmpty());
    QCOMPARE(entries(m_dir->path()), QStringList({"a.txt"}));
}

void TestFileJob::secondJobRefusedWhileRunning()
{
    const QString input = path(QStringLiteral("a.txt"));
    const QString other = path(QStringLiteral("b.txt"));
    QVERIFY(writeFile(input, randomBytes(20000, 1)));
    QVERIFY(writeFile(other, "b"));
    FakeJobView view;
    FakeJobView second;
    bool runningInside = false;
    view.onYield = [&] {
        runningInside = isJobRunning();
        dec_crypt(second, other, "k");
    };
    QVERIFY(!isJobRunning());
    dec_crypt(view, input, "k", smallBlocks(4096));
    QVERIFY(runningInside);
    QVERIFY(second.calls.isEmpty());
    QVERIFY(!QFile::exists(path(QStringLiteral("b.TXT.qbc"))));
    QCOMPARE(readFile(path(QStringLiteral("a.TXT.qbc"))), transformed(readFile(input), "k"));
    QVERIFY(!isJobRunning());
}

void TestFileJob::writerAlone()
{
    // The writer itself: nothing at the target before commit, a discarded
    // writer leaves nothing, a failed write makes commit fail.
    const QString target = path(QStringLiteral("out.bin"));
    {
        AtomicWriter writer(target);
        QVERIFY(writer.open());
        QVERIFY(writer.write("hello", 5));
        QVERIFY(!QFile::exists(target));
        QVERIFY(QFile::exists(writer.temporaryPath()));
        QCOMPARE(QFileInfo(writer.temporaryPath()).dir().path(), m_dir->path());
        QVERIFY(writer.commit(false));
        QVERIFY(!QFile::exists(writer.temporaryPath()));
    }
    QCOMPARE(readFile(target), QByteArray("hello"));
    {
        AtomicWriter writer(target);
        QVERIFY(writer.open());
        QVERIFY(writer.write("other", 5));
    } // destroyed without commit
    QCOMPARE(readFile(target), QByteArray("hello"));
    {
        WriteFaults faults;
        faults.failAtByte = 3;
        AtomicWriter writer(target, faults);
        QVERIFY(writer.open());
        QVERIFY(!writer.write("abcdef", 6));
        QCOMPARE(writer.written(), 3);
        QVERIFY(!writer.commit());
        QCOMPARE(writer.errorString(), systemErrorText(ENOSPC));
    }
    // A file that appeared meanwhile is not replaced when no one said so.
    {
        AtomicWriter writer(target);
        QVERIFY(writer.open());
        QVERIFY(writer.write("x", 1));
        QVERIFY(!writer.commit(false));
        QCOMPARE(writer.errorString(), systemErrorText(EEXIST));
    }
    QCOMPARE(readFile(target), QByteArray("hello"));
    // Nothing was at the target at open(): what appears there meanwhile was
    // put by someone else and stays, even for a writer told to replace.
    const QString fresh = path(QStringLiteral("nouveau.bin"));
    {
        AtomicWriter writer(fresh);
        QVERIFY(writer.open());
        QVERIFY(writer.write("x", 1));
        QVERIFY(writeFile(fresh, "arrive"));
        QVERIFY(!writer.commit(true));
        QCOMPARE(writer.errorString(), systemErrorText(EEXIST));
    }
    QCOMPARE(readFile(fresh), QByteArray("arrive"));
    QCOMPARE(entries(m_dir->path()), QStringList({"nouveau.bin", "out.bin"}));
}

QTEST_GUILESS_MAIN(TestFileJob)
#include "tst_filejob.moc"
