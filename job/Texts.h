// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QString>

// The French texts of the file job and of the password conversion, in UTF-8,
// exactly as the window shows them.
namespace quibex::texts {

// One of these texts as the window shows it.
inline QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

inline constexpr const char* StatusEncrypting = "Cryptage en cours...";
inline constexpr const char* StatusDecrypting = "Décryptage en cours...";
inline constexpr const char* StatusIdle = "En attente...";
inline constexpr const char* CaptionCrypt = "Crypter";
// The status line at every step of the advanced key's expansion.
inline constexpr const char* ExpansionStatus = "Codage du mot de passe...";
// Count text: the byte count, then this; the size label beside it ends the sentence.
inline constexpr const char* CountSuffix = " octets cryptés sur ";
// The percentage label in the idle state (no blank, unlike the running "37 %").
inline constexpr const char* IdlePercent = "0%";
// Success: line 1, carriage return, line 2 followed by the output path.
inline constexpr const char* SuccessLine1 = "Opération effectuée avec succés.";
inline constexpr const char* SuccessLine2 = "Le fichier a été enregistré sous : ";
// %1: the output path. Lines are separated by a carriage return alone.
inline constexpr const char* OverwriteQuestion =
    "Le fichier %1 existe déjà.\rVoulez-vous le remplacer ?";

// The modes as the Option menu names them, without their access keys.
inline constexpr const char* ModeSimple = "Cryptage Quibex";
inline constexpr const char* ModeAdvanced = "Cryptage avancé   (2048 bits)";
// Asked before a decryption whose key seems wrong (Yes/No, No by default); a
// carriage return starts the second line. %1: the mode that seems to fit.
inline constexpr const char* OtherModeQuestion =
    "Ce fichier semble avoir été crypté en mode « %1 ». Choisissez ce mode dans le menu "
    "Option.\rDécrypter quand même avec le mode actuel ?";
// %1: the ending the name kept, as it stands in the name ("JPG").
inline constexpr const char* WrongKeyQuestion =
    "Le contenu décrypté ne ressemble pas à un fichier %1 : le mot de passe ou le mode est sans "
    "doute faux.\rDécrypter quand même ?";

// Refusals made by the job itself (kind error, default title); %1: a path.
inline constexpr const char* InputIsFolder =
    "Le chemin %1 désigne un dossier et non un fichier : choisissez un fichier.";
inline constexpr const char* InputNotRegular =
    "Le fichier %1 n'est pas un fichier ordinaire (tube, périphérique ou socket) : il ne peut "
    "pas être traité.";
// A file of /proc or /sys, or any file that reads more or fewer bytes than its
// size says: what it holds cannot be written as an output of its length.
inline constexpr const char* InputIsVirtual =
    "Le fichier %1 est un fichier virtuel du système, dont le contenu ne correspond pas à la "
    "taille annoncée : il ne peut pas être traité.";
inline constexpr const char* OutputIsInput =
    "Le fichier de sortie %1 est le fichier à traiter lui-même : il ne peut pas être remplacé.";
inline constexpr const char* OutputIsFolder =
    "Le chemin de sortie %1 désigne un dossier : il ne peut pas être remplacé.";
inline constexpr const char* OutputIsSpecial =
    "Le chemin de sortie %1 désigne un tube, un périphérique ou un socket : il ne peut pas être "
    "remplacé.";
inline constexpr const char* OutputOfAnotherUser =
    "Le fichier de sortie %1 appartient à un autre utilisateur, dans un dossier où seul son "
    "propriétaire peut le remplacer : il ne peut pas être remplacé.";
inline constexpr const char* TemporaryReplaced =
    "Le fichier temporaire de %1 a été remplacé par un autre pendant l'opération : aucun fichier "
    "n'a été enregistré.";
inline constexpr const char* InputChanged =
    "Le fichier %1 a été modifié pendant l'opération : aucun fichier n'a été enregistré.";
inline constexpr const char* InputReplaced = "Le fichier %1 n'est plus celui qui a été trouvé en "
                                             "parcourant son dossier (un autre fichier ou "
                                             "un lien a été mis à sa place) : il n'est pas traité.";
inline constexpr const char* FolderMoved =
    "Le dossier du fichier %1 a été déplacé ou remplacé pendant l'opération : aucun fichier n'a "
    "été enregistré.";
inline constexpr const char* NameNotConfirmed =
    "Le fichier %1 a été enregistré, mais le disque n'a pas confirmé qu'il y est bien : %2";
inline constexpr const char* EmptyKey = "Le mot de passe est vide.";

// The refusal of a password of 256 characters or more (kind error).
inline constexpr const char* PasswordTooLong =
    "Utilisez un mot de passe de moins de 256 caractères.";
// The Encrypt command's refusal of a password that Windows-1252 cannot
// represent (kind error, default title).
inline constexpr const char* UnsupportedPassword =
    "Le mot de passe contient des caractères qui ne sont pas pris en charge.";

} // namespace quibex::texts
