// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/FakeJobView.h"
#include "tests/support/TestFiles.h"

#include "job/FileJob.h"
#include "job/Texts.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quibex;
using namespace testfiles;

// One run over a sparse file of more than 4 GiB: 64-bit sizes, exact counts and
// percentages, and every output byte checked. Labelled "slow"; its files are
// deleted at the end.
class TestBigFile : public QObject
{
    Q_OBJECT

private slots:
    void overFourGiB();
};

void TestBigFile::overFourGiB()
{
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/bigfile-XXXXXX"));
    QVERIFY(dir.isValid());
    const qint64 size = (qint64(1) << 32) + 12345; // past 2^32, not a multiple of anything
    const QString input = dir.filePath(QStringLiteral("grand.img"));
    const QString output = dir.filePath(QStringLiteral("grand.IMG.qbc"));
    // Data at the start, across 2^31 and 2^32, and at the end; holes elsewhere.
    const QList<qint64> marks = {0, (qint64(1) << 31) - 100, (qint64(1) << 32) - 100, size - 1000};
    {
        QFile f(input);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(size));
        for (qint64 mark : marks) {
            QVERIFY(f.seek(mark));
            QCOMPARE(f.write(randomBytes(1000, quint32(mark))), 1000);
        }
    }
    const QByteArray key("sept7!?");

    FakeJobView view;
    const JobResult result = dec_crypt(view, input, key);

    QCOMPARE(int(result.kind), int(JobResult::Kind::Done));
    QCOMPARE(result.output, output);
    QCOMPARE(result.bytes, size);
    QVERIFY(view.calls.contains(QStringLiteral("size:4294979641")));
    const QList<FakeJobView::Progress> shown = view.jobProgress();
    QCOMPARE(shown.last().count, qint64(4294979641));
    // Every update pairs the count with its exact percentage; the count never
    // goes back (it stays while the disk catches up).
    qint64 previous = -1;
    for (const auto& [percent, done] : shown) {
        QVERIFY(done >= previous);
        previous = done;
        QCOMPARE(percent, expectedPercent(done, size));
    }
    QCOMPARE(QFileInfo(output).size(), size);

    // Every byte of the output against the definition, 8 MiB at a time.
    QFile in(input);
    QFile out(output);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QVERIFY(out.open(QIODevice::ReadOnly));
    qint64 position = 0;
    const qint64 chunk = 8 * 1024 * 1024;
    while (position < size) {
        const QByteArray plain = in.read(chunk);
        const QByteArray encrypted = out.read(chunk);
        QCOMPARE(encrypted.size(), plain.size());
        if (encrypted != transformed(plain, key, quint64(position))) {
            QFAIL(qPrintable(QStringLiteral("bytes differ in the chunk at %1").arg(position)));
        }
        position += plain.size();
    }
    in.close();
    out.close();
    QVERIFY(QFile::remove(output));
    QVERIFY(QFile::remove(input));
}

QTEST_GUILESS_MAIN(TestBigFile)
#include "tst_bigfile.moc"
