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
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <array>
#include <functional>

using namespace quibex;
using reference::keyOf;

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

// French prose of about size bytes, in sentences of varied length.
QString prose(qsizetype size, quint32 seed)
{
    static const QStringList Words{
        "le",     "fichier", "est",   "crypté",   "avec",     "mot",    "de",   "passe",
        "la",     "machine", "garde", "vos",      "données",  "et",     "à",    "été",
        "un",     "dossier", "très",  "où",       "sûr",      "ça",     "les",  "copies",
        "chaque", "année",   "nous",  "envoyons", "factures", "reçues", "déjà", "pour"};
    QRandomGenerator random(seed);
    QString text;
    while (text.size() < size) {
        const int words = 4 + int(random.bounded(14));
        QString sentence;
        for (int w = 0; w < words; ++w) {
            sentence +=
                (w == 0 ? QString() : QStringLiteral(" ")) + Words[random.bounded(Words.size())];
        }
        sentence[0] = sentence[0].toUpper();
        text += sentence + (random.bounded(4) == 0 ? QStringLiteral(".\n") : QStringLiteral(". "));
    }
    return text;
}

QByteArray utf8Prose(qsizetype size, quint32 seed)
{
    return prose(size, seed).toUtf8().left(size);
}

QByteArray lines(const std::function<QByteArray(int)>& line, qsizetype size)
{
    QByteArray out;
    for (int i = 0; out.size() < size; ++i) {
        out += line(i);
    }
    return out.left(size);
}

// A text of one of the kinds people keep, of about size bytes.
QByteArray textOf(const QString& name, qsizetype size)
{
    const QByteArray words = utf8Prose(size + 64, quint32(size));
    const auto piece = [&words](int i, int length) { return words.mid((i * 37) % 40, length); };
    if (name.endsWith(QLatin1String(".csv"))) {
        return lines(
            [](int i) {
                return QStringLiteral("2024-%1-%2;%3,%4;libellé n°%5\n")
                    .arg(1 + i % 12)
                    .arg(1 + i % 28)
                    .arg(i * 17 % 900)
                    .arg(i % 100)
                    .arg(i)
                    .toUtf8();
            },
            size);
    }
    if (name.endsWith(QLatin1String(".log"))) {
        return lines(
            [&](int i) {
                return "2024-03-0" + QByteArray::number(1 + i % 9) + " 12:0" +
                       QByteArray::number(i % 10) + " \x1b[3" + QByteArray::number(1 + i % 6) +
                       "m" + (i % 3 ? "INFO" : "AVERTISSEMENT") + "\x1b[0m " +
                       piece(i, 20 + i % 30) + "\n";
            },
            size);
    }
    if (name.startsWith(QLatin1String("dos"))) {
        return lines([&](int i) { return piece(i, 10 + i % 50) + "\r\n"; }, size - 1) + "\x1a";
    }
    if (name.startsWith(QLatin1String("saut"))) {
        return "\f" + words.left(size - 1);
    }
    if (name.startsWith(QLatin1String("repete"))) { // one line again and again
        return QByteArray("Le fichier est crypté avec un mot de passe que la machine garde.\n")
            .repeated(int(size / 60 + 1))
            .left(size);
    }
    if (name.startsWith(QLatin1String("ancien"))) {
        return prose(size, 9).toLatin1().left(size); // Windows-1252
    }
    QByteArray head;
    QByteArray line = "\n";
    if (name.endsWith(QLatin1String(".html")) || name.endsWith(QLatin1String(".htm"))) {
        head = "<!DOCTYPE html>\n<html><head><title>Page</title></head><body>\n<p>";
    } else if (name.endsWith(QLatin1String(".xml"))) {
        head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<notes>\n<note>";
    } else if (name.endsWith(QLatin1String(".svg"))) {
        head = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
               "width=\"10\">\n<!-- ";
    } else if (name.endsWith(QLatin1String(".json"))) {
        return lines(
            [&](int i) {
                return (i == 0 ? "[\n" : "") + QByteArray("  {\"id\": ") + QByteArray::number(i) +
                       ", \"texte\": \"" + piece(i, 10 + i % 40) + "\"},\n";
            },
            size);
    } else if (name.endsWith(QLatin1String(".c"))) {
        return lines(
            [&](int i) {
                return (i == 0 ? QByteArray("#include <stdio.h>\n\n") : QByteArray()) +
                       "static int valeur" + QByteArray::number(i) + "(int x)\n{\n    return x * " +
                       QByteArray::number(i % 7 + 2) + "; /* " + piece(i, 8 + i % 20) +
                       " */\n}\n\n";
            },
            size);
    } else if (name.endsWith(QLatin1String(".py"))) {
        return lines(
            [&](int i) {
                return (i == 0 ? QByteArray("#!/usr/bin/env python3\n") : QByteArray()) +
                       "def valeur_" + QByteArray::number(i) + "(x):\n    \"\"\"" +
                       piece(i, 8 + i % 30) + "\"\"\"\n    return x + " + QByteArray::number(i) +
                       "\n\n";
            },
            size);
    } else if (name.endsWith(QLatin1String(".sh"))) {
        head = "#!/bin/sh\n# ";
        line = "\necho \"";
    } else if (name.endsWith(QLatin1String(".rtf"))) {
        head = "{\\rtf1\\ansi\\deff0 {\\fonttbl {\\f0 Times;}}\n\\f0\\fs24 ";
    } else if (name.endsWith(QLatin1String(".ps"))) {
        head = "%!PS-Adobe-3.0\n%%Title: page\n/Times findfont 12 scalefont setfont\n(";
    } else if (name.endsWith(QLatin1String(".yaml"))) {
        return lines(
            [&](int i) {
                return "cle" + QByteArray::number(i) + ": \"" + piece(i, 10 + i % 40) + "\"\n";
            },
            size);
    } else if (name.endsWith(QLatin1String(".sql"))) {
        return lines(
            [&](int i) {
                return "INSERT INTO notes (id, texte) VALUES (" + QByteArray::number(i) + ", '" +
                       piece(i, 5 + i % 30) + "');\n";
            },
            size);
    } else if (name.endsWith(QLatin1String(".tex"))) {
        head = "\\documentclass{article}\n\\begin{document}\n";
    } else if (name.endsWith(QLatin1String(".css"))) {
        return lines(
            [&](int i) {
                return ".bloc" + QByteArray::number(i) +
                       " {\n  margin: " + QByteArray::number(i % 9) + "px;\n  color: #" +
                       QByteArray::number(100000 + i * 7919 % 800000) + ";\n}\n";
            },
            size);
    } else if (name.endsWith(QLatin1String(".md"))) {
        head = "# Notes\n\n";
    }
    QByteArray body = head + words;
    return body.replace("\n", line).left(size);
}

QByteArray padded(const QByteArray& header, qsizetype size, quint32 seed)
{
    return (header + testfiles::randomBytes(std::max<qsizetype>(0, size - header.size()), seed))
        .left(size);
}

// Binary files of common types, as their headers say.
QList<std::pair<QString, QByteArray>> binaries()
{
    const QByteArray text = utf8Prose(3000, 4);
    const auto office = [&text](const QByteArray& kind) {
        return zip({{"[Content_Types].xml", "<?xml version=\"1.0\"?><Types>" + kind + "</Types>"},
                    {"word/document.xml", text}});
    };
    return {
        {"photo.png", image("PNG")},
        {"photo.jpg", image("JPEG")},
        {"photo.jpeg", image("JPEG")},
        {"dessin.bmp", image("BMP")},
        {"image.ppm", image("PPM")},
        {"anim.gif", gif()},
        {"scan.tif", tiff()},
        {"image.webp", padded(QByteArray("RIFF\x00\x10\x00\x00WEBPVP8 ", 16), 4096, 1)},
        {"archive.zip", zip({{"notes.txt", text}})},
        {"notes.gz", gzip(text)},
        {"sauvegarde.tar", tar("notes.txt", text)},
        {"archive.xz", padded(QByteArray("\xfd"
                                         "7zXZ\x00\x00\x04",
                                         8),
                              2048, 2)},
        {"archive.7z", padded(QByteArray("7z\xbc\xaf\x27\x1c\x00\x04", 8), 2048, 3)},
        {"lettre.odt",
         zip({{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", text}})},
        {"tableur.ods", zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                             {"content.xml", text}})},
        {"rapport.docx", office("word")},
        {"calcul.xlsx", office("sheet")},
        {"livre.epub", zip({{"mimetype", "application/epub+zip"}, {"content.opf", text}})},
        {"son.wav", wav()},
        {"musique.flac", padded(QByteArray("fLaC\x00\x00\x00\x22", 8), 4096, 5)},
        {"facture.pdf", "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n" + text +
                            "trailer << /Root 1 0 R >>\n%%EOF\n"},
    };
}

const QStringList TextNames{"notes.txt",  "ancien.txt", "comptes.csv", "serveur.log", "dos.txt",
                            "saut.txt",   "page.html",  "page.htm",    "donnees.xml", "data.json",
                            "logo.svg",   "main.c",     "script.py",   "install.sh",  "lisezmoi.md",
                            "lettre.rtf", "dessin.ps",  "config.yaml", "requete.sql", "article.tex",
                            "style.css",  "repete.txt"};
const QList<qsizetype> TextSizes{16, 40, 100, 200, 300, 1024, 3000, 20000};

// Every file of the corpus: texts at every size, binaries whole and cut short.
QList<std::pair<QString, QByteArray>> corpus()
{
    QList<std::pair<QString, QByteArray>> files;
    for (const QString& name : TextNames) {
        for (const qsizetype size : TextSizes) {
            files.append({name, textOf(name, size)});
        }
    }
    files.append({QStringLiteral("gros.txt"), textOf(QStringLiteral("gros.txt"), 1024 * 1024)});
    // Short notes in other languages: their pairs of characters are not French ones.
    for (const char* note : {"Grüße aus München! Das ist ein Text über Bücher und Straßen.",
                             "¿Dónde está la biblioteca? Mañana vamos a la playa con los niños.",
                             "Привет, как дела? Это простой текст на русском языке.",
                             "Καλημέρα σας, αυτό είναι ένα απλό κείμενο στα ελληνικά."}) {
        for (const qsizetype size : {16, 40}) {
            files.append({QStringLiteral("note.txt"), QByteArray(note).left(size)});
        }
    }
    files.append({QStringLiteral("alt.txt"), QByteArray("Gr\xfc\xdf"
                                                        "e aus M\xfc"
                                                        "nchen, Stra\xdf"
                                                        "e")});
    for (const auto& [name, data] : binaries()) {
        files.append({name, data});
        // Cut short where a header says the type at its start (not tar's, at 257).
        for (const qsizetype cut : {40, 150}) {
            if (!name.endsWith(QLatin1String(".tar"))) {
                files.append({name, data.left(cut)});
            }
        }
    }
    return files;
}

const QList<QByteArray> Passwords{"secret", "motdepasse", "a", "Quibex-2024!", "\xe9t\xe9 2019"};

// The passwords a user mistypes for codes: one letter wrong, one short, one long.
QList<QByteArray> typosOf(const QByteArray& codes)
{
    QByteArray wrong = codes;
    wrong[codes.size() / 2] = char(wrong[codes.size() / 2] + 1);
    QList<QByteArray> typos{wrong, codes + "e"};
    if (codes.size() > 1) {
        typos.append(codes.chopped(1));
    }
    return typos;
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

bool asks(KeyFit fit)
{
    return fit == KeyFit::OtherModeFits || fit == KeyFit::NeitherFits;
}

// Verdicts counted by kind and by size band (16-63, 64-255, 256 bytes and more).
struct Tally
{
    std::array<int, 3> cases{};
    std::array<int, 3> hits{};
    void add(qsizetype size, bool hit)
    {
        const int band = size < 64 ? 0 : size < 256 ? 1 : 2;
        ++cases[std::size_t(band)];
        hits[std::size_t(band)] += hit ? 1 : 0;
    }
    double percent(int band) const
    {
        return cases[std::size_t(band)] == 0
                   ? 100.0
                   : 100.0 * hits[std::size_t(band)] / cases[std::size_t(band)];
    }
    QString line() const
    {
        return QStringLiteral("%1 % of %2 | %3 % of %4 | %5 % of %6")
            .arg(percent(0), 0, 'f', 1)
            .arg(cases[0])
            .arg(percent(1), 0, 'f', 1)
            .arg(cases[1])
            .arg(percent(2), 0, 'f', 1)
            .arg(cases[2]);
    }
};

void TestKeyCheck::corpusFigures()
{
    QStringList askedRight;
    Tally wrongAsked;
    Tally wrongBlamedOnMode;
    Tally modeNamed;
    Tally modeAsked;
    std::array<Tally, 2> typosAsked; // simple, advanced
    for (const auto& [name, data] : corpus()) {
        const bool text = TextNames.contains(name);
        for (qsizetype p = 0; p < Passwords.size(); ++p) {
            const QByteArray& codes = Passwords.at(p);
            const QByteArray& wrong = Passwords.at((p + 1) % Passwords.size());
            for (const bool advanced : {false, true}) {
                const QByteArray key = keyOf(codes, advanced);
                const QString file = encrypted(name, data, key);
                QVERIFY(!file.isEmpty());
                const auto fit = [&file](const QByteArray& tried, bool mode) {
                    return keyFit(file, tried, mode);
                };
                if (asks(fit(codes, advanced))) {
                    askedRight
                        << QStringLiteral("%1 (%2 B, %3)").arg(file).arg(data.size()).arg(advanced);
                }
                const KeyFit wrongFit = fit(wrong, advanced);
                wrongAsked.add(data.size(), asks(wrongFit));
                wrongBlamedOnMode.add(data.size(), wrongFit == KeyFit::OtherModeFits);
                const KeyFit modeFit = fit(codes, !advanced);
                modeNamed.add(data.size(), modeFit == KeyFit::OtherModeFits);
                modeAsked.add(data.size(), asks(modeFit));
                if (text && data.size() >= 1024) {
                    for (const QByteArray& typo : typosOf(codes)) {
                        typosAsked[advanced].add(data.size(), asks(fit(typo, advanced)));
                    }
                }
            }
        }
    }
    qInfo("By size, 16-63 B | 64-255 B | 256 B and more:");
    qInfo("wrong password asked:           %s", qPrintable(wrongAsked.line()));
    qInfo("wrong password blamed on mode:  %s", qPrintable(wrongBlamedOnMode.line()));
    qInfo("wrong mode named:               %s", qPrintable(modeNamed.line()));
    qInfo("wrong mode asked:               %s", qPrintable(modeAsked.line()));
    qInfo("typo asked, simple mode:        %s", qPrintable(typosAsked[0].line()));
    qInfo("typo asked, advanced mode:      %s", qPrintable(typosAsked[1].line()));
    qInfo("right key asked: %d", int(askedRight.size()));
    QCOMPARE(askedRight, QStringList{});
    QVERIFY2(wrongAsked.percent(0) >= 98 && wrongAsked.percent(1) >= 98 &&
                 wrongAsked.percent(2) >= 98,
             qPrintable(wrongAsked.line()));
    QCOMPARE(wrongBlamedOnMode.hits, (std::array<int, 3>{}));
    QVERIFY2(modeNamed.percent(2) >= 95, qPrintable(modeNamed.line()));
    QVERIFY2(modeAsked.percent(0) >= 95 && modeAsked.percent(1) >= 95,
             qPrintable(modeAsked.line()));
    QVERIFY2(typosAsked[0].percent(2) >= 95 && typosAsked[1].percent(2) >= 95,
             qPrintable(typosAsked[0].line() + QStringLiteral(" / ") + typosAsked[1].line()));
}

void TestKeyCheck::noQuestion_data()
{
    // Garbage under each name: a judgeable one would be asked about.
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("verdict");
    QTest::newRow("judgeable, for contrast") << "photo.JPG.qbc" << 4096 << int(KeyFit::NeitherFits);
    QTest::newRow("four letters kept as three (docx)")
        << "rapport.OCX.qbc" << 4096 << int(KeyFit::NeitherFits);
    QTest::newRow("four letters kept as three (html)")
        << "page.TML.qbc" << 4096 << int(KeyFit::NeitherFits);
    QTest::newRow("two letters kept with their dot (ps)")
        << "dessin..PS.qbc" << 4096 << int(KeyFit::NeitherFits);
    QTest::newRow("short: the password is asked about, no mode named")
        << "photo.JPG.qbc" << 100 << int(KeyFit::NeitherFits);
    QTest::newRow("the end of a name without an ending")
        << "sans_extension.ION.qbc" << 4096 << int(KeyFit::CannotTell);
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
    QCOMPARE(int(keyFit(path, "secret", false)), verdict);
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
        encrypted(QStringLiteral("photo.jpg"), image("JPEG"), keyOf<QByteArray>("secret", true));
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
        encrypted(QStringLiteral("photo.jpg"), image("JPEG"), keyOf<QByteArray>("secret", true));
    testing::TestStreams::Faults faults;
    faults.stall = true;
    JobOptions options;
    options.streams = std::make_shared<testing::TestStreams>(faults);
    options.updateInterval = std::chrono::milliseconds(1);
    FakeJobView view;
    view.onYield = [&view] { view.ending = view.yields == 3; };
    QVERIFY(!confirmKey(view, file, "secret", true, keyOf<QByteArray>("secret", true), options));
    QCOMPARE(view.yields, 3);
    QVERIFY(view.questions.isEmpty());
}

QTEST_GUILESS_MAIN(TestKeyCheck)
#include "tst_keycheck.moc"
