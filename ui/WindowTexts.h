// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>
#include <QUrl>

// Every French text the window shows or gives to assistive tools, apart from
// the file job's own (job/Texts.h), in UTF-8 and in the same form (texts::text
// makes one a QString). "&" marks an access key; lines are separated by a
// carriage return alone, with none after the last.
namespace quibex::window_texts {

// The window's credit follows its name on the title bar.
inline constexpr const char* WindowTitle = " Quibex Crypto - réalisé par l'équipe Quibex";
inline constexpr const char* FrameCaption = " Quibex Crypto :";
inline constexpr const char* DialogTitle = "Fichier à crypter/décrypter";
inline constexpr const char* DialogFilter = "Tous les fichiers (*.*)|*.*";

// Captions of the buttons and the label of the password box.
inline constexpr const char* CryptButton = "&Crypter";
inline constexpr const char* DecryptCaption = "Décrypter";
inline constexpr const char* BrowseButton = "&Parcourir :";
inline constexpr const char* QuitButton = "&Quitter";
inline constexpr const char* PasswordLabel = "Entrez un mot de pass :";

// Tool tips of the picture buttons, which are their only names.
inline constexpr const char* OpenTip = "Ouvrir";
inline constexpr const char* AboutTip = "A propos";
inline constexpr const char* DownloadTip = "Centre de téléchargement";
inline constexpr const char* HelpTip = "Aide";
inline constexpr const char* CryptTip = "Cryptage";

// The menus and their items.
inline constexpr const char* FileMenu = "&Fichier";
inline constexpr const char* OpenItem = "&Ouvrir...";
inline constexpr const char* QuitItem = "&Quitter";
inline constexpr const char* OptionMenu = "&Option";
inline constexpr const char* SimpleItem = "&Cryptage Quibex";
inline constexpr const char* AdvancedItem = "C&ryptage avancé   (2048 bits)";
inline constexpr const char* HelpMenu = "&?";
inline constexpr const char* AboutItem = "A &propos...";
inline constexpr const char* HelpItem = "&Aide";
inline constexpr const char* DownloadItem = "Télécharger d'autres Utilitaires";

// The Encrypt command's own refusals.
inline constexpr const char* NoFileText = " Vous devez choisir un fichier à décrypter";
// A drop of several files, or of what is not a file (kind error, default
// title); a folder gets the job's own refusal.
inline constexpr const char* DropOneFile =
    "Déposez un seul fichier à la fois : la fenêtre traite un fichier à la fois.";
inline constexpr const char* NoFileTitle = " Fichier introuvable ";

// Names and descriptions read by assistive tools where the controls show none.
namespace spoken {
inline constexpr const char* PasswordName = "Mot de passe";
inline constexpr const char* PasswordHint = "Affiché en clair ; moins de 256 caractères";
inline constexpr const char* FileName = "Fichier choisi";
inline constexpr const char* FileHint = "Chemin du fichier à crypter ou à décrypter";
inline constexpr const char* BrowseHint = "Choisir le fichier à crypter ou à décrypter";
inline constexpr const char* CryptHint =
    "Demande le mot de passe, puis crypte ou décrypte le fichier choisi";
inline constexpr const char* QuitHint = "Fermer Quibex Crypto";
inline constexpr const char* Progress = "Progression";
inline constexpr const char* StatusHint = "État de l'opération";
inline constexpr const char* PercentHint = "Pourcentage effectué";
inline constexpr const char* CountHint = "Octets traités";
inline constexpr const char* SizeHint = "Taille du fichier en octets";
inline constexpr const char* Image1 = "Document et clé";
inline constexpr const char* Image2 = "Icône de Quibex Crypto";
} // namespace spoken

// The Help and About boxes.
// "0 octets cryptés sur", the count of a job that has not begun.
QString idleCount();
// A second start that could not give its file to the window already open.
inline constexpr const char* HandOverFailed =
    "Quibex Crypto est déjà ouvert, mais le fichier n'a pas pu lui être transmis.";

QString helpTitle();
QString helpText();
QString aboutTitle();
QString aboutText();
// The maker's page of other utilities: the site followed by "tele.htm".
QUrl downloadPage();

} // namespace quibex::window_texts
