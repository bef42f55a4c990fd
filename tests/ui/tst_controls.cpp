// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "tests/support/ScriptedFileOpenDialog.h"
#include "tests/support/WindowTestSupport.h"
#include "ui/controls/FileOpenDialog.h"
#include "ui/controls/MaskedPixmap.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexFrm.h"
#include "ui/controls/QuibexMenu.h"
#include "ui/controls/QuibexMenuStyle.h"
#include "ui/controls/QuibexPBar.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QActionGroup>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace quibex;

namespace {

// A 16 x 16 picture: white background (the mask colour) and a red square.
QImage keyedPicture(const QColor& background = Qt::white)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(background);
    for (int y = 4; y < 12; ++y) {
        for (int x = 4; x < 12; ++x) {
            image.setPixel(x, y, qRgb(200, 0, 0));
        }
    }
    return image;
}

int countColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void accessKey_data();
    void accessKey();
    void disabledButtonTakesNoClickNorFocus();
    void buttonPictureMaskIsTransparent();
    void focusRectangleFollowsMustDrawFocus_data();
    void focusRectangleFollowsMustDrawFocus();
    void captionAndPictureFitTheSizeHint();
    void pictureAtScreenScales_data();
    void pictureAtScreenScales();
    void buttonAsAssistiveToolsSeeIt_data();
    void buttonAsAssistiveToolsSeeIt();

    void progressValue_data();
    void progressValue();
    void progressDrawsBlocksOrBand_data();
    void progressDrawsBlocksOrBand();

    void frameBackgroundCaptionAndClipping();
    void frameIsAGroupNamedByItsCaption();

    void menuSkinDecoratesNamedItemsOnly();
    void chosenModeIsTickedOthersBare();

    void displayText_data();
    void displayText();
    void realBoxShowsLinesTitleAndPlainText();
    void realBoxKeepsLinesWhole();

    void desktopDialogCancelKeepsFileName();
    void desktopDialogListsEveryFileAndReturnsThePath();
};

void TestControls::cleanup()
{
    testBoxes().clearNextAnswers();
}

void TestControls::accessKey_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("clicks");

    QTest::newRow("access key") << QStringLiteral("&Crypter") << true << 1;
    QTest::newRow("no ampersand") << QStringLiteral("Crypter") << true << 0;
    QTest::newRow("changed caption") << QStringLiteral("Décrypter") << true << 0;
    QTest::newRow("disabled") << QStringLiteral("&Crypter") << false << 0;
}

void TestControls::accessKey()
{
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(int, clicks);

    QWidget window;
    auto* button = new QuibexCmd(&window);
    button->setCaption(QStringLiteral("&Crypter"));
    // The access key must go with the caption that carried it.
    button->setCaption(caption);
    button->setEnabled(enabled);
    auto* other = new QuibexCmd(&window);
    other->move(0, 40);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    QSignalSpy clicked(button, &QuibexCmd::clicked);
    QTest::keyClick(&window, Qt::Key_C, Qt::AltModifier);
    if (clicks > 0) {
        QTRY_COMPARE(clicked.count(), clicks);
    } else {
        // A click would come a moment after the key, when the button is released.
        QVERIFY(!aButtonIsDown());
        QCOMPARE(clicked.count(), 0);
    }
}

void TestControls::disabledButtonTakesNoClickNorFocus()
{
    QWidget window;
    auto* first = new QuibexCmd(&window);
    first->setCaption(QStringLiteral("&Parcourir :"));
    auto* disabled = new QuibexCmd(&window);
    disabled->setCaption(QStringLiteral("&Crypter"));
    disabled->setGeometry(0, 40, 100, 30);
    auto* last = new QuibexCmd(&window);
    last->setGeometry(0, 80, 100, 30);
    disabled->setEnabled(false);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSignalSpy clicked(disabled, &QuibexCmd::clicked);
    QTest::mouseClick(disabled, Qt::LeftButton);
    QCOMPARE(clicked.count(), 0);
    disabled->setFocus();
    QVERIFY(!disabled->hasFocus());

    first->setFocus();
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), last);

    disabled->setEnabled(true);
    QTest::mouseClick(disabled, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
}

void TestControls::buttonPictureMaskIsTransparent()
{
    QWidget parent;
    parent.setAutoFillBackground(true);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 255));
    parent.setPalette(palette);
    auto* button = new QuibexCmd(&parent);
    button->setButtonType(QuibexCmd::FlatType);
    button->setPicture(keyedPicture());
    button->setMaskColor(Qt::white);
    button->setGeometry(0, 0, 25, 25);
    parent.resize(40, 40);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    const QImage shown = button->pictureShown().toImage();
    QCOMPARE(shown.size(), QSize(16, 16));
    QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    QCOMPARE(shown.pixelColor(8, 8), QColor(200, 0, 0));

    // On screen the parent's colour shows through the white of the picture.
    const QImage drawn = parent.grab().toImage();
    const QRect picture =
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, QSize(16, 16), button->geometry());
    QCOMPARE(countColour(drawn, picture, Qt::white), 0);
    QCOMPARE(countColour(drawn, picture, QColor(200, 0, 0)), 64);
}

void TestControls::focusRectangleFollowsMustDrawFocus_data()
{
    QTest::addColumn<QuibexCmd::ButtonType>("type");
    QTest::addColumn<bool>("mustDrawFocus");

    QTest::newRow("captioned, drawn") << QuibexCmd::StandardType << true;
    QTest::newRow("captioned, not drawn") << QuibexCmd::StandardType << false;
    QTest::newRow("flat, drawn") << QuibexCmd::FlatType << true;
    QTest::newRow("flat, not drawn") << QuibexCmd::FlatType << false;
}

void TestControls::focusRectangleFollowsMustDrawFocus()
{
    QFETCH(QuibexCmd::ButtonType, type);
    QFETCH(bool, mustDrawFocus);

    QWidget window;
    auto* button = new QuibexCmd(&window);
    button->setGeometry(0, 0, 40, 30);
    button->setButtonType(type);
    button->setPicture(keyedPicture());
    button->setMaskColor(Qt::white);
    button->setMustDrawFocus(mustDrawFocus);
    auto* other = new QuibexCmd(&window);
    other->setGeometry(0, 40, 40, 30);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Styles draw the focus only once the keyboard has moved it.
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Tab);
    QTest::keyClick(button, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), other);
    const QImage without = button->grab().toImage();
    QTest::keyClick(other, Qt::Key_Tab);
    QVERIFY(button->hasFocus());
    const QImage with = button->grab().toImage();
    QCOMPARE(with != without, mustDrawFocus);
}

void TestControls::captionAndPictureFitTheSizeHint()
{
    QuibexCmd button;
    button.setCaption(QStringLiteral("&Quitter"));
    const QSize captionOnly = button.sizeHint();
    QVERIFY(captionOnly.width() >
            button.fontMetrics().horizontalAdvance(QStringLiteral("Quitter")));

    button.setPicture(QImage(17, 17, QImage::Format_RGB32));
    button.setCenterPicture(false);
    QVERIFY(button.sizeHint().width() >=
            button.fontMetrics().horizontalAdvance(QStringLiteral("Quitter")) + 17);
    QVERIFY(button.sizeHint().height() >= 17);

    QuibexCmd flat;
    flat.setButtonType(QuibexCmd::FlatType);
    flat.setPicture(QImage(23, 22, QImage::Format_RGB32));
    QVERIFY(flat.sizeHint().width() >= 23);
    QVERIFY(flat.sizeHint().height() >= 22);
}

void TestControls::pictureAtScreenScales_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("withLarge");
    QTest::addColumn<QSize>("device");

    QTest::newRow("100 %") << 1.0 << true << QSize(16, 16);
    QTest::newRow("125 %") << 1.25 << true << QSize(20, 20);
    QTest::newRow("150 %") << 1.5 << true << QSize(24, 24);
    QTest::newRow("200 %") << 2.0 << true << QSize(32, 32);
    QTest::newRow("300 %") << 3.0 << true << QSize(48, 48);
    QTest::newRow("200 %, no large picture") << 2.0 << false << QSize(16, 16);
}

void TestControls::pictureAtScreenScales()
{
    QFETCH(qreal, ratio);
    QFETCH(bool, withLarge);
    QFETCH(QSize, device);

    // The same drawing at twice the size: a red square on white.
    const QImage large = keyedPicture().scaled(32, 32);
    const QPixmap pixmap =
        maskedPixmap(keyedPicture(), withLarge ? large : QImage(), Qt::white, ratio);
    const QImage shown = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shown.size(), device);
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(device) / shown.devicePixelRatio());
    QCOMPARE(shown.devicePixelRatio(), withLarge ? ratio : 1.0);
    QCOMPARE(qAlpha(shown.pixel(0, 0)), 0);
    QCOMPARE(shown.pixelColor(device.width() / 2, device.height() / 2), QColor(200, 0, 0));
    // The white goes before any scaling: the square's edge fades to
    // transparent, never to a pale fringe of the key colour.
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QColor seen = shown.pixelColor(x, y);
            QVERIFY2(seen.alpha() == 0 || (seen.green() == 0 && seen.blue() == 0),
                     qPrintable(QStringLiteral("%1,%2 %3").arg(x).arg(y).arg(seen.name())));
        }
    }
}

void TestControls::buttonAsAssistiveToolsSeeIt_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("accessKey");

    QTest::newRow("caption with access key") << "&Crypter"
                                             << ""
                                             << ""
                                             << "Crypter"
                                             << ""
                                             << "Alt+C";
    QTest::newRow("caption without access key") << "Décrypter"
                                                << ""
                                                << ""
                                                << "Décrypter"
                                                << ""
                                                << "";
    QTest::newRow("doubled ampersand") << "R&&D"
                                       << ""
                                       << ""
                                       << "R&D"
                                       << ""
                                       << "";
    QTest::newRow("picture only: the tool tip") << ""
                                                << "Ouvrir"
                                                << ""
                                                << "Ouvrir"
                                                << ""
                                                << "";
    QTest::newRow("picture with a name of its own") << ""
                                                    << "Ouvrir"
                                                    << "Ouvrir un fichier"
                                                    << "Ouvrir un fichier"
                                                    << "Ouvrir"
                                                    << "";
    QTest::newRow("caption and tool tip") << "&Quitter"
                                          << "Fermer"
                                          << ""
                                          << "Quitter"
                                          << "Fermer"
                                          << "Alt+Q";
    QTest::newRow("own accessible name") << "&Parcourir :"
                                         << ""
                                         << "Choisir"
                                         << "Choisir"
                                         << ""
                                         << "Alt+P";
}

void TestControls::buttonAsAssistiveToolsSeeIt()
{
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    QFETCH(QString, accessibleName);
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(QString, accessKey);

    QWidget window;
    auto* button = new QuibexCmd(&window);
    // A name given first outlasts the tool tip; a caption given last
    // replaces the tool tip as the name.
    button->setAccessibleName(accessibleName);
    button->setToolTip(toolTip);
    button->setCaption(caption);
    if (caption.isEmpty()) {
        button->setPicture(keyedPicture());
    }
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(button);
    QVERIFY(shown != nullptr);
    QCOMPARE(shown->role(), QAccessible::Button);
    QCOMPARE(shown->text(QAccessible::Name), name);
    QCOMPARE(shown->text(QAccessible::Description), description);
    QCOMPARE(shown->text(QAccessible::Accelerator), accessKey);

    QVERIFY(!shown->state().pressed);
    button->setDown(true);
    QVERIFY(shown->state().pressed);
    button->setDown(false);
    QSignalSpy clicked(button, &QuibexCmd::clicked);
    shown->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(clicked.count(), 1);
    button->setEnabled(false);
    QVERIFY(shown->state().disabled);
    shown->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(!aButtonIsDown());
    QCOMPARE(clicked.count(), 1);
}

void TestControls::progressValue_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shown");

    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("half") << 50 << 50;
    QTest::newRow("full") << 100 << 100;
    QTest::newRow("below") << -5 << 0;
    QTest::newRow("above") << 150 << 100;
}

void TestControls::progressValue()
{
    QFETCH(int, value);
    QFETCH(int, shown);

    QuibexPBar bar;
    bar.resize(393, 17);
    bar.setValue(37);
    bar.setValue(value);
    QCOMPARE(bar.value(), shown);
    QCOMPARE(bar.filledRect().width(), bar.trackRect().width() * shown / 100);
}

void TestControls::progressDrawsBlocksOrBand_data()
{
    QTest::addColumn<bool>("smooth");
    QTest::addColumn<int>("value");

    QTest::newRow("blocks, empty") << false << 0;
    QTest::newRow("blocks, half") << false << 50;
    QTest::newRow("blocks, full") << false << 100;
    QTest::newRow("band, half") << true << 50;
    QTest::newRow("band, full") << true << 100;
}

void TestControls::progressDrawsBlocksOrBand()
{
    QFETCH(bool, smooth);
    QFETCH(int, value);

    const QColor green(0, 192, 0);
    QuibexPBar bar;
    bar.resize(393, 17);
    bar.setBarColor(green);
    bar.setSmoothScrolling(smooth);
    bar.setValue(value);
    const QImage image = bar.grab().toImage();
    const QRect track = bar.trackRect();
    const int row = track.center().y();

    const QRect filled = bar.filledRect();
    const QRect line(track.left(), row, track.width(), 1);
    const int greenOnLine = countColour(image, line, green);
    if (value == 0) {
        QCOMPARE(greenOnLine, 0);
        return;
    }
    // The fill reaches the end of the value and not beyond.
    QCOMPARE(image.pixelColor(filled.left(), row), green);
    if (value == 100) {
        QCOMPARE(image.pixelColor(track.right(), row), green);
    } else {
        QVERIFY(image.pixelColor(track.right(), row) != green);
    }
    // A band is green throughout; blocks leave gaps between them.
    const QRect filledLine(filled.left(), row, filled.width(), 1);
    const int greenInFill = countColour(image, filledLine, green);
    QCOMPARE(greenInFill == filled.width(), smooth);
}

void TestControls::frameBackgroundCaptionAndClipping()
{
    const QColor beige(0xEF, 0xE7, 0xCE);
    QuibexFrm frame;
    frame.resize(409, 209);
    frame.setBackColor(beige);
    frame.setCaption(QStringLiteral(" Quibex Crypto :"));
    auto* child = new QWidget(&frame);
    child->setGeometry(399, 100, 50, 20);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    const QImage image = frame.grab().toImage();
    QCOMPARE(image.pixelColor(200, 100), beige);
    const QRect caption = frame.captionRect();
    QVERIFY(caption.width() >=
            frame.fontMetrics().horizontalAdvance(QStringLiteral(" Quibex Crypto :")));
    QVERIFY(countColour(image, caption, beige) < caption.width() * caption.height());
    QCOMPARE(child->visibleRegion().boundingRect().width(), 10);
}

void TestControls::frameIsAGroupNamedByItsCaption()
{
    QuibexFrm frame;
    frame.setCaption(QStringLiteral(" Quibex Crypto :"));
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&frame);
    QCOMPARE(shown->role(), QAccessible::Grouping);
    QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("Quibex Crypto"));
    frame.setCaption(QStringLiteral("Réglages"));
    QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("Réglages"));
    frame.setAccessibleName(QStringLiteral("Cadre"));
    QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("Cadre"));
    frame.setCaption(QStringLiteral("Options :"));
    QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("Cadre"));
}

void TestControls::menuSkinDecoratesNamedItemsOnly()
{
    QMenuBar bar;
    QMenu* menu = bar.addMenu(QStringLiteral("&Fichier"));
    QAction* open = menu->addAction(QStringLiteral("&Ouvrir..."));
    open->setObjectName(QStringLiteral("menu_fichier_ouvrir"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    menu->addSeparator()->setObjectName(QStringLiteral("separateur"));
    QAction* plain = menu->addAction(QStringLiteral("&Cryptage Quibex"));
    plain->setObjectName(QStringLiteral("menu_option_simple"));
    plain->setCheckable(true);
    plain->setChecked(true);
    QMenu* sub = menu->addMenu(QStringLiteral("&?"));
    QAction* tel = sub->addAction(QStringLiteral("Télécharger d'autres Utilitaires"));
    tel->setObjectName(QStringLiteral("tel"));

    const QColor pink(0xFF, 0x31, 0xCE);
    QFont tahoma(QStringLiteral("DejaVu Sans"));
    tahoma.setPointSizeF(8.25);
    QuibexMenu skin;
    skin.setFont(tahoma);
    skin.addBitmap(QStringLiteral("#menu_fichier_ouvrir"), keyedPicture(), Qt::white);
    skin.addBitmap(QStringLiteral("#tel"), keyedPicture(pink), pink);
    skin.addBitmap(QStringLiteral("#absent"), keyedPicture(), Qt::white);
    skin.attach(&bar);

    for (QAction* decorated : {open, tel}) {
        const QImage icon = decorated->icon().pixmap(16, 16).toImage();
        QCOMPARE(icon.size(), QSize(16, 16));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(icon.pixelColor(8, 8), QColor(200, 0, 0));
    }
    QVERIFY(plain->icon().isNull());
    // The skin leaves the items' behaviour alone.
    QCOMPARE(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QVERIFY(plain->isChecked());
    QCOMPARE(open->text(), QStringLiteral("&Ouvrir..."));
    QSignalSpy triggered(open, &QAction::triggered);
    open->trigger();
    QCOMPARE(triggered.count(), 1);
    for (QWidget* styled : QList<QWidget*>{&bar, menu, sub}) {
        QCOMPARE(styled->font().pointSizeF(), 8.25);
        QCOMPARE(styled->font().family(), QStringLiteral("DejaVu Sans"));
    }
}

namespace {

// Pixels that stand out from the menu's own background in the indicator
// column of an item (left of its text).
QList<QPoint> markPoints(const QImage& image, const QRect& item)
{
    const QColor background = image.pixelColor(item.left() + 2, item.top() + 1);
    QList<QPoint> points;
    for (int y = item.top() + 2; y < item.bottom() - 1; ++y) {
        for (int x = item.left() + 2; x < item.left() + 22; ++x) {
            if (qAbs(image.pixelColor(x, y).lightness() - background.lightness()) > 60) {
                points.append(QPoint(x, y));
            }
        }
    }
    return points;
}

// A tick leaves the upper left of its bounding box empty; a bullet or a
// check box does not.
bool isTick(const QList<QPoint>& points)
{
    if (points.size() < 10) {
        return false;
    }
    QRect bounds(points.first(), QSize(1, 1));
    for (const QPoint& point : points) {
        bounds |= QRect(point, QSize(1, 1));
    }
    const QRect upperLeft(bounds.topLeft(), bounds.size() / 3);
    return std::none_of(points.begin(), points.end(),
                        [&](const QPoint& point) { return upperLeft.contains(point); });
}

} // namespace

void TestControls::chosenModeIsTickedOthersBare()
{
    QuibexMenuStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    QMenu menu;
    menu.setStyle(&style);
    QAction* simple = menu.addAction(QStringLiteral("&Cryptage Quibex"));
    QAction* avance = menu.addAction(QStringLiteral("C&ryptage avancé   (2048 bits)"));
    QActionGroup group(&menu);
    for (QAction* mode : {simple, avance}) {
        mode->setCheckable(true);
        group.addAction(mode);
    }
    simple->setChecked(true);
    menu.adjustSize();

    const QImage shown = menu.grab().toImage();
    QVERIFY(isTick(markPoints(shown, menu.actionGeometry(simple))));
    QVERIFY(markPoints(shown, menu.actionGeometry(avance)).isEmpty());

    avance->setChecked(true);
    const QImage switched = menu.grab().toImage();
    QVERIFY(markPoints(switched, menu.actionGeometry(simple)).isEmpty());
    QVERIFY(isTick(markPoints(switched, menu.actionGeometry(avance))));
}

void TestControls::displayText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("one line") << QStringLiteral("a") << QStringLiteral("a");
    QTest::newRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("a\nb");
    QTest::newRow("empty line") << QStringLiteral("a\r\rb") << QStringLiteral("a\n\nb");
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringLiteral("a\nb");
    QTest::newRow("line feed") << QStringLiteral("a\nb") << QStringLiteral("a\nb");
}

void TestControls::displayText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(MessageBox::displayText(text), shown);
}

void TestControls::realBoxShowsLinesTitleAndPlainText()
{
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModalShows<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        icon = box->icon();
        box->accept();
    });
    MessageBox().message(nullptr, QStringLiteral("<b>Opération</b>\rC:\\DOSSIER\\PHOTO.JPG.QBC"),
                         MessageBox::Kind::Information);
    QCOMPARE(title, QStringLiteral("Quibex Crypto"));
    QCOMPARE(text, QStringLiteral("<b>Opération</b>\nC:\\DOSSIER\\PHOTO.JPG.QBC"));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(icon, QMessageBox::Information);

    whenModalShows<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    QCOMPARE(MessageBox().question(nullptr, QStringLiteral("Remplacer ?")),
             MessageBox::Answer::Yes);
    whenModalShows<QMessageBox>([](QMessageBox* box) { box->reject(); });
    QCOMPARE(MessageBox().question(nullptr, QStringLiteral("Remplacer ?")), MessageBox::Answer::No);
}

void TestControls::realBoxKeepsLinesWhole()
{
    const QStringList lines{
        QStringLiteral(
            "  -  Quibex Crypto, a pour but de sécuriser les fichiers et programmes afin "
            "d'éviter "),
        QStringLiteral("à quiconque n'est pas autorisé de pouvoir lire, modifier ou utiliser le "
                       "fichier. Dans "),
        QString(62, QLatin1Char('_'))};
    QList<int> needed;
    int shownWidth = 0;
    int room = 0;
    QString spoken;
    whenModalShows<QMessageBox>([&](QMessageBox* box) {
        // The label that shows the text, whatever Qt calls it.
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text() != box->text()) {
                continue;
            }
            for (const QString& line : lines) {
                needed << label->fontMetrics().horizontalAdvance(line);
            }
            shownWidth = label->contentsRect().width();
            spoken = QAccessible::queryAccessibleInterface(const_cast<QLabel*>(label))
                         ->text(QAccessible::Name);
        }
        room = box->screen()->availableGeometry().width();
        box->accept();
    });
    MessageBox().message(nullptr, lines.join(QLatin1Char('\r')), MessageBox::Kind::Information);
    QVERIFY(!needed.isEmpty());
    // The rule is drawn, not read out an underscore at a time.
    QCOMPARE(spoken, lines.mid(0, 2).join(QLatin1Char('\n')));
    // Qt alone would wrap these at half the screen's width.
    QVERIFY2(*std::max_element(needed.cbegin(), needed.cend()) > room / 2, "lines too short");
    for (const int width : needed) {
        QVERIFY2(width <= shownWidth,
                 qPrintable(QStringLiteral("%1 > %2").arg(width).arg(shownWidth)));
    }
}

void TestControls::desktopDialogCancelKeepsFileName()
{
    DesktopFileOpenDialog dialog(nullptr);
    dialog.setDialogTitle(QStringLiteral("Fichier à crypter/décrypter"));
    dialog.setFilter(QStringLiteral("Tous les fichiers (*.*)|*.*"));
    dialog.setFileName(QStringLiteral("/nulle/part/avant.txt"));
    QString title;
    QString shownFilter;
    whenModalShows<QFileDialog>([&](QFileDialog* shown) {
        title = shown->windowTitle();
        if (auto* types = shown->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            shownFilter = types->currentText();
        }
        shown->reject();
    });
    QVERIFY(!dialog.show());
    QCOMPARE(dialog.fileName(), QStringLiteral("/nulle/part/avant.txt"));
    QCOMPARE(title, QStringLiteral("Fichier à crypter/décrypter"));
    QCOMPARE(shownFilter, QStringLiteral("Tous les fichiers (*.*)"));
}

void TestControls::desktopDialogListsEveryFileAndReturnsThePath()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const char* name : {"avec.point", "sans_point"}) {
        QFile file(folder.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    DesktopFileOpenDialog dialog(nullptr);
    dialog.setFilter(QStringLiteral("Tous les fichiers (*.*)|*.*"));
    dialog.setFileName(folder.filePath(QStringLiteral("avec.point")));
    int listed = 0;
    whenModalShows<QFileDialog>([&](QFileDialog* shown) {
        auto* list = shown->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        // The folder is read in the background; wait for both names.
        QDeadlineTimer deadline(5000);
        while (list != nullptr && list->model()->rowCount(list->rootIndex()) < 2 &&
               !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        listed = list != nullptr ? list->model()->rowCount(list->rootIndex()) : -1;
        QMetaObject::invokeMethod(shown, "accept", Qt::QueuedConnection);
    });
    QVERIFY(dialog.show());
    QCOMPARE(listed, 2);
    QCOMPARE(dialog.fileName(), folder.filePath(QStringLiteral("avec.point")));
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
