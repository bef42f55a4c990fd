// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/OutputName.h"

#include <QRegularExpression>
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
    // The old tool's own examples, with "/" separators.
    QTest::newRow("photo.jpg") << "/dossier/photo.jpg"
                               << "/dossier/photo.JPG.qbc";
    QTest::newRow("photo.JPG.qbc") << "/dossier/photo.JPG.qbc"
                                   << "/dossier/photo.cbq";
    QTest::newRow("archive.gz") << "/a/archive.gz"
                                << "/a/archive..GZ.qbc";
    QTest::newRow("sans_extension") << "/a/sans_extension"
                                    << "/a/sans_extension.ION.qbc";
    // The dot and ext3 come from the file name, never from a folder: a dotted
    // folder would otherwise put the output in its parent.
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
    QTest::newRow("capital of two letters") << "/d/straße"
                                            << "/d/straße.AßE.qbc";
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
    // Counted in characters, each upper-cased alone: never half of a
    // surrogate pair, and a character whose capital is two stays as it is.
    QTest::newRow("sharp s") << "/d/straße"
                             << "AßE";
    QTest::newRow("ligature") << "/d/ef\uFB00" // "ﬀ" capitalises to "FF"
                              << "EF\uFB00";
    QTest::newRow("character outside the BMP") << "/d/ab\U0001F600"
                                               << "AB\U0001F600";
    QTest::newRow("two outside the BMP") << "/d/x\U0001D41A\U0001D41B"
                                         << "X\U0001D41A\U0001D41B";
    QTest::newRow("Deseret letter with a capital") << "/d/ab\U00010428"
                                                   << "AB\U00010400";
}

void TestOutputName::ext3()
{
    QFETCH(QString, input);
    QFETCH(QString, ext3);
    // The rows spell characters as \u and \U escapes.
    const auto unescaped = [](QString text) {
        static const QRegularExpression escape(QStringLiteral("\\\\(u[0-9A-F]{4}|U[0-9A-F]{8})"));
        for (auto match = escape.match(text); match.hasMatch(); match = escape.match(text)) {
            const char32_t code = match.captured(1).mid(1).toUInt(nullptr, 16);
            text.replace(match.capturedStart(), match.capturedLength(),
                         QString::fromUcs4(&code, 1));
        }
        return text;
    };
    const QString expected = unescaped(ext3);
    QCOMPARE(ext3Of(unescaped(input)), expected);
    QCOMPARE(expected.toUcs4().size(), std::min<qsizetype>(3, expected.toUcs4().size()));
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
