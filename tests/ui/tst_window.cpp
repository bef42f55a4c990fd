// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/FileJob.h"
#include "tests/support/ScriptedFileOpenDialog.h"
#include "tests/support/WindowTestSupport.h"
#include "ui/Application.h"
#include "ui/EndSignals.h"
#include "ui/RezarUvurizod.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexFrm.h"
#include "ui/controls/QuibexPBar.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cerrno>
#include <csignal>
#include <unistd.h>

using namespace quibex;

namespace {

QSize textSize(const QWidget* widget, const QString& text)
{
    return widget->fontMetrics().size(Qt::TextShowMnemonic, text);
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void startState();
    void geometry_data();
    void geometry();
    void clientAreaAndFixedSize();
    void fonts_data();
    void fonts();
    void textsFit_data();
    void textsFit();
    void colours();
    void pictures_data();
    void pictures();
    void picturesFollowTheScreenScale();
    void tabOrder();
    void menuTree_data();
    void menuTree();
    void triggers_data();
    void triggers();
    void shortcuts_data();
    void shortcuts();
    void accessKeys_data();
    void accessKeys();
    void menuAccessKeysOpenMenus_data();
    void menuAccessKeysOpenMenus();
    void modeMenu_data();
    void modeMenu();
    void pathBoxIsReadOnlyButCopyable();
    void passwordBoxShowsAnyLength();
    void jobViewDrivesTheControls();
    void jobViewMessagesAndYield();
    void qtTextsAreFrench();
    void closeRequestsAreIgnored();
    void quitCommandsEndTheProgram_data();
    void quitCommandsEndTheProgram();
    void endSignalsHandledAsTheSystemExpects();
    void quitDuringARealJobLeavesNoFile_data();
    void quitDuringARealJobLeavesNoFile();
    void centredPosition_data();
    void centredPosition();
    void centreUsesTheWholeScreen();
};

void TestWindow::initTestCase()
{
    setUpApplication(*qApp);
    ScriptedFileOpenDialog::reset();
}

void TestWindow::cleanup()
{
    testBoxes().clearNextAnswers();
}

void TestWindow::startState()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));

    QVERIFY(window.windowTitle().startsWith(QStringLiteral(" Quibex Crypto ")));
    QCOMPARE(control<QuibexFrm>(window, QStringLiteral("QuibexFrm1"))->caption(),
             QStringLiteral(" Quibex Crypto :"));
    const QList<std::pair<const char*, const char*>> labels{
        {"statusLabel", "En attente..."},
        {"pourcent", "0%"},
        {"lbcryptes", "0 octets cryptés sur"},
        {"lbtaille", "0"},
        {"motdepasss", "Entrez un mot de pass :"}};
    for (const auto& [name, text] : labels) {
        QCOMPARE(control<QLabel>(window, QLatin1String(name))->text(), QString::fromUtf8(text));
    }
    const QList<std::pair<const char*, const char*>> captions{
        {"btnCrypt", "&Crypter"}, {"btnParcourir", "&Parcourir :"}, {"KovCommand1", "&Quitter"}};
    for (const auto& [name, caption] : captions) {
        QCOMPARE(control<QuibexCmd>(window, QLatin1String(name))->caption(),
                 QString::fromUtf8(caption));
    }
    QCOMPARE(control<QLineEdit>(window, QStringLiteral("fileSelected"))->text(), QString());
    QCOMPARE(control<QuibexPBar>(window, QStringLiteral("barre_progression"))->value(), 0);
    QVERIFY(control<QLineEdit>(window, QStringLiteral("Motdepass"))->isHidden());
    QVERIFY(control<QLabel>(window, QStringLiteral("motdepasss"))->isHidden());
    QVERIFY(control<QAction>(window, QStringLiteral("menu_option_simple"))->isChecked());
    QVERIFY(!control<QAction>(window, QStringLiteral("menu_option_avance"))->isChecked());
    QVERIFY(!window.advancedMode());
    QCOMPARE(window.dialog().dialogTitle(), QStringLiteral("Fichier à crypter/décrypter"));
    // The first control of the tab order that can take the focus.
    QCOMPARE(QApplication::focusWidget(), control<QWidget>(window, QStringLiteral("fileSelected")));
}

void TestWindow::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<bool>("fitsText");

    // Pixels at 96 dpi (twips / 15); frame children relative to the frame.
    QTest::newRow("QuibexCmd1") << "QuibexCmd1" << QRect(16, 0, 25, 25) << false;
    QTest::newRow("QuibexCmd5") << "QuibexCmd5" << QRect(56, 0, 25, 25) << false;
    QTest::newRow("QuibexCmd3") << "QuibexCmd3" << QRect(96, 0, 25, 25) << false;
    QTest::newRow("QuibexCmd4") << "QuibexCmd4" << QRect(136, 0, 25, 25) << false;
    QTest::newRow("QuibexCmd2") << "QuibexCmd2" << QRect(176, 0, 25, 25) << false;
    QTest::newRow("Line1") << "Line1" << QRect(0, 29, 416, 1) << false;
    QTest::newRow("Line2") << "Line2" << QRect(0, 30, 416, 1) << false;
    QTest::newRow("QuibexFrm1") << "QuibexFrm1" << QRect(2, 33, 409, 209) << false;
    QTest::newRow("btnCrypt") << "btnCrypt" << QRect(128, 88, 145, 33) << false;
    QTest::newRow("Motdepass") << "Motdepass" << QRect(152, 64, 233, 19) << false;
    QTest::newRow("barre_progression") << "barre_progression" << QRect(8, 152, 393, 17) << false;
    QTest::newRow("fileSelected") << "fileSelected" << QRect(112, 35, 273, 19) << false;
    QTest::newRow("btnParcourir") << "btnParcourir" << QRect(16, 32, 89, 25) << false;
    QTest::newRow("KovCommand1") << "KovCommand1" << QRect(312, 176, 89, 25) << false;
    QTest::newRow("lbtaille") << "lbtaille" << QRect(152, 184, 121, 17) << false;
    QTest::newRow("lbcryptes") << "lbcryptes" << QRect(8, 184, 129, 25) << false;
    QTest::newRow("Image1") << "Image1" << QRect(64, 88, 32, 32) << false;
    QTest::newRow("Image2") << "Image2" << QRect(304, 88, 32, 32) << false;
    // Labels that size themselves to their text keep their top-left corner.
    QTest::newRow("motdepasss") << "motdepasss" << QRect(8, 67, 0, 0) << true;
    QTest::newRow("pourcent") << "pourcent" << QRect(192, 136, 0, 0) << true;
    QTest::newRow("statusLabel") << "statusLabel" << QRect(8, 128, 0, 0) << true;
}

void TestWindow::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(bool, fitsText);

    ScriptedWindow window;
    auto* widget = control<QWidget>(window, name);
    QVERIFY(widget != nullptr);
    if (!fitsText) {
        QCOMPARE(widget->geometry(), place);
        return;
    }
    auto* label = qobject_cast<QLabel*>(widget);
    QCOMPARE(label->pos(), place.topLeft());
    QCOMPARE(label->size(), label->sizeHint());
}

void TestWindow::clientAreaAndFixedSize()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    const QWidget* area = window.centralWidget();
    QCOMPARE(area->size(), QSize(414, 242));
    QCOMPARE(area->y(), window.menuBar()->height());
    QCOMPARE(window.size(), QSize(414, 242 + window.menuBar()->height()));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!window.menuBar()->isNativeMenuBar());

    // Every control lies inside its container: nothing is cut.
    const auto* frame = control<QWidget>(window, QStringLiteral("QuibexFrm1"));
    for (const QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(frame->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }
}

void TestWindow::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("underline");

    const QStringList verdana{QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")};
    const QStringList arial{QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
    const QStringList sansSerif{QStringLiteral("MS Sans Serif"),
                                QStringLiteral("Microsoft Sans Serif"),
                                QStringLiteral("Liberation Sans")};
    QTest::newRow("btnCrypt") << "btnCrypt" << verdana << 9.0 << false << false;
    QTest::newRow("btnParcourir") << "btnParcourir" << verdana << 8.25 << false << false;
    QTest::newRow("KovCommand1") << "KovCommand1" << verdana << 8.25 << false << false;
    QTest::newRow("Motdepass") << "Motdepass" << arial << 6.75 << false << false;
    QTest::newRow("fileSelected") << "fileSelected" << arial << 6.75 << false << false;
    QTest::newRow("motdepasss") << "motdepasss" << verdana << 8.25 << false << true;
    QTest::newRow("pourcent") << "pourcent" << verdana << 8.25 << true << false;
    QTest::newRow("statusLabel") << "statusLabel" << verdana << 8.25 << true << false;
    QTest::newRow("lbtaille") << "lbtaille" << sansSerif << 8.25 << false << false;
    QTest::newRow("lbcryptes") << "lbcryptes" << sansSerif << 8.25 << false << false;
    QTest::newRow("menus") << "menu_fichier"
                           << QStringList{QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}
                           << 8.25 << false << false;
}

void TestWindow::fonts()
{
    QFETCH(QString, name);
    QFETCH(QStringList, families);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    QFETCH(bool, underline);

    ScriptedWindow window;
    const QWidget* widget = control<QWidget>(window, name);
    QVERIFY(widget != nullptr);
    const QFont font = widget->font();
    QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.bold(), bold);
    QCOMPARE(font.underline(), underline);
    // The font actually used is the design's or its installed substitute.
    QVERIFY2(families.contains(QFontInfo(font).family()), qPrintable(QFontInfo(font).family()));
}

void TestWindow::textsFit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("picture");

    QTest::newRow("btnCrypt") << "btnCrypt"
                              << "&Crypter" << 0;
    QTest::newRow("btnCrypt, decrypting") << "btnCrypt"
                                          << "Décrypter" << 0;
    QTest::newRow("btnParcourir") << "btnParcourir"
                                  << "&Parcourir :" << 0;
    QTest::newRow("KovCommand1") << "KovCommand1"
                                 << "&Quitter" << 17;
    QTest::newRow("lbcryptes") << "lbcryptes"
                               << "0 octets cryptés sur" << 0;
    QTest::newRow("lbtaille, largest size") << "lbtaille"
                                            << "9223372036854775807" << 0;
}

void TestWindow::textsFit()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, picture);

    // With the substitute fonts the texts keep clear of the edges.
    ScriptedWindow window;
    const QWidget* widget = control<QWidget>(window, name);
    QVERIFY(widget != nullptr);
    const QSize needed = textSize(widget, text) + QSize(picture > 0 ? picture + 4 : 0, 0);
    const int margin = qobject_cast<const QuibexCmd*>(widget) != nullptr ? 8 : 0;
    QVERIFY2(needed.width() + margin <= widget->width(),
             qPrintable(QString::number(needed.width())));
    QVERIFY(qMax(needed.height(), picture) <= widget->height());
}

void TestWindow::colours()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    auto* frame = control<QuibexFrm>(window, QStringLiteral("QuibexFrm1"));
    QCOMPARE(frame->backColor(), QColor(0xEF, 0xE7, 0xCE));
    const QImage area = window.centralWidget()->grab().toImage();
    // On a scaled screen: the device pixel under the middle of pixel (x, y).
    const auto colourAt = [&area](int x, int y) {
        const qreal ratio = area.devicePixelRatio();
        return area.pixelColor(static_cast<int>((x + 0.5) * ratio),
                               static_cast<int>((y + 0.5) * ratio));
    };
    QCOMPARE(colourAt(200, 60), QColor(0xEF, 0xE7, 0xCE));
    // The etched rule: dark above, white below, across the whole width.
    for (const int x : {0, 207, 413}) {
        QCOMPARE(colourAt(x, 29), window.palette().color(QPalette::WindowText));
        QCOMPARE(colourAt(x, 30), QColor(Qt::white));
    }
    QCOMPARE(control<QLabel>(window, QStringLiteral("motdepasss"))
                 ->palette()
                 .color(QPalette::WindowText),
             QColor(0x00, 0x00, 0x80));
    QCOMPARE(
        control<QLabel>(window, QStringLiteral("pourcent"))->palette().color(QPalette::WindowText),
        window.palette().color(QPalette::ToolTipText));
    auto* bar = control<QuibexPBar>(window, QStringLiteral("barre_progression"));
    QCOMPARE(bar->barColor(), QColor(0x00, 0xC0, 0x00));
    QVERIFY(!bar->smoothScrolling());
    QVERIFY(!bar->showCaption());
    // The labels let the beige show through.
    for (const QLabel* label : frame->findChildren<QLabel*>()) {
        QVERIFY(!label->autoFillBackground());
    }
}

void TestWindow::pictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("drawsFocus");

    QTest::newRow("QuibexCmd1") << "QuibexCmd1" << QSize(16, 16) << "Ouvrir" << true;
    QTest::newRow("QuibexCmd2") << "QuibexCmd2" << QSize(23, 22) << "A propos" << false;
    QTest::newRow("QuibexCmd3") << "QuibexCmd3" << QSize(21, 21) << "Centre de téléchargement"
                                << false;
    QTest::newRow("QuibexCmd4") << "QuibexCmd4" << QSize(21, 21) << "Aide" << false;
    QTest::newRow("QuibexCmd5") << "QuibexCmd5" << QSize(18, 21) << "Cryptage" << false;
    QTest::newRow("KovCommand1") << "KovCommand1" << QSize(17, 17) << "" << true;
}

void TestWindow::pictures()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QString, toolTip);
    QFETCH(bool, drawsFocus);

    ScriptedWindow window;
    auto* button = control<QuibexCmd>(window, name);
    QVERIFY(button != nullptr);
    QCOMPARE(button->pictureShown().deviceIndependentSize().toSize(), size);
    QCOMPARE(button->maskColor(), QColor(Qt::white));
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(button->mustDrawFocus(), drawsFocus);
    const bool imageButton = name.startsWith(QStringLiteral("QuibexCmd"));
    QCOMPARE(button->caption().isEmpty(), imageButton);
    QCOMPARE(button->buttonType(), imageButton ? QuibexCmd::FlatType : QuibexCmd::StandardType);
    QCOMPARE(button->centerPicture(), imageButton);

    for (const char* shown : {"Image1", "Image2"}) {
        QCOMPARE(control<QLabel>(window, QLatin1String(shown))->pixmap().deviceIndependentSize(),
                 QSizeF(32, 32));
    }
}

void TestWindow::picturesFollowTheScreenScale()
{
    // Run at 100 %, 150 % and 200 % (QT_SCALE_FACTOR) by the test suite.
    ScriptedWindow window;
    const qreal ratio = window.devicePixelRatioF();
    const auto device = [ratio](const QSize& size) {
        return QSize(qRound(size.width() * ratio), qRound(size.height() * ratio));
    };

    const QList<std::pair<const char*, const char*>> buttons{
        {"QuibexCmd1", "cmd-ouvrir"},         {"QuibexCmd2", "cmd-apropos"},
        {"QuibexCmd3", "cmd-telechargement"}, {"QuibexCmd4", "cmd-aide"},
        {"QuibexCmd5", "cmd-cryptage"},       {"KovCommand1", "quitter"}};
    for (const auto& [name, file] : buttons) {
        auto* button = control<QuibexCmd>(window, QLatin1String(name));
        const QImage shown =
            button->pictureShown().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.devicePixelRatio(), ratio);
        QCOMPARE(shown.size(), device(button->picture().size()));
        if (ratio != 2.0) {
            continue;
        }
        // At 200 % the picture drawn at twice the size, its white see-through.
        const QImage large(QStringLiteral(":/pictures/%1@2x.png").arg(QLatin1String(file)));
        QCOMPARE(large.size(), shown.size());
        for (int y = 0; y < large.height(); ++y) {
            for (int x = 0; x < large.width(); ++x) {
                const QRgb drawn = large.pixel(x, y);
                const QRgb seen = shown.pixel(x, y);
                if ((drawn & RGB_MASK) == (qRgb(255, 255, 255) & RGB_MASK)) {
                    QCOMPARE(qAlpha(seen), 0);
                } else {
                    QCOMPARE(seen, drawn | 0xFF000000U);
                }
            }
        }
    }

    // The icon in the frame is drawn for the scale: 32, 48 or 64 pixels.
    const QImage icon = control<QLabel>(window, QStringLiteral("Image2"))->pixmap().toImage();
    QImage drawn(QStringLiteral(":/pictures/quibex-%1.png").arg(qRound(32 * ratio)));
    QVERIFY(!drawn.isNull());
    drawn.setDevicePixelRatio(ratio);
    QCOMPARE(icon, drawn.convertToFormat(icon.format()));
    const QImage image1 = control<QLabel>(window, QStringLiteral("Image1"))->pixmap().toImage();
    QCOMPARE(image1.size(), device(QSize(32, 32)));

    QList<int> iconSizes;
    for (const QSize& size : window.windowIcon().availableSizes()) {
        iconSizes << size.width();
    }
    std::sort(iconSizes.begin(), iconSizes.end());
    QCOMPARE(iconSizes, (QList<int>{32, 48, 64, 128, 256}));

    for (QAction* item : window.findChildren<QAction*>()) {
        if (!item->icon().isNull()) {
            QCOMPARE(item->icon().pixmap(QSize(16, 16), ratio).size(), device(QSize(16, 16)));
        }
    }
}

void TestWindow::tabOrder()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    const QStringList hiddenEntry{"fileSelected", "btnParcourir", "QuibexCmd1", "QuibexCmd2",
                                  "QuibexCmd3",   "QuibexCmd4",   "QuibexCmd5", "KovCommand1",
                                  "btnCrypt",     "fileSelected"};
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < hiddenEntry.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, hiddenEntry);

    WindowView(window).setPasswordEntryVisible(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Motdepass"));
}

void TestWindow::menuTree_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("shortcuts");
    QTest::addColumn<QStringList>("withBitmap");

    QTest::newRow("Fichier") << "menu_fichier"
                             << "&Fichier"
                             << QStringList{"menu_fichier_ouvrir", "separateur",
                                            "menu_fichier_quitter"}
                             << QStringList{"&Ouvrir...", "", "&Quitter"}
                             << QStringList{"Ctrl+O", "", "Ctrl+Q"}
                             << QStringList{"menu_fichier_ouvrir", "menu_fichier_quitter"};
    QTest::newRow("Option") << "menu_option"
                            << "&Option" << QStringList{"menu_option_simple", "menu_option_avance"}
                            << QStringList{"&Cryptage Quibex", "C&ryptage avancé   (2048 bits)"}
                            << QStringList{"", ""} << QStringList{};
    QTest::newRow("?") << "menu_aide"
                       << "&?" << QStringList{"menu_aide_apropos", "help", "z", "tel"}
                       << QStringList{"A &propos...", "&Aide", "",
                                      "Télécharger d'autres Utilitaires"}
                       << QStringList{"F2", "F1", "", "F3"}
                       << QStringList{"menu_aide_apropos", "help", "tel"};
}

void TestWindow::menuTree()
{
    QFETCH(QString, menu);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, shortcuts);
    QFETCH(QStringList, withBitmap);

    ScriptedWindow window;
    auto* shown = control<QMenu>(window, menu);
    QVERIFY(shown != nullptr);
    QCOMPARE(shown->title(), title);
    QVERIFY(window.menuBar()->actions().contains(shown->menuAction()));
    const QList<QAction*> actions = shown->actions();
    QCOMPARE(actions.size(), items.size());
    for (int i = 0; i < actions.size(); ++i) {
        const QAction* action = actions.at(i);
        QCOMPARE(action->objectName(), items.at(i));
        QCOMPARE(action->isSeparator(), captions.at(i).isEmpty());
        if (!action->isSeparator()) {
            QCOMPARE(action->text(), captions.at(i));
        }
        QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), shortcuts.at(i));
        QVERIFY(action->isEnabled());
        QCOMPARE(action->isChecked(), action->objectName() == QStringLiteral("menu_option_simple"));
        QCOMPARE(!action->icon().isNull(), withBitmap.contains(action->objectName()));
        if (!action->icon().isNull()) {
            QCOMPARE(action->icon().availableSizes().value(0), QSize(16, 16));
        }
    }
}

void TestWindow::triggers_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("procedure");

    QTest::newRow("btnParcourir") << "btnParcourir"
                                  << "parcourir";
    QTest::newRow("menu_fichier_ouvrir") << "menu_fichier_ouvrir"
                                         << "parcourir";
    QTest::newRow("QuibexCmd1") << "QuibexCmd1"
                                << "parcourir";
    QTest::newRow("btnCrypt") << "btnCrypt"
                              << "crypter";
    QTest::newRow("QuibexCmd5") << "QuibexCmd5"
                                << "crypter";
    QTest::newRow("menu_aide_apropos") << "menu_aide_apropos"
                                       << "aPropos";
    QTest::newRow("QuibexCmd2") << "QuibexCmd2"
                                << "aPropos";
    QTest::newRow("help") << "help"
                          << "aide";
    QTest::newRow("QuibexCmd4") << "QuibexCmd4"
                                << "aide";
    QTest::newRow("tel") << "tel"
                         << "telecharger";
    QTest::newRow("QuibexCmd3") << "QuibexCmd3"
                                << "telecharger";
}

void TestWindow::triggers()
{
    QFETCH(QString, trigger);
    QFETCH(QString, procedure);

    RecordingWindow window;
    QVERIFY(showAndActivate(window));
    activate(window, trigger);
    QCOMPARE(window.calls(), QStringList{procedure});
}

void TestWindow::shortcuts_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<bool>("duringJob");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("Ctrl+O") << QKeySequence(Qt::CTRL | Qt::Key_O) << false
                            << QStringList{"parcourir"};
    QTest::newRow("Ctrl+O during a job")
        << QKeySequence(Qt::CTRL | Qt::Key_O) << true << QStringList{};
    QTest::newRow("F1") << QKeySequence(Qt::Key_F1) << false << QStringList{"aide"};
    QTest::newRow("F2") << QKeySequence(Qt::Key_F2) << false << QStringList{"aPropos"};
    QTest::newRow("F3") << QKeySequence(Qt::Key_F3) << false << QStringList{"telecharger"};
    QTest::newRow("F1 during a job") << QKeySequence(Qt::Key_F1) << true << QStringList{"aide"};
}

void TestWindow::shortcuts()
{
    QFETCH(QKeySequence, keys);
    QFETCH(bool, duringJob);
    QFETCH(QStringList, calls);

    RecordingWindow window;
    QVERIFY(showAndActivate(window));
    WindowView(window).setCommandsEnabled(!duringJob);
    // From wherever the focus is, without opening a menu.
    for (const char* focus : {"fileSelected", "btnCrypt"}) {
        auto* target = control<QWidget>(window, QLatin1String(focus));
        target->setFocus();
        window.clear();
        QTest::keySequence(&window, keys);
        QCOMPARE(window.calls(), calls);
    }
    if (duringJob) {
        // The image button still opens the dialog.
        QTest::mouseClick(control<QuibexCmd>(window, QStringLiteral("QuibexCmd1")), Qt::LeftButton);
        QCOMPARE(window.calls(), calls + QStringList{QStringLiteral("parcourir")});
    }
}

void TestWindow::accessKeys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("commandsEnabled");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("Alt+C") << Qt::Key_C << QString() << true << QStringList{"crypter"};
    QTest::newRow("Alt+C after Crypter") << Qt::Key_C << "Crypter" << true << QStringList{};
    QTest::newRow("Alt+C after Décrypter") << Qt::Key_C << "Décrypter" << true << QStringList{};
    QTest::newRow("Alt+C during a job") << Qt::Key_C << QString() << false << QStringList{};
    QTest::newRow("Alt+P") << Qt::Key_P << QString() << true << QStringList{"parcourir"};
    QTest::newRow("Alt+P during a job") << Qt::Key_P << QString() << false << QStringList{};
}

void TestWindow::accessKeys()
{
    QFETCH(Qt::Key, key);
    QFETCH(QString, caption);
    QFETCH(bool, commandsEnabled);
    QFETCH(QStringList, calls);

    RecordingWindow window;
    QVERIFY(showAndActivate(window));
    if (!caption.isEmpty()) {
        WindowView(window).setCryptCaption(caption);
    }
    WindowView(window).setCommandsEnabled(commandsEnabled);
    QTest::keyClick(&window, key, Qt::AltModifier);
    // A button answers its key a moment later, when it is released.
    QTRY_VERIFY(!aButtonIsDown());
    QCOMPARE(window.calls(), calls);
}

void TestWindow::menuAccessKeysOpenMenus_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("menu");

    QTest::newRow("Alt+F") << Qt::Key_F << "menu_fichier";
    QTest::newRow("Alt+O") << Qt::Key_O << "menu_option";
    QTest::newRow("Alt+?") << Qt::Key_Question << "menu_aide";
}

void TestWindow::menuAccessKeysOpenMenus()
{
    QFETCH(Qt::Key, key);
    QFETCH(QString, menu);

    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    auto* opened = control<QMenu>(window, menu);
    QTest::keyClick(&window, key, Qt::AltModifier);
    QTRY_VERIFY(opened->isVisible());
    QTest::keyClick(opened, Qt::Key_Escape);
    QTRY_VERIFY(!opened->isVisible());
}

void TestWindow::modeMenu_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<bool>("advanced");

    QTest::newRow("start") << QStringList{} << false;
    QTest::newRow("simple again") << QStringList{"menu_option_simple"} << false;
    QTest::newRow("advanced") << QStringList{"menu_option_avance"} << true;
    QTest::newRow("advanced twice")
        << QStringList{"menu_option_avance", "menu_option_avance"} << true;
    QTest::newRow("advanced, then simple")
        << QStringList{"menu_option_avance", "menu_option_simple"} << false;
}

void TestWindow::modeMenu()
{
    QFETCH(QStringList, clicks);
    QFETCH(bool, advanced);

    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    auto* simple = control<QAction>(window, QStringLiteral("menu_option_simple"));
    auto* avance = control<QAction>(window, QStringLiteral("menu_option_avance"));
    for (const QString& click : clicks) {
        control<QAction>(window, click)->trigger();
    }
    QCOMPARE(avance->isChecked(), advanced);
    QCOMPARE(simple->isChecked(), !advanced);
    QCOMPARE(window.advancedMode(), advanced);

    // The whole menu is out of reach during a job, so the mode cannot change.
    WindowView(window).setCommandsEnabled(false);
    auto* option = control<QMenu>(window, QStringLiteral("menu_option"));
    QVERIFY(!option->menuAction()->isEnabled());
    QVERIFY(!simple->isEnabled());
    QVERIFY(!avance->isEnabled());
    (advanced ? simple : avance)->trigger();
    QCOMPARE(window.advancedMode(), advanced);
    WindowView(window).setCommandsEnabled(true);
    QVERIFY(option->menuAction()->isEnabled());
    QVERIFY(simple->isEnabled() && avance->isEnabled());
}

void TestWindow::pathBoxIsReadOnlyButCopyable()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    auto* path = control<QLineEdit>(window, QStringLiteral("fileSelected"));
    path->setFocus();
    QTest::keyClicks(path, QStringLiteral("abc"));
    QCOMPARE(path->text(), QString());

    path->setText(QStringLiteral("/home/moi/photo.jpg"));
    path->selectAll();
    QTest::keySequence(path, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("/home/moi/photo.jpg"));
    QTest::keyClick(path, Qt::Key_Delete);
    QCOMPARE(path->text(), QStringLiteral("/home/moi/photo.jpg"));
}

void TestWindow::passwordBoxShowsAnyLength()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    WindowView(window).setPasswordEntryVisible(true);
    auto* password = control<QLineEdit>(window, QStringLiteral("Motdepass"));
    QCOMPARE(password->echoMode(), QLineEdit::Normal);
    password->setFocus();
    const QString typed(300, QLatin1Char('k'));
    QTest::keyClicks(password, typed);
    QCOMPARE(password->text(), typed);
    const QString set(40000, QLatin1Char('x'));
    WindowView(window).setPasswordText(set);
    QCOMPARE(password->text(), set);
}

void TestWindow::jobViewDrivesTheControls()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    WindowView view(window);
    auto* status = control<QLabel>(window, QStringLiteral("statusLabel"));
    auto* percent = control<QLabel>(window, QStringLiteral("pourcent"));
    auto* bar = control<QuibexPBar>(window, QStringLiteral("barre_progression"));

    view.setCommandsEnabled(false);
    for (const char* name : {"btnCrypt", "btnParcourir"}) {
        QVERIFY(!control<QWidget>(window, QLatin1String(name))->isEnabled());
    }
    QVERIFY(!control<QAction>(window, QStringLiteral("menu_fichier_ouvrir"))->isEnabled());
    QVERIFY(!control<QMenu>(window, QStringLiteral("menu_option"))->menuAction()->isEnabled());
    // Quit, help and the image buttons stay reachable during a job.
    for (const char* name : {"menu_fichier_quitter", "help", "menu_aide_apropos", "tel"}) {
        QVERIFY(control<QAction>(window, QLatin1String(name))->isEnabled());
    }
    for (const char* name : {"KovCommand1", "QuibexCmd1", "QuibexCmd5"}) {
        QVERIFY(control<QWidget>(window, QLatin1String(name))->isEnabled());
    }

    view.setStatus(QStringLiteral("Décryptage en cours..."));
    QCOMPARE(status->text(), QStringLiteral("Décryptage en cours..."));
    QVERIFY(status->width() >= textSize(status, status->text()).width());
    const int wide = status->width();
    auto* count = control<QLabel>(window, QStringLiteral("lbcryptes"));
    view.setSizeText(QStringLiteral("123456789"));
    view.showProgress(37, 12345);
    QCOMPARE(bar->value(), 37);
    QCOMPARE(percent->text(), QStringLiteral("37 %"));
    QCOMPARE(count->text(), QStringLiteral("12345 octets cryptés sur "));
    // The key's expansion has no bytes: the count stays.
    view.showProgress(100);
    QVERIFY(percent->width() >= textSize(percent, QStringLiteral("100 %")).width());
    QCOMPARE(count->text(), QStringLiteral("12345 octets cryptés sur "));
    view.clearProgress();
    QCOMPARE(bar->value(), 0);
    QCOMPARE(percent->text(), QStringLiteral("0%"));
    QCOMPARE(control<QLabel>(window, QStringLiteral("lbtaille"))->text(),
             QStringLiteral("123456789"));

    view.setPasswordEntryVisible(true);
    QVERIFY(control<QWidget>(window, QStringLiteral("Motdepass"))->isVisible());
    QVERIFY(control<QWidget>(window, QStringLiteral("motdepasss"))->isVisible());
    view.setPasswordText(QStringLiteral("secret"));
    QCOMPARE(control<QLineEdit>(window, QStringLiteral("Motdepass"))->text(),
             QStringLiteral("secret"));
    view.setPasswordEntryVisible(false);
    QVERIFY(!control<QWidget>(window, QStringLiteral("Motdepass"))->isVisible());
    QVERIFY(!control<QWidget>(window, QStringLiteral("motdepasss"))->isVisible());

    view.raz();
    QVERIFY(status->width() < wide);
    QCOMPARE(status->text(), QStringLiteral("En attente..."));
    QCOMPARE(control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption(),
             QStringLiteral("Crypter"));
    for (const char* name : {"btnCrypt", "btnParcourir"}) {
        QVERIFY(control<QWidget>(window, QLatin1String(name))->isEnabled());
    }
    QVERIFY(control<QAction>(window, QStringLiteral("menu_fichier_ouvrir"))->isEnabled());
    QVERIFY(control<QMenu>(window, QStringLiteral("menu_option"))->menuAction()->isEnabled());
}

void TestWindow::jobViewMessagesAndYield()
{
    ScriptedWindow window;
    WindowView view(window);

    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    view.message(QStringLiteral("Erreur\rdétail"), MessageKind::Error);
    QCOMPARE(testBoxes().lastShown().kind, MessageBox::Kind::Error);
    QCOMPARE(testBoxes().lastShown().text, QStringLiteral("Erreur\rdétail"));
    QCOMPARE(MessageBox::displayTitle(testBoxes().lastShown().title),
             QStringLiteral("Quibex Crypto"));
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    view.message(QStringLiteral("Aide"), MessageKind::Information, QStringLiteral(" Aide "));
    QCOMPARE(testBoxes().lastShown().kind, MessageBox::Kind::Information);
    QCOMPARE(testBoxes().lastShown().title, QStringLiteral(" Aide "));

    testBoxes().setNextAnswer(MessageBox::Answer::Yes);
    QVERIFY(view.question(QStringLiteral("Remplacer ?")));
    testBoxes().setNextAnswer(MessageBox::Answer::No);
    QVERIFY(!view.question(QStringLiteral("Remplacer ?")));

    bool ran = false;
    QTimer::singleShot(0, &window, [&ran] { ran = true; });
    view.yield();
    QVERIFY(ran);
}

void TestWindow::qtTextsAreFrench()
{
    QStringList buttons;
    QTimer::singleShot(0, [&buttons] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text();
        }
        box->button(QMessageBox::No)->click();
    });
    QCOMPARE(MessageBox().question(nullptr, QStringLiteral("Remplacer ?")), MessageBox::Answer::No);
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("&Non"), QStringLiteral("&Oui")}));
}

void TestWindow::closeRequestsAreIgnored()
{
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);

    // As from the title bar, the window menu, Alt+F4 or a task bar.
    QVERIFY(!window.close());
    QVERIFY(!window.windowHandle()->close());
    QCloseEvent request;
    QApplication::sendEvent(&window, &request);
    QVERIFY(!request.isAccepted());
    QVERIFY(window.isVisible());
}

void TestWindow::quitCommandsEndTheProgram_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("duringJob");

    QTest::newRow("menu") << "menu_fichier_quitter" << false;
    QTest::newRow("button") << "KovCommand1" << false;
    QTest::newRow("Ctrl+Q") << "Ctrl+Q" << false;
    QTest::newRow("Alt+Q") << "Alt+Q" << false;
    QTest::newRow("menu during a job") << "menu_fichier_quitter" << true;
    QTest::newRow("button during a job") << "KovCommand1" << true;
}

void TestWindow::quitCommandsEndTheProgram()
{
    QFETCH(QString, command);
    QFETCH(bool, duringJob);

    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    auto quit = [&window, command] {
        if (command == QStringLiteral("Ctrl+Q")) {
            QTest::keySequence(&window, QKeySequence(Qt::CTRL | Qt::Key_Q));
        } else if (command == QStringLiteral("Alt+Q")) {
            QTest::keyClick(&window, Qt::Key_Q, Qt::AltModifier);
        } else {
            activate(window, command);
        }
    };
    int yieldsAfterEnd = -1;
    if (duringJob) {
        // A job that yields until the program ends, as the file job does.
        QTimer::singleShot(0, &window, [&window, &yieldsAfterEnd, quit] {
            QTimer::singleShot(50, &window, quit);
            while (window.isVisible()) {
                QCoreApplication::processEvents();
            }
            yieldsAfterEnd = 0;
        });
    } else {
        QTimer::singleShot(0, &window, quit);
    }
    // Should the command fail to end the loop, this does, with another code.
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window.isVisible());
    if (duringJob) {
        QCOMPARE(yieldsAfterEnd, 0);
    }
}

void TestWindow::endSignalsHandledAsTheSystemExpects()
{
    // A signal ignored at start (SIGHUP under nohup) stays ignored; a flood
    // of signals before the event loop reads them never blocks the handler;
    // the handler leaves errno as it found it.
    struct sigaction before
    {
    };
    ::signal(SIGHUP, SIG_IGN);
    {
        const EndSignals endSignals;
        QSignalSpy received(&endSignals, &EndSignals::received);
        ::raise(SIGHUP);
        ::alarm(20); // a blocked handler ends the test here
        for (int i = 0; i < 100000; ++i) {
            errno = EDOM;
            ::raise(SIGTERM);
            QCOMPARE(errno, EDOM);
        }
        ::alarm(0);
        QTRY_VERIFY(!received.isEmpty());
        QVERIFY(!received.contains(QVariantList{SIGHUP}));
    }
    ::sigaction(SIGHUP, nullptr, &before);
    QVERIFY(before.sa_handler == SIG_IGN);
    ::signal(SIGHUP, SIG_DFL);
}

void TestWindow::quitDuringARealJobLeavesNoFile_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("quitDuring");

    QTest::newRow("menu, from the window's commands") << "menu_fichier_quitter"
                                                      << "simple"
                                                      << "job";
    QTest::newRow("button, from the window's commands") << "KovCommand1"
                                                        << "simple"
                                                        << "job";
    // No job may start once the expansion returns.
    QTest::newRow("menu, during the key expansion") << "menu_fichier_quitter"
                                                    << "advanced"
                                                    << "expansion";
    QTest::newRow("button, during the key expansion") << "KovCommand1"
                                                      << "advanced"
                                                      << "expansion";
    // Ended by the session (logout, shutdown) or from a terminal.
    QTest::newRow("SIGTERM") << "SIGTERM"
                             << "simple"
                             << "job";
    QTest::newRow("SIGINT, from the window's commands") << "SIGINT"
                                                        << "simple"
                                                        << "job";
    QTest::newRow("SIGHUP, during the key expansion") << "SIGHUP"
                                                      << "advanced"
                                                      << "expansion";
}

void TestWindow::quitDuringARealJobLeavesNoFile()
{
    QFETCH(QString, command);
    QFETCH(QString, start);
    QFETCH(QString, quitDuring);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString input = folder.filePath(QStringLiteral("grand.bin"));
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Sparse: large enough to last many yields, and instant to make.
    QVERIFY(file.resize(qint64(512) * 1024 * 1024));
    file.close();

    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    const EndSignals endSignals;
    connect(&endSignals, &EndSignals::received, &window, &RezarUvurizod::quitter);
    const QHash<QString, int> signalNumbers{{QStringLiteral("SIGTERM"), SIGTERM},
                                            {QStringLiteral("SIGINT"), SIGINT},
                                            {QStringLiteral("SIGHUP"), SIGHUP}};
    QString quitInside;
    // Quits at the first yield of what starts next.
    const auto armQuit = [&window, &quitInside, &signalNumbers, command] {
        QTimer::singleShot(0, &window, [&window, &quitInside, &signalNumbers, command] {
            const bool expanding = control<QLabel>(window, QStringLiteral("statusLabel"))->text() ==
                                   QStringLiteral("Codage du mot de passe...");
            quitInside = jobRunning(window) ? QStringLiteral("job")
                         : expanding        ? QStringLiteral("expansion")
                                            : QString();
            if (signalNumbers.contains(command)) {
                ::raise(signalNumbers.value(command));
            } else {
                activate(window, command);
            }
        });
    };
    QTimer::singleShot(0, &window, [&window, &input, &armQuit, start] {
        ScriptedFileOpenDialog::setNextChoice(input);
        QTest::mouseClick(control<QuibexCmd>(window, QStringLiteral("btnParcourir")),
                          Qt::LeftButton);
        if (start == QStringLiteral("advanced")) {
            control<QAction>(window, QStringLiteral("menu_option_avance"))->trigger();
        }
        auto* crypt = control<QuibexCmd>(window, QStringLiteral("btnCrypt"));
        QTest::mouseClick(crypt, Qt::LeftButton);
        control<QLineEdit>(window, QStringLiteral("Motdepass"))->setText(QStringLiteral("secret"));
        armQuit();
        QTest::mouseClick(crypt, Qt::LeftButton);
    });
    QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
    const int shownBefore = testBoxes().shownCount();
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(quitInside, quitDuring);
    // A job ended by the quit leaves its commands off; none started after an expansion.
    QCOMPARE(control<QWidget>(window, QStringLiteral("btnCrypt"))->isEnabled(),
             quitDuring == QStringLiteral("expansion"));
    QVERIFY(!window.isVisible());
    QCOMPARE(testBoxes().shownCount(), shownBefore);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("grand.bin")});
}

void TestWindow::centredPosition_data()
{
    QTest::addColumn<QSizeF>("screen");
    QTest::addColumn<QSizeF>("window");
    QTest::addColumn<QPointF>("corner");

    QTest::newRow("even") << QSizeF(1024, 768) << QSizeF(500, 400) << QPointF(262, 184);
    QTest::newRow("odd") << QSizeF(1024, 768) << QSizeF(501, 400) << QPointF(261.5, 184);
    QTest::newRow("larger than the screen")
        << QSizeF(800, 600) << QSizeF(1000, 700) << QPointF(-100, -50);
}

void TestWindow::centredPosition()
{
    QFETCH(QSizeF, screen);
    QFETCH(QSizeF, window);
    QFETCH(QPointF, corner);
    QCOMPARE(RezarUvurizod::centredPosition(screen, window), corner);
}

void TestWindow::centreUsesTheWholeScreen()
{
    ScriptedWindow window;
    window.centre();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = window.frameGeometry();
    QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(frame.center().y() - screen.center().y()) <= 1);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
