// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>
#include <QUrl>

// Every French text the window shows or gives to assistive tools, apart from
// the file job's own (job/Texts.h). "&" marks an access key; lines are
// separated by a carriage return alone, with none after the last.
namespace quibex::window_texts {

// The window's credit follows its name on the title bar.
inline const QString WindowTitle = QStringLiteral(" Quibex Crypto - réalisé par l'équipe Quibex");
inline const QString FrameCaption = QStringLiteral(" Quibex Crypto :");
inline const QString DialogTitle = QStringLiteral("Fichier à crypter/décrypter");
inline const QString DialogFilter = QStringLiteral("Tous les fichiers (*.*)|*.*");

// Captions of the buttons and the label of the password box.
inline const QString CryptButton = QStringLiteral("&Crypter");
inline const QString DecryptCaption = QStringLiteral("Décrypter");
inline const QString BrowseButton = QStringLiteral("&Parcourir :");
inline const QString QuitButton = QStringLiteral("&Quitter");
inline const QString PasswordLabel = QStringLiteral("Entrez un mot de pass :");

// Tool tips of the picture buttons, which are their only names.
inline const QString OpenTip = QStringLiteral("Ouvrir");
inline const QString AboutTip = QStringLiteral("A propos");
inline const QString DownloadTip = QStringLiteral("Centre de téléchargement");
inline const QString HelpTip = QStringLiteral("Aide");
inline const QString CryptTip = QStringLiteral("Cryptage");

// The menus and their items.
inline const QString FileMenu = QStringLiteral("&Fichier");
inline const QString OpenItem = QStringLiteral("&Ouvrir...");
inline const QString QuitItem = QStringLiteral("&Quitter");
inline const QString OptionMenu = QStringLiteral("&Option");
inline const QString SimpleItem = QStringLiteral("&Cryptage Quibex");
inline const QString AdvancedItem = QStringLiteral("C&ryptage avancé   (2048 bits)");
inline const QString HelpMenu = QStringLiteral("&?");
inline const QString AboutItem = QStringLiteral("A &propos...");
inline const QString HelpItem = QStringLiteral("&Aide");
inline const QString DownloadItem = QStringLiteral("Télécharger d'autres Utilitaires");

// The Encrypt command's own refusals.
inline const QString NoFileText = QStringLiteral(" Vous devez choisir un fichier à décrypter");
// A drop of several files, or of what is not a file (kind error, default
// title); a folder gets the job's own refusal.
inline const QString DropOneFile =
    QStringLiteral("Déposez un seul fichier à la fois : la fenêtre traite un fichier à la fois.");
inline const QString NoFileTitle = QStringLiteral(" Fichier introuvable ");

// Names and descriptions read by assistive tools where the controls show none.
namespace spoken {
inline const QString PasswordName = QStringLiteral("Mot de passe");
inline const QString PasswordHint = QStringLiteral("Affiché en clair ; moins de 256 caractères");
inline const QString FileName = QStringLiteral("Fichier choisi");
inline const QString FileHint = QStringLiteral("Chemin du fichier à crypter ou à décrypter");
inline const QString BrowseHint = QStringLiteral("Choisir le fichier à crypter ou à décrypter");
inline const QString CryptHint =
    QStringLiteral("Demande le mot de passe, puis crypte ou décrypte le fichier choisi");
inline const QString QuitHint = QStringLiteral("Fermer Quibex Crypto");
inline const QString Progress = QStringLiteral("Progression");
inline const QString StatusHint = QStringLiteral("État de l'opération");
inline const QString PercentHint = QStringLiteral("Pourcentage effectué");
inline const QString CountHint = QStringLiteral("Octets traités");
inline const QString SizeHint = QStringLiteral("Taille du fichier en octets");
inline const QString Image1 = QStringLiteral("Document et clé");
inline const QString Image2 = QStringLiteral("Icône de Quibex Crypto");
} // namespace spoken

// The Help and About boxes.
QString helpTitle();
QString helpText();
QString aboutTitle();
QString aboutText();
// The maker's page of other utilities: the site followed by "tele.htm".
QUrl downloadPage();

} // namespace quibex::window_texts
