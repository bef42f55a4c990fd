#include "job/OutputName.h"

#include <QTest>

using namespace quibex;

class TestOutputName : public QObject
{
    Q_OBJECT

private slots:
    void outputPath_data();
    void outputPath();
    void ext3_data();
    void ext3();
    void direction_data();
    void direction();
};

void TestOutputName::outputPath_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    // The Part's table, with "/" separators.
    QTest::newRow("photo.jpg") << "/dossier/photo.jpg"
                               << "/dossier/photo.JPG.qbc";
    QTest::newRow("photo.JPG.qbc") << "/dossier/photo.JPG.qbc"
                                   << "/dossier/photo.cbq";
    QTest::newRow("archive.gz") << "/a/archive.gz"
                                << "/a/archive..GZ.qbc";
    QTest::newRow("sans_extension") << "/a/sans_extension"
                                    << "/a/sans_extension.ION.qbc";
    // Mended rule a: the dot and ext3 come from the file name, never a folder.
    QTest::newRow("dotted folder") << "/data/dossier.2/notes.txt"
                                   << "/data/dossier.2/notes.TXT.qbc";
    QTest::newRow("dotted folder, no dot in name") << "/data/v1.0/README"
                                                   << "/data/v1.0/README.DME.qbc";
    QTest::newRow("two-character name") << "/data/ab"
                                        << "/data/ab.AB.qbc";
    QTest::newRow("one-character name") << "/data/x.2/a"
                                        << "/data/x.2/a.A.qbc";
    QTest::newRow("relative, no folder") << "notes.txt"
                                         << "notes.TXT.qbc";
    QTest::newRow("first dot of the name") << "/d/a.b.c.txt"
                                           << "/d/a.TXT.qbc";
    QTest::newRow("decrypting .qbc lower") << "/d/x.txt.qbc"
                                           << "/d/x.cbq";
    QTest::newRow(".cbq is named like any file") << "/d/x.cbq"
                                                 << "/d/x.CBQ.qbc";
    QTest::newRow("accented ending") << "/d/café"
                                     << "/d/café.AFÉ.qbc";
    QTest::newRow("hidden file") << "/d/.profile"
                                 << "/d/.ILE.qbc";
    QTest::newRow("name ending in a dot") << "/d/abc."
                                          << "/d/abc.BC..qbc";
#ifndef Q_OS_WIN
    QTest::newRow("backslash is a name character") << "/d/C:\\x.1\\doc.txt"
                                                   << "/d/C:\\x.TXT.qbc";
#endif
}

void TestOutputName::outputPath()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QCOMPARE(outputPathFor(input), output);
}

void TestOutputName::ext3_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("ext3");
    QTest::newRow("jpg") << "/d/photo.jpg"
                         << "JPG";
    QTest::newRow("from the name, not the folder") << "/data.abc/x"
                                                   << "X";
    QTest::newRow("two characters") << "/data/ab"
                                    << "AB";
    QTest::newRow("accents") << "/d/x.été"
                             << "ÉTÉ";
    QTest::newRow("empty") << ""
                           << "";
}

void TestOutputName::ext3()
{
    QFETCH(QString, input);
    QFETCH(QString, ext3);
    QCOMPARE(ext3Of(input), ext3);
}

void TestOutputName::direction_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("decryption");
    QTest::newRow("jpg") << "/d/photo.jpg" << false;
    QTest::newRow("qbc") << "/d/photo.JPG.qbc" << true;
    QTest::newRow("QBC") << "/d/photo.QBC" << true;
    QTest::newRow("cbq") << "/d/photo.cbq" << true;
    QTest::newRow("folder ending in qbc") << "/d.qbc/photo" << false;
    QTest::newRow("name qbc") << "/d/qbc" << true;
}

void TestOutputName::direction()
{
    QFETCH(QString, input);
    QFETCH(bool, decryption);
    QCOMPARE(isDecryptionPath(input), decryption);
}

QTEST_GUILESS_MAIN(TestOutputName)
#include "tst_outputname.moc"
