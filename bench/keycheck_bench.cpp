// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// The wrong-key check before a decryption, on an encrypted picture of
// FILE_MIB MiB (argument, default 256): the worst case, where the key in use
// gives garbage and the other mode's key is expanded and tried as well. The
// first check of a process (which loads the MIME database) is timed apart.
#include "job/KeyCheck.h"
#include "job/OutputName.h"
#include "job/PasswordKey.h"
#include "tests/support/Corpus.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const QByteArray Codes("secret");
QString g_file;
QString g_text;
QString g_advancedText;
QString g_shortText;

// The worst case: a wrong password, so both modes' keys are tried.
void BM_WrongKeyCheck(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(quibex::keyFit(g_file, "sesame", false));
    }
}
BENCHMARK(BM_WrongKeyCheck)->Unit(benchmark::kMillisecond);

// Text is judged by its statistics over the whole 16 KiB read, at each
// character of the password: its worst case is a text that reads as text,
// decrypted with a password of 255 characters, one of them mistyped.
const QByteArray LongPassword = QByteArray("motdepasse").repeated(26).left(255);

void BM_TypoCheckOnText(benchmark::State& state)
{
    QByteArray typo = LongPassword;
    typo[100] = char(typo[100] + 1); // garbles its bytes, but into letters and signs
    for (auto _ : state) {
        benchmark::DoNotOptimize(quibex::keyFit(g_text, typo, false));
    }
}
BENCHMARK(BM_TypoCheckOnText)->Unit(benchmark::kMillisecond);

// The right password: every character's share is looked at.
void BM_RightKeyOnText(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(quibex::keyFit(g_text, LongPassword, false));
    }
}
BENCHMARK(BM_RightKeyOnText)->Unit(benchmark::kMillisecond);

// The same in the advanced mode, where a mistyped character changes the
// key's codes at a few positions only (with 255 characters, one position; a
// character that makes none gives the same key), each turned by a few codes:
// the characters that could have been meant there are tried.
QByteArray advancedTypo()
{
    QByteArray typo = LongPassword;
    typo[200] = char(typo[200] + 1);
    return typo;
}

void BM_TypoCheckOnTextAdvanced(benchmark::State& state)
{
    const QByteArray typo = advancedTypo();
    for (auto _ : state) {
        benchmark::DoNotOptimize(quibex::keyFit(g_advancedText, typo, true));
    }
}
BENCHMARK(BM_TypoCheckOnTextAdvanced)->Unit(benchmark::kMillisecond);

// A text too short for the statistics of each character: its pairs of
// characters are judged, then turned by every code; the right key reads
// well and every turn is tried.
void BM_RightKeyOnShortText(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(quibex::keyFit(g_shortText, Codes, true));
    }
}
BENCHMARK(BM_RightKeyOnShortText)->Unit(benchmark::kMillisecond);

// A PNG signature and header, then noise up to size, encrypted in the
// advanced mode.
bool makeFile(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray head = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") +
                      testfiles::randomBytes(64 * 1024, 3);
    file.write(testfiles::transformed(head, quibex::expandKeySilently(Codes)));
    return file.resize(size);
}

bool makeText(const QString& path, qsizetype size, const QByteArray& key)
{
    QFile file(path);
    const QByteArray text =
        QByteArray("Le fichier est crypté avec un mot de passe que la machine garde. ")
            .repeated(400)
            .left(size);
    return file.open(QIODevice::WriteOnly) &&
           file.write(testfiles::transformed(text, key)) == text.size();
}

// Each file of a common kind that the machine's tools make, encrypted in
// both modes: checked with the right password (its structure walked as far
// as the check reads) and with one character wrong.
bool registerKinds(const QTemporaryDir& folder)
{
    const QString made = folder.filePath(QStringLiteral("corpus"));
    if (!QDir().mkpath(made) || !corpus::makeFiles(made)) {
        return false;
    }
    const QByteArray password("Quibex-2024!");
    QByteArray typo = password;
    typo[5] = char(typo[5] + 1);
    for (const QString& name : testfiles::entries(made)) {
        const QByteArray data = testfiles::readFile(made + QLatin1Char('/') + name);
        if (data.size() < 4096 || name.endsWith(QLatin1String(".txt"))) {
            continue;
        }
        for (const bool advanced : {false, true}) {
            const QString path = quibex::outputPathFor(
                folder.filePath(QStringLiteral("%1-%2").arg(advanced).arg(name)));
            const QByteArray key = advanced ? quibex::expandKeySilently(password) : password;
            if (!testfiles::writeFile(path, testfiles::transformed(data, key))) {
                return false;
            }
            for (const auto& [what, codes] :
                 {std::pair{"right", password}, std::pair{"typo", typo}}) {
                const std::string title = QStringLiteral("BM_Kind/%1/%2/%3")
                                              .arg(name, advanced ? "advanced" : "simple", what)
                                              .toStdString();
                benchmark::RegisterBenchmark(title.c_str(), [path, codes,
                                                             advanced](benchmark::State& state) {
                    for (auto _ : state) {
                        benchmark::DoNotOptimize(quibex::keyFit(path, codes, advanced));
                    }
                })->Unit(benchmark::kMillisecond);
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 256;
    QTemporaryDir folder;
    g_file = folder.filePath(QStringLiteral("photo.PNG.qbc"));
    g_text = folder.filePath(QStringLiteral("notes.TXT.qbc"));
    g_advancedText = folder.filePath(QStringLiteral("avance.TXT.qbc"));
    g_shortText = folder.filePath(QStringLiteral("court.TXT.qbc"));
    const qsizetype textSize = 400 * 66;
    if (!folder.isValid() || mib <= 0 || !makeFile(g_file, mib * 1024 * 1024) ||
        !makeText(g_text, textSize, LongPassword) ||
        !makeText(g_advancedText, textSize, quibex::expandKeySilently(LongPassword)) ||
        !makeText(g_shortText, 255, quibex::expandKeySilently(Codes)) || !registerKinds(folder)) {
        std::fprintf(stderr,
                     "usage: keycheck_bench [FILE_MIB] (a scratch file could not be made)\n");
        return 2;
    }
    QElapsedTimer first;
    first.start();
    const quibex::KeyFit fit = quibex::keyFit(g_file, "sesame", false);
    std::printf("first check of the process: %.2f ms (verdict %d, file %lld MiB)\n",
                double(first.nsecsElapsed()) / 1e6, int(fit), static_cast<long long>(mib));
    QByteArray typo = LongPassword;
    typo[100] = char(typo[100] + 1);
    std::printf("text: right password %d, one character wrong %d, advanced %d and %d, short %d "
                "(1 fits, 3 neither)\n",
                int(quibex::keyFit(g_text, LongPassword, false)),
                int(quibex::keyFit(g_text, typo, false)),
                int(quibex::keyFit(g_advancedText, LongPassword, true)),
                int(quibex::keyFit(g_advancedText, advancedTypo(), true)),
                int(quibex::keyFit(g_shortText, Codes, true)));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
