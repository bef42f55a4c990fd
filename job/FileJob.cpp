#include "job/FileJob.h"

#include "cipher/Percent.h"
#include "cipher/RotatingXor.h"
#include "job/JobView.h"
#include "job/OutputName.h"
#include "job/Texts.h"

#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <memory>
#include <optional>
#include <span>
#include <sys/stat.h>
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

// Reads up to size bytes at offset done; EINTR retried. Returns the count,
// 0 at the end of the file, -1 with errno set.
ssize_t readSome(int fd, char* buffer, std::size_t size, std::int64_t done,
                 const ReadFaults& faults)
{
    if (faults.failAtByte >= 0) {
        if (done >= faults.failAtByte) {
            errno = faults.error;
            return -1;
        }
        size = std::min<std::size_t>(size, std::size_t(faults.failAtByte - done));
    }
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

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

Outcome run(JobView& view, const QString& file, const QByteArray& key, const JobOptions& options,
            QString& outputPath)
{
    if (key.isEmpty()) {
        return Outcome::failure(text(texts::EmptyKey), MessageKind::Error);
    }
    outputPath = outputPathFor(file);
    view.setStatus(
        text(isDecryptionPath(file) ? texts::StatusDecrypting : texts::StatusEncrypting));

    // The input: opened without blocking (a FIFO would wait for a writer),
    // then its type checked on the opened file itself.
    if (file.isEmpty()) {
        return Outcome::systemFailure(ENOENT);
    }
    const QByteArray nativeInput = QFile::encodeName(file);
    const Descriptor input(::open(nativeInput.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (input.get() < 0) {
        return Outcome::systemFailure(errno);
    }
    struct stat inputInfo
    {
    };
    if (::fstat(input.get(), &inputInfo) != 0) {
        return Outcome::systemFailure(errno);
    }
    if (S_ISDIR(inputInfo.st_mode)) {
        return Outcome::failure(text(texts::InputIsFolder).arg(file), MessageKind::Error);
    }
    if (!S_ISREG(inputInfo.st_mode)) {
        return Outcome::failure(text(texts::InputNotRegular).arg(file), MessageKind::Error);
    }
    const int flags = ::fcntl(input.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(input.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(input.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    const std::int64_t size = inputInfo.st_size;
    view.setSizeText(QString::number(size));

    // The output: never the input itself, never replaced without asking.
    const QByteArray nativeOutput = QFile::encodeName(outputPath);
    struct stat outputLink
    {
    };
    const bool outputExists = ::lstat(nativeOutput.constData(), &outputLink) == 0;
    if (outputExists) {
        struct stat outputInfo
        {
        };
        if (::stat(nativeOutput.constData(), &outputInfo) == 0) {
            if (outputInfo.st_dev == inputInfo.st_dev && outputInfo.st_ino == inputInfo.st_ino) {
                return Outcome::failure(text(texts::OutputIsInput).arg(outputPath),
                                        MessageKind::Error);
            }
            if (S_ISDIR(outputInfo.st_mode)) {
                return Outcome::systemFailure(EISDIR);
            }
        }
        const bool replace = view.question(text(texts::OverwriteQuestion).arg(outputPath));
        if (view.endRequested()) {
            return {Outcome::Kind::Ended, {}, MessageKind::None};
        }
        if (!replace) {
            return {Outcome::Kind::Declined, {}, MessageKind::None};
        }
    }

    AtomicWriter output(outputPath, options.writeFaults);
    if (!output.open()) {
        return Outcome::failure(output.errorString());
    }

    RotatingXor transform(
        std::span(reinterpret_cast<const std::uint8_t*>(key.constData()), std::size_t(key.size())));
    const std::size_t blockSize = std::max<std::size_t>(1, options.blockSize);
    const std::unique_ptr<char[]> buffer(new char[blockSize]);
    const qint64 interval = options.updateInterval.count();
    std::int64_t done = 0;
    QElapsedTimer sinceYield;
    sinceYield.start();

    // Count, percentage and bar of done bytes, then a yield. False when the
    // program is ending.
    const auto update = [&]() {
        const int percent =
            size == 0 ? 100 : roundedPercent(std::uint64_t(done), std::uint64_t(size));
        view.setProgress(percent);
        view.setPercentText(QString::number(percent) + QStringLiteral(" %"));
        view.setCountText(QString::number(done) + text(texts::CountSuffix));
        view.yield();
        sinceYield.restart();
        return !view.endRequested();
    };

    while (done < size) {
        const std::size_t want =
            std::size_t(std::min<std::int64_t>(std::int64_t(blockSize), size - done));
        const ssize_t got = readSome(input.get(), buffer.get(), want, done, options.readFaults);
        if (got < 0) {
            return Outcome::systemFailure(errno);
        }
        if (got == 0) {
            return Outcome::failure(text(texts::InputChanged).arg(file), MessageKind::Error);
        }
        transform.apply(std::span(reinterpret_cast<std::uint8_t*>(buffer.get()), std::size_t(got)));
        if (!output.write(buffer.get(), got)) {
            return Outcome::failure(output.errorString());
        }
        done += got;
        if (sinceYield.elapsed() >= interval && !update()) {
            return {Outcome::Kind::Ended, {}, MessageKind::None};
        }
    }
    if (!update()) {
        return {Outcome::Kind::Ended, {}, MessageKind::None};
    }
    if (!output.commit(outputExists)) {
        return Outcome::failure(output.errorString());
    }
    return {Outcome::Kind::Success, {}, MessageKind::None};
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
