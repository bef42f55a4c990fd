#pragma once

#include "job/AtomicWriter.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quibex {

class JobView;

// The window's file job: transforms file with key (8-bit codes, at least one)
// into the file named by the output rule, reporting through view, and leaves
// the window idle again whatever happens (except when the view says that the
// program is ending: the job then stops at its next yield, removes its
// temporary output and returns at once, with no message).
//
// While a job runs (its yields let other commands run) a second call returns
// at once and touches nothing; see isJobRunning().
void dec_crypt(JobView& view, const QString& file, const QByteArray& key);

// Puts the window back to idle: commands on, caption "Crypter", "En attente...".
void raz(JobView& view);

// True while dec_crypt runs (inside its yields, too). The Encrypt command may
// use it to refuse a start before it expands a key.
bool isJobRunning();

// Test seam: an input read that fails as a broken disk would.
struct ReadFaults
{
    // When >= 0, reading at or past this byte fails with error.
    std::int64_t failAtByte = -1;
    int error = EIO;
};

// Tuning and test seams of the file job. dec_crypt(view, file, key) uses the
// defaults.
struct JobOptions
{
    std::size_t blockSize = std::size_t{1024} * 1024;
    // The view is updated, and the job yields, as soon as this much time of
    // work has passed since the last yield (and once at the end).
    std::chrono::milliseconds updateInterval{30};
    WriteFaults writeFaults;
    ReadFaults readFaults;
};

void dec_crypt(JobView& view, const QString& file, const QByteArray& key,
               const JobOptions& options);

} // namespace quibex
