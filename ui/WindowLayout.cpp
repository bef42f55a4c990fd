// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/WindowLayout.h"

#include "job/Texts.h"
#include "ui/LegacyFonts.h"
#include "ui/Pictures.h"
#include "ui/SpokenPace.h"
#include "ui/WindowTexts.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexFrm.h"
#include "ui/controls/QuibexMenu.h"
#include "ui/controls/QuibexPBar.h"
#include "ui/controls/SeparatorLine.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <limits>

namespace quibex {

namespace {

namespace wt = window_texts;

const QColor FrameBeige{0xEF, 0xE7, 0xCE};
const QColor LabelNavy{0x00, 0x00, 0x80};
const QColor BarGreen{0x00, 0xC0, 0x00};
const QColor White{0xFF, 0xFF, 0xFF};
const QColor Magenta{0xFF, 0x00, 0xFF};
const QColor Pink{0xFF, 0x31, 0xCE};
constexpr QSize ClientArea{414, 242};
// A screen reader says a label's change in about a second; told more often,
// it falls behind the job.
constexpr std::chrono::milliseconds SpokenEvery{1000};

// The picture buttons of the top row, left to right in tab order.
struct ImageButtonRow
{
    QuibexCmd* WindowControls::*member;
    const char* name;
    const QString& picture;
    const QString& toolTip;
    int left;
    bool drawFocus;
};

const ImageButtonRow ImageButtons[] = {
    {&WindowControls::cmdOuvrir, "QuibexCmd1", pictures::CmdOuvrir, texts::text(wt::OpenTip), 16,
     true},
    {&WindowControls::cmdAPropos, "QuibexCmd2", pictures::CmdAPropos, texts::text(wt::AboutTip),
     176, false},
    {&WindowControls::cmdTelechargement, "QuibexCmd3", pictures::CmdTelechargement,
     texts::text(wt::DownloadTip), 96, false},
    {&WindowControls::cmdAide, "QuibexCmd4", pictures::CmdAide, texts::text(wt::HelpTip), 136,
     false},
    {&WindowControls::cmdCryptage, "QuibexCmd5", pictures::CmdCryptage, texts::text(wt::CryptTip),
     56, false},
};

using texts::text;

QuibexCmd* imageButton(QWidget* parent, const ImageButtonRow& row)
{
    auto* button = new QuibexCmd(parent);
    button->setObjectName(QLatin1String(row.name));
    button->setGeometry(row.left, 0, 25, 25);
    button->setButtonType(QuibexCmd::FlatType);
    button->setMaskColor(White);
    button->setPicture(pictures::image(row.picture), pictures::largeImage(row.picture));
    // The tool tip is the button's only text: screen readers read it as its name.
    button->setToolTip(row.toolTip);
    button->setMustDrawFocus(row.drawFocus);
    return button;
}

QuibexCmd* captionButton(QWidget* parent, const char* name, const QRect& place,
                         const QString& caption, const QFont& font)
{
    auto* button = new QuibexCmd(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    button->setCaption(caption);
    button->setFont(font);
    return button;
}

QLineEdit* textBox(QWidget* parent, const char* name, const QRect& place)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(place);
    box->setFont(legacy_fonts::arial(6.75));
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QLabel* label(QWidget* parent, const char* name, const QRect& place, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

// A label that sizes itself to its text, keeping its top-left corner.
QLabel* fittingLabel(QWidget* parent, const char* name, const QPoint& place, const QString& text,
                     const QFont& font)
{
    QLabel* fitting = label(parent, name, QRect(place, QSize()), text);
    fitting->setFont(font);
    fitting->adjustSize();
    return fitting;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLabel* picture(QWidget* parent, const char* name, int left, const QPixmap& pixmap,
                const QString& spoken)
{
    QLabel* shown = label(parent, name, QRect(left, 88, 32, 32), {});
    shown->setPixmap(pixmap);
    shown->setAlignment(Qt::AlignCenter);
    shown->setAccessibleName(spoken);
    return shown;
}

void line(QWidget* parent, const char* name, int y, const QColor& colour)
{
    auto* drawn = new SeparatorLine(parent);
    drawn->setObjectName(QLatin1String(name));
    // From x 0 to 6240 twips: a pixel past the client area's right edge.
    drawn->setGeometry(0, y, 416, 1);
    drawn->setFrameShape(QFrame::NoFrame);
    drawn->setAutoFillBackground(true);
    QPalette palette = drawn->palette();
    palette.setColor(QPalette::Window, colour);
    drawn->setPalette(palette);
}

QAction* menuItem(QMenu* menu, const QString& caption, const char* name,
                  const QKeySequence& shortcut = {})
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    item->setShortcut(shortcut);
    return item;
}

QMenu* menu(QMenuBar* bar, const QString& title, const char* name)
{
    QMenu* added = bar->addMenu(title);
    added->setObjectName(QLatin1String(name));
    return added;
}

class LayoutBuilder
{
public:
    explicit LayoutBuilder(QMainWindow& window) : m_window(window) {}

    WindowControls build()
    {
        auto* area = new QWidget(&m_window);
        area->setFixedSize(ClientArea);
        m_window.setCentralWidget(area);
        for (const ImageButtonRow& row : ImageButtons) {
            m_ui.*row.member = imageButton(area, row);
        }
        // An etched rule: window-text colour above, white below (y 440 and 450 twips).
        line(area, "Line1", 29, m_window.palette().color(QPalette::WindowText));
        line(area, "Line2", 30, White);
        buildFrame(area);
        buildMenus();
        buildMenuSkin();
        describeForAssistiveTools();
        setTabOrder();
        return m_ui;
    }

private:
    void buildFrame(QWidget* area)
    {
        m_ui.frame = new QuibexFrm(area);
        m_ui.frame->setObjectName(QStringLiteral("QuibexFrm1"));
        m_ui.frame->setGeometry(2, 33, 409, 209);
        m_ui.frame->setBackColor(FrameBeige);
        m_ui.frame->setCaption(texts::text(wt::FrameCaption));
        buildFrameControls(m_ui.frame);
        buildFrameLabels(m_ui.frame);
        // Drawn for the scale of the screen the window opens on.
        const qreal ratio = m_window.devicePixelRatioF();
        picture(m_ui.frame, "Image1", 64, pictures::pixmap(pictures::Image1, ratio),
                texts::text(wt::spoken::Image1));
        picture(m_ui.frame, "Image2", 304, m_window.windowIcon().pixmap(QSize(32, 32), ratio),
                texts::text(wt::spoken::Image2));
    }

    void buildFrameControls(QWidget* frame)
    {
        m_ui.btnCrypt = captionButton(frame, "btnCrypt", QRect(128, 88, 145, 33),
                                      texts::text(wt::CryptButton), legacy_fonts::verdana(9));
        m_ui.passwordBox = textBox(frame, "Motdepass", QRect(152, 64, 233, 19));
        m_ui.barre = new QuibexPBar(frame);
        m_ui.barre->setObjectName(QStringLiteral("barre_progression"));
        m_ui.barre->setGeometry(8, 152, 393, 17);
        m_ui.barre->setBarColor(BarGreen);
        m_ui.barre->setShowCaption(false);
        m_ui.barre->setSmoothScrolling(false);
        m_ui.fileSelected = textBox(frame, "fileSelected", QRect(112, 35, 273, 19));
        m_ui.fileSelected->setReadOnly(true);
        m_ui.btnParcourir =
            captionButton(frame, "btnParcourir", QRect(16, 32, 89, 25),
                          texts::text(wt::BrowseButton), legacy_fonts::verdana(8.25));
        m_ui.kovCommand1 = captionButton(frame, "KovCommand1", QRect(312, 176, 89, 25),
                                         texts::text(wt::QuitButton), legacy_fonts::verdana(8.25));
        m_ui.kovCommand1->setMaskColor(White);
        m_ui.kovCommand1->setPicture(pictures::image(pictures::Quitter),
                                     pictures::largeImage(pictures::Quitter));
        m_ui.kovCommand1->setCenterPicture(false);
    }

    void buildFrameLabels(QWidget* frame)
    {
        m_ui.passwordLabel =
            fittingLabel(frame, "motdepasss", QPoint(8, 67), texts::text(wt::PasswordLabel),
                         legacy_fonts::verdana(8.25, false, true));
        setTextColour(m_ui.passwordLabel, LabelNavy);
        m_ui.lbtaille = label(frame, "lbtaille", QRect(152, 184, 121, 17), QStringLiteral("0"));
        m_ui.lbtaille->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_ui.lbcryptes = label(frame, "lbcryptes", QRect(8, 184, 129, 25), wt::idleCount());
        m_ui.lbcryptes->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        m_ui.lbcryptes->setWordWrap(true);
        m_ui.pourcent = fittingLabel(frame, "pourcent", QPoint(192, 136), text(texts::IdlePercent),
                                     legacy_fonts::verdana(8.25, true));
        setTextColour(m_ui.pourcent, m_window.palette().color(QPalette::ToolTipText));
        m_ui.statusLabel = fittingLabel(frame, "statusLabel", QPoint(8, 128),
                                        text(texts::StatusIdle), legacy_fonts::verdana(8.25, true));
    }

    void buildMenus()
    {
        QMenuBar* bar = m_window.menuBar();
        // The menus belong to the window's fixed layout, never to a desktop-wide bar.
        bar->setNativeMenuBar(false);

        m_ui.menuFichier = menu(bar, texts::text(wt::FileMenu), "menu_fichier");
        m_ui.ouvrir = menuItem(m_ui.menuFichier, texts::text(wt::OpenItem), "menu_fichier_ouvrir",
                               QKeySequence(Qt::CTRL | Qt::Key_O));
        m_ui.menuFichier->addSeparator()->setObjectName(QStringLiteral("separateur"));
        m_ui.quitter = menuItem(m_ui.menuFichier, texts::text(wt::QuitItem), "menu_fichier_quitter",
                                QKeySequence(Qt::CTRL | Qt::Key_Q));

        m_ui.menuOption = menu(bar, texts::text(wt::OptionMenu), "menu_option");
        m_ui.simple = menuItem(m_ui.menuOption, texts::text(wt::SimpleItem), "menu_option_simple");
        m_ui.avance =
            menuItem(m_ui.menuOption, texts::text(wt::AdvancedItem), "menu_option_avance");
        // Exclusive: a click on the checked item leaves it checked.
        m_ui.modes = new QActionGroup(&m_window);
        m_ui.modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
        for (QAction* mode : {m_ui.simple, m_ui.avance}) {
            mode->setCheckable(true);
            m_ui.modes->addAction(mode);
        }
        m_ui.simple->setChecked(true);

        m_ui.menuAide = menu(bar, texts::text(wt::HelpMenu), "menu_aide");
        m_ui.aPropos = menuItem(m_ui.menuAide, texts::text(wt::AboutItem), "menu_aide_apropos",
                                QKeySequence(Qt::Key_F2));
        m_ui.help =
            menuItem(m_ui.menuAide, texts::text(wt::HelpItem), "help", QKeySequence(Qt::Key_F1));
        m_ui.menuAide->addSeparator()->setObjectName(QStringLiteral("z"));
        m_ui.tel =
            menuItem(m_ui.menuAide, texts::text(wt::DownloadItem), "tel", QKeySequence(Qt::Key_F3));
    }

    void buildMenuSkin()
    {
        m_ui.menuSkin = new QuibexMenu(&m_window);
        m_ui.menuSkin->setObjectName(QStringLiteral("QuibexMenu1"));
        m_ui.menuSkin->setFont(legacy_fonts::tahoma(8.25));
        const auto add = [this](const char* key, const QString& bitmap, const QColor& mask) {
            m_ui.menuSkin->addBitmap(QLatin1String(key), pictures::image(bitmap), mask,
                                     pictures::largeImage(bitmap));
        };
        add("#menu_fichier_ouvrir", pictures::MenuOuvrir, White);
        add("#menu_fichier_quitter", pictures::MenuQuitter, White);
        add("#menu_aide_apropos", pictures::MenuAPropos, Magenta);
        add("#help", pictures::MenuAide, Magenta);
        add("#tel", pictures::MenuTel, Pink);
        m_ui.menuSkin->attach(m_window.menuBar());
    }

    void describeForAssistiveTools()
    {
        namespace spoken = wt::spoken;
        // The buttons, the frame and the labels are named by their own texts,
        // the menus by their titles; "?" alone would say nothing.
        m_ui.passwordLabel->setBuddy(m_ui.passwordBox);
        m_ui.passwordBox->setAccessibleName(spoken::PasswordName);
        m_ui.passwordBox->setAccessibleDescription(spoken::PasswordHint);
        m_ui.fileSelected->setAccessibleName(spoken::FileName);
        m_ui.fileSelected->setAccessibleDescription(spoken::FileHint);
        m_ui.btnParcourir->setAccessibleDescription(spoken::BrowseHint);
        m_ui.btnCrypt->setAccessibleDescription(spoken::CryptHint);
        m_ui.kovCommand1->setAccessibleDescription(spoken::QuitHint);
        m_ui.barre->setAccessibleName(spoken::Progress);
        m_ui.statusLabel->setAccessibleDescription(spoken::StatusHint);
        m_ui.pourcent->setAccessibleDescription(spoken::PercentHint);
        m_ui.lbcryptes->setAccessibleDescription(spoken::CountHint);
        m_ui.lbtaille->setAccessibleDescription(spoken::SizeHint);
        m_ui.spokenPace = new SpokenPace(SpokenEvery, &m_window);
        m_ui.spokenPace->setObjectName(QStringLiteral("spokenPace"));
        for (QLabel* told : {m_ui.statusLabel, m_ui.pourcent, m_ui.lbcryptes, m_ui.lbtaille}) {
            m_ui.spokenPace->follow(told);
        }
        for (QMenu* titled : {m_ui.menuFichier, m_ui.menuOption}) {
            titled->setAccessibleName(QString(titled->title()).remove(QLatin1Char('&')));
        }
        m_ui.menuAide->setAccessibleName(texts::text(wt::HelpTip));
    }

    void setTabOrder()
    {
        // Ascending tab index; the frame, the labels and the bar take no focus.
        const QList<QWidget*> order{m_ui.fileSelected, m_ui.btnParcourir, m_ui.passwordBox,
                                    m_ui.cmdOuvrir,    m_ui.cmdAPropos,   m_ui.cmdTelechargement,
                                    m_ui.cmdAide,      m_ui.cmdCryptage,  m_ui.kovCommand1,
                                    m_ui.btnCrypt};
        for (qsizetype i = 0; i + 1 < order.size(); ++i) {
            QWidget::setTabOrder(order.at(i), order.at(i + 1));
        }
    }

    QMainWindow& m_window;
    WindowControls m_ui;
};

} // namespace

WindowControls buildWindowLayout(QMainWindow& window)
{
    return LayoutBuilder(window).build();
}

void setFittingText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

} // namespace quibex
