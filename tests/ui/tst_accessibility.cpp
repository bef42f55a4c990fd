// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// The window as assistive tools see it, and the whole program driven from
// the keyboard alone.
#include "job/FileJob.h"
#include "tests/support/ScriptedFileOpenDialog.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestStreams.h"
#include "tests/support/WindowTestSupport.h"
#include "ui/Application.h"
#include "ui/RezarUvurizod.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexPBar.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <chrono>

using namespace quibex;

namespace {

QAccessibleInterface* accessible(QWidget& window, const QString& name)
{
    return QAccessible::queryAccessibleInterface(control<QObject>(window, name));
}

// Presses the keys one after the other where the keyboard would send them:
// the open menu, else the focused widget. A button answers its access key a
// moment later, when it is released: the next key waits for that.
void press(const QStringList& keys)
{
    for (const QString& name : keys) {
        const QKeyCombination key = QKeySequence(name)[0];
        QTest::keyClick(static_cast<QWidget*>(nullptr), key.key(), key.keyboardModifiers());
        QTRY_VERIFY(!aButtonIsDown());
    }
}

// Types text into the focused widget key by key, accented letters included.
void type(const QString& text)
{
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
    }
}

// The actions AT-SPI offers for a control: its own, and Increase and
// Decrease wherever it has a value interface.
QStringList offeredActions(QAccessibleInterface* shown)
{
    QStringList actions;
    if (shown->actionInterface() != nullptr) {
        actions = shown->actionInterface()->actionNames();
    }
    if (shown->valueInterface() != nullptr) {
        actions << QAccessibleActionInterface::increaseAction()
                << QAccessibleActionInterface::decreaseAction();
    }
    return actions;
}

// What the window tells assistive tools while it is on: the platform's
// accessibility turned on as a screen reader turns it on, its events kept.
class HeardEvents
{
public:
    struct Heard
    {
        QAccessible::Event type;
        QString name;
        QVariant value;
    };

    HeardEvents()
    {
        s_heard.clear();
        QAccessible::installUpdateHandler(&HeardEvents::hear);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~HeardEvents()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
    }
    HeardEvents(const HeardEvents&) = delete;
    HeardEvents& operator=(const HeardEvents&) = delete;

    static QList<Heard> of(QAccessible::Event type, const QStringList& names)
    {
        QList<Heard> heard;
        for (const Heard& one : std::as_const(s_heard)) {
            if (one.type == type && names.contains(one.name)) {
                heard << one;
            }
        }
        return heard;
    }

private:
    static void hear(QAccessibleEvent* event)
    {
        QVariant value;
        if (event->type() == QAccessible::ValueChanged) {
            value = static_cast<QAccessibleValueChangeEvent*>(event)->value();
        }
        s_heard << Heard{event->type(), event->object()->objectName(), value};
    }

    static inline QList<Heard> s_heard;
};

QStringList tabs(int count, const QString& then)
{
    QStringList keys;
    for (int i = 0; i < count; ++i) {
        keys << QStringLiteral("Tab");
    }
    return keys << then;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsAsAssistiveToolsSeeThem_data();
    void controlsAsAssistiveToolsSeeThem();
    void menuBarAsAssistiveToolsSeeIt_data();
    void menuBarAsAssistiveToolsSeeIt();
    void everyControlHasAName();
    void promptLabelsThePasswordBox();
    void pressActionRunsTheCommand_data();
    void pressActionRunsTheCommand();
    void accessKeyFollowsTheCaption();
    void strayAccessKeysTypeNothing_data();
    void strayAccessKeysTypeNothing();
    void progressIsRead();
    void progressIsHeardAtAPaceAScreenReaderKeeps();

    void wholeRunFromTheKeyboard_data();
    void wholeRunFromTheKeyboard();
    void imageButtonsByTabAndSpace_data();
    void imageButtonsByTabAndSpace();
    void modeChosenFromTheKeyboard_data();
    void modeChosenFromTheKeyboard();

private:
    QTemporaryDir* m_folder = nullptr;
};

void TestAccessibility::initTestCase()
{
    setUpApplication(*qApp);
}

void TestAccessibility::init()
{
    ScriptedFileOpenDialog::reset();
    m_folder = new QTemporaryDir;
    QVERIFY(m_folder->isValid());
}

void TestAccessibility::cleanup()
{
    testBoxes().clearNextAnswers();
    delete m_folder;
    m_folder = nullptr;
}

void TestAccessibility::controlsAsAssistiveToolsSeeThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<bool>("focusable");

    const auto button = QAccessible::Button;
    const auto text = QAccessible::StaticText;
    QTest::newRow("QuibexCmd1") << "QuibexCmd1" << button << "Ouvrir" << true;
    QTest::newRow("QuibexCmd5") << "QuibexCmd5" << button << "Cryptage" << true;
    QTest::newRow("QuibexCmd3") << "QuibexCmd3" << button << "Centre de téléchargement" << true;
    QTest::newRow("QuibexCmd4") << "QuibexCmd4" << button << "Aide" << true;
    QTest::newRow("QuibexCmd2") << "QuibexCmd2" << button << "A propos" << true;
    QTest::newRow("Line1") << "Line1" << QAccessible::Separator << "" << false;
    QTest::newRow("Line2") << "Line2" << QAccessible::Separator << "" << false;
    QTest::newRow("btnParcourir") << "btnParcourir" << button << "Parcourir :" << true;
    QTest::newRow("btnCrypt") << "btnCrypt" << button << "Crypter" << true;
    QTest::newRow("KovCommand1") << "KovCommand1" << button << "Quitter" << true;
    QTest::newRow("fileSelected") << "fileSelected" << QAccessible::EditableText << "Fichier choisi"
                                  << true;
    QTest::newRow("Motdepass") << "Motdepass" << QAccessible::EditableText << "Mot de passe"
                               << true;
    QTest::newRow("QuibexFrm1") << "QuibexFrm1" << QAccessible::Grouping << "Quibex Crypto"
                                << false;
    QTest::newRow("barre_progression")
        << "barre_progression" << QAccessible::ProgressBar << "Progression" << false;
    QTest::newRow("statusLabel") << "statusLabel" << text << "En attente..." << false;
    QTest::newRow("pourcent") << "pourcent" << text << "0%" << false;
    QTest::newRow("lbcryptes") << "lbcryptes" << text << "0 octets cryptés sur" << false;
    QTest::newRow("lbtaille") << "lbtaille" << text << "0" << false;
    QTest::newRow("motdepasss") << "motdepasss" << text << "Entrez un mot de pass :" << false;
    QTest::newRow("Image2") << "Image2" << QAccessible::Graphic << "Icône de Quibex Crypto"
                            << false;
}

void TestAccessibility::controlsAsAssistiveToolsSeeThem()
{
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, spoken);
    QFETCH(bool, focusable);

    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    WindowView(window).setPasswordEntryVisible(true);
    QAccessibleInterface* shown = accessible(window, name);
    QVERIFY(shown != nullptr && shown->isValid());
    QCOMPARE(shown->role(), role);
    QCOMPARE(shown->text(QAccessible::Name), spoken);
    if (!spoken.isEmpty()) {
        QCOMPARE_NE(shown->text(QAccessible::Description), spoken);
    }
    const QAccessible::State state = shown->state();
    QCOMPARE(bool(state.focusable), focusable);
    // What takes no focus is only read: it offers no action, but for the
    // Increase and Decrease that AT-SPI gives any value, which the bar
    // ignores as Qt's own bar does.
    if (!focusable) {
        const QStringList bars{QAccessibleActionInterface::increaseAction(),
                               QAccessibleActionInterface::decreaseAction()};
        QCOMPARE(offeredActions(shown), role == QAccessible::ProgressBar ? bars : QStringList{});
    }
    QVERIFY(!state.invisible && !state.disabled);
    QCOMPARE(shown->parent()->object(), control<QWidget>(window, name)->parentWidget());

    // The states follow the controls: hidden entry, commands off during a job.
    WindowView(window).setPasswordEntryVisible(false);
    WindowView(window).setCommandsEnabled(false);
    const bool hidden = name == QStringLiteral("Motdepass") || name == QStringLiteral("motdepasss");
    const bool disabled =
        name == QStringLiteral("btnCrypt") || name == QStringLiteral("btnParcourir");
    QCOMPARE(bool(shown->state().invisible), hidden);
    QCOMPARE(bool(shown->state().disabled), disabled);
}

void TestAccessibility::menuBarAsAssistiveToolsSeeIt_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("spoken");

    QTest::newRow("Fichier") << "menu_fichier"
                             << "Fichier";
    QTest::newRow("Option") << "menu_option"
                            << "Option";
    QTest::newRow("?") << "menu_aide"
                       << "Aide";
}

void TestAccessibility::menuBarAsAssistiveToolsSeeIt()
{
    QFETCH(QString, menu);
    QFETCH(QString, spoken);

    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    auto* opened = control<QMenu>(window, menu);
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(window.menuBar());
    QAccessibleInterface* item =
        bar->child(int(window.menuBar()->actions().indexOf(opened->menuAction())));
    QCOMPARE(item->object(), opened->menuAction());
    QCOMPARE(item->role(), QAccessible::MenuItem);
    QCOMPARE(item->text(QAccessible::Name), spoken);
    QCOMPARE(item->parent(), bar);
    QCOMPARE(item->child(0)->object(), opened);
    item->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QTRY_VERIFY(opened->isVisible());
}

void TestAccessibility::everyControlHasAName()
{
    ScriptedWindow window;
    const QList<QWidget*> widgets = window.findChildren<QWidget*>();
    int named = 0;
    for (QWidget* widget : widgets) {
        // Qt's own parts (menu bar extension, scroll areas) are named by Qt.
        if (widget->objectName().isEmpty() ||
            widget->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(widget);
        // A separator is named by its role.
        if (shown->role() == QAccessible::Separator) {
            continue;
        }
        QVERIFY2(!shown->text(QAccessible::Name).trimmed().isEmpty(),
                 qPrintable(widget->objectName()));
        ++named;
    }
    // The window's 19 controls on screen besides the two rules, and its three menus.
    QCOMPARE(named, 22);
}

void TestAccessibility::promptLabelsThePasswordBox()
{
    ScriptedWindow window;
    WindowView(window).setPasswordEntryVisible(true);
    QAccessibleInterface* box = accessible(window, QStringLiteral("Motdepass"));
    const auto labels = box->relations(QAccessible::Label);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first->object()->objectName(), QStringLiteral("motdepasss"));
    QCOMPARE(control<QLabel>(window, QStringLiteral("motdepasss"))->buddy(),
             control<QWidget>(window, QStringLiteral("Motdepass")));
    QVERIFY(!box->text(QAccessible::Description).isEmpty());
    QVERIFY(!accessible(window, QStringLiteral("fileSelected"))
                 ->text(QAccessible::Description)
                 .isEmpty());
}

void TestAccessibility::pressActionRunsTheCommand_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("procedure");

    QTest::newRow("QuibexCmd1") << "QuibexCmd1"
                                << "parcourir";
    QTest::newRow("QuibexCmd5") << "QuibexCmd5"
                                << "crypter";
    QTest::newRow("QuibexCmd3") << "QuibexCmd3"
                                << "telecharger";
    QTest::newRow("QuibexCmd4") << "QuibexCmd4"
                                << "aide";
    QTest::newRow("QuibexCmd2") << "QuibexCmd2"
                                << "aPropos";
    QTest::newRow("btnParcourir") << "btnParcourir"
                                  << "parcourir";
    QTest::newRow("btnCrypt") << "btnCrypt"
                              << "crypter";
}

void TestAccessibility::pressActionRunsTheCommand()
{
    QFETCH(QString, name);
    QFETCH(QString, procedure);

    RecordingWindow window;
    QVERIFY(showAndActivate(window));
    QAccessibleActionInterface* actions = accessible(window, name)->actionInterface();
    QVERIFY(actions != nullptr);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(window.calls(), QStringList{procedure});

    // A disabled command offers no press.
    WindowView(window).setCommandsEnabled(false);
    const bool counterpart = name.startsWith(QLatin1String("btn"));
    QCOMPARE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()),
             !counterpart);
}

void TestAccessibility::accessKeyFollowsTheCaption()
{
    ScriptedWindow window;
    QAccessibleInterface* crypt = accessible(window, QStringLiteral("btnCrypt"));
    const QString press = QAccessibleActionInterface::pressAction();
    QCOMPARE(crypt->text(QAccessible::Accelerator), QStringLiteral("Alt+C"));
    QCOMPARE(crypt->actionInterface()->keyBindingsForAction(press),
             QStringList{QStringLiteral("Alt+C")});
    WindowView(window).setCryptCaption(QStringLiteral("Décrypter"));
    QCOMPARE(crypt->text(QAccessible::Name), QStringLiteral("Décrypter"));
    QCOMPARE(crypt->text(QAccessible::Accelerator), QString());
    QCOMPARE(accessible(window, QStringLiteral("QuibexCmd1"))->text(QAccessible::Accelerator),
             QString());
    QCOMPARE(accessible(window, QStringLiteral("KovCommand1"))->text(QAccessible::Accelerator),
             QStringLiteral("Alt+Q"));
}

void TestAccessibility::strayAccessKeysTypeNothing_data()
{
    // An Alt+letter that no enabled access key takes types nothing, so that
    // the password is never one the user did not mean.
    QTest::addColumn<bool>("jobRunning"); // the commands are off, as during a job
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("Décrypter has no access key") << false << QStringList{"Alt+C"};
    QTest::newRow("no such access key") << false << QStringList{"Alt+X", "Alt+Z"};
    QTest::newRow("disabled buttons' keys") << true << QStringList{"Alt+C", "Alt+P"};
}

void TestAccessibility::strayAccessKeysTypeNothing()
{
    QFETCH(bool, jobRunning);
    QFETCH(QStringList, keys);
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    WindowView(window).setCryptCaption(QStringLiteral("Décrypter"));
    WindowView(window).setPasswordEntryVisible(true);
    WindowView(window).setCommandsEnabled(!jobRunning);
    auto* edit = control<QLineEdit>(window, QStringLiteral("Motdepass"));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    type(QStringLiteral("secret"));
    const int dialogs = int(ScriptedFileOpenDialog::shown().size());
    press(keys);
    QCOMPARE(edit->text(), QStringLiteral("secret"));
    QCOMPARE(int(ScriptedFileOpenDialog::shown().size()), dialogs);
    QVERIFY(edit->isVisible());
}

void TestAccessibility::progressIsRead()
{
    ScriptedWindow window;
    QAccessibleInterface* bar = accessible(window, QStringLiteral("barre_progression"));
    QAccessibleTextInterface* value = bar->textInterface();
    QVERIFY(value != nullptr);
    QCOMPARE(value->text(0, value->characterCount()), QStringLiteral("0 %"));

    WindowView(window).showProgress(42, 1);
    QCOMPARE(value->text(0, value->characterCount()), QStringLiteral("42 %"));
    QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("42 %"));
    QCOMPARE(bar->valueInterface()->currentValue().toInt(), 42);
    QTRY_COMPARE(accessible(window, QStringLiteral("pourcent"))->text(QAccessible::Name),
                 QStringLiteral("42 %"));
    QTRY_COMPARE(accessible(window, QStringLiteral("lbcryptes"))->text(QAccessible::Name),
                 QStringLiteral("1 octets cryptés sur "));
}

void TestAccessibility::progressIsHeardAtAPaceAScreenReaderKeeps()
{
    // A job of some two seconds on a slow disk, in the window as the program
    // makes it.
    const QString input = m_folder->filePath(QStringLiteral("gros.dat"));
    QVERIFY(testfiles::writeFile(input, testfiles::randomBytes(6 << 20, 5)));
    JobOptions options = WindowParts::promptJobOptions();
    options.blockSize = 64 << 10;
    options.streams = std::make_shared<testing::TestStreams>(
        testing::TestStreams::Faults{.bytesPerSecond = 3 << 20});
    ScriptedWindow window(options);
    QVERIFY(showAndActivate(window));
    ScriptedFileOpenDialog::setNextChoice(input);
    activate(window, QStringLiteral("btnParcourir"));
    activate(window, QStringLiteral("btnCrypt"));
    control<QLineEdit>(window, QStringLiteral("Motdepass"))->setText(QStringLiteral("secret"));

    const HeardEvents heard;
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    QElapsedTimer job;
    job.start();
    activate(window, QStringLiteral("btnCrypt"));
    const double seconds = double(job.elapsed()) / 1000;
    QVERIFY2(seconds > 1.5, "the job is long enough to be heard meanwhile");

    // Every value the bar takes is told, as Qt's own bar tells it.
    const auto values = HeardEvents::of(QAccessible::ValueChanged, {"barre_progression"});
    QVERIFY(values.size() >= 20);
    for (qsizetype i = 1; i < values.size() - 1; ++i) {
        QVERIFY(values[i].value.toInt() > values[i - 1].value.toInt());
    }
    QCOMPARE(values.constLast().value.toInt(), 0); // idle again
    QCOMPARE(values[values.size() - 2].value.toInt(), 100);

    // The labels at most once a second, and with the job's progress.
    const QStringList labels{"pourcent", "lbcryptes", "statusLabel", "lbtaille"};
    const auto names = HeardEvents::of(QAccessible::NameChanged, labels);
    QVERIFY2(names.size() <= labels.size() * (int(seconds) + 2),
             qPrintable(QString::number(names.size())));
    QVERIFY(!HeardEvents::of(QAccessible::NameChanged, {"pourcent"}).isEmpty());

    // What they say at last is what they show.
    for (const QString& name : labels) {
        QTRY_COMPARE(accessible(window, name)->text(QAccessible::Name),
                     control<QLabel>(window, name)->text());
    }
}

void TestAccessibility::wholeRunFromTheKeyboard_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("open");
    QTest::addColumn<QStringList>("reveal");
    QTest::addColumn<QStringList>("start");

    // From the path box, which has the focus at start.
    QTest::newRow("access keys") << "photo.jpg"
                                 << "photo.JPG.qbc" << QStringList{"Alt+P"} << QStringList{"Alt+C"}
                                 << QStringList{"Alt+C"};
    QTest::newRow("menu shortcut, Tab, Space and Return")
        << "notes.txt"
        << "notes.TXT.qbc" << QStringList{"Ctrl+O"} << QStringList{"Shift+Tab", "Space"}
        << tabs(7, QStringLiteral("Return"));
    // The name keeps no ending, so random bytes raise no wrong-key question.
    QTest::newRow("decrypting through the Cryptage image button")
        << "photo.qbc"
        << "photo.cbq" << QStringList{"Alt+P"} << tabs(6, QStringLiteral("Space"))
        << tabs(5, QStringLiteral("Enter"));
}

void TestAccessibility::wholeRunFromTheKeyboard()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QStringList, open);
    QFETCH(QStringList, reveal);
    QFETCH(QStringList, start);

    const QByteArray data = testfiles::randomBytes(70001, 11);
    const QString inputPath = m_folder->filePath(input);
    QVERIFY(testfiles::writeFile(inputPath, data));
    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    auto* password = control<QLineEdit>(window, QStringLiteral("Motdepass"));

    ScriptedFileOpenDialog::setNextChoice(inputPath);
    press(open);
    QTRY_COMPARE(control<QLineEdit>(window, QStringLiteral("fileSelected"))->text(), inputPath);

    press(reveal);
    QTRY_VERIFY(password->isVisible() && password->hasFocus());
    type(QStringLiteral("clé secrète"));
    QCOMPARE(password->text(), QStringLiteral("clé secrète"));

    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    press(start);
    QTRY_VERIFY(QFile::exists(m_folder->filePath(output)));
    QVERIFY(testBoxes().lastShown().text.startsWith(
        QStringLiteral("Opération effectuée avec succés.")));
    QCOMPARE(testfiles::readFile(m_folder->filePath(output)),
             testfiles::transformed(data, QStringLiteral("clé secrète").toLatin1()));

    // Idle again, and the keyboard still has a place to start from.
    QTRY_VERIFY(!jobRunning(window));
    QCOMPARE(control<QLabel>(window, QStringLiteral("statusLabel"))->text(),
             QStringLiteral("En attente..."));
    QVERIFY(password->isHidden() && password->text().isEmpty());
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr && focus->window() == &window && focus->isVisible() &&
            focus->isEnabled());
}

void TestAccessibility::imageButtonsByTabAndSpace_data()
{
    QTest::addColumn<int>("tabCount");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("procedure");

    // Tab order from the path box: Parcourir, then the image buttons 1 to 5.
    QTest::newRow("Ouvrir") << 2 << "QuibexCmd1"
                            << "Space"
                            << "parcourir";
    QTest::newRow("A propos") << 3 << "QuibexCmd2"
                              << "Space"
                              << "aPropos";
    QTest::newRow("Centre de téléchargement") << 4 << "QuibexCmd3"
                                              << "Space"
                                              << "telecharger";
    QTest::newRow("Aide") << 5 << "QuibexCmd4"
                          << "Space"
                          << "aide";
    QTest::newRow("Cryptage") << 6 << "QuibexCmd5"
                              << "Space"
                              << "crypter";
    QTest::newRow("Aide with Return") << 5 << "QuibexCmd4"
                                      << "Return"
                                      << "aide";
    QTest::newRow("Shift+Return presses nothing") << 5 << "QuibexCmd4"
                                                  << "Shift+Return" << QString();
}

void TestAccessibility::imageButtonsByTabAndSpace()
{
    QFETCH(int, tabCount);
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(QString, procedure);

    RecordingWindow window;
    QVERIFY(showAndActivate(window));
    auto* button = control<QuibexCmd>(window, name);
    const QImage unfocused = button->grab().toImage();
    press(tabs(tabCount - 1, QStringLiteral("Tab")));
    QCOMPARE(QApplication::focusWidget(), button);
    // Focus shows, with or without a focus rectangle.
    QVERIFY(button->grab().toImage() != unfocused);
    press({key});
    QCOMPARE(window.calls(), procedure.isEmpty() ? QStringList{} : QStringList{procedure});
}

void TestAccessibility::modeChosenFromTheKeyboard_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("advanced");

    QTest::newRow("Alt+O, R") << QStringList{"Alt+O", "R"} << true;
    QTest::newRow("Alt+O, R, Alt+O, C") << QStringList{"Alt+O", "R", "Alt+O", "C"} << false;
    QTest::newRow("Alt+O, Down, Return") << QStringList{"Alt+O", "Down", "Return"} << true;
    QTest::newRow("Alt+O, Escape") << QStringList{"Alt+O", "Escape", "Escape"} << false;
}

void TestAccessibility::modeChosenFromTheKeyboard()
{
    QFETCH(QStringList, keys);
    QFETCH(bool, advanced);

    ScriptedWindow window;
    QVERIFY(showAndActivate(window));
    press(keys);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    QCOMPARE(window.advancedMode(), advanced);
    QCOMPARE(control<QAction>(window, QStringLiteral("menu_option_simple"))->isChecked(),
             !advanced);
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
