// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/Percent.h"

#include <QTest>

using namespace quibex;

class TestPercent : public QObject
{
    Q_OBJECT

private slots:
    void rounding_data();
    void rounding();
};

void TestPercent::rounding_data()
{
    QTest::addColumn<quint64>("done");
    QTest::addColumn<quint64>("total");
    QTest::addColumn<int>("expected");
    QTest::newRow("nothing of nothing") << quint64(0) << quint64(0) << 0;
    QTest::newRow("zero") << quint64(0) << quint64(10) << 0;
    QTest::newRow("all") << quint64(10) << quint64(10) << 100;
    QTest::newRow("12.5 to 12") << quint64(32) << quint64(256) << 12;
    QTest::newRow("37.5 to 38") << quint64(96) << quint64(256) << 38;
    QTest::newRow("0.5 to 0") << quint64(1) << quint64(200) << 0;
    QTest::newRow("1.5 to 2") << quint64(3) << quint64(200) << 2;
    QTest::newRow("2.5 to 2") << quint64(5) << quint64(200) << 2;
    QTest::newRow("99.5 to 100") << quint64(199) << quint64(200) << 100;
    QTest::newRow("98.5 to 98") << quint64(197) << quint64(200) << 98;
    QTest::newRow("one third") << quint64(1) << quint64(3) << 33;
    QTest::newRow("two thirds") << quint64(2) << quint64(3) << 67;
    QTest::newRow("0.39 to 0") << quint64(1) << quint64(256) << 0;
    QTest::newRow("0.78 to 1") << quint64(2) << quint64(256) << 1;
    // 64-bit counts beyond 4 GiB.
    QTest::newRow("5 GiB, half") << quint64(5) * (quint64(1) << 29)
                                 << quint64(5) * (quint64(1) << 30) << 50;
    QTest::newRow("5 GiB, last byte missing")
        << quint64(5) * (quint64(1) << 30) - 1 << quint64(5) * (quint64(1) << 30) << 100;
    QTest::newRow("past 2^32, 12.5") << (quint64(1) << 32) << (quint64(1) << 35) << 12;
    QTest::newRow("past 2^32, 37.5") << quint64(3) * (quint64(1) << 32) << (quint64(1) << 35) << 38;
}

void TestPercent::rounding()
{
    QFETCH(quint64, done);
    QFETCH(quint64, total);
    QFETCH(int, expected);
    QCOMPARE(roundedPercent(done, total), expected);
}

QTEST_GUILESS_MAIN(TestPercent)
#include "tst_percent.moc"
