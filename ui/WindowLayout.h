// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QString;

namespace quibex {

class QuibexCmd;
class QuibexFrm;
class QuibexMenu;
class QuibexPBar;
class SpokenPace;

// The controls and menu items of the window, each under the name it carries
// as its object name (the password box and its label excepted).
struct WindowControls
{
    QuibexFrm* frame = nullptr;
    QuibexCmd* btnCrypt = nullptr;
    QuibexCmd* btnParcourir = nullptr;
    QuibexCmd* kovCommand1 = nullptr;
    QuibexCmd* cmdOuvrir = nullptr;
    QuibexCmd* cmdAPropos = nullptr;
    QuibexCmd* cmdTelechargement = nullptr;
    QuibexCmd* cmdAide = nullptr;
    QuibexCmd* cmdCryptage = nullptr;
    // "Motdepass" and "motdepasss".
    QLineEdit* passwordBox = nullptr;
    QLabel* passwordLabel = nullptr;
    QLineEdit* fileSelected = nullptr;
    QuibexPBar* barre = nullptr;
    QLabel* lbtaille = nullptr;
    QLabel* lbcryptes = nullptr;
    QLabel* pourcent = nullptr;
    QLabel* statusLabel = nullptr;
    // How the four labels above are told to assistive tools.
    SpokenPace* spokenPace = nullptr;

    QMenu* menuFichier = nullptr;
    QMenu* menuOption = nullptr;
    QMenu* menuAide = nullptr;
    QAction* ouvrir = nullptr;
    QAction* quitter = nullptr;
    QAction* simple = nullptr;
    QAction* avance = nullptr;
    QActionGroup* modes = nullptr;
    QAction* aPropos = nullptr;
    QAction* help = nullptr;
    QAction* tel = nullptr;
    QuibexMenu* menuSkin = nullptr;
};

// Builds the window's fixed layout on window, which owns every part: the
// controls at their places with their fonts, colours and texts, the menus
// and their skin, the names read by assistive tools and the tab order.
WindowControls buildWindowLayout(QMainWindow& window);

// Sets a label's text and sizes the label to it, keeping its top-left corner.
void setFittingText(QLabel* label, const QString& text);

} // namespace quibex
