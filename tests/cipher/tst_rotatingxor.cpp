// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/RotatingXor.h"
#include "tests/support/Reference.h"
#include "tests/support/TestFiles.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <stdexcept>
#include <vector>

using namespace quibex;

namespace {

using Bytes = std::vector<std::uint8_t>;
using testfiles::randomBytes;

// The key held as a string: the first character is used, then the string is
// turned right by one character.
Bytes byRotation(Bytes key, const Bytes& data)
{
    Bytes out(data.size());
    for (std::size_t j = 0; j < data.size(); ++j) {
        out[j] = static_cast<std::uint8_t>(data[j] ^ key.front());
        std::rotate(key.rbegin(), key.rbegin() + 1, key.rend());
    }
    return out;
}

} // namespace

class TestRotatingXor : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void threeCharacterKeyPositions();
    void emptyInput();
    void zeroCodeLeavesBytes();
    void oneCharacterKey();
    void emptyKeyRefused();
    void indexFormulaMatchesRotation();
    void roundTrip_data();
    void roundTrip();
    void blockBoundaries_data();
    void blockBoundaries();
    void randomBlockSizes_data();
    void randomBlockSizes();
    void outOfPlace();
    void largeKey();
};

void TestRotatingXor::workedExample()
{
    // Key of three characters: bytes 0..7 use characters 1, 3, 2, 1, 3, 2, 1, 3.
    const Bytes key = {0x01, 0x02, 0x04};
    Bytes data(8, 0);
    RotatingXor x(key);
    x.apply(data);
    QCOMPARE(data, (Bytes{0x01, 0x04, 0x02, 0x01, 0x04, 0x02, 0x01, 0x04}));
    QCOMPARE(x.position(), 8u);
}

void TestRotatingXor::threeCharacterKeyPositions()
{
    const Bytes key = {'a', 'b', 'c'};
    Bytes data(4, 0);
    RotatingXor(key).apply(data);
    QCOMPARE(data[1], std::uint8_t('c')); // j = 1: the last character, not the second
    QCOMPARE(data[3], std::uint8_t('a')); // j = 3: the first character again
}

void TestRotatingXor::emptyInput()
{
    RotatingXor x(Bytes{7});
    Bytes empty;
    x.apply(empty);
    QVERIFY(empty.empty());
    QCOMPARE(x.position(), 0u);
}

void TestRotatingXor::zeroCodeLeavesBytes()
{
    const Bytes key = {0, 0xFF};
    Bytes data = {0x12, 0x12, 0x34, 0x34};
    RotatingXor(key).apply(data);
    // Codes used: k0 = 0, k1 = 0xFF, k0, k1.
    QCOMPARE(data, (Bytes{0x12, 0xED, 0x34, 0xCB}));
}

void TestRotatingXor::oneCharacterKey()
{
    Bytes data = randomBytes<Bytes>(1000, 3);
    const Bytes original = data;
    RotatingXor(Bytes{0x5A}).apply(data);
    for (std::size_t i = 0; i < data.size(); ++i) {
        QCOMPARE(data[i], std::uint8_t(original[i] ^ 0x5A));
    }
}

void TestRotatingXor::emptyKeyRefused()
{
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, RotatingXor(Bytes{}));
}

void TestRotatingXor::indexFormulaMatchesRotation()
{
    // The index formula that the other cases check against, against the key
    // as a string turned right by one character after every byte.
    for (std::size_t n : {1u, 2u, 3u, 7u, 255u, 256u}) {
        const Bytes key = randomBytes<Bytes>(n, quint32(n));
        const Bytes data = randomBytes<Bytes>(3 * n + 5, 99);
        QCOMPARE(byRotation(key, data), reference::transformed(data, key));
    }
}

void TestRotatingXor::roundTrip_data()
{
    QTest::addColumn<int>("keyLength");
    for (int n = 1; n <= 256; ++n) {
        QTest::addRow("key %d", n) << n;
    }
}

void TestRotatingXor::roundTrip()
{
    QFETCH(int, keyLength);
    const Bytes key = randomBytes<Bytes>(keyLength, quint32(keyLength) * 7);
    const Bytes data = randomBytes<Bytes>(keyLength * 3 + 40000, quint32(keyLength));
    Bytes buffer = data;
    RotatingXor(key).apply(buffer);
    QCOMPARE(buffer.size(), data.size());
    QCOMPARE(buffer, reference::transformed(data, key));
    RotatingXor(key).apply(buffer);
    QCOMPARE(buffer, data);
}

void TestRotatingXor::blockBoundaries_data()
{
    QTest::addColumn<int>("keyLength");
    for (int n : {1, 2, 3, 5, 16, 63, 64, 65, 255, 256}) {
        QTest::addRow("key %d", n) << n;
    }
}

void TestRotatingXor::blockBoundaries()
{
    // Two blocks split at every offset of a stream that spans several keystream
    // chunks' worth of periods give the bytes of the definition.
    QFETCH(int, keyLength);
    const Bytes key = randomBytes<Bytes>(keyLength, 11);
    const Bytes data = randomBytes<Bytes>(3 * keyLength + 130, 12);
    const Bytes expected = reference::transformed(data, key);
    for (std::size_t split = 0; split <= data.size(); ++split) {
        Bytes buffer = data;
        RotatingXor x(key);
        x.apply(std::span(buffer).first(split));
        QCOMPARE(x.position(), split);
        x.apply(std::span(buffer).subspan(split));
        QCOMPARE(x.position(), data.size());
        if (buffer != expected) {
            QFAIL(qPrintable(QStringLiteral("split at %1").arg(split)));
        }
    }
    // Three blocks around a whole internal chunk (16 KiB and more) at every
    // starting offset within a key period.
    const Bytes big = randomBytes<Bytes>(70000, 13);
    const Bytes bigExpected = reference::transformed(big, key);
    for (std::size_t first = 0; first <= std::size_t(keyLength) + 1; ++first) {
        Bytes buffer = big;
        RotatingXor x(key);
        x.apply(std::span(buffer).first(first));
        x.apply(std::span(buffer).subspan(first, 40000));
        x.apply(std::span(buffer).subspan(first + 40000));
        if (buffer != bigExpected) {
            QFAIL(qPrintable(QStringLiteral("first block %1").arg(first)));
        }
    }
}

void TestRotatingXor::randomBlockSizes_data()
{
    QTest::addColumn<int>("keyLength");
    QTest::addColumn<int>("maxBlock");
    QTest::newRow("key 1, small blocks") << 1 << 7;
    QTest::newRow("key 3, small blocks") << 3 << 13;
    QTest::newRow("key 10, mixed blocks") << 10 << 5000;
    QTest::newRow("key 255, large blocks") << 255 << 70000;
    QTest::newRow("key 256, large blocks") << 256 << 70000;
}

void TestRotatingXor::randomBlockSizes()
{
    QFETCH(int, keyLength);
    QFETCH(int, maxBlock);
    const Bytes key = randomBytes<Bytes>(keyLength, 21);
    const Bytes data = randomBytes<Bytes>(300000, 22);
    Bytes buffer = data;
    QRandomGenerator gen(23);
    RotatingXor x(key);
    std::size_t done = 0;
    while (done < buffer.size()) {
        const std::size_t len =
            std::min<std::size_t>(buffer.size() - done, gen.bounded(quint32(maxBlock) + 1));
        x.apply(std::span(buffer).subspan(done, len));
        done += len;
    }
    QCOMPARE(buffer, reference::transformed(data, key));
}

void TestRotatingXor::outOfPlace()
{
    const Bytes key = randomBytes<Bytes>(37, 31);
    const Bytes data = randomBytes<Bytes>(50001, 32);
    Bytes out(data.size());
    RotatingXor x(key);
    x.apply(std::span(data).first(17), std::span(out).first(17));
    x.apply(std::span(data).subspan(17), std::span(out).subspan(17));
    QCOMPARE(out, reference::transformed(data, key));
    Bytes wrongSize(3);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, x.apply(std::span(data).first(2), wrongSize));
}

void TestRotatingXor::largeKey()
{
    // A key longer than the internal chunk still follows the definition.
    const Bytes key = randomBytes<Bytes>(40000, 41);
    const Bytes data = randomBytes<Bytes>(130000, 42);
    Bytes buffer = data;
    RotatingXor x(key);
    x.apply(std::span(buffer).first(39999));
    x.apply(std::span(buffer).subspan(39999));
    QCOMPARE(buffer, reference::transformed(data, key));
}

QTEST_GUILESS_MAIN(TestRotatingXor)
#include "tst_rotatingxor.moc"
