#include "ui/Application.h"

#include "ui/Pictures.h"
#include "ui/controls/QuibexMenuStyle.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

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

} // namespace

void setUpApplication(QApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("quibex-crypto"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.5"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quibex-crypto"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    loadQtTranslations(app);
    setLightLook(app);
    QApplication::setWindowIcon(pictures::windowIcon());
}

QString SingleInstance::defaultLockPath()
{
    // Without a runtime folder Qt would warn on stderr, and a second start
    // must end silently: fall back to a per-user name in the temporary folder.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return QDir::tempPath() + QStringLiteral("/quibex-crypto-%1.lock").arg(::getuid());
    }
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/quibex-crypto.lock");
}

SingleInstance::SingleInstance(const QString& lockPath)
    : m_lock(lockPath.isEmpty() ? defaultLockPath() : lockPath)
{
    // Only a live owner counts; age alone never makes the lock stale.
    m_lock.setStaleLockTime(0);
    m_acquired = m_lock.tryLock(0);
}

} // namespace quibex
