// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "cli/Plan.h"

#include "cli/CliTexts.h"
#include "job/FileJob.h"
#include "job/OutputName.h"
#include "job/Texts.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quibex::cli {

namespace {

bool isEncrypted(const QByteArray& native)
{
    return native.toLower().endsWith(".qbc");
}

class Planner
{
public:
    Planner(const Options& options, CliView& view, Tally& tally)
        : m_options(options), m_view(view), m_tally(tally)
    {
        m_stdoutIsFile = m_options.output == QLatin1String("-") &&
                         ::fstat(STDOUT_FILENO, &m_stdout) == 0 && S_ISREG(m_stdout.st_mode);
    }

    void named(const QString& path)
    {
        const QByteArray native = QFile::encodeName(path);
        if (path.contains(QChar::ReplacementCharacter)) {
            refuse(native, texts::text(NameNotUtf8));
            return;
        }
        struct stat entry
        {
        };
        if (::lstat(native.constData(), &entry) != 0) {
            refuse(native, errno == ENOENT ? texts::text(Missing) : unreadable(errno));
            return;
        }
        struct stat target = entry;
        if (S_ISLNK(entry.st_mode) && ::stat(native.constData(), &target) != 0) {
            refuse(native, errno == ENOENT ? texts::text(DanglingLink) : unreadable(errno));
            return;
        }
        if (S_ISDIR(target.st_mode)) {
            if (!m_options.recursive) {
                refuse(native, texts::text(IsFolder));
                return;
            }
            // The folder named is the user's choice, a link to one too.
            walk(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), native);
            return;
        }
        if (wrongDirection(native)) {
            return;
        }
        file(native, target, false);
    }

    std::vector<Planned> take() { return std::move(m_planned); }

private:
    // A folder walked from its open descriptor (taken): entries by bytes, in
    // order; a folder inside is opened without following a link.
    void walk(int folder, const QByteArray& native)
    {
        DIR* entries = folder >= 0 ? ::fdopendir(folder) : nullptr;
        if (entries == nullptr) {
            const int error = errno;
            if (folder >= 0) {
                ::close(folder);
            }
            refuse(native, texts::text(FolderUnreadable).arg(systemErrorText(error)));
            return;
        }
        std::vector<QByteArray> names;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(entries);
            if (entry == nullptr) {
                break;
            }
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        if (const int error = errno; error != 0) {
            refuse(native, texts::text(FolderUnreadable).arg(systemErrorText(error)));
        }
        std::sort(names.begin(), names.end());
        for (const QByteArray& name : names) {
            walked(::dirfd(entries), name, native + '/' + name);
        }
        ::closedir(entries);
    }

    void walked(int folder, const QByteArray& name, const QByteArray& native)
    {
        struct stat entry
        {
        };
        if (::fstatat(folder, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
            refuse(native, unreadable(errno));
            return;
        }
        if (S_ISLNK(entry.st_mode)) {
            refuse(native, texts::text(LinkSkipped));
            return;
        }
        if (S_ISDIR(entry.st_mode)) {
            // No job could open a path this long: a tree made that deep is
            // refused here rather than walked without end.
            if (native.size() >= PATH_MAX) {
                refuse(native, texts::text(FolderUnreadable).arg(systemErrorText(ENAMETOOLONG)));
                return;
            }
            walk(
                ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC),
                native);
            return;
        }
        // A walk works on what its command is for and leaves the rest.
        if (S_ISREG(entry.st_mode) &&
            isEncrypted(native) != (m_options.command != Command::Encrypt)) {
            return;
        }
        if (QFile::encodeName(QFile::decodeName(native)) != native) {
            refuse(native, texts::text(NameNotUtf8));
            return;
        }
        file(native, entry, true);
    }

    bool wrongDirection(const QByteArray& native)
    {
        const bool encrypted = isEncrypted(native);
        if (m_options.command == Command::Encrypt && encrypted) {
            refuse(native, texts::text(AlreadyEncrypted));
            return true;
        }
        if (m_options.command != Command::Encrypt && !encrypted) {
            refuse(native, texts::text(NotEncrypted));
            return true;
        }
        return false;
    }

    void file(const QByteArray& native, const struct stat& info, bool walked)
    {
        if (!S_ISREG(info.st_mode)) {
            refuse(native, texts::text(SpecialSkipped));
            return;
        }
        if (::access(native.constData(), R_OK) != 0) {
            refuse(native, unreadable(errno));
            return;
        }
        const QString path = QFile::decodeName(native);
        if (m_options.command == Command::Check) {
            m_planned.push_back({path, {}, info.st_size, {}});
            return;
        }
        const QString output = m_options.output.isEmpty() ? outputPathFor(path) : m_options.output;
        if (output == QLatin1String("-")) {
            if (m_stdoutIsFile && m_stdout.st_dev == info.st_dev &&
                m_stdout.st_ino == info.st_ino) {
                refuse(native, texts::text(OutputIsInput));
                return;
            }
        } else {
            const QString key = QDir::cleanPath(QDir::current().absoluteFilePath(output));
            const auto earlier = m_outputs.constFind(key);
            if (earlier != m_outputs.constEnd()) {
                refuse(native, texts::text(SameOutput)
                                   .arg(quotedName(QFile::encodeName(output)),
                                        quotedName(QFile::encodeName(*earlier))));
                return;
            }
            m_outputs.insert(key, path);
        }
        m_planned.push_back(
            {path, output, info.st_size,
             walked ? std::optional(FileIdentity{info.st_dev, info.st_ino}) : std::nullopt});
    }

    static QString unreadable(int error)
    {
        return texts::text(Unreadable).arg(systemErrorText(error));
    }

    void refuse(const QByteArray& native, const QString& why)
    {
        m_view.start(native);
        m_view.refuse(why);
        ++m_tally.refused;
    }

    const Options& m_options;
    CliView& m_view;
    Tally& m_tally;
    struct stat m_stdout
    {
    };
    bool m_stdoutIsFile = false;
    QHash<QString, QString> m_outputs; // the input that has each
    std::vector<Planned> m_planned;
};

} // namespace

std::vector<Planned> plan(const Options& options, CliView& view, Tally& tally)
{
    Planner planner(options, view, tally);
    for (const QString& path : options.paths) {
        planner.named(path);
    }
    return planner.take();
}

} // namespace quibex::cli
