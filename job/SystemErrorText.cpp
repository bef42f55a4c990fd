// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/FileJob.h"

#include <cerrno>
#include <utility>

namespace quibex {

namespace {

// In French whatever the system's language: the messages around them are.
constexpr std::pair<int, const char*> Descriptions[] = {
    {EPERM, "Opération non permise"},
    {ENOENT, "Aucun fichier ou dossier de ce nom"},
    {EIO, "Erreur d'entrée-sortie"},
    {ENXIO, "Aucun périphérique ou adresse"},
    {EBADF, "Descripteur de fichier incorrect"},
    {EAGAIN, "Ressource momentanément indisponible"},
    {ENOMEM, "Mémoire insuffisante"},
    {EACCES, "Permission refusée"},
    {EBUSY, "Périphérique ou ressource occupé"},
    {EEXIST, "Le fichier existe déjà"},
    {EXDEV, "Lien entre des systèmes de fichiers différents"},
    {ENODEV, "Aucun périphérique de ce type"},
    {ENOTDIR, "Ce n'est pas un dossier"},
    {EISDIR, "C'est un dossier"},
    {EINVAL, "Argument invalide"},
    {ENFILE, "Trop de fichiers ouverts dans le système"},
    {EMFILE, "Trop de fichiers ouverts"},
    {ETXTBSY, "Fichier texte occupé"},
    {EFBIG, "Fichier trop volumineux"},
    {ENOSPC, "Aucun espace disponible sur le périphérique"},
    {ESPIPE, "Déplacement impossible dans ce fichier"},
    {EROFS, "Système de fichiers en lecture seule"},
    {EMLINK, "Trop de liens"},
    {EPIPE, "Tube cassé : le programme qui lisait s'est arrêté"},
    {ENAMETOOLONG, "Nom de fichier trop long"},
    {ENOTEMPTY, "Dossier non vide"},
    {ELOOP, "Trop de niveaux de liens symboliques"},
    {EOVERFLOW, "Valeur trop grande pour le type de données"},
    {EOPNOTSUPP, "Opération non prise en charge"},
    {ETIMEDOUT, "Délai d'attente dépassé"},
    {ESTALE, "Descripteur de fichier NFS obsolète"},
    {EDQUOT, "Quota de disque dépassé"},
    {ENOTCONN, "Le point de transport n'est pas connecté"},
    {EINTR, "Appel système interrompu"},
};

} // namespace

QString systemErrorText(int error)
{
    for (const auto& [code, description] : Descriptions) {
        if (code == error) {
            return QString::fromUtf8(description);
        }
    }
    return QStringLiteral("Erreur du système n° %1").arg(error);
}

} // namespace quibex
