// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// The allocator's replacements keep what glibc's free and realloc promise,
// and keep glibc's own checks: a block freed twice still aborts.
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

class TestWipeFreed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reallocKeepsContent_data();
    void reallocKeepsContent();
    void reallocEdges();
    void growingBySmallStepsMovesRarely();
    void doubleFreeAborts();
};

void TestWipeFreed::initTestCase()
{
#ifndef QUIBEX_WIPES_FREED_MEMORY
    QSKIP("sanitizer builds keep their own allocator");
#endif
}

void TestWipeFreed::reallocKeepsContent_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("shrink") << 4096 << 100;
    QTest::newRow("grow a little") << 100 << 120;
    QTest::newRow("grow past the room") << 100 << 10000;
    QTest::newRow("grow into a mapping") << 1000 << 8 * 1024 * 1024;
    QTest::newRow("grow a mapping") << 8 * 1024 * 1024 << 16 * 1024 * 1024;
}

void TestWipeFreed::reallocKeepsContent()
{
    QFETCH(int, from);
    QFETCH(int, to);
    auto* block = static_cast<unsigned char*>(std::malloc(std::size_t(from)));
    QVERIFY(block != nullptr);
    for (int i = 0; i < from; ++i) {
        block[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    auto* grown = static_cast<unsigned char*>(std::realloc(block, std::size_t(to)));
    QVERIFY(grown != nullptr);
    for (int i = 0; i < std::min(from, to); ++i) {
        QCOMPARE(int(grown[i]), (i * 7 + 3) % 256);
    }
    std::memset(grown, 1, std::size_t(to)); // all of it is the caller's
    std::free(grown);
}

void TestWipeFreed::reallocEdges()
{
    // NULL is malloc, 0 frees.
    void* block = std::realloc(nullptr, 64);
    QVERIFY(block != nullptr);
    QCOMPARE(std::realloc(block, 0), nullptr);
    // An overflowing count leaves the block as it was.
    auto* kept = static_cast<char*>(std::malloc(16));
    QVERIFY(kept != nullptr);
    std::strcpy(kept, "intact");
    errno = 0;
    // Through a volatile copy: GCC would take the refused call for a free.
    char* volatile refused = kept;
    QCOMPARE(reallocarray(refused, SIZE_MAX / 2, 3), nullptr);
    QCOMPARE(errno, ENOMEM);
    QCOMPARE(kept, "intact");
    auto* array = static_cast<char*>(reallocarray(kept, 100, 2));
    QVERIFY(array != nullptr);
    QCOMPARE(array, "intact");
    std::free(array);
}

void TestWipeFreed::growingBySmallStepsMovesRarely()
{
    // Within the heap (glibc maps larger blocks, which mremap moves without
    // a copy): 64 KiB in 64-byte steps, which would copy 32 MiB if every
    // step moved.
    void* block = std::malloc(64);
    int moves = 0;
    for (std::size_t size = 128; size <= 64U * 1024; size += 64) {
        void* grown = std::realloc(block, size);
        QVERIFY(grown != nullptr);
        moves += grown != block ? 1 : 0;
        block = grown;
    }
    std::free(block);
    QVERIFY2(moves < 32, qPrintable(QString::number(moves)));
}

void TestWipeFreed::doubleFreeAborts()
{
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        std::signal(SIGABRT, SIG_DFL); // the test's own crash report is not for this
        // Volatile: the compiler would drop a block that nothing reads.
        void* volatile block = std::malloc(64);
        std::free(block);
        std::free(block); // NOLINT(clang-analyzer-unix.Malloc): the fault under test
        void* volatile first = std::malloc(64);
        void* volatile second = std::malloc(64);
        _exit(first == second ? 3 : 0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT,
             qPrintable(QString::number(status)));
}

QTEST_GUILESS_MAIN(TestWipeFreed)
#include "tst_wipefreed.moc"
