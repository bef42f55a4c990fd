// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/FakeJobView.h"

#include "cipher/KeyExpansion.h"
#include "job/PasswordKey.h"

#include <QTest>

using namespace quibex;

class TestPasswordKey : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused();
    void refusalText();
    void expansionOnView();
    void wipedInEveryCopy();
};

void TestPasswordKey::accepted_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("codes");
    QTest::newRow("ascii") << "secret" << QByteArray("secret");
    QTest::newRow("accents") << "éàç" << QByteArray("\xE9\xE0\xE7");
    QTest::newRow("euro and oe") << "€œ" << QByteArray("\x80\x9C");
    QTest::newRow("255 characters") << QString(255, QLatin1Char('z')) << QByteArray(255, 'z');
}

void TestPasswordKey::accepted()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, codes);
    QCOMPARE(passwordToKey(password), std::optional<QByteArray>(codes));
}

void TestPasswordKey::refused()
{
    // The whole password refused, never turned into "?"; which characters
    // have no code is the encoding's test.
    QVERIFY(!passwordToKey(QStringLiteral("clé😀")).has_value());
}

void TestPasswordKey::refusalText()
{
    QCOMPARE(
        unsupportedPasswordMessage(),
        QStringLiteral("Le mot de passe contient des caractères qui ne sont pas pris en charge."));
}

void TestPasswordKey::expansionOnView()
{
    const QString password = QStringLiteral("é€b");
    const QByteArray codes = *passwordToKey(password);
    FakeJobView view;
    QStringList texts;
    const QByteArray key =
        expandKeyOnView(view, codes, [&texts](const QString& shown) { texts << shown; });
    const ExpandedKey direct = expandKey(std::span(
        reinterpret_cast<const std::uint8_t*>(codes.constData()), std::size_t(codes.size())));
    QCOMPARE(key, QByteArray(reinterpret_cast<const char*>(direct.data()), 256));

    // The password box shows the extension as it grows, in its characters.
    QCOMPARE(texts.size(), 256);
    QCOMPARE(texts.first(), QStringLiteral("é"));
    QCOMPARE(texts.at(2), QStringLiteral("é€b"));
    QString full;
    while (full.size() < 256) {
        full += password;
    }
    full.truncate(256);
    QCOMPARE(texts.last(), full);
    QCOMPARE(view.callsStartingWith(QStringLiteral("status:")).size(), 768);
    QCOMPARE(view.callsStartingWith(QStringLiteral("status:")).first(),
             QStringLiteral("status:Codage du mot de passe..."));
    QCOMPARE(view.callsStartingWith(QStringLiteral("progress:")).last(),
             QStringLiteral("progress:100"));
    QCOMPARE(view.yields, 256);
    QCOMPARE(view.calls.last(), QStringLiteral("yield"));
}

void TestPasswordKey::wipedInEveryCopy()
{
    // A key handed around by value shares its bytes: wiping one copy must not
    // detach it and leave the secret in the others.
    QByteArray key("motdepasse");
    const QByteArray copy = key;
    wipeSecret(key);
    QVERIFY(key.isEmpty());
    QCOMPARE(copy, QByteArray(10, '\0'));
}

QTEST_GUILESS_MAIN(TestPasswordKey)
#include "tst_passwordkey.moc"
