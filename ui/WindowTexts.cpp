// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/WindowTexts.h"

#include "job/Texts.h"
#include "ui/Site.h"

#include <QStringList>

namespace quibex::window_texts {

namespace {

QString contactLine()
{
    return QStringLiteral("E-mail : ") + QString::fromUtf8(site::Contact);
}

QString siteLine()
{
    return QStringLiteral("Site web : ") + QString::fromUtf8(site::Url);
}

QString rule(int length)
{
    return QString(length, QLatin1Char('_'));
}

QString lines(const QStringList& list)
{
    return list.join(QLatin1Char('\r'));
}

} // namespace

QString idleCount()
{
    return (QStringLiteral("0") + texts::text(texts::CountSuffix)).trimmed();
}

QString helpTitle()
{
    return QStringLiteral(" Aide - Quibex Crypto 2.5 ");
}

QString helpText()
{
    return lines({
        QStringLiteral(" Quibex Crypto est logiciel très facile à utiliser, et très efficace :"),
        QString(),
        QStringLiteral("  -  Quibex Crypto, a pour but de sécuriser les fichiers et programmes "
                       "afin d'éviter "),
        QStringLiteral("à quiconque n'est pas autorisé de pouvoir lire, modifier ou utiliser le "
                       "fichier. Dans "),
        QStringLiteral("sa version actuel,  Quibex Crypto peut crypter jusqu'à 2048 bits "
                       "(l'équivalent d'un"),
        QStringLiteral(" mot de passe de 256 caractères) n'importe quel sorte de fichier ou "
                       "programme."),
        QString(),
        QStringLiteral("  -  Quibex Crypto Décrypte les fichiers avec une nouvelle extension : "),
        QStringLiteral("le_nom_du_fichier.qbc, et décrypte sous l'extension :*.cbq"),
        rule(62),
        QString(),
        QStringLiteral("Quibex Crypto a été conçu et réalisé par l'équipe Quibex Crypto."),
        QStringLiteral("Pour toute question ou suggestion, écrivez-nous :"),
        contactLine(),
        siteLine(),
    });
}

QString aboutTitle()
{
    return QStringLiteral(" A propos - Quibex Crypto 2.5");
}

QString aboutText()
{
    return lines({
        QStringLiteral(" Quibex Crypto est un logiciel de cryptage professionnel"),
        QString(),
        QStringLiteral("Créer pour vous aider à sécuriser vos données que"),
        QStringLiteral("se soit sur internet ou même sur votre PC, et le "),
        QStringLiteral("fichier crypté sera de la même taille du fichier "),
        QStringLiteral("d'origine ."),
        rule(40),
        QString(),
        QStringLiteral("Quibex Crypto version 2.5"),
        QStringLiteral("Réalisé par l'équipe Quibex Crypto"),
        QString(),
        QStringLiteral("Copyright © l'équipe Quibex Crypto"),
        contactLine(),
        siteLine(),
    });
}

QUrl downloadPage()
{
    QString address = QString::fromUtf8(site::Url);
    // A site set without its final slash still leads to the page, not beside it.
    if (!address.endsWith(QLatin1Char('/'))) {
        address += QLatin1Char('/');
    }
    return QUrl(address + QStringLiteral("tele.htm"));
}

} // namespace quibex::window_texts
