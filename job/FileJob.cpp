#include "job/FileJob.h"

#include "cipher/Percent.h"
#include "cipher/RotatingXor.h"
#include "job/JobView.h"
#include "job/JobWorker.h"
#include "job/OutputName.h"
#include "job/Texts.h"

#include <QFile>

#include <chrono>
#include <fcntl.h>
#include <optional>
#include <span>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quibex {

namespace {

bool g_running = false;

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// An open file descriptor, closed when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// How a run ended, told once both files are released.
struct Outcome
{
    enum class Kind
    {
        Success,
        Failure,
        Declined,
        Ended
    };
    Kind kind = Kind::Failure;
    QString message;
    MessageKind messageKind = MessageKind::None;

    static Outcome failure(const QString& message, MessageKind kind = MessageKind::None)
    {
        return {Kind::Failure, message, kind};
    }
    static Outcome systemFailure(int error) { return failure(systemErrorText(error)); }
};

// Upper-casing names the same file only where names ignore case; elsewhere
// it would show the path of another, non-existent file.
QString shownPath(const QString& path)
{
#ifdef Q_OS_WIN
    return path.toUpper();
#else
    return path;
#endif
}

void backToIdle(JobView& view)
{
    raz(view);
    view.setPasswordEntryVisible(false);
    view.setPasswordText(QString());
    view.setPercentText(text(texts::IdlePercent));
    view.setProgress(0);
}

// Count, percentage and bar of done bytes.
void showProgress(JobView& view, std::int64_t done, std::int64_t size)
{
    const int percent = size == 0 ? 100 : roundedPercent(std::uint64_t(done), std::uint64_t(size));
    view.setProgress(percent);
    view.setPercentText(QString::number(percent) + QStringLiteral(" %"));
    view.setCountText(QString::number(done) + text(texts::CountSuffix));
}

Outcome failureOf(const JobWorker::Failure& failure, const QString& file)
{
    if (failure.inputShrank) {
        return Outcome::failure(text(texts::InputChanged).arg(file), MessageKind::Error);
    }
    return Outcome::failure(failure.systemText);
}

// The window's side of the byte loop: waits for the worker at most one
// interval, shows how far it is and yields, until it has failed or put the
// output in place. The full count is shown before the output may go into place.
Outcome follow(JobView& view, JobWorker& worker, const QString& file, std::int64_t size,
               const JobOptions& options)
{
    using Clock = std::chrono::steady_clock;
    for (;;) {
        std::optional<Clock::time_point> deadline;
        if (!options.showEveryBlock) {
            deadline = Clock::now() + options.updateInterval;
        }
        const JobWorker::Snapshot now = worker.wait(deadline);
        if (now.state == JobWorker::State::Failed) {
            return failureOf(worker.failure(), file);
        }
        if (now.state == JobWorker::State::Committed) {
            return {Outcome::Kind::Success, {}, MessageKind::None};
        }
        showProgress(view, now.done, size);
        view.yield();
        if (view.endRequested()) {
            worker.stop();
            return {Outcome::Kind::Ended, {}, MessageKind::None};
        }
        worker.shown(now.done);
        if (now.done == size) {
            worker.allowCommit();
        }
    }
}

// The opened input's type, checked on the file itself: only a regular file is
// read, and it is read blocking again.
std::optional<Outcome> checkInput(const QString& file, const Descriptor& input, struct stat& info)
{
    if (input.get() < 0 || ::fstat(input.get(), &info) != 0) {
        return Outcome::systemFailure(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        return Outcome::failure(text(texts::InputIsFolder).arg(file), MessageKind::Error);
    }
    if (!S_ISREG(info.st_mode)) {
        return Outcome::failure(text(texts::InputNotRegular).arg(file), MessageKind::Error);
    }
    const int flags = ::fcntl(input.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(input.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(input.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return std::nullopt;
}

// The output: never the input itself, never replaced without asking. exists
// tells whether something was at the output path (a link too).
std::optional<Outcome> checkOutput(JobView& view, const QString& outputPath,
                                   const struct stat& inputInfo, bool& exists)
{
    const QByteArray nativeOutput = QFile::encodeName(outputPath);
    struct stat outputLink
    {
    };
    exists = ::lstat(nativeOutput.constData(), &outputLink) == 0;
    if (!exists) {
        return std::nullopt;
    }
    struct stat outputInfo
    {
    };
    if (::stat(nativeOutput.constData(), &outputInfo) == 0) {
        if (outputInfo.st_dev == inputInfo.st_dev && outputInfo.st_ino == inputInfo.st_ino) {
            return Outcome::failure(text(texts::OutputIsInput).arg(outputPath), MessageKind::Error);
        }
        if (S_ISDIR(outputInfo.st_mode)) {
            return Outcome::systemFailure(EISDIR);
        }
    }
    const bool replace = view.question(text(texts::OverwriteQuestion).arg(outputPath));
    if (view.endRequested()) {
        return Outcome{Outcome::Kind::Ended, {}, MessageKind::None};
    }
    if (!replace) {
        return Outcome{Outcome::Kind::Declined, {}, MessageKind::None};
    }
    return std::nullopt;
}

// The bytes from input to a temporary output on the worker's thread, followed
// here; a new output gets no more permissions than the input has.
Outcome moveBytes(JobView& view, const QString& file, const QByteArray& key,
                  const JobOptions& options, const Descriptor& input, const struct stat& inputInfo,
                  const QString& outputPath, bool replace)
{
    AtomicWriter output(outputPath, options.writeFaults);
    output.setNewFileMode(inputInfo.st_mode & 0777);
    if (!output.open()) {
        return Outcome::failure(output.errorString());
    }
    JobWorker worker(input.get(), inputInfo.st_size,
                     RotatingXor(std::span(reinterpret_cast<const std::uint8_t*>(key.constData()),
                                           std::size_t(key.size()))),
                     output, replace, options);
    try {
        worker.start();
    } catch (const std::system_error& error) {
        return Outcome::systemFailure(error.code().value());
    }
    return follow(view, worker, file, inputInfo.st_size, options);
}

Outcome run(JobView& view, const QString& file, const QByteArray& key, const JobOptions& options,
            QString& outputPath)
{
    if (key.isEmpty()) {
        return Outcome::failure(text(texts::EmptyKey), MessageKind::Error);
    }
    outputPath = outputPathFor(file);
    view.setStatus(
        text(isDecryptionPath(file) ? texts::StatusDecrypting : texts::StatusEncrypting));

    if (file.isEmpty()) {
        return Outcome::systemFailure(ENOENT);
    }
    // Opened without blocking: a FIFO would wait for a writer.
    const Descriptor input(
        ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat inputInfo
    {
    };
    if (auto refused = checkInput(file, input, inputInfo)) {
        return *refused;
    }
    view.setSizeText(QString::number(std::int64_t(inputInfo.st_size)));

    bool outputExists = false;
    if (auto refused = checkOutput(view, outputPath, inputInfo, outputExists)) {
        return *refused;
    }
    return moveBytes(view, file, key, options, input, inputInfo, outputPath, outputExists);
}

} // namespace

void raz(JobView& view)
{
    view.setCommandsEnabled(true);
    view.setCryptCaption(text(texts::CaptionCrypt));
    view.setStatus(text(texts::StatusIdle));
}

bool isJobRunning()
{
    return g_running;
}

void dec_crypt(JobView& view, const QString& file, const QByteArray& key)
{
    dec_crypt(view, file, key, JobOptions{});
}

void dec_crypt(JobView& view, const QString& file, const QByteArray& key, const JobOptions& options)
{
    if (g_running) {
        return; // a start from inside a running job's yield is refused silently
    }
    g_running = true;
    struct Reset
    {
        ~Reset() { g_running = false; }
    } reset;

    view.setCommandsEnabled(false);
    QString outputPath;
    // Both files are released when run() returns, before any message.
    const Outcome outcome = run(view, file, key, options, outputPath);
    switch (outcome.kind) {
    case Outcome::Kind::Ended:
        return;
    case Outcome::Kind::Declined:
        break;
    case Outcome::Kind::Failure:
        view.message(outcome.message, outcome.messageKind);
        break;
    case Outcome::Kind::Success:
        view.message(text(texts::SuccessLine1) + QLatin1Char('\r') + text(texts::SuccessLine2) +
                         shownPath(outputPath),
                     MessageKind::None);
        break;
    }
    backToIdle(view);
}

} // namespace quibex
