// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cipher/KeyExpansion.h"
#include "tests/support/Reference.h"
#include "tests/support/TestFiles.h"

#include <QTest>

#include <stdexcept>
#include <string>
#include <vector>

using namespace quibex;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes toBytes(const ExpandedKey& key)
{
    return Bytes(key.begin(), key.end());
}

// Passwords here hold no zero code, as typed ones do not.
Bytes randomPassword(qsizetype length, quint32 seed, int low = 1, int high = 256)
{
    return testfiles::randomBytes<Bytes>(length, seed, low, high);
}

struct Recorder : ExpansionObserver
{
    struct Event
    {
        char kind; // 'p' step and its percentage, 'e' extension, 'y' yield
        int value = 0;
        Bytes extension;
    };
    std::vector<Event> events;

    void showStep(int percent) override { events.push_back({'p', percent, {}}); }
    void setExtension(std::span<const std::uint8_t> extension) override
    {
        events.push_back({'e', 0, Bytes(extension.begin(), extension.end())});
    }
    void yield() override { events.push_back({'y', 0, {}}); }
};

} // namespace

class TestKeyExpansion : public QObject
{
    Q_OBJECT

private slots:
    void oneCharacter_data();
    void oneCharacter();
    void knownKeyForA();
    void everyLength_data();
    void everyLength();
    void longestPassword();
    void doubledPasswordGivesSameKey_data();
    void doubledPasswordGivesSameKey();
    void printablePasswordRepeatsFrom96();
    void emptyPasswordRefused();
    void displaySteps_data();
    void displaySteps();
};

void TestKeyExpansion::oneCharacter_data()
{
    QTest::addColumn<int>("code");
    for (int x : {0, 1, 32, 65, 97, 127, 128, 200, 233, 255}) {
        QTest::addRow("code %d", x) << x;
    }
}

void TestKeyExpansion::oneCharacter()
{
    // K[pos] = |x - 4 pos| up to the last position in range, then that value repeats.
    QFETCH(int, code);
    Recorder rec;
    const ExpandedKey key = expandKey(Bytes{std::uint8_t(code)}, &rec);
    QCOMPARE(key.size(), 256u);
    int last = -1;
    for (int pos = 1; pos <= 256; ++pos) {
        const int v = std::abs(code - 4 * pos);
        if (v <= 255) {
            last = v;
        }
        QCOMPARE(int(key[std::size_t(pos) - 1]), last);
    }
    // E: 256 copies of the character.
    const Bytes& e = rec.events[1].extension; // after the step
    Bytes finalExtension;
    for (const auto& ev : rec.events) {
        if (ev.kind == 'e') {
            finalExtension = ev.extension;
        }
    }
    QCOMPARE(e.size(), 1u);
    QCOMPARE(finalExtension, Bytes(256, std::uint8_t(code)));
}

void TestKeyExpansion::knownKeyForA()
{
    // "a" (97): K[1] = 93, K[24] = 1, K[25] = 3, K[88] = 255 and then 255 to the end.
    const ExpandedKey key = expandKey(Bytes{'a'});
    QCOMPARE(int(key[0]), 93);
    QCOMPARE(int(key[23]), 1);
    QCOMPARE(int(key[24]), 3);
    QCOMPARE(int(key[87]), 255);
    for (std::size_t i = 88; i < 256; ++i) {
        QCOMPARE(int(key[i]), 255);
    }
}

void TestKeyExpansion::everyLength_data()
{
    QTest::addColumn<int>("length");
    for (int n = 1; n <= 255; ++n) {
        QTest::addRow("length %d", n) << n;
    }
}

void TestKeyExpansion::everyLength()
{
    QFETCH(int, length);
    const Bytes p = randomPassword(length, quint32(length));
    const ExpandedKey key = expandKey(p);
    QCOMPARE(toBytes(key), reference::expandedKey(p));
    // K[128] .. K[256] are equal.
    for (std::size_t i = 127; i < 256; ++i) {
        QCOMPARE(key[i], key[127]);
    }
    // Deterministic.
    QCOMPARE(expandKey(p), key);
    // A position out of range repeats the previous code: never a zero where
    // the previous code was not zero.
    Bytes e;
    reference::expandedKey(p, &e);
    for (int pos = 2; pos <= 256; ++pos) {
        const int v = std::abs(int(e[std::size_t(256 - pos)]) - 4 * pos);
        if (v > 255) {
            QCOMPARE(key[std::size_t(pos) - 1], key[std::size_t(pos) - 2]);
        }
    }
    // Each code is the distance of the character it is said to come from.
    const auto sources = expansionSources(p);
    for (std::size_t i = 0; i < 256; ++i) {
        QCOMPARE(int(key[i]), std::abs(int(p[sources[i].character]) - sources[i].step));
    }
}

void TestKeyExpansion::longestPassword()
{
    const Bytes p = randomPassword(255, 7);
    Recorder rec;
    expandKey(p, &rec);
    Bytes extension;
    for (const auto& ev : rec.events) {
        if (ev.kind == 'e') {
            extension = ev.extension;
        }
    }
    Bytes expected = p;
    expected.push_back(p[0]);
    QCOMPARE(extension, expected);
}

void TestKeyExpansion::doubledPasswordGivesSameKey_data()
{
    QTest::addColumn<int>("length");
    for (int n : {1, 2, 3, 50, 100, 127}) {
        QTest::addRow("length %d", n) << n;
    }
}

void TestKeyExpansion::doubledPasswordGivesSameKey()
{
    QFETCH(int, length);
    const Bytes p = randomPassword(length, 77);
    Bytes twice = p;
    twice.insert(twice.end(), p.begin(), p.end());
    QCOMPARE(expandKey(twice), expandKey(p));
}

void TestKeyExpansion::printablePasswordRepeatsFrom96()
{
    for (quint32 seed = 1; seed <= 20; ++seed) {
        const Bytes p = randomPassword(1 + seed * 5, seed, 32, 127);
        const ExpandedKey key = expandKey(p);
        for (std::size_t i = 95; i < 256; ++i) {
            QCOMPARE(key[i], key[94]);
        }
    }
}

void TestKeyExpansion::emptyPasswordRefused()
{
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, expandKey(Bytes{}));
}

void TestKeyExpansion::displaySteps_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("1") << 1;
    QTest::newRow("3") << 3;
    QTest::newRow("200") << 200;
    QTest::newRow("255") << 255;
}

void TestKeyExpansion::displaySteps()
{
    QFETCH(int, length);
    const Bytes p = randomPassword(length, 5);
    Recorder rec;
    expandKey(p, &rec);
    // Phase 1: step with the percentage of the cursor, extension; 256 times.
    // Phase 2: step with the percentage of q; 256 times.
    // Phase 3: step with the percentage of pos, yield; 256 times.
    QCOMPARE(rec.events.size(), std::size_t(256 * 2 + 256 + 256 * 2));
    std::size_t i = 0;
    int cursor = 1;
    for (int step = 1; step <= 256; ++step) {
        QCOMPARE(rec.events[i].kind, 'p');
        QCOMPARE(rec.events[i++].value, testfiles::expectedPercent(cursor, 256));
        QCOMPARE(rec.events[i].kind, 'e');
        QCOMPARE(rec.events[i].extension.size(), std::size_t(step));
        QCOMPARE(rec.events[i++].extension.back(), p[std::size_t(cursor) - 1]);
        cursor = cursor == length ? 1 : cursor + 1;
    }
    for (int q = 1; q <= 256; ++q) {
        QCOMPARE(rec.events[i].kind, 'p');
        QCOMPARE(rec.events[i++].value, testfiles::expectedPercent(q, 256));
    }
    for (int pos = 1; pos <= 256; ++pos) {
        QCOMPARE(rec.events[i].kind, 'p');
        QCOMPARE(rec.events[i++].value, testfiles::expectedPercent(pos, 256));
        QCOMPARE(rec.events[i++].kind, 'y');
    }
    if (length == 1) {
        // With a one-character password the bar stays low in phase 1: 0 % ...
        QCOMPARE(rec.events[0].value, 0);
    }
    // The last percentage shown is 100.
    QCOMPARE(rec.events[rec.events.size() - 2].value, 100);
}

QTEST_GUILESS_MAIN(TestKeyExpansion)
#include "tst_keyexpansion.moc"
