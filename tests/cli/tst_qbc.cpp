// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/Reference.h"
#include "tests/support/TestFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

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
    void recursive();
    void signalMidJobLeavesNothing();

private:
    Run qbc(const QStringList& arguments, const QByteArray& input = {});
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestQbc::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(writeFile(path(QStringLiteral("pw")), "secret\n"));
}

// Run in the test's folder with input on its standard input, no terminal.
Run TestQbc::qbc(const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.setWorkingDirectory(m_dir->path());
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
    QTest::newRow("a wrong password, mode found")
        << QStringList{"decrypt", "notes.TXT.qbc", "--password-file", "faux"} << 1
        << "le mot de passe ou le mode est sans doute faux" << QStringList{"faux"} << QByteArray();
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
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("dossier")));
    if (!kept.isEmpty()) {
        QVERIFY(writeFile(path(QStringLiteral("notes.cbq")), "ancien"));
    }
    const Run run = qbc(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(error.isEmpty() ? run.errors.isEmpty() : run.errors.contains(error),
             qPrintable(run.errors));
    QStringList expected =
        QStringList{"dossier", "faux", "japonais", "notes.TXT.qbc", "notes.txt", "pw"} + files;
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

void TestQbc::recursive()
{
    // Folders walked, a link to a folder not followed, a pipe skipped with a
    // word (status 1), encrypted files left to decrypt; more files than a
    // group synced at once.
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
    QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("arbre/tube"))).constData(), 0600), 0);
    const Run run = qbc({"encrypt", "-r", "arbre", "--password-file", "pw"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.errors.contains(QStringLiteral("arbre/tube : ce n'est pas un fichier ordinaire")),
             qPrintable(run.errors));
    QCOMPARE(entries(path(QStringLiteral("arbre"))),
             (QStringList{"a.TXT.qbc", "a.txt", "beaucoup", "lien", "sous", "tube"}));
    for (int i = 0; i < 300; ++i) {
        QCOMPARE(readFile(path(QStringLiteral("arbre/beaucoup/%1.TXT.qbc").arg(i))),
                 transformed(QByteArray::number(i), "secret"));
    }
    QCOMPARE(entries(path(QStringLiteral("arbre/sous"))),
             (QStringList{"b.TXT.qbc", "b.txt", "deja.TXT.qbc"}));
    QCOMPARE(readFile(path(QStringLiteral("arbre/sous/b.TXT.qbc"))), transformed("b", "secret"));
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

QTEST_GUILESS_MAIN(TestQbc)
#include "tst_qbc.moc"
