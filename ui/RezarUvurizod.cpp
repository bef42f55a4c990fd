#include "ui/RezarUvurizod.h"

#include "job/FileJob.h"
#include "job/OutputName.h"
#include "job/PasswordKey.h"
#include "ui/BusyPointer.h"
#include "ui/InfoTexts.h"
#include "ui/LegacyFonts.h"
#include "ui/Pictures.h"
#include "ui/StrayAccessKeys.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexFrm.h"
#include "ui/controls/QuibexMenu.h"
#include "ui/controls/QuibexPBar.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QScopeGuard>
#include <QScreen>

#include <limits>

namespace quibex {

namespace {

// The window's credit follows its name on the title bar.
const QString WindowTitle = QStringLiteral(" Quibex Crypto - réalisé par l'équipe Quibex");
const QColor FrameBeige{0xEF, 0xE7, 0xCE};
const QColor LabelNavy{0x00, 0x00, 0x80};
const QColor BarGreen{0x00, 0xC0, 0x00};
const QColor White{0xFF, 0xFF, 0xFF};
const QColor Magenta{0xFF, 0x00, 0xFF};
const QColor Pink{0xFF, 0x31, 0xCE};
constexpr QSize ClientArea{414, 242};

QuibexCmd* imageButton(QWidget* parent, const char* name, int left, const QString& picture,
                       const QString& toolTip, bool drawFocus)
{
    auto* button = new QuibexCmd(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, 0, 25, 25);
    button->setButtonType(QuibexCmd::FlatType);
    button->setMaskColor(White);
    button->setPicture(pictures::image(picture), pictures::largeImage(picture));
    // The tool tip is the button's only text: screen readers read it as its name.
    button->setToolTip(toolTip);
    button->setMustDrawFocus(drawFocus);
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

void setFittingText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLabel* picture(QWidget* parent, const char* name, int left, const QPixmap& pixmap)
{
    QLabel* shown = label(parent, name, QRect(left, 88, 32, 32), {});
    shown->setPixmap(pixmap);
    shown->setAlignment(Qt::AlignCenter);
    return shown;
}

QFrame* line(QWidget* parent, const char* name, int y, const QColor& colour)
{
    auto* drawn = new QFrame(parent);
    drawn->setObjectName(QLatin1String(name));
    // From x 0 to 6240 twips: a pixel past the client area's right edge.
    drawn->setGeometry(0, y, 416, 1);
    drawn->setFrameShape(QFrame::NoFrame);
    drawn->setAutoFillBackground(true);
    QPalette palette = drawn->palette();
    palette.setColor(QPalette::Window, colour);
    drawn->setPalette(palette);
    return drawn;
}

} // namespace

RezarUvurizod::RezarUvurizod(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint),
      m_dialog(FileOpenDialog::create(this))
{
    setObjectName(QStringLiteral("RezarUvurizod"));
    setWindowTitle(WindowTitle);
    setWindowIcon(pictures::windowIcon());
    setFont(legacy_fonts::msSansSerif(8.25));

    auto* area = new QWidget(this);
    area->setFixedSize(ClientArea);
    setCentralWidget(area);
    buildImageRow(area);
    buildSeparator(area);
    buildFrame(area);
    buildMenus();
    buildMenuSkin();
    describeForAssistiveTools();
    setTabOrder();
    wireCommands();
    // The only box that takes typing (the path box is read-only).
    m_motdepass->installEventFilter(new StrayAccessKeys(this));
    m_dialog->setDialogTitle(QStringLiteral("Fichier à crypter/décrypter"));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    startUp();
}

RezarUvurizod::~RezarUvurizod() = default;

void RezarUvurizod::buildImageRow(QWidget* area)
{
    m_cmdOuvrir =
        imageButton(area, "QuibexCmd1", 16, pictures::CmdOuvrir, QStringLiteral("Ouvrir"), true);
    m_cmdAPropos = imageButton(area, "QuibexCmd2", 176, pictures::CmdAPropos,
                               QStringLiteral("A propos"), false);
    m_cmdTelechargement = imageButton(area, "QuibexCmd3", 96, pictures::CmdTelechargement,
                                      QStringLiteral("Centre de téléchargement"), false);
    m_cmdAide =
        imageButton(area, "QuibexCmd4", 136, pictures::CmdAide, QStringLiteral("Aide"), false);
    m_cmdCryptage = imageButton(area, "QuibexCmd5", 56, pictures::CmdCryptage,
                                QStringLiteral("Cryptage"), false);
}

void RezarUvurizod::buildSeparator(QWidget* area)
{
    // An etched rule: window-text colour above, white below (y 440 and 450 twips).
    line(area, "Line1", 29, palette().color(QPalette::WindowText));
    line(area, "Line2", 30, White);
}

void RezarUvurizod::buildFrame(QWidget* area)
{
    m_frame = new QuibexFrm(area);
    m_frame->setObjectName(QStringLiteral("QuibexFrm1"));
    m_frame->setGeometry(2, 33, 409, 209);
    m_frame->setBackColor(FrameBeige);
    m_frame->setCaption(QStringLiteral(" Quibex Crypto :"));

    m_btnCrypt = captionButton(m_frame, "btnCrypt", QRect(128, 88, 145, 33),
                               QStringLiteral("&Crypter"), legacy_fonts::verdana(9));
    m_motdepass = textBox(m_frame, "Motdepass", QRect(152, 64, 233, 19));
    m_barre = new QuibexPBar(m_frame);
    m_barre->setObjectName(QStringLiteral("barre_progression"));
    m_barre->setGeometry(8, 152, 393, 17);
    m_barre->setBarColor(BarGreen);
    m_barre->setShowCaption(false);
    m_barre->setSmoothScrolling(false);
    m_fileSelected = textBox(m_frame, "fileSelected", QRect(112, 35, 273, 19));
    m_fileSelected->setReadOnly(true);
    m_btnParcourir = captionButton(m_frame, "btnParcourir", QRect(16, 32, 89, 25),
                                   QStringLiteral("&Parcourir :"), legacy_fonts::verdana(8.25));
    m_kovCommand1 = captionButton(m_frame, "KovCommand1", QRect(312, 176, 89, 25),
                                  QStringLiteral("&Quitter"), legacy_fonts::verdana(8.25));
    m_kovCommand1->setMaskColor(White);
    m_kovCommand1->setPicture(pictures::image(pictures::Quitter),
                              pictures::largeImage(pictures::Quitter));
    m_kovCommand1->setCenterPicture(false);
    buildFrameLabels();
    // Drawn for the scale of the screen the window opens on.
    const qreal ratio = devicePixelRatioF();
    picture(m_frame, "Image1", 64, pictures::pixmap(pictures::Image1, ratio));
    picture(m_frame, "Image2", 304, windowIcon().pixmap(QSize(32, 32), ratio));
}

void RezarUvurizod::buildFrameLabels()
{
    m_motdepasss = fittingLabel(m_frame, "motdepasss", QPoint(8, 67),
                                QStringLiteral("Entrez un mot de pass :"),
                                legacy_fonts::verdana(8.25, false, true));
    setTextColour(m_motdepasss, LabelNavy);
    m_lbtaille = label(m_frame, "lbtaille", QRect(152, 184, 121, 17), QStringLiteral("0"));
    m_lbtaille->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lbcryptes =
        label(m_frame, "lbcryptes", QRect(8, 184, 129, 25), QStringLiteral("0 octets cryptés sur"));
    m_lbcryptes->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_lbcryptes->setWordWrap(true);
    m_pourcent = fittingLabel(m_frame, "pourcent", QPoint(192, 136), QStringLiteral("0%"),
                              legacy_fonts::verdana(8.25, true));
    setTextColour(m_pourcent, palette().color(QPalette::ToolTipText));
    m_statusLabel =
        fittingLabel(m_frame, "statusLabel", QPoint(8, 128), QStringLiteral("En attente..."),
                     legacy_fonts::verdana(8.25, true));
}

void RezarUvurizod::buildMenus()
{
    QMenuBar* bar = menuBar();
    // The menus belong to the window's fixed layout, never to a desktop-wide bar.
    bar->setNativeMenuBar(false);

    m_menuFichier = bar->addMenu(QStringLiteral("&Fichier"));
    m_menuFichier->setObjectName(QStringLiteral("menu_fichier"));
    m_ouvrir = m_menuFichier->addAction(QStringLiteral("&Ouvrir..."));
    m_ouvrir->setObjectName(QStringLiteral("menu_fichier_ouvrir"));
    m_ouvrir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_menuFichier->addSeparator()->setObjectName(QStringLiteral("separateur"));
    m_quitter = m_menuFichier->addAction(QStringLiteral("&Quitter"));
    m_quitter->setObjectName(QStringLiteral("menu_fichier_quitter"));
    m_quitter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    m_menuOption = bar->addMenu(QStringLiteral("&Option"));
    m_menuOption->setObjectName(QStringLiteral("menu_option"));
    m_simple = m_menuOption->addAction(QStringLiteral("&Cryptage Quibex"));
    m_simple->setObjectName(QStringLiteral("menu_option_simple"));
    m_avance = m_menuOption->addAction(QStringLiteral("C&ryptage avancé   (2048 bits)"));
    m_avance->setObjectName(QStringLiteral("menu_option_avance"));
    // Exclusive: a click on the checked item leaves it checked.
    m_modes = new QActionGroup(this);
    m_modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* mode : {m_simple, m_avance}) {
        mode->setCheckable(true);
        m_modes->addAction(mode);
    }
    m_simple->setChecked(true);

    m_menuAide = bar->addMenu(QStringLiteral("&?"));
    m_menuAide->setObjectName(QStringLiteral("menu_aide"));
    m_aPropos = m_menuAide->addAction(QStringLiteral("A &propos..."));
    m_aPropos->setObjectName(QStringLiteral("menu_aide_apropos"));
    m_aPropos->setShortcut(QKeySequence(Qt::Key_F2));
    m_help = m_menuAide->addAction(QStringLiteral("&Aide"));
    m_help->setObjectName(QStringLiteral("help"));
    m_help->setShortcut(QKeySequence(Qt::Key_F1));
    m_menuAide->addSeparator()->setObjectName(QStringLiteral("z"));
    m_tel = m_menuAide->addAction(QStringLiteral("Télécharger d'autres Utilitaires"));
    m_tel->setObjectName(QStringLiteral("tel"));
    m_tel->setShortcut(QKeySequence(Qt::Key_F3));
}

void RezarUvurizod::buildMenuSkin()
{
    m_menuSkin = new QuibexMenu(this);
    m_menuSkin->setObjectName(QStringLiteral("QuibexMenu1"));
    m_menuSkin->setFont(legacy_fonts::tahoma(8.25));
    const auto add = [this](const char* key, const QString& bitmap, const QColor& mask) {
        m_menuSkin->addBitmap(QLatin1String(key), pictures::image(bitmap), mask,
                              pictures::largeImage(bitmap));
    };
    add("#menu_fichier_ouvrir", pictures::MenuOuvrir, White);
    add("#menu_fichier_quitter", pictures::MenuQuitter, White);
    add("#menu_aide_apropos", pictures::MenuAPropos, Magenta);
    add("#help", pictures::MenuAide, Magenta);
    add("#tel", pictures::MenuTel, Pink);
    m_menuSkin->attach(menuBar());
}

void RezarUvurizod::describeForAssistiveTools()
{
    // The buttons, the frame and the labels are named by their own texts.
    m_motdepasss->setBuddy(m_motdepass);
    m_motdepass->setAccessibleName(QStringLiteral("Mot de passe"));
    m_motdepass->setAccessibleDescription(
        QStringLiteral("Affiché en clair ; moins de 256 caractères"));
    m_fileSelected->setAccessibleName(QStringLiteral("Fichier choisi"));
    m_fileSelected->setAccessibleDescription(
        QStringLiteral("Chemin du fichier à crypter ou à décrypter"));
    m_btnParcourir->setAccessibleDescription(
        QStringLiteral("Choisir le fichier à crypter ou à décrypter"));
    m_btnCrypt->setAccessibleDescription(
        QStringLiteral("Demande le mot de passe, puis crypte ou décrypte le fichier choisi"));
    m_kovCommand1->setAccessibleDescription(QStringLiteral("Fermer Quibex Crypto"));
    m_barre->setAccessibleName(QStringLiteral("Progression"));
    m_statusLabel->setAccessibleDescription(QStringLiteral("État de l'opération"));
    m_pourcent->setAccessibleDescription(QStringLiteral("Pourcentage effectué"));
    m_lbcryptes->setAccessibleDescription(QStringLiteral("Octets traités"));
    m_lbtaille->setAccessibleDescription(QStringLiteral("Taille du fichier en octets"));
    const QList<std::pair<const char*, QString>> others{
        {"Image1", QStringLiteral("Document et clé")},
        {"Image2", QStringLiteral("Icône de Quibex Crypto")},
        {"Line1", QStringLiteral("Séparateur")},
        {"Line2", QStringLiteral("Séparateur")},
    };
    for (const auto& [name, spoken] : others) {
        findChild<QWidget*>(QLatin1String(name))->setAccessibleName(spoken);
    }
    m_menuFichier->setAccessibleName(QStringLiteral("Fichier"));
    m_menuOption->setAccessibleName(QStringLiteral("Option"));
    m_menuAide->setAccessibleName(QStringLiteral("Aide"));
}

void RezarUvurizod::setTabOrder()
{
    // Ascending tab index; the frame, the labels and the bar take no focus.
    const QList<QWidget*> order{m_fileSelected, m_btnParcourir,      m_motdepass, m_cmdOuvrir,
                                m_cmdAPropos,   m_cmdTelechargement, m_cmdAide,   m_cmdCryptage,
                                m_kovCommand1,  m_btnCrypt};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
    }
}

void RezarUvurizod::wireCommands()
{
    // Image buttons run the procedures themselves, so they work while their
    // counterparts are disabled during a job.
    for (QuibexCmd* trigger : {m_btnParcourir, m_cmdOuvrir}) {
        connect(trigger, &QuibexCmd::clicked, this, &RezarUvurizod::parcourir);
    }
    connect(m_ouvrir, &QAction::triggered, this, &RezarUvurizod::parcourir);
    for (QuibexCmd* trigger : {m_btnCrypt, m_cmdCryptage}) {
        connect(trigger, &QuibexCmd::clicked, this, &RezarUvurizod::crypter);
    }
    connect(m_kovCommand1, &QuibexCmd::clicked, this, &RezarUvurizod::fermer);
    connect(m_quitter, &QAction::triggered, this, &RezarUvurizod::quitter);
    connect(m_simple, &QAction::triggered, this, &RezarUvurizod::modeSimple);
    connect(m_avance, &QAction::triggered, this, &RezarUvurizod::modeAvance);
    connect(m_aPropos, &QAction::triggered, this, &RezarUvurizod::aPropos);
    connect(m_cmdAPropos, &QuibexCmd::clicked, this, &RezarUvurizod::aPropos);
    connect(m_help, &QAction::triggered, this, &RezarUvurizod::aide);
    connect(m_cmdAide, &QuibexCmd::clicked, this, &RezarUvurizod::aide);
    connect(m_tel, &QAction::triggered, this, &RezarUvurizod::telecharger);
    connect(m_cmdTelechargement, &QuibexCmd::clicked, this, &RezarUvurizod::telecharger);
}

void RezarUvurizod::startUp()
{
    // The close box is already left out by the window flags.
    m_motdepass->hide();
    m_motdepasss->hide();
    m_fileSelected->setFocus();
}

QPointF RezarUvurizod::centredPosition(const QSizeF& screen, const QSizeF& window)
{
    const float left =
        (static_cast<float>(screen.width()) - static_cast<float>(window.width())) / 2.0F;
    const float top =
        (static_cast<float>(screen.height()) - static_cast<float>(window.height())) / 2.0F;
    return {left, top};
}

void RezarUvurizod::centre()
{
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr) {
        return;
    }
    const QRect whole = shown->geometry();
    const QPointF corner = centredPosition(whole.size(), frameGeometry().size());
    move(whole.topLeft() + corner.toPoint());
}

void RezarUvurizod::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The outer size is known only once the window manager has framed the
    // window: centre again, once, on the real frame.
    if (!m_frameCentred && isVisible() && frameGeometry().size() != size()) {
        m_frameCentred = true;
        centre();
    }
}

void RezarUvurizod::closeEvent(QCloseEvent* event)
{
    if (m_closeAllowed) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
}

void RezarUvurizod::dec_crypt(const QString& file, const QByteArray& key)
{
    quibex::dec_crypt(*this, file, key, m_jobOptions);
}

void RezarUvurizod::raz()
{
    quibex::raz(*this);
}

bool RezarUvurizod::advancedMode() const
{
    return m_avance->isChecked();
}

void RezarUvurizod::parcourir()
{
    // Set on every run, and the earlier choice dropped before the dialog opens.
    m_dialog->setFilter(QStringLiteral("Tous les fichiers (*.*)|*.*"));
    m_dialog->setFileName(QString());
    if (m_dialog->show() == FileOpenDialog::CancelError) {
        return;
    }
    const BusyPointer busy;
    const QString selection = m_dialog->fileName();
    m_fileSelected->setText(selection);
    // Only a hint: the job itself reads the direction from the name.
    if (isDecryptionPath(selection)) {
        setCryptCaption(QStringLiteral("Décrypter"));
    }
}

void RezarUvurizod::crypter()
{
    // Only the image button reaches here during a job; one job at a time.
    if (isJobRunning()) {
        refuseStart();
        return;
    }
    if (m_fileSelected->text().isEmpty()) {
        message(QStringLiteral(" Vous devez choisir un fichier à décrypter"),
                MessageKind::Information, QStringLiteral(" Fichier introuvable "));
        return;
    }
    setPasswordEntryVisible(true);
    m_motdepass->setFocus();
    // The first press of a run only reveals the entry.
    const QString password = m_motdepass->text();
    if (password.isEmpty()) {
        return;
    }
    if (passwordTooLong(password)) {
        return;
    }
    std::optional<QByteArray> codes = passwordToKey(password);
    if (!codes) {
        message(unsupportedPasswordMessage(), MessageKind::Error);
        return;
    }
    // The codes and the key go with the command, however it ends.
    const auto wiped = qScopeGuard([&codes] { wipeSecret(*codes); });
    if (m_expanding) {
        refuseStart();
        return;
    }
    std::optional<QByteArray> key = keyFor(*codes);
    if (!key) {
        return;
    }
    const auto keyWiped = qScopeGuard([&key] { wipeSecret(*key); });
    // The selection as it is now: a Browse during the expansion changed it.
    dec_crypt(m_dialog->fileName(), *key);
}

bool RezarUvurizod::passwordTooLong(const QString& password)
{
    // Counted in characters as the user sees them, not in UTF-16 units.
    if (password.toUcs4().size() < 256) {
        return false;
    }
    message(QStringLiteral("Utilisez un mot de passe de moins de 256 caractères."),
            MessageKind::Error);
    return true;
}

std::optional<QByteArray> RezarUvurizod::keyFor(const QByteArray& passwordCodes)
{
    // The mode is read once: a click in the Option menu during the expansion
    // is for the next run.
    if (!advancedMode()) {
        return passwordCodes;
    }
    QByteArray key;
    {
        m_expanding = true;
        const auto expanded = qScopeGuard([this] { m_expanding = false; });
        key = expandKeyOnView(*this, passwordCodes);
    }
    // A Quit during the expansion's yields ends the program: no job then.
    if (endRequested()) {
        return std::nullopt;
    }
    return key;
}

void RezarUvurizod::refuseStart()
{
    QApplication::beep();
}

void RezarUvurizod::aide()
{
    message(info::helpText(), MessageKind::Information, info::helpTitle());
}

void RezarUvurizod::aPropos()
{
    message(info::aboutText(), MessageKind::Information, info::aboutTitle());
}

void RezarUvurizod::telecharger()
{
    // Whether a browser opened the page or not, nothing is reported.
    QDesktopServices::openUrl(info::downloadPage());
}

void RezarUvurizod::quitter()
{
    endProgram();
    // The program ends even if another window or box is still up; a job
    // running below stops at its next yield.
    QCoreApplication::exit(0);
}

void RezarUvurizod::fermer()
{
    endProgram();
}

void RezarUvurizod::endProgram()
{
    m_endRequested = true;
    m_closeAllowed = true;
    close();
}

void RezarUvurizod::modeSimple()
{
    m_simple->setChecked(true);
}

void RezarUvurizod::modeAvance()
{
    m_avance->setChecked(true);
}

void RezarUvurizod::setCommandsEnabled(bool on)
{
    m_btnCrypt->setEnabled(on);
    m_btnParcourir->setEnabled(on);
    m_ouvrir->setEnabled(on);
    m_menuOption->menuAction()->setEnabled(on);
    m_modes->setEnabled(on);
}

void RezarUvurizod::setCryptCaption(const QString& text)
{
    m_btnCrypt->setCaption(text);
}

void RezarUvurizod::setStatus(const QString& text)
{
    setFittingText(m_statusLabel, text);
}

void RezarUvurizod::setSizeText(const QString& text)
{
    m_lbtaille->setText(text);
}

void RezarUvurizod::setCountText(const QString& text)
{
    m_lbcryptes->setText(text);
}

void RezarUvurizod::showPercentage(int percent)
{
    setProgress(percent);
    setPercentText(QStringLiteral("%1 %").arg(percent));
}

void RezarUvurizod::setProgress(int percent)
{
    m_barre->setValue(percent);
}

void RezarUvurizod::setPercentText(const QString& text)
{
    setFittingText(m_pourcent, text);
}

void RezarUvurizod::setPasswordEntryVisible(bool on)
{
    m_motdepass->setVisible(on);
    m_motdepasss->setVisible(on);
}

void RezarUvurizod::setPasswordText(const QString& text)
{
    m_motdepass->setText(text);
}

void RezarUvurizod::yield()
{
    QCoreApplication::processEvents();
}

void RezarUvurizod::message(const QString& text, MessageKind kind, const QString& title)
{
    MessageBox::Kind shown = MessageBox::Kind::None;
    if (kind == MessageKind::Information) {
        shown = MessageBox::Kind::Information;
    } else if (kind == MessageKind::Error) {
        shown = MessageBox::Kind::Error;
    }
    MessageBox::message(this, text, shown, title);
}

bool RezarUvurizod::question(const QString& text, const QString& title)
{
    return MessageBox::question(this, text, title) == MessageBox::Answer::Yes;
}

bool RezarUvurizod::endRequested() const
{
    return m_endRequested;
}

} // namespace quibex
