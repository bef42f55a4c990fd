// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/Reference.h"
#include "tests/support/TestFiles.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testfiles;

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QString errors;
};

// A text long enough for the wrong-key check to tell the modes apart.
QByteArray note()
{
    return QByteArray("Le fichier est crypté avec un mot de passe que la machine garde. ")
        .repeated(20);
}

} // namespace

class TestQbc : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTrips_data();
    void roundTrips();
    void refusals_data();
    void refusals();
    void onATerminal_data();
    void onATerminal();
    void echoComesBackAtThePrompt_data();
    void echoComesBackAtThePrompt();
    void recursive();
    void standardOutputOntoAnInput();
    void namesAreQuoted();
    void signalMidJobLeavesNothing();
    void syncsReachTheDisk_data();
    void syncsReachTheDisk();
    void duringTheGroupsSync_data();
    void duringTheGroupsSync();
    void endSignalDuringOneFile_data();
    void endSignalDuringOneFile();
    void aFailingDiskNamesNothing_data();
    void aFailingDiskNamesNothing();

private:
    Run qbc(const QStringList& arguments, const QByteArray& input = {});
    // qbc under strace, its sync calls (or the injection given) in trace.
    QStringList traced(const QStringList& straceOptions, const QStringList& arguments);
    // Waits for call in the trace, then sends SIGTERM to the traced qbc.
    static void endTracedAt(const QProcess& strace, const QString& trace, const QByteArray& call);
    // A small ext4 disk at "disque" (data=writeback) on a loop image whose
    // own file system has room for little more than what is on it once
    // fill() is called: its writeback then fails. False when it cannot be made.
    bool mountSmallDisk();
    void fillSmallDisk();
    void unmountSmallDisk();
    // Descriptors the command may hold at most, when > 0; its standard
    // output appended to that file, when given.
    rlim_t m_fileLimit = 0;
    QString m_outputFile;
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestQbc::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_fileLimit = 0;
    m_outputFile.clear();
    QVERIFY(writeFile(path(QStringLiteral("pw")), "secret\n"));
}

// Run in the test's folder with input on its standard input, no terminal.
Run TestQbc::qbc(const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    if (m_fileLimit > 0) {
        process.setChildProcessModifier([limit = m_fileLimit] {
            const rlimit files{limit, limit};
            ::setrlimit(RLIMIT_NOFILE, &files);
        });
    }
    if (!m_outputFile.isEmpty()) {
        process.setStandardOutputFile(m_outputFile, QIODevice::Append);
    }
    process.start(QStringLiteral(QUIBEX_QBC), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

void TestQbc::roundTrips_data()
{
    // The window's names and bytes; decrypting finds the mode by itself.
    // Small files go through batches, larger ones through the window's job.
    QTest::addColumn<QStringList>("encryptMode");
    QTest::addColumn<QStringList>("decryptMode");
    QTest::addColumn<int>("copies"); // of the note
    QTest::newRow("simple, given") << QStringList{} << QStringList{"--simple"} << 1;
    QTest::newRow("advanced, given") << QStringList{"--advanced"} << QStringList{"--advanced"} << 1;
    QTest::newRow("simple, found") << QStringList{} << QStringList{} << 1;
    QTest::newRow("advanced, found") << QStringList{"--advanced"} << QStringList{} << 1;
    QTest::newRow("to standard output") << QStringList{} << QStringList{"-o", "-"} << 1;
    QTest::newRow("to a name given") << QStringList{} << QStringList{"-o", "copie.txt"} << 1;
    QTest::newRow("password on a descriptor")
        << QStringList{"--password-fd", "0"} << QStringList{"--password-fd", "0"} << 1;
    QTest::newRow("larger than a batch takes")
        << QStringList{"--advanced"} << QStringList{} << 2000;
}

void TestQbc::roundTrips()
{
    QFETCH(QStringList, encryptMode);
    QFETCH(QStringList, decryptMode);
    QFETCH(int, copies);
    const QByteArray data = note().repeated(copies);
    QVERIFY(writeFile(path(QStringLiteral("notes.txt")), data));
    const bool onDescriptor = encryptMode.contains(QStringLiteral("--password-fd"));
    const QStringList password =
        onDescriptor ? QStringList{} : QStringList{"--password-file", "pw"};
    Run run = qbc(QStringList{"encrypt", "notes.txt"} + encryptMode + password, "secret\n");
    QCOMPARE(run.status, 0);
    QCOMPARE(run.errors, QString());
    const QByteArray key = encryptMode.contains(QStringLiteral("--advanced"))
                               ? reference::expandedKey(QByteArray("secret"))
                               : QByteArray("secret");
    QCOMPARE(readFile(path(QStringLiteral("notes.TXT.qbc"))), transformed(data, key));
    run = qbc(QStringList{"decrypt", "notes.TXT.qbc"} + decryptMode + password, "secret\n");
    QCOMPARE(run.status, 0);
    QCOMPARE(run.errors, QString());
    const qsizetype named = decryptMode.indexOf(QStringLiteral("-o"));
    const QString output = named < 0 ? QStringLiteral("notes.cbq") : decryptMode.value(named + 1);
    QCOMPARE(output == QStringLiteral("-") ? run.out : readFile(path(output)), data);
    QCOMPARE(QFile::exists(path(QStringLiteral("notes.cbq"))),
             output == QStringLiteral("notes.cbq"));
}

void TestQbc::refusals_data()
{
    // Each refusal names the file and changes nothing; the other files are
    // still processed; misuse is status 2.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("files"); // besides pw, notes.txt, notes.TXT.qbc
    QTest::addColumn<QByteArray>("kept");   // notes.cbq, when it was there before
    const QStringList pw{"--password-file", "pw"};
    QTest::newRow("a folder without -r")
        << QStringList{"encrypt", "dossier"} + pw << 1 << "qbc: dossier : c'est un dossier"
        << QStringList{"dossier"} << QByteArray();
    QTest::newRow("the other mode given")
        << QStringList{"decrypt", "--advanced", "notes.TXT.qbc"} + pw << 1 << "dans l'autre mode"
        << QStringList{} << QByteArray();
    QTest::newRow("a wrong password, neither mode")
        << QStringList{"decrypt", "notes.TXT.qbc", "--password-file", "faux"} << 1
        << "le mot de passe est sans doute faux (--force avec --simple ou --advanced"
        << QStringList{"faux"} << QByteArray();
    QTest::newRow("check, the right password")
        << QStringList{"check", "notes.TXT.qbc"} + pw << 0 << "" << QStringList{} << QByteArray();
    QTest::newRow("check, a wrong password")
        << QStringList{"check", "notes.TXT.qbc", "--password-file", "faux"} << 1 << ""
        << QStringList{"faux"} << QByteArray();
    QTest::newRow("check, a missing file")
        << QStringList{"check", "absent.qbc", "notes.TXT.qbc"} + pw << 1
        << "qbc: absent.qbc : ce fichier n'existe pas." << QStringList{} << QByteArray();
    QTest::newRow("a dangling link") << QStringList{"decrypt", "casse.qbc"} + pw << 1
                                     << "casse.qbc : c'est un lien vers un fichier qui n'existe pas"
                                     << QStringList{} << QByteArray();
    QTest::newRow("a pipe given by name")
        << QStringList{"encrypt", "tube"} + pw << 1 << "tube : ce n'est pas un fichier ordinaire"
        << QStringList{} << QByteArray();
    QTest::newRow("decrypt, a name without .qbc")
        << QStringList{"decrypt", "--simple", "notes.txt"} + pw << 1
        << "notes.txt : ce n'est pas un fichier crypté (.qbc)" << QStringList{} << QByteArray();
    QTest::newRow("encrypt, a .qbc")
        << QStringList{"encrypt", "--force", "notes.TXT.qbc"} + pw << 1
        << "notes.TXT.qbc : il est déjà crypté (.qbc)" << QStringList{} << QByteArray();
    // notes.txt's output replaced as asked; notes.v2.txt would replace it again.
    QTest::newRow("two inputs, one output name")
        << QStringList{"encrypt", "--force", "notes.txt", "notes.v2.txt"} + pw << 1
        << "notes.v2.txt : son fichier produit, notes.TXT.qbc, serait aussi celui de notes.txt"
        << QStringList{} << QByteArray();
    QTest::newRow("--password-fd, not a number")
        << QStringList{"encrypt", "--password-fd", "abc", "notes.txt"} << 2
        << "descripteur ouvert, pas « abc »" << QStringList{} << QByteArray();
    QTest::newRow("--password-fd, not open")
        << QStringList{"encrypt", "--password-fd", "99999999999", "notes.txt"} << 2
        << "descripteur ouvert" << QStringList{} << QByteArray();
    QTest::newRow("two password sources")
        << QStringList{"encrypt", "--password-fd", "0", "notes.txt"} + pw << 2 << "s'excluent"
        << QStringList{} << QByteArray();
    QTest::newRow("an output there, no terminal")
        << QStringList{"decrypt", "notes.TXT.qbc"} + pw << 1 << "existe déjà"
        << QStringList{"notes.cbq"} << QByteArray("ancien");
    QTest::newRow("an output there, --no-clobber")
        << QStringList{"decrypt", "--no-clobber", "notes.TXT.qbc"} + pw << 1 << "existe déjà"
        << QStringList{"notes.cbq"} << QByteArray("ancien");
    QTest::newRow("an output there, --force")
        << QStringList{"decrypt", "--force", "notes.TXT.qbc"} + pw << 0 << ""
        << QStringList{"notes.cbq"} << note();
    QTest::newRow("a missing file among others")
        << QStringList{"decrypt", "absent.qbc", "notes.TXT.qbc"} + pw << 1
        << "qbc: absent.qbc :" << QStringList{"notes.cbq"} << QByteArray();
    QTest::newRow("--password does not exist")
        << QStringList{"encrypt", "--password", "secret", "notes.txt"} << 2 << "password"
        << QStringList{} << QByteArray();
    QTest::newRow("a password beyond Windows-1252")
        << QStringList{"encrypt", "notes.txt", "--password-file", "japonais"} << 2
        << "pas pris en charge" << QStringList{"japonais"} << QByteArray();
    QTest::newRow("-o for two files") << QStringList{"encrypt", "-o", "x", "notes.txt", "pw"} + pw
                                      << 2 << "un seul fichier" << QStringList{} << QByteArray();
    QTest::newRow("an unknown command") << QStringList{"chiffrer", "notes.txt"} + pw << 2
                                        << "Commande inconnue" << QStringList{} << QByteArray();
}

void TestQbc::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    QFETCH(QStringList, files);
    QFETCH(QByteArray, kept);
    QVERIFY(writeFile(path(QStringLiteral("notes.txt")), note()));
    QVERIFY(writeFile(path(QStringLiteral("notes.TXT.qbc")), transformed(note(), "secret")));
    QVERIFY(writeFile(path(QStringLiteral("faux")), "sesame"));
    QVERIFY(writeFile(path(QStringLiteral("japonais")), "日本"));
    QVERIFY(writeFile(path(QStringLiteral("notes.v2.txt")), note()));
    QVERIFY(QFile::link(QStringLiteral("nulle-part"), path(QStringLiteral("casse.qbc"))));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("tube"))).constData(), 0600), 0);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("dossier")));
    if (!kept.isEmpty()) {
        QVERIFY(writeFile(path(QStringLiteral("notes.cbq")), "ancien"));
    }
    const Run run = qbc(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(error.isEmpty() ? run.errors.isEmpty() : run.errors.contains(error),
             qPrintable(run.errors));
    QStringList expected =
        QStringList{"casse.qbc", "dossier",      "faux", "japonais", "notes.TXT.qbc",
                    "notes.txt", "notes.v2.txt", "pw",   "tube"} +
        files;
    expected.removeDuplicates();
    expected.sort();
    QCOMPARE(entries(m_dir->path()), expected);
    if (!kept.isEmpty()) {
        QCOMPARE(readFile(path(QStringLiteral("notes.cbq"))), kept);
    }
}

void TestQbc::onATerminal_data()
{
    // On a terminal (script's), an existing output is asked about, and each
    // file's line and the summary are shown.
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Oui") << QByteArray("o\n") << 0 << "notes.TXT.qbc  100 %  1320 octets";
    QTest::newRow("Non") << QByteArray("n\n") << 1 << "il est gardé";
}

void TestQbc::onATerminal()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    QFETCH(QString, shown);
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty()) {
        QSKIP("script (bsdutils) is not installed");
    }
    QVERIFY(writeFile(path(QStringLiteral("notes.TXT.qbc")), transformed(note(), "secret")));
    QVERIFY(writeFile(path(QStringLiteral("notes.cbq")), "ancien"));
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(script, {"-qec",
                           QStringLiteral("%1 decrypt --simple --password-file pw notes.TXT.qbc")
                               .arg(QStringLiteral(QUIBEX_QBC)),
                           "/dev/null"});
    process.write(answer);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(20000));
    const QString terminal = QString::fromUtf8(process.readAllStandardOutput());
    QCOMPARE(process.exitCode(), status);
    QVERIFY2(terminal.contains(QStringLiteral("Voulez-vous le remplacer ? (o/N)")),
             qPrintable(terminal));
    QVERIFY2(terminal.contains(shown), qPrintable(terminal));
    QVERIFY2(
        terminal.contains(
            QStringLiteral("%1 fait(s), %2 refusé(s), 0 en échec.").arg(1 - status).arg(status)),
        qPrintable(terminal));
    QCOMPARE(readFile(path(QStringLiteral("notes.cbq"))),
             status == 0 ? note() : QByteArray("ancien"));
}

void TestQbc::echoComesBackAtThePrompt_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("Ctrl+\\") << SIGQUIT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestQbc::echoComesBackAtThePrompt()
{
    // Ended at the password prompt: the terminal echoes again (stty says
    // -echo otherwise).
    QFETCH(int, signal);
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty()) {
        QSKIP("script (bsdutils) is not installed");
    }
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(script, {"-qec",
                           QStringLiteral("sh -c 'echo $$ > pid; exec %1 encrypt pw'; stty")
                               .arg(QStringLiteral(QUIBEX_QBC)),
                           "/dev/null"});
    QTRY_VERIFY(readFile(path(QStringLiteral("pid"))).endsWith('\n'));
    const pid_t qbc = pid_t(readFile(path(QStringLiteral("pid"))).trimmed().toInt());
    QByteArray shown;
    const auto prompting = [&] {
        shown += process.readAllStandardOutput();
        return shown.contains("passe :");
    };
    QTRY_VERIFY2(prompting(), shown.constData());
    QCOMPARE(::kill(qbc, signal), 0);
    QVERIFY(process.waitForFinished(10000));
    shown += process.readAllStandardOutput();
    QVERIFY2(!shown.contains("-echo"), shown.constData());
    QCOMPARE(entries(m_dir->path()), (QStringList{"pid", "pw"}));
}

void TestQbc::recursive()
{
    // Folders walked, links neither followed nor worked on (to a folder, or
    // to a file of someone else's planted beside ours), a pipe and a name that
    // is not UTF-8 skipped with a word each (status 1), encrypted files left to
    // decrypt; more files than a group synced at once, with few descriptors.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("arbre/sous")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("arbre/beaucoup")));
    for (int i = 0; i < 300; ++i) {
        QVERIFY(
            writeFile(path(QStringLiteral("arbre/beaucoup/%1.txt").arg(i)), QByteArray::number(i)));
    }
    QVERIFY(writeFile(path(QStringLiteral("arbre/a.txt")), note()));
    QVERIFY(writeFile(path(QStringLiteral("arbre/sous/b.txt")), "b"));
    QVERIFY(writeFile(path(QStringLiteral("arbre/sous/deja.TXT.qbc")), "x"));
    QVERIFY(QFile::link(m_dir->path(), path(QStringLiteral("arbre/lien"))));
    QVERIFY(QFile::link(path(QStringLiteral("pw")), path(QStringLiteral("arbre/notes.txt"))));
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("arbre/tube"))).constData(), 0600), 0);
    const QByteArray latin1 = QFile::encodeName(path(QStringLiteral("arbre/"))) + "caf\xe9.txt";
    QCOMPARE(::close(::creat(latin1.constData(), 0600)), 0);
    m_fileLimit = 128;
    const Run run = qbc({"encrypt", "-r", "arbre", "--password-file", "pw"});
    QCOMPARE(run.status, 1);
    for (const QString& said :
         {QStringLiteral("qbc: arbre/tube : ce n'est pas un fichier ordinaire"),
          QStringLiteral("qbc: arbre/lien : c'est un lien"),
          QStringLiteral("qbc: arbre/notes.txt : c'est un lien"),
          QStringLiteral("qbc: $'arbre/caf\\351.txt' : son nom n'est pas écrit en UTF-8")}) {
        QVERIFY2(run.errors.contains(said), qPrintable(run.errors));
    }
    QCOMPARE(entries(path(QStringLiteral("arbre"))),
             (QStringList{"a.TXT.qbc", "a.txt", "beaucoup", "lien", "notes.txt", "sous", "tube"}));
    QVERIFY(::access(latin1.chopped(4) + ".TXT.qbc", F_OK) != 0);
    QCOMPARE(::unlink(latin1.constData()), 0); // Qt could not remove it with the folder
    for (int i = 0; i < 300; ++i) {
        QCOMPARE(readFile(path(QStringLiteral("arbre/beaucoup/%1.TXT.qbc").arg(i))),
                 transformed(QByteArray::number(i), "secret"));
    }
    QCOMPARE(entries(path(QStringLiteral("arbre/sous"))),
             (QStringList{"b.TXT.qbc", "b.txt", "deja.TXT.qbc"}));
    QCOMPARE(readFile(path(QStringLiteral("arbre/sous/b.TXT.qbc"))), transformed("b", "secret"));
}

void TestQbc::standardOutputOntoAnInput()
{
    // >> notes.txt: the output would be written into its own input.
    QVERIFY(writeFile(path(QStringLiteral("notes.txt")), note()));
    m_outputFile = path(QStringLiteral("notes.txt"));
    const Run run = qbc({"encrypt", "-o", "-", "notes.txt", "--password-file", "pw"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("notes.txt : la sortie standard est ce fichier")),
             qPrintable(run.errors));
    QCOMPARE(readFile(path(QStringLiteral("notes.txt"))), note());
}

void TestQbc::namesAreQuoted()
{
    // A name cannot move the terminal nor forge a line of check's.
    const QString name = QStringLiteral("x\nfaux.TXT.qbc: ok\x1b[2J.TXT.qbc");
    QVERIFY(writeFile(path(name), "?"));
    const Run run = qbc({"check", name, "--password-file", "pw"});
    QCOMPARE(run.out, QByteArray("$'x\\nfaux.TXT.qbc: ok\\033[2J.TXT.qbc': unknown\n"));
    QCOMPARE(run.status, 1);
    // Nor inside the job's own messages, which name the output.
    QVERIFY(writeFile(path(QStringLiteral("y\x1b[2J.txt")), "?"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("y\x1b[2J.TXT.qbc")));
    const Run refused = qbc({"encrypt", "y\x1b[2J.txt", "--password-file", "pw"});
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.errors.contains(QStringLiteral("y\\033[2J.TXT.qbc désigne un dossier")),
             qPrintable(refused.errors));
    QVERIFY(!refused.errors.contains(QLatin1Char('\x1b')));
}

void TestQbc::signalMidJobLeavesNothing()
{
    // Ended while it writes a large file: gone at once, nothing left.
    QFile big(path(QStringLiteral("gros.bin")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(2) * 1024 * 1024 * 1024));
    big.close();
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(QStringLiteral(QUIBEX_QBC), {"encrypt", "gros.bin", "--password-file", "pw"});
    QVERIFY(process.waitForStarted());
    // Busy for a few ticks: past the password, into the bytes (its I/O
    // counters are private: it is not dumpable).
    const auto writing = [&process] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        const QList<QByteArray> fields = stat.open(QIODevice::ReadOnly)
                                             ? stat.readAll().split(')').value(1).split(' ')
                                             : QList<QByteArray>{};
        return fields.size() > 13 && fields[12].toLongLong() + fields[13].toLongLong() >= 5;
    };
    QTRY_VERIFY_WITH_TIMEOUT(writing(), 20000);
    QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 128 + SIGINT);
    QCOMPARE(entries(m_dir->path()), (QStringList{"gros.bin", "pw"}));
}

QStringList TestQbc::traced(const QStringList& straceOptions, const QStringList& arguments)
{
    // A sanitized build's leak check cannot run under a tracer.
    const QString sanitizer =
        QStringLiteral("ASAN_OPTIONS=%1:detect_leaks=0").arg(qEnvironmentVariable("ASAN_OPTIONS"));
    return QStringList{"-f", "-o", path(QStringLiteral("trace")), "-E", sanitizer} + straceOptions +
           QStringList{QStringLiteral(QUIBEX_QBC)} + arguments;
}

void TestQbc::syncsReachTheDisk_data()
{
    // Many folders of one local disk: its file system synced once a group.
    // A FUSE mount, where syncfs reaches nothing: each file synced itself.
    QTest::addColumn<bool>("fuse");
    QTest::addColumn<int>("folders");
    QTest::newRow("two hundred folders of one disk") << false << 200;
    QTest::newRow("a FUSE mount") << true << 3;
}

void TestQbc::syncsReachTheDisk()
{
    QFETCH(bool, fuse);
    QFETCH(int, folders);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) {
        QSKIP("strace is not installed");
    }
    const QString tree = path(QStringLiteral("arbre"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("disque"))));
    if (fuse) {
        QVERIFY(QDir().mkpath(tree));
        if (QProcess::execute(QStringLiteral("bindfs"), {path(QStringLiteral("disque")), tree}) !=
            0) {
            QSKIP("bindfs cannot mount here");
        }
    } else {
        const QByteArray type = QStorageInfo(m_dir->path()).fileSystemType();
        if (!QList<QByteArray>{"ext4", "xfs", "btrfs", "tmpfs"}.contains(type)) {
            QSKIP("the test's folder is not on a local disk file system");
        }
        QVERIFY(QFile::rename(path(QStringLiteral("disque")), tree));
    }
    const auto unmounted = qScopeGuard([&] {
        if (fuse) {
            QProcess::execute(QStringLiteral("fusermount3"), {"-u", tree});
        }
    });
    for (int i = 0; i < folders; ++i) {
        QVERIFY(QDir().mkpath(QStringLiteral("%1/%2").arg(tree).arg(i)));
        QVERIFY(writeFile(QStringLiteral("%1/%2/n.txt").arg(tree).arg(i), QByteArray::number(i)));
    }
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(strace, traced({"-e", "trace=fsync,syncfs"},
                                 {"encrypt", "-r", "arbre", "--password-file", "pw"}));
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QByteArray trace = readFile(path(QStringLiteral("trace")));
    const int groups = (folders + 127) / 128;
    QCOMPARE(int(trace.count("syncfs(")), fuse ? 0 : 2 * groups);
    QVERIFY(int(trace.count("fsync(")) >= (fuse ? folders : 0));
    for (int i = 0; i < folders; ++i) {
        QCOMPARE(readFile(QStringLiteral("%1/%2/n.TXT.qbc").arg(tree).arg(i)),
                 transformed(QByteArray::number(i), "secret"));
    }
}

void TestQbc::duringTheGroupsSync_data()
{
    // While the disk syncs the group: an end names no output; a folder
    // moved fails its own file with a word, and only that one.
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("an end signal")
        << "signal" << 128 + SIGTERM << QStringList{"a/a.txt", "b/b.txt"};
    QTest::newRow("a folder moved")
        << "move" << 1 << QStringList{"a/a.TXT.qbc", "a/a.txt", "b2/b.txt"};
}

void TestQbc::duringTheGroupsSync()
{
    QFETCH(QString, meanwhile);
    QFETCH(int, status);
    QFETCH(QStringList, left);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) {
        QSKIP("strace is not installed");
    }
    for (const char* name : {"a", "b"}) {
        QVERIFY(QDir(m_dir->path()).mkdir(QString::fromLatin1(name)));
        QVERIFY(writeFile(path(QStringLiteral("%1/%1.txt").arg(QLatin1String(name))), name));
    }
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(strace,
                  traced({"-e", "trace=syncfs", "-e", "inject=syncfs:delay_exit=3000000:when=1"},
                         {"encrypt", "-r", "a", "b", "--password-file", "pw"}));
    QVERIFY(process.waitForStarted());
    if (meanwhile == QStringLiteral("signal")) {
        endTracedAt(process, path(QStringLiteral("trace")), "syncfs(");
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(readFile(path(QStringLiteral("trace"))).contains("syncfs("),
                                 10000);
        // The second folder: its own sync still to come.
        QVERIFY(QDir(m_dir->path()).rename(QStringLiteral("b"), QStringLiteral("b2")));
    }
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), status);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(errors.contains(QStringLiteral("b/b.txt : Le dossier du fichier")),
             meanwhile == QStringLiteral("move"));
    QStringList found;
    for (const QString& folder : QDir(m_dir->path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QString& name : entries(path(folder))) {
            found << folder + QLatin1Char('/') + name;
        }
    }
    QCOMPARE(found, left);
}

void TestQbc::endTracedAt(const QProcess& strace, const QString& trace, const QByteArray& call)
{
    QTRY_VERIFY_WITH_TIMEOUT(readFile(trace).contains(call), 10000);
    const QByteArray children =
        readFile(QStringLiteral("/proc/%1/task/%1/children").arg(strace.processId()));
    const auto traced = pid_t(children.trimmed().toInt());
    QVERIFY2(traced > 0, "qbc ended before the signal"); // never kill(0): the test's own group
    QCOMPARE(::kill(traced, SIGTERM), 0);
}

void TestQbc::endSignalDuringOneFile_data()
{
    // A file too large for a batch, ended while its bytes move (its input's
    // reads, the sanitizer's own writes aside): its output gets no name.
    // Ended while it is being named: the naming finishes, and the status
    // says that nothing is left undone.
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("while its bytes move")
        << "read" << 128 + SIGTERM << QStringList{"grand.bin", "pw"};
    QTest::newRow("during the naming")
        << "linkat" << 0 << QStringList{"grand.BIN.qbc", "grand.bin", "pw"};
}

void TestQbc::endSignalDuringOneFile()
{
    QFETCH(QString, call);
    QFETCH(int, status);
    QFETCH(QStringList, left);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) {
        QSKIP("strace is not installed");
    }
    const QByteArray data = randomBytes(3 * 1024 * 1024, 7);
    QVERIFY(writeFile(path(QStringLiteral("grand.bin")), data));
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    // The input's second read, or the only naming.
    const bool reads = call == QStringLiteral("read");
    const QStringList input = reads ? QStringList{"-P", path("grand.bin")} : QStringList{};
    const QString injection =
        QStringLiteral("inject=%1:delay_exit=2000000:when=%2").arg(call).arg(reads ? 2 : 1);
    process.start(strace, traced(input + QStringList{"-e", "trace=" + call, "-e", injection},
                                 {"encrypt", "grand.bin", "--password-file", "pw"}));
    QVERIFY(process.waitForStarted());
    endTracedAt(process, path(QStringLiteral("trace")), call.toLatin1() + '(');
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    QFile::remove(path(QStringLiteral("trace")));
    QCOMPARE(entries(m_dir->path()), left);
    if (status == 0) {
        QCOMPARE(readFile(path(QStringLiteral("grand.BIN.qbc"))), transformed(data, "secret"));
    }
}

bool TestQbc::mountSmallDisk()
{
    const QString small = path(QStringLiteral("petit"));
    const QString image = small + QStringLiteral("/image");
    return ::geteuid() == 0 && QDir().mkpath(small) && QDir().mkpath(path("disque")) &&
           QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=6m", "tmpfs", small}) == 0 &&
           QFile(image).open(QIODevice::WriteOnly) && QFile(image).resize(64 * 1024 * 1024) &&
           QProcess::execute("mkfs.ext4", {"-q", image}) == 0 &&
           QProcess::execute("mount", {"-o", "loop,data=writeback", image, path("disque")}) == 0;
}

void TestQbc::fillSmallDisk()
{
    QCOMPARE(QProcess::execute("sync", {"-f", path("disque")}), 0);
    const qint64 room = QStorageInfo(path("petit")).bytesAvailable();
    QFile filler(path("petit/plein"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    QVERIFY(filler.write(QByteArray(int(room - 300 * 1024), 'x')) > 0);
}

void TestQbc::unmountSmallDisk()
{
    QProcess::execute("umount", {path("disque")});
    QProcess::execute("umount", {path("petit")});
}

void TestQbc::aFailingDiskNamesNothing_data()
{
    // Files of a group whose writeback fails: none named, the older output
    // left as it was, every file failed with the disk's word, even when
    // another program's sync met the error first. The sync after the names
    // failing: no file said done.
    QTest::addColumn<QString>("fault");
    QTest::newRow("the disk fills at the group's sync") << "full";
    QTest::newRow("another program's sync sees the error first") << "seen";
    QTest::newRow("the sync after the names fails") << "second";
}

void TestQbc::aFailingDiskNamesNothing()
{
    QFETCH(QString, fault);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) {
        QSKIP("strace is not installed");
    }
    const auto unmounted = qScopeGuard([this] { unmountSmallDisk(); });
    if (!mountSmallDisk()) {
        QSKIP("a loop disk cannot be mounted here (root and loop devices are needed)");
    }
    const QString tree = path(QStringLiteral("disque/d"));
    QVERIFY(QDir().mkpath(tree));
    QStringList inputs;
    for (int i = 1; i <= 8; ++i) {
        inputs << QStringLiteral("f%1.bin").arg(i);
        QVERIFY(writeFile(tree + QLatin1Char('/') + inputs.last(), randomBytes(256 * 1024, i)));
    }
    QVERIFY(writeFile(tree + QStringLiteral("/f1.BIN.qbc"), "ancien"));
    if (fault != QStringLiteral("second")) {
        fillSmallDisk();
    }
    const QStringList injection =
        fault == QStringLiteral("second")
            ? QStringList{"-e", "trace=syncfs", "-e", "inject=syncfs:error=EIO:when=2"}
            : QStringList{"-e", "trace=syncfs", "-e", "inject=syncfs:delay_enter=2000000:when=1"};
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
    process.start(strace, traced(injection, {"encrypt", "--force", "-r", tree, "--password-file",
                                             path(QStringLiteral("pw"))}));
    QVERIFY(process.waitForStarted());
    if (fault == QStringLiteral("seen")) {
        QTRY_VERIFY_WITH_TIMEOUT(readFile(path(QStringLiteral("trace"))).contains("syncfs("),
                                 10000);
        QVERIFY(QProcess::execute("sync", {"-f", tree}) != 0);
    }
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 1);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(int(errors.count(QLatin1Char('\n'))), 8);
    if (fault == QStringLiteral("second")) {
        QCOMPARE(int(errors.count(QStringLiteral("le disque n'a pas confirmé"))), 8);
        return;
    }
    QCOMPARE(entries(tree), QStringList{"f1.BIN.qbc"} + inputs);
    QCOMPARE(readFile(tree + QStringLiteral("/f1.BIN.qbc")), QByteArray("ancien"));
}

QTEST_GUILESS_MAIN(TestQbc)
#include "tst_qbc.moc"
