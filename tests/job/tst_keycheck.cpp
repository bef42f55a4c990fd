// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// The warning before a decryption whose password or mode seems wrong, on a
// corpus of real files of common types made here.
#include "job/FileJob.h"
#include "job/KeyCheck.h"
#include "job/OutputName.h"
#include "job/Texts.h"
#include "tests/support/FakeJobView.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestStreams.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace quibex;

namespace {

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFU;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
        }
    }
    return ~crc;
}

template <typename T> void put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

// A ZIP archive of stored entries, in order (an office document's first
// entry names its type).
QByteArray zip(const QList<std::pair<QByteArray, QByteArray>>& entries)
{
    QByteArray out;
    QByteArray directory;
    for (const auto& [name, data] : entries) {
        const auto offset = quint32(out.size());
        QByteArray common;
        put<quint16>(common, 20);
        put<quint16>(common, 0);
        put<quint16>(common, 0); // stored
        put<quint32>(common, 0);
        put<quint32>(common, crc32(data));
        put<quint32>(common, quint32(data.size()));
        put<quint32>(common, quint32(data.size()));
        put<quint16>(common, quint16(name.size()));
        put<quint16>(common, 0);
        out += QByteArray("PK\x03\x04", 4) + common + name + data;
        directory += QByteArray("PK\x01\x02", 4) + QByteArray("\x14\x00", 2) + common;
        directory += QByteArray(8, '\0');
        put<quint32>(directory, offset);
        directory += name;
    }
    const auto start = quint32(out.size());
    out += directory + QByteArray("PK\x05\x06", 4) + QByteArray(4, '\0');
    put<quint16>(out, quint16(entries.size()));
    put<quint16>(out, quint16(entries.size()));
    put<quint32>(out, quint32(directory.size()));
    put<quint32>(out, start);
    put<quint16>(out, 0);
    return out;
}

// gzip with one stored deflate block.
QByteArray gzip(const QByteArray& data)
{
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    out += char(1);
    put<quint16>(out, quint16(data.size()));
    put<quint16>(out, quint16(~data.size()));
    out += data;
    put<quint32>(out, crc32(data));
    put<quint32>(out, quint32(data.size()));
    return out;
}

QByteArray tar(const QByteArray& name, const QByteArray& data)
{
    QByteArray header(512, '\0');
    header.replace(0, name.size(), name);
    header.replace(100, 7, "0000644");
    header.replace(124, 11, QByteArray::number(data.size(), 8).rightJustified(11, '0'));
    header.replace(136, 11, "00000000000");
    header.replace(148, 8, "        ");
    header[156] = '0';
    header.replace(257, 6, QByteArray("ustar\0", 6));
    header.replace(263, 2, "00");
    int sum = 0;
    for (const char byte : header) {
        sum += quint8(byte);
    }
    header.replace(148, 7, QByteArray::number(sum, 8).rightJustified(6, '0') + '\0');
    QByteArray body = data;
    body.append(QByteArray((512 - data.size() % 512) % 512, '\0'));
    return header + body + QByteArray(1024, '\0');
}

QByteArray wav()
{
    QByteArray samples;
    for (int i = 0; i < 4000; ++i) {
        put<qint16>(samples, qint16((i * 37) % 20000 - 10000));
    }
    QByteArray out("RIFF");
    put<quint32>(out, quint32(36 + samples.size()));
    out += "WAVEfmt ";
    put<quint32>(out, 16);
    put<quint16>(out, 1);
    put<quint16>(out, 1);
    put<quint32>(out, 8000);
    put<quint32>(out, 16000);
    put<quint16>(out, 2);
    put<quint16>(out, 16);
    out += "data";
    put<quint32>(out, quint32(samples.size()));
    return out + samples;
}

// A little-endian TIFF: one strip of 8-bit grey pixels.
QByteArray tiff()
{
    const int side = 32;
    QByteArray out("II*\0", 4);
    put<quint32>(out, 8);
    const QList<std::array<quint32, 3>> tags{{256, 3, side}, {257, 3, side},       {258, 3, 8},
                                             {259, 3, 1},    {262, 3, 1},          {273, 4, 0},
                                             {278, 3, side}, {279, 4, side * side}};
    const auto pixels = quint32(8 + 2 + tags.size() * 12 + 4);
    put<quint16>(out, quint16(tags.size()));
    for (const auto& [tag, type, value] : tags) {
        put<quint16>(out, quint16(tag));
        put<quint16>(out, quint16(type));
        put<quint32>(out, 1);
        put<quint32>(out, tag == 273 ? pixels : value);
    }
    put<quint32>(out, 0);
    for (int i = 0; i < side * side; ++i) {
        out += char(i % 251);
    }
    return out;
}

QByteArray gif()
{
    // 2x2 pixels, two colours, LZW minimum code size 2.
    // 2x2 pixels, two colours, LZW minimum code size 2, after a comment.
    return QByteArray::fromHex("474946383961020002008000000000ffffff21fe") + char(120) +
           QByteArray("Dessin de Quibex Crypto. ").repeated(5).left(120) +
           QByteArray::fromHex("0021f90400000000002c00000000020002000002028c0a003b");
}

QByteArray image(const char* format)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(0x30, 0x80, 0xC0));
    painter.drawEllipse(8, 8, 40, 30);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

QByteArray prose()
{
    return QByteArray("Quibex Crypto garde vos fichiers. Le mot de passe ne quitte jamais la "
                      "machine, et le fichier crypté a la taille du fichier d'origine.\n")
        .repeated(20);
}

// Real files of common types, under the names a user gives them.
QList<std::pair<QString, QByteArray>> corpus()
{
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<notes>\n" +
                           QByteArray("  <note>Acheter du pain</note>\n").repeated(30) +
                           "</notes>\n";
    return {
        {"photo.png", image("PNG")},
        {"photo.jpg", image("JPEG")},
        {"dessin.bmp", image("BMP")},
        {"image.ppm", image("PPM")},
        {"anim.gif", gif()},
        {"scan.tif", tiff()},
        {"archive.zip", zip({{"notes.txt", prose()}, {"xml.xml", xml}})},
        {"notes.gz", gzip(prose())},
        {"sauvegarde.tar", tar("notes.txt", prose())},
        {"lettre.odt",
         zip({{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", xml}})},
        {"tableur.ods", zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                             {"content.xml", xml}})},
        {"son.wav", wav()},
        {"logo.svg", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
                     "width=\"10\" height=\"10\"><rect width=\"10\" height=\"10\"/></svg>\n" +
                         QByteArray("<!-- dessin -->\n").repeated(20)},
        {"page.htm", "<!DOCTYPE html>\n<html><head><title>Page</title></head><body>\n" + prose() +
                         "</body></html>\n"},
        {"donnees.xml", xml},
        {"lisezmoi.txt", prose()},
        {"comptes.csv", QByteArray("date;montant;libelle\n2024-01-02;12.50;pain\n").repeated(40)},
        {"facture.pdf", "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n" + prose() +
                            "trailer << /Root 1 0 R >>\n%%EOF\n"},
    };
}

const QList<QByteArray> Passwords{"secret", "motdepasse", "a", "Quibex-2024!", "\xe9t\xe9 2019"};

QByteArray keyOf(const QByteArray& codes, bool advanced)
{
    return advanced ? reference::expandedKey(codes) : codes;
}

} // namespace

class TestKeyCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void corpusFigures();
    void noQuestion_data();
    void noQuestion();
    void answers_data();
    void answers();
    void stalledReadLeavesTheWindowFree();

private:
    QString encrypted(const QString& name, const QByteArray& data, const QByteArray& key);
    QTemporaryDir m_folder;
};

void TestKeyCheck::initTestCase()
{
    QVERIFY(m_folder.isValid());
}

QString TestKeyCheck::encrypted(const QString& name, const QByteArray& data, const QByteArray& key)
{
    const QString path = outputPathFor(m_folder.filePath(name));
    return testfiles::writeFile(path, testfiles::transformed(data, key)) ? path : QString();
}

void TestKeyCheck::corpusFigures()
{
    int cases = 0;
    QStringList askedRight;
    int askedWrongPassword = 0;
    int namedRightMode = 0;
    for (const auto& [name, data] : corpus()) {
        QVERIFY2(data.size() >= 64, qPrintable(name));
        for (qsizetype p = 0; p < Passwords.size(); ++p) {
            const QByteArray& codes = Passwords.at(p);
            const QByteArray& wrong = Passwords.at((p + 1) % Passwords.size());
            for (const bool advanced : {false, true}) {
                const QByteArray key = keyOf(codes, advanced);
                const QString file = encrypted(name, data, key);
                QVERIFY(!file.isEmpty());
                const auto fit = [&file](const QByteArray& tried, const QByteArray& other) {
                    return keyFit(file, tried, [&other] { return other; });
                };
                ++cases;
                if (fit(key, keyOf(codes, !advanced)) != KeyFit::CannotTell) {
                    askedRight << file;
                }
                askedWrongPassword +=
                    fit(keyOf(wrong, advanced), keyOf(wrong, !advanced)) != KeyFit::CannotTell;
                namedRightMode += fit(keyOf(codes, !advanced), key) == KeyFit::OtherModeFits;
            }
        }
    }
    qInfo("%d cases: right key asks %d; wrong password asks %d (%.1f %%); wrong mode names "
          "the right one %d (%.1f %%)",
          cases, int(askedRight.size()), askedWrongPassword, 100.0 * askedWrongPassword / cases,
          namedRightMode, 100.0 * namedRightMode / cases);
    QCOMPARE(askedRight, QStringList{});
    QVERIFY(askedWrongPassword * 100 >= cases * 95);
    QVERIFY(namedRightMode * 100 >= cases * 95);
}

void TestKeyCheck::noQuestion_data()
{
    // Garbage under each name: a judgeable one would be asked about.
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("verdict");
    QTest::newRow("judgeable, for contrast") << "photo.JPG.qbc" << 4096 << int(KeyFit::NeitherFits);
    QTest::newRow("no ending kept") << "photo.qbc" << 4096 << int(KeyFit::CannotTell);
    QTest::newRow("ending unknown to the database")
        << "x.QZX.qbc" << 4096 << int(KeyFit::CannotTell);
    QTest::newRow("a type without content rules") << "x.DAT.qbc" << 4096 << int(KeyFit::CannotTell);
    QTest::newRow("too short to tell") << "photo.JPG.qbc" << 8 << int(KeyFit::CannotTell);
    QTest::newRow("empty") << "photo.JPG.qbc" << 0 << int(KeyFit::CannotTell);
    QTest::newRow("an encryption") << "photo.jpg" << 4096 << int(KeyFit::CannotTell);
    QTest::newRow("decrypted output") << "photo.cbq" << 4096 << int(KeyFit::CannotTell);
}

void TestKeyCheck::noQuestion()
{
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(int, verdict);
    const QString path = m_folder.filePath(name);
    QVERIFY(testfiles::writeFile(path, testfiles::randomBytes(size, 7)));
    QCOMPARE(int(keyFit(path, "secret", [] { return QByteArray("autre"); })), verdict);
}

void TestKeyCheck::answers_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question"); // empty: none asked
    const QString otherMode = QString::fromUtf8(texts::OtherModeQuestion);
    const QString wrongKey = QString::fromUtf8(texts::WrongKeyQuestion).arg("JPG");
    const QString avance = QString::fromUtf8(texts::ModeAdvanced);
    // The file was encrypted with "secret" in the advanced mode.
    QTest::newRow("right key") << QByteArray("secret") << true << false << QString();
    QTest::newRow("simple mode, No")
        << QByteArray("secret") << false << false << otherMode.arg(avance);
    QTest::newRow("simple mode, Yes")
        << QByteArray("secret") << false << true << otherMode.arg(avance);
    QTest::newRow("wrong password, No") << QByteArray("sesame") << true << false << wrongKey;
    QTest::newRow("wrong password, Yes") << QByteArray("sesame") << true << true << wrongKey;
}

void TestKeyCheck::answers()
{
    QFETCH(QByteArray, password);
    QFETCH(bool, advanced);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    const QString file =
        encrypted(QStringLiteral("photo.jpg"), image("JPEG"), keyOf("secret", true));
    FakeJobView view;
    view.answerYes = yes;
    const bool goOn = confirmKey(view, file, password, advanced, keyOf(password, advanced));
    QCOMPARE(view.questions, question.isEmpty() ? QStringList{} : QStringList{question});
    QCOMPARE(goOn, question.isEmpty() || yes);
    // Declined: idle again, as after a declined overwrite; else untouched for the job.
    QCOMPARE(view.calls.size() - view.questions.size(), goOn ? 0 : FakeJobView::idleTail().size());
    if (!goOn) {
        QCOMPARE(view.calls.mid(view.calls.size() - FakeJobView::idleTail().size()),
                 FakeJobView::idleTail());
    }
}

void TestKeyCheck::stalledReadLeavesTheWindowFree()
{
    // The file's read never returns (a stalled share): the window still
    // yields, and the program may end without a question.
    const QString file =
        encrypted(QStringLiteral("photo.jpg"), image("JPEG"), keyOf("secret", true));
    testing::TestStreams::Faults faults;
    faults.stall = true;
    JobOptions options;
    options.streams = std::make_shared<testing::TestStreams>(faults);
    options.updateInterval = std::chrono::milliseconds(1);
    FakeJobView view;
    view.onYield = [&view] { view.ending = view.yields == 3; };
    QVERIFY(!confirmKey(view, file, "secret", true, keyOf("secret", true), options));
    QCOMPARE(view.yields, 3);
    QVERIFY(view.questions.isEmpty());
}

QTEST_GUILESS_MAIN(TestKeyCheck)
#include "tst_keycheck.moc"
