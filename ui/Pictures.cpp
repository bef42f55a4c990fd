// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/Pictures.h"

#include "ui/controls/MaskedPixmap.h"

#include <QDir>

// Q_INIT_RESOURCE declares a function of the global namespace.
static void registerQuibexResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace quibex::pictures {

namespace {

// The resources of a static library are registered by hand, once.
void registerResources()
{
    static const bool registered = [] {
        registerQuibexResources();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

QImage image(const QString& path)
{
    registerResources();
    return QImage(path);
}

QImage largeImage(const QString& path)
{
    registerResources();
    QString large = path;
    large.insert(large.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    // Missing on purpose for some pictures: no warning then.
    if (!QFile::exists(large)) {
        return {};
    }
    return QImage(large);
}

QPixmap pixmap(const QString& path, qreal ratio)
{
    return maskedPixmap(image(path), largeImage(path), QColor(), ratio);
}

QIcon windowIcon()
{
    registerResources();
    QIcon icon;
    const QDir folder(QStringLiteral(":/pictures"));
    for (const QString& name : folder.entryList({QStringLiteral("quibex-*.png")}, QDir::Files)) {
        icon.addFile(folder.filePath(name));
    }
    return icon;
}

} // namespace quibex::pictures
