// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/Windows1252.h"

#include <QTest>

using namespace quibex;

using Codes = std::vector<std::uint8_t>;

static std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())};
}

class TestWindows1252 : public QObject
{
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void refused_data();
    void refused();
    void everyCodeRoundTrips();
    void undefinedCodesAsWindows();
};

void TestWindows1252::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("codes");
    QTest::newRow("ascii") << QStringLiteral("Abc 1~") << QByteArray("Abc 1~");
    QTest::newRow("e acute") << QStringLiteral("é") << QByteArray("\xE9");
    QTest::newRow("a grave") << QStringLiteral("à") << QByteArray("\xE0");
    QTest::newRow("c cedilla") << QStringLiteral("ç") << QByteArray("\xE7");
    QTest::newRow("euro") << QStringLiteral("€") << QByteArray("\x80");
    QTest::newRow("oe") << QStringLiteral("Œœ") << QByteArray("\x8C\x9C");
    QTest::newRow("quotes") << QStringLiteral("‘’“”") << QByteArray("\x91\x92\x93\x94");
    QTest::newRow("Y diaeresis") << QStringLiteral("Ÿÿ") << QByteArray("\x9F\xFF");
    QTest::newRow("nbsp") << QStringLiteral("\u00A0") << QByteArray("\xA0");
    QTest::newRow("control 0x01") << QStringLiteral("\u0001") << QByteArray("\x01");
    QTest::newRow("nul") << QString(QChar(0)) << QByteArray(1, '\0');
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestWindows1252::encode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, codes);
    const auto result = encodeWindows1252(view(text));
    QVERIFY(result.has_value());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(result->data()), qsizetype(result->size())),
             codes);
}

void TestWindows1252::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("U+0080 (0x80 is the euro)") << QStringLiteral("a\u0080");
    QTest::newRow("U+009F") << QStringLiteral("\u009F");
    QTest::newRow("A macron") << QStringLiteral("\u0100");
    QTest::newRow("Greek after ASCII") << QStringLiteral("motα");
    QTest::newRow("CJK") << QStringLiteral("密码");
    QTest::newRow("emoji (surrogates) after accents") << QStringLiteral("clé😀");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800));
}

void TestWindows1252::refused()
{
    QFETCH(QString, text);
    QVERIFY(!encodeWindows1252(view(text)));
}

void TestWindows1252::everyCodeRoundTrips()
{
    Codes all(256);
    for (int i = 0; i < 256; ++i) {
        all[std::size_t(i)] = std::uint8_t(i);
    }
    const std::u16string text = decodeWindows1252(all);
    QCOMPARE(text.size(), 256u);
    QCOMPARE(encodeWindows1252(text), std::optional<Codes>(all));
    QCOMPARE(text[0xE9], u'é');
    QCOMPARE(text[0x80], u'€');
    QCOMPARE(text[0x99], u'™');
}

void TestWindows1252::undefinedCodesAsWindows()
{
    for (std::uint8_t code : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        const Codes one = {code};
        QCOMPARE(int(decodeWindows1252(one)[0]), int(code));
        QCOMPARE(encodeWindows1252(std::u16string(1, char16_t(code))), std::optional<Codes>(one));
    }
}

QTEST_GUILESS_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
