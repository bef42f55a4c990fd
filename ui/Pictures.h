// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

// The program's own pictures, compiled in from resources/resources.qrc. Most
// come with a variant drawn at twice the size, "name@2x.png", for screens
// scaled to 150 % and more.
namespace quibex::pictures {

inline const QString WindowIcon = QStringLiteral(":/pictures/quibex-32.png");
inline const QString Image1 = QStringLiteral(":/pictures/image1.png");
inline const QString CmdOuvrir = QStringLiteral(":/pictures/cmd-ouvrir.png");
inline const QString CmdCryptage = QStringLiteral(":/pictures/cmd-cryptage.png");
inline const QString CmdTelechargement = QStringLiteral(":/pictures/cmd-telechargement.png");
inline const QString CmdAide = QStringLiteral(":/pictures/cmd-aide.png");
inline const QString CmdAPropos = QStringLiteral(":/pictures/cmd-apropos.png");
inline const QString Quitter = QStringLiteral(":/pictures/quitter.png");
inline const QString MenuOuvrir = QStringLiteral(":/pictures/menu-ouvrir.png");
inline const QString MenuQuitter = QStringLiteral(":/pictures/menu-quitter.png");
inline const QString MenuAPropos = QStringLiteral(":/pictures/menu-apropos.png");
inline const QString MenuAide = QStringLiteral(":/pictures/menu-aide.png");
inline const QString MenuTel = QStringLiteral(":/pictures/menu-tel.png");

QImage image(const QString& path);
// The variant of the picture drawn at twice its size; a null image when the
// picture has none.
QImage largeImage(const QString& path);
// The picture for a screen of device pixel ratio ratio, from its larger
// variant where that is sharper.
QPixmap pixmap(const QString& path, qreal ratio = 1.0);
// The brand icon with every size it is drawn at (quibex-N.png).
QIcon windowIcon();

} // namespace quibex::pictures
