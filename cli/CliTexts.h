// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

// The command line's own French texts, in UTF-8 and in the form of the
// job's (texts::text makes one a QString), in the tone of the window's.
namespace quibex::cli {

inline constexpr const char* Description =
    "Crypte et décrypte des fichiers au format de Quibex Crypto, un par un ou par dossiers.";
inline constexpr const char* HelpHelp = "Affiche cette aide.";
inline constexpr const char* VersionHelp = "Affiche la version.";
inline constexpr const char* CommandHelp = "encrypt, decrypt ou check";
inline constexpr const char* PathsHelp = "Les fichiers ou dossiers à traiter.";
inline constexpr const char* AdvancedHelp = "Mode « Cryptage avancé (2048 bits) ».";
inline constexpr const char* SimpleHelp = "Mode « Cryptage Quibex » (simple).";
inline constexpr const char* RecursiveHelp =
    "Parcourt les dossiers (sans suivre les liens vers des dossiers).";
inline constexpr const char* ForceHelp =
    "Remplace les fichiers existants sans demander, et décrypte même quand le contenu semble faux.";
inline constexpr const char* NoClobberHelp = "Ne remplace jamais un fichier existant.";
inline constexpr const char* OutputHelp =
    "Le fichier produit, pour un seul fichier ; « - » pour la sortie standard.";
inline constexpr const char* QuietHelp = "N'affiche que les erreurs.";
inline constexpr const char* PasswordFileHelp =
    "Lit le mot de passe sur la première ligne de FICHIER.";
inline constexpr const char* PasswordFdHelp = "Lit le mot de passe sur le descripteur N.";

inline constexpr const char* UnknownCommand = "Commande inconnue : %1 (encrypt, decrypt ou check).";
inline constexpr const char* NoPath = "Aucun fichier à traiter.";
inline constexpr const char* BothModes = "--simple et --advanced s'excluent.";
inline constexpr const char* ForceAndNoClobber = "--force et --no-clobber s'excluent.";
inline constexpr const char* OutputForOne = "-o ne vaut que pour un seul fichier, sans -r.";
inline constexpr const char* OutputToTerminal =
    "La sortie standard est un terminal : redirigez-la vers un fichier ou un programme.";
inline constexpr const char* NotADescriptor =
    "--password-fd attend le numéro d'un descripteur ouvert, pas « %1 ».";
inline constexpr const char* TwoPasswordSources = "--password-file et --password-fd s'excluent.";
inline constexpr const char* NoTerminal =
    "Pas de terminal pour demander le mot de passe : utilisez --password-file ou --password-fd.";
inline constexpr const char* PasswordUnreadable = "Le mot de passe n'a pas pu être lu : %1";
inline constexpr const char* PasswordEmpty = "Le mot de passe est vide.";
inline constexpr const char* PasswordsDiffer = "Les deux mots de passe diffèrent.";
inline constexpr const char* PasswordPrompt = "Mot de passe : ";
inline constexpr const char* PasswordAgain = "Confirmez le mot de passe : ";

inline constexpr const char* IsFolder = "c'est un dossier : utilisez -r pour le parcourir.";
inline constexpr const char* SpecialSkipped =
    "ce n'est pas un fichier ordinaire (tube, périphérique ou socket) : il est ignoré.";
inline constexpr const char* ExistsKept =
    "le fichier produit existe déjà : il est gardé (--force pour le remplacer).";
inline constexpr const char* ExistsNoClobber = "le fichier produit existe déjà : il est gardé.";
inline constexpr const char* ModeUnknown =
    "impossible de savoir dans quel mode il a été crypté : donnez --simple ou --advanced.";
inline constexpr const char* OtherMode =
    "il semble avoir été crypté dans l'autre mode (--force pour décrypter quand même).";
inline constexpr const char* WrongKey =
    "le contenu décrypté ne ressemble pas à ce que dit son nom : le mot de passe ou le mode est "
    "sans doute faux (--force pour décrypter quand même).";
inline constexpr const char* WrongKeyNoMode =
    "le contenu décrypté ne ressemble pas à ce que dit son nom dans aucun des deux modes : le mot "
    "de passe est sans doute faux (--force avec --simple ou --advanced pour décrypter quand même).";
inline constexpr const char* Missing = "ce fichier n'existe pas.";
inline constexpr const char* DanglingLink = "c'est un lien vers un fichier qui n'existe pas.";
inline constexpr const char* LinkSkipped =
    "c'est un lien : un parcours ne suit pas les liens, il est ignoré (donnez-le par son nom pour "
    "le traiter).";
inline constexpr const char* Unreadable = "ce fichier ne peut pas être lu : %1";
inline constexpr const char* FolderUnreadable = "ce dossier ne peut pas être parcouru : %1";
inline constexpr const char* NameNotUtf8 =
    "son nom n'est pas écrit en UTF-8 : qbc ne peut pas le traiter, il est ignoré.";
inline constexpr const char* AlreadyEncrypted =
    "il est déjà crypté (.qbc) : utilisez decrypt pour le décrypter.";
inline constexpr const char* NotEncrypted =
    "ce n'est pas un fichier crypté (.qbc) : utilisez encrypt pour le crypter.";
inline constexpr const char* SameOutput =
    "son fichier produit, %1, serait aussi celui de %2 : il n'est pas traité (renommez l'un des "
    "deux).";
inline constexpr const char* OutputIsInput =
    "la sortie standard est ce fichier même : rien n'est écrit.";
inline constexpr const char* Summary = "%1 fait(s), %2 refusé(s), %3 en échec.";

} // namespace quibex::cli
