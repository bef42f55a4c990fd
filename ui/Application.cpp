// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/Application.h"

#include "job/Version.h"
#include "ui/Pictures.h"
#include "ui/controls/QuibexMenuStyle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace quibex {

namespace {

void loadQtTranslations(QApplication& app)
{
    // The texts are French: Qt's own dialogs and buttons ("Ouvrir",
    // "Annuler", "Oui", "Non") follow them whatever the desktop's language.
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_fr"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    }
}

void setLightLook(QApplication& app)
{
    // The design's colours (beige frame, navy prompt, etched rule) are
    // drawn for a light window face, whatever the desktop's theme.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        app.setPalette(fusion->standardPalette());
        // The application owns its style, as it would take it over anyway.
        auto* style = new QuibexMenuStyle(fusion);
        style->setParent(&app);
        QApplication::setStyle(style);
    }
}

// A folder another user could have made, opened or swapped for a link would
// let them hold the lock and keep the program from ever starting.
bool isPrivateFolder(const QString& path)
{
    struct stat status = {};
    return QDir::isAbsolutePath(path) &&
           ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// Read here rather than through QStandardPaths, which warns on stderr about
// a missing or loose runtime folder where a second start must stay silent.
std::optional<QString> runtimeFolder()
{
    // Cleaned: a trailing slash would make lstat follow a link.
    const QString path = QDir::cleanPath(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    if (!isPrivateFolder(path)) {
        return std::nullopt;
    }
    return path;
}

std::optional<QString> folderInTemp()
{
    // Empty when TMPDIR names no folder: never a folder made at the root.
    const QString temp = QDir::tempPath();
    if (!QDir::isAbsolutePath(temp)) {
        return std::nullopt;
    }
    const QString path = QDir(temp).filePath(QStringLiteral("quibex-crypto-%1").arg(::getuid()));
    // Already there from an earlier start, or put in the way: told apart below.
    if (::mkdir(QFile::encodeName(path).constData(), S_IRWXU) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    if (!isPrivateFolder(path)) {
        return std::nullopt;
    }
    return path;
}

} // namespace

void setUpApplication(QApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("quibex-crypto"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version));
    QGuiApplication::setDesktopFileName(QStringLiteral("quibex-crypto"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    loadQtTranslations(app);
    setLightLook(app);
    QApplication::setWindowIcon(pictures::windowIcon());
}

std::optional<QString> SingleInstance::defaultLockPath()
{
    std::optional<QString> folder = runtimeFolder();
    if (!folder) {
        folder = folderInTemp();
    }
    if (!folder) {
        return std::nullopt;
    }
    return QDir(*folder).filePath(QStringLiteral("quibex-crypto.lock"));
}

SingleInstance::SingleInstance(const QString& lockPath)
{
    const std::optional<QString> path =
        lockPath.isEmpty() ? defaultLockPath() : std::optional<QString>(lockPath);
    if (!path) {
        return;
    }
    m_path = path;
    m_lock.emplace(*path);
    // Only a live owner counts; age alone never makes the lock stale.
    m_lock->setStaleLockTime(0);
    // A lock that cannot be made (folder gone, read-only or full) leaves the
    // program unguarded rather than never started.
    m_acquired = m_lock->tryLock(0) || m_lock->error() != QLockFile::LockFailedError;
}

} // namespace quibex
