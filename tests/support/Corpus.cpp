// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/Corpus.h"

#include "tests/support/TestFiles.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QtEndian>

#include <cmath>

namespace corpus {

namespace {

template <typename T> void put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

QByteArray samples(int count, bool tones)
{
    QByteArray out;
    if (!tones) {
        for (int i = 0; i < count; ++i) {
            put<qint16>(out, qint16((i * 37) % 20000 - 10000));
        }
        return out;
    }
    QRandomGenerator noise(5);
    for (int i = 0; i < count; ++i) {
        const double t = i / 22050.0;
        const double value = 6000 * std::sin(2 * M_PI * 440 * t) * std::sin(M_PI * t) +
                             3000 * std::sin(2 * M_PI * 660 * t) + noise.bounded(800) - 400;
        put<qint16>(out, qint16(value));
    }
    return out;
}

QImage drawing(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    for (int y = 0; y < height; ++y) {
        painter.setPen(QColor(y % 256, 128, 255 - y % 256));
        painter.drawLine(0, y, width, y);
    }
    painter.setBrush(QColor(0x30, 0x80, 0xC0));
    painter.drawEllipse(width / 8, height / 6, width * 3 / 4, height * 2 / 3);
    painter.end();
    return picture;
}

} // namespace

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

QByteArray wav(int count, bool tones)
{
    const QByteArray data = samples(count, tones);
    const quint32 rate = tones ? 22050 : 8000;
    QByteArray out("RIFF");
    put<quint32>(out, quint32(36 + data.size()));
    out += "WAVEfmt ";
    put<quint32>(out, 16);
    put<quint16>(out, 1);
    put<quint16>(out, 1);
    put<quint32>(out, rate);
    put<quint32>(out, rate * 2);
    put<quint16>(out, 2);
    put<quint16>(out, 16);
    out += "data";
    put<quint32>(out, quint32(data.size()));
    return out + data;
}

QByteArray image(const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    drawing(64, 48).save(&buffer, format);
    return bytes;
}

QByteArray pdf(const QByteArray& text, int pages)
{
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>"};
    QByteArray kids;
    for (int page = 0; page < pages; ++page) {
        kids += QByteArray::number(3 + 2 * page) + " 0 R ";
    }
    objects << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    for (int page = 0; page < pages; ++page) {
        const QByteArray content = "BT /F1 10 Tf 40 800 Td (" +
                                   text.mid(page * 1500, 1500).replace('(', ' ').replace(')', ' ') +
                                   ") Tj ET";
        // qCompress gives a zlib stream after the length it puts first.
        const QByteArray stream = qCompress(content, 9).mid(4);
        objects << "<< /Type /Page /Parent 2 0 R /Contents " + QByteArray::number(4 + 2 * page) +
                       " 0 R >>";
        objects << "<< /Length " + QByteArray::number(stream.size()) +
                       " /Filter /FlateDecode >>\nstream\n" + stream + "\nendstream";
    }
    QByteArray out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    QByteArray table =
        "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        table += QByteArray::number(out.size()).rightJustified(10, '0') + " 00000 n \n";
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray start = QByteArray::number(out.size());
    return out + table + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
}

bool makeFiles(const QString& folder)
{
    const auto keep = [&folder](const QString& name, const QByteArray& data) {
        return testfiles::writeFile(folder + QLatin1Char('/') + name, data);
    };
    if (!keep(QStringLiteral("notes.txt"), utf8Prose(120000, 11)) ||
        !keep(QStringLiteral("court.txt"), utf8Prose(700, 12)) ||
        !keep(QStringLiteral("son.wav"), wav(3 * 22050, true)) ||
        !keep(QStringLiteral("court.wav"), wav(600)) ||
        !keep(QStringLiteral("document.pdf"), pdf(utf8Prose(60000, 13), 40)) ||
        !keep(QStringLiteral("lettre.pdf"), pdf(utf8Prose(1500, 14), 1)) ||
        !drawing(360, 240).save(folder + QStringLiteral("/dessin.png")) ||
        !drawing(40, 30).save(folder + QStringLiteral("/court.png"))) {
        return false;
    }
    QProcess::execute(QStringLiteral(QUIBEX_MAKE_CORPUS), {folder});
    return true;
}

} // namespace corpus
