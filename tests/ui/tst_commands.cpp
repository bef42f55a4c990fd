// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

// The window's commands run end to end: Browse, Encrypt (with real jobs on
// real files), Help, About and Download, through their buttons and menus.
#include "job/FileJob.h"
#include "job/Texts.h"
#include "tests/support/MemoryScan.h"
#include "tests/support/ScriptedFileOpenDialog.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestStreams.h"
#include "tests/support/WindowTestSupport.h"
#include "ui/Application.h"
#include "ui/RezarUvurizod.h"
#include "ui/Site.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/QuibexCmd.h"
#include "ui/controls/QuibexPBar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace quibex;

namespace {

const QString Encoding = QStringLiteral("Codage du mot de passe...");
const QString TooLong = QStringLiteral("Utilisez un mot de passe de moins de 256 caractères.");

// The window with a hook inside the yields of its jobs and expansions, and a
// count of the starts it refused (each with a beep alone).
class CommandWindow : public ScriptedWindow
{
public:
    explicit CommandWindow(JobOptions options = {})
        : ScriptedWindow(std::move(options)), m_beepsBefore(testBoxes().beepCount())
    {
        // Every turn of the event loop, which the yields run.
        m_hook.setInterval(0);
        QObject::connect(&m_hook, &QTimer::timeout, &m_hook, [this] {
            if (m_when()) {
                m_hook.stop();
                // A copy: the action may set the next hook.
                const std::function<void()> action = m_action;
                action();
            }
        });
    }

    int refusals() const { return testBoxes().beepCount() - m_beepsBefore; }

    // Runs action once, at the first yield for which when() holds.
    void once(const std::function<bool()>& when, const std::function<void()>& action)
    {
        m_when = when;
        m_action = action;
        m_hook.start();
    }

    QString text(const QString& name)
    {
        if (auto* label = quibex::control<QLabel>(*this, name)) {
            return label->text();
        }
        return quibex::control<QLineEdit>(*this, name)->text();
    }

    void activate(const QString& name) { quibex::activate(*this, name); }

    void choose(const QString& path, const QString& trigger = QStringLiteral("btnParcourir"))
    {
        ScriptedFileOpenDialog::setNextChoice(path);
        activate(trigger);
    }

    void setMode(bool advanced)
    {
        activate(advanced ? QStringLiteral("menu_option_avance")
                          : QStringLiteral("menu_option_simple"));
    }

    // The two presses of Encrypt with the password typed in between; the
    // success message (or any box) is answered with OK.
    void encrypt(const QString& password)
    {
        activate(QStringLiteral("btnCrypt"));
        quibex::control<QLineEdit>(*this, QStringLiteral("Motdepass"))->setText(password);
        testBoxes().setNextAnswer(MessageBox::Answer::Ok);
        activate(QStringLiteral("btnCrypt"));
    }

    bool expanding() { return !jobRunning() && text(QStringLiteral("statusLabel")) == Encoding; }
    bool jobRunning() { return quibex::jobRunning(*this); }

    bool isIdle()
    {
        return text(QStringLiteral("statusLabel")) == QStringLiteral("En attente...") &&
               text(QStringLiteral("pourcent")) == QStringLiteral("0%") &&
               quibex::control<QuibexPBar>(*this, QStringLiteral("barre_progression"))->value() ==
                   0 &&
               quibex::control<QWidget>(*this, QStringLiteral("btnCrypt"))->isEnabled() &&
               quibex::control<QWidget>(*this, QStringLiteral("btnParcourir"))->isEnabled() &&
               quibex::control<QWidget>(*this, QStringLiteral("Motdepass"))->isHidden() &&
               text(QStringLiteral("Motdepass")).isEmpty() && !jobRunning();
    }

private:
    QTimer m_hook;
    std::function<bool()> m_when;
    std::function<void()> m_action;
    int m_beepsBefore;
};

// Codes of a password made of Latin-1 characters, which Windows-1252 codes alike.
QByteArray latin1Codes(const QString& password)
{
    return password.toLatin1();
}

QByteArray keyOf(const QString& password, bool advanced)
{
    return reference::keyOf(latin1Codes(password), advanced);
}

// A job that yields often enough for commands to run inside it.
JobOptions slowJob()
{
    JobOptions options;
    options.blockSize = 4096;
    options.updateInterval = std::chrono::milliseconds(0);
    return options;
}

// A password made at run time, so that no copy of it sits in the program's
// constants: capitals and one accented letter (two bytes in UTF-8, one in
// Windows-1252).
QString madePassword()
{
    QString password;
    for (int i = 0; i < 14; ++i) {
        password += i == 5 ? QChar(0xE9) : QChar(char16_t(u'A' + (i * 7 + 3) % 26));
    }
    return password;
}

// The password, wherever it was held, is overwritten before it is let go.
void wipe(QString& text)
{
    std::fill_n(const_cast<QChar*>(text.constData()), text.size(), QChar());
    text.clear();
}

void wipe(QByteArray& bytes)
{
    std::fill_n(const_cast<char*>(bytes.constData()), bytes.size(), '\0');
    bytes.clear();
}

// The password in every encoding a copy of it may have, and the start of
// its key, as needles of scan.
void addSecrets(MemoryScan& scan, QString password, bool advanced)
{
    QByteArray codes = latin1Codes(password);
    QByteArray key = keyOf(password, advanced);
    QByteArray utf8 = password.toUtf8();
    QList<QByteArray> forms{codes, utf8, key.left(32)};
    QByteArray utf16(reinterpret_cast<const char*>(password.utf16()), password.size() * 2);
    QByteArray utf32;
    for (const QChar c : std::as_const(password)) {
        const char32_t wide = c.unicode();
        utf32.append(reinterpret_cast<const char*>(&wide), sizeof(wide));
    }
    forms << utf16 << utf32;
    for (QByteArray& form : forms) {
        std::copy(form.cbegin(), form.cend(), scan.needle(form.size()));
        wipe(form);
    }
    for (QByteArray* copy : {&codes, &key, &utf8, &utf16, &utf32}) {
        wipe(*copy);
    }
    wipe(password);
}

QStringList split(const QString& text)
{
    return text.split(QLatin1Char('\r'));
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void browse_data();
    void browse();
    void otherWaysToChoose_data();
    void otherWaysToChoose();
    void browseDuringAJobConcernsTheNextRun_data();
    void browseDuringAJobConcernsTheNextRun();
    void handOverDuringAStalledDiskChangesNothing();

    void encryptSteps_data();
    void encryptSteps();
    void encryptThenDecrypt_data();
    void encryptThenDecrypt();
    void wrongKeyIsAskedAboutFirst_data();
    void wrongKeyIsAskedAboutFirst();
    void existingOutput_data();
    void existingOutput();
    void failuresLeaveTheWindowIdle_data();
    void failuresLeaveTheWindowIdle();
    void encryptDuringAJobIsRefused_data();
    void encryptDuringAJobIsRefused();
    void clicksDuringTheExpansion_data();
    void clicksDuringTheExpansion();

    void helpAndAbout_data();
    void helpAndAbout();
    void helpAndAboutFixedLines_data();
    void helpAndAboutFixedLines();
    void helpDuringAJobPausesIt();
    void passwordStaysOutOfTheSelection();
    void noSecretStaysInMemory_data();
    void noSecretStaysInMemory();
    void download_data();
    void download();

private:
    QTemporaryDir* m_folder = nullptr;
    QString path(const QString& name) const { return m_folder->filePath(name); }
};

void TestCommands::initTestCase()
{
    setUpApplication(*qApp);
}

void TestCommands::init()
{
    ScriptedFileOpenDialog::reset();
    m_folder = new QTemporaryDir;
    QVERIFY(m_folder->isValid());
}

void TestCommands::cleanup()
{
    testBoxes().clearNextAnswers();
    delete m_folder;
    m_folder = nullptr;
}

void TestCommands::browse_data()
{
    QTest::addColumn<QString>("earlier");
    QTest::addColumn<QString>("choice"); // empty: the dialog is cancelled
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("caption");

    const QString start = QStringLiteral("&Crypter");
    const QString decrypt = QStringLiteral("Décrypter");
    QTest::newRow("cancel, nothing chosen") << ""
                                            << ""
                                            << "" << start;
    QTest::newRow("cancel after a choice") << "/d/a.txt"
                                           << ""
                                           << "/d/a.txt" << start;
    QTest::newRow("cancel after an encrypted file") << "/d/a.qbc"
                                                    << ""
                                                    << "/d/a.qbc" << decrypt;
    QTest::newRow("plain file after start") << ""
                                            << "/d/b.txt"
                                            << "/d/b.txt" << start;
    QTest::newRow("photo.JPG.qbc") << ""
                                   << "/d/photo.JPG.qbc"
                                   << "/d/photo.JPG.qbc" << decrypt;
    QTest::newRow("photo.cbq") << ""
                               << "/d/photo.cbq"
                               << "/d/photo.cbq" << decrypt;
    QTest::newRow("upper-cased first") << ""
                                       << "/d/PHOTO.Qbc"
                                       << "/d/PHOTO.Qbc" << decrypt;
    QTest::newRow("no dot needed") << ""
                                   << "/d/notesqbc"
                                   << "/d/notesqbc" << decrypt;
    QTest::newRow("qbc in the folder only") << ""
                                            << "/d.qbc/x.txt"
                                            << "/d.qbc/x.txt" << start;
    QTest::newRow("plain file after an encrypted one") << "/d/a.qbc"
                                                       << "/d/b.txt"
                                                       << "/d/b.txt" << decrypt;
    QTest::newRow("accented path") << ""
                                   << "/d/été.qbc"
                                   << "/d/été.qbc" << decrypt;
}

void TestCommands::browse()
{
    QFETCH(QString, earlier);
    QFETCH(QString, choice);
    QFETCH(QString, shown);
    QFETCH(QString, caption);

    CommandWindow window;
    if (!earlier.isEmpty()) {
        window.choose(earlier);
    }
    // Another filter left behind must not survive the next run.
    window.dialog().setFilter(QStringLiteral("Images (*.png)|*.png"));
    QList<bool> busyWhileShown;
    connect(control<QLineEdit>(window, QStringLiteral("fileSelected")), &QLineEdit::textChanged,
            this, [&busyWhileShown] {
                const QCursor* cursor = QGuiApplication::overrideCursor();
                busyWhileShown << (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
            });
    if (choice.isEmpty()) {
        ScriptedFileOpenDialog::setNextCancel();
    } else {
        ScriptedFileOpenDialog::setNextChoice(choice);
    }
    window.activate(QStringLiteral("menu_fichier_ouvrir"));

    const ScriptedFileOpenDialog::Shown opened = ScriptedFileOpenDialog::shown().constLast();
    QCOMPARE(opened.filter, QStringLiteral("Tous les fichiers (*.*)|*.*"));
    QCOMPARE(opened.fileName, QString());
    QCOMPARE(opened.title, QStringLiteral("Fichier à crypter/décrypter"));
    QCOMPARE(window.text(QStringLiteral("fileSelected")), shown);
    QCOMPARE(control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption(), caption);
    // A cancelled run keeps no selection, whatever the box still shows.
    QCOMPARE(window.dialog().fileName(), choice);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    const bool textChanges = !choice.isEmpty() && choice != earlier;
    QCOMPARE(busyWhileShown, textChanges ? QList<bool>{true} : QList<bool>{});
}

void TestCommands::otherWaysToChoose_data()
{
    // A drop or a second start chooses a file as Browse does, without the
    // dialog; a drop of anything but one file is refused with a word and
    // changes nothing. The window comes to the front for a second start.
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("items"); // "folder/": made here; "https:": not a file
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message"); // empty: none
    const QString one = QString::fromUtf8("Déposez un seul fichier à la fois : la fenêtre "
                                          "traite un fichier à la fois.");
    const QString folder = QString::fromUtf8(texts::InputIsFolder);
    QTest::newRow("drop, one file") << "drop" << QStringList{"photo.JPG.qbc"} << "photo.JPG.qbc"
                                    << "";
    QTest::newRow("drop, two files") << "drop" << QStringList{"a.txt", "b.txt"} << "" << one;
    QTest::newRow("drop, a folder") << "drop" << QStringList{"album/"} << "" << folder;
    QTest::newRow("drop, a web address")
        << "drop" << QStringList{"https://example.org/a.txt"} << "" << one;
    QTest::newRow("handed over") << "handover" << QStringList{"photo.JPG.qbc"} << "photo.JPG.qbc"
                                 << "";
    QTest::newRow("handed over while minimised") << "minimised" << QStringList{"a.txt"} << "a.txt"
                                                 << "";
    QTest::newRow("second start without a file") << "minimised" << QStringList{} << ""
                                                 << "";
}

void TestCommands::otherWaysToChoose()
{
    QFETCH(QString, how);
    QFETCH(QStringList, items);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    QList<QUrl> urls;
    for (const QString& item : std::as_const(items)) {
        if (item.startsWith(QLatin1String("https:"))) {
            urls << QUrl(item);
            continue;
        }
        QVERIFY(item.endsWith(QLatin1Char('/')) ? QDir().mkdir(path(item))
                                                : testfiles::writeFile(path(item), "x"));
        urls << QUrl::fromLocalFile(QDir::cleanPath(path(item)));
    }
    CommandWindow window;
    QVERIFY(showAndActivate(window));
    const int before = testBoxes().shownCount();
    if (how == QStringLiteral("drop")) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        testBoxes().setNextAnswer(MessageBox::Answer::Ok);
        QApplication::sendEvent(&window, &drop);
        testBoxes().clearNextAnswers();
    } else {
        if (how == QStringLiteral("minimised")) {
            window.showMinimized();
        }
        window.showHandedOver(urls.isEmpty() ? QString() : urls.first().toLocalFile());
        QVERIFY(!window.isMinimized() && window.isVisible());
    }
    const QString chosen = shown.isEmpty() ? QString() : QDir::cleanPath(path(shown));
    QCOMPARE(window.text(QStringLiteral("fileSelected")), chosen);
    QCOMPARE(window.dialog().fileName(), chosen);
    QCOMPARE(control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption(),
             chosen.endsWith(QLatin1String(".qbc")) ? QStringLiteral("Décrypter")
                                                    : QStringLiteral("&Crypter"));
    QCOMPARE(testBoxes().shownCount() - before, message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(testBoxes().lastShown().text, message.contains(QLatin1String("%1"))
                                                   ? message.arg(urls.first().toLocalFile())
                                                   : message);
    }
    QVERIFY(ScriptedFileOpenDialog::shown().isEmpty());
}

void TestCommands::browseDuringAJobConcernsTheNextRun_data()
{
    QTest::addColumn<bool>("handedOver");
    QTest::newRow("Browse") << false;
    QTest::newRow("a second start handing a file over") << true;
}

void TestCommands::browseDuringAJobConcernsTheNextRun()
{
    QFETCH(bool, handedOver);
    const QByteArray data = testfiles::randomBytes(200000, 7);
    QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.jpg")), data));
    CommandWindow window(slowJob());
    window.choose(path(QStringLiteral("photo.jpg")));

    bool browseDisabled = false;
    QString shownDuringTheJob;
    window.once([&window] { return window.jobRunning(); },
                [&] {
                    browseDisabled =
                        !control<QWidget>(window, QStringLiteral("btnParcourir"))->isEnabled();
                    if (handedOver) {
                        window.showHandedOver(path(QStringLiteral("autre.qbc")));
                    } else {
                        ScriptedFileOpenDialog::setNextChoice(path(QStringLiteral("autre.qbc")));
                        window.activate(QStringLiteral("QuibexCmd1"));
                    }
                    shownDuringTheJob = window.text(QStringLiteral("fileSelected"));
                });
    window.encrypt(QStringLiteral("secret"));

    QVERIFY(browseDisabled);
    // The job's file stays on show until it ends; the new choice comes after.
    QCOMPARE(shownDuringTheJob, path(QStringLiteral("photo.jpg")));
    QCOMPARE(testfiles::readFile(path(QStringLiteral("photo.JPG.qbc"))),
             testfiles::transformed(data, "secret"));
    QCOMPARE(window.text(QStringLiteral("fileSelected")), path(QStringLiteral("autre.qbc")));
    QCOMPARE(window.dialog().fileName(), path(QStringLiteral("autre.qbc")));
    QCOMPARE(control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption(),
             QStringLiteral("Décrypter"));
    // The finished job's count is not the new file's.
    QCOMPARE(window.text(QStringLiteral("lbcryptes")), QStringLiteral("0 octets cryptés sur"));
    QCOMPARE(window.text(QStringLiteral("lbtaille")), QStringLiteral("0"));
    QVERIFY(window.isIdle());
}

void TestCommands::handOverDuringAStalledDiskChangesNothing()
{
    // The disk answers no more (a frozen file system): a file handed over
    // meanwhile changes nothing shown; the window then closes, the job
    // abandoned, and nothing is named.
    QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.jpg")), "photo"));
    JobOptions options = slowJob();
    options.streams =
        std::make_shared<testing::TestStreams>(testing::TestStreams::Faults{.stall = true});
    CommandWindow window(options);
    window.choose(path(QStringLiteral("photo.jpg")));
    QStringList shown;
    window.once([&window] { return window.jobRunning(); },
                [&] {
                    window.showHandedOver(path(QStringLiteral("autre.qbc")));
                    shown << window.text(QStringLiteral("fileSelected"))
                          << window.text(QStringLiteral("statusLabel"))
                          << control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption();
                    window.fermer();
                });
    window.encrypt(QStringLiteral("secret"));
    QCOMPARE(shown,
             (QStringList{path(QStringLiteral("photo.jpg")), QStringLiteral("Cryptage en cours..."),
                          QStringLiteral("&Crypter")}));
    QCOMPARE(testfiles::entries(m_folder->path()), QStringList{"photo.jpg"});
}

void TestCommands::encryptSteps_data()
{
    QTest::addColumn<bool>("fileChosen");
    QTest::addColumn<QString>("password"); // empty: a single press
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QString>("message"); // empty: the job ran
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");

    const int error = int(MessageBox::Kind::Error);
    const QString unsupported =
        QStringLiteral("Le mot de passe contient des caractères qui ne sont pas pris en charge.");
    QTest::newRow("no file chosen")
        << false << "" << false << " Vous devez choisir un fichier à décrypter"
        << int(MessageBox::Kind::Information) << " Fichier introuvable ";
    QTest::newRow("first press") << true << "" << false << "<none>" << 0 << "";
    QTest::newRow("256 characters")
        << true << QString(256, QLatin1Char('k')) << false << TooLong << error << "";
    QTest::newRow("256 characters, advanced")
        << true << QString(256, QLatin1Char('k')) << true << TooLong << error << "";
    QTest::newRow("255 characters")
        << true << QString(255, QLatin1Char('k')) << false << "" << 0 << "";
    QTest::newRow("255 characters, advanced")
        << true << QString(255, QLatin1Char('k')) << true << "" << 0 << "";
    QTest::newRow("outside Windows-1252")
        << true << "пароль" << false << unsupported << error << "";
    QTest::newRow("outside Windows-1252, advanced")
        << true << "mot✓" << true << unsupported << error << "";
    // Counted as characters, not as UTF-16 units.
    QTest::newRow("200 characters outside the BMP")
        << true << QString::fromUtf8("😀").repeated(200) << false << unsupported << error << "";
}

void TestCommands::encryptSteps()
{
    QFETCH(bool, fileChosen);
    QFETCH(QString, password);
    QFETCH(bool, advanced);
    QFETCH(QString, message);
    QFETCH(int, kind);
    QFETCH(QString, title);

    const QString input = path(QStringLiteral("photo.jpg"));
    QVERIFY(testfiles::writeFile(input, "abcdef"));
    CommandWindow window;
    QVERIFY(showAndActivate(window));
    if (fileChosen) {
        window.choose(input);
    }
    window.setMode(advanced);
    auto* box = control<QLineEdit>(window, QStringLiteral("Motdepass"));
    const int before = testBoxes().shownCount();
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    window.activate(QStringLiteral("QuibexCmd5"));
    if (fileChosen) {
        // The first press only shows the entry, whatever follows.
        QCOMPARE(testBoxes().shownCount(), before);
        QVERIFY(box->isVisible());
        QVERIFY(control<QWidget>(window, QStringLiteral("motdepasss"))->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), box);
        if (!password.isEmpty()) {
            box->setText(password);
            window.activate(QStringLiteral("btnCrypt"));
        }
    }

    const QStringList entries = testfiles::entries(m_folder->path());
    if (message.isEmpty()) {
        QVERIFY(testBoxes().lastShown().text.startsWith(QStringLiteral("Opération effectuée")));
        QCOMPARE(testfiles::readFile(path(QStringLiteral("photo.JPG.qbc"))),
                 testfiles::transformed("abcdef", keyOf(password, advanced)));
        QVERIFY(window.isIdle());
        return;
    }
    QCOMPARE(entries, QStringList{QStringLiteral("photo.jpg")});
    if (message == QStringLiteral("<none>")) {
        QCOMPARE(testBoxes().shownCount(), before);
        return;
    }
    QCOMPARE(testBoxes().shownCount(), before + 1);
    QCOMPARE(testBoxes().lastShown().text, message);
    QCOMPARE(int(testBoxes().lastShown().kind), kind);
    QCOMPARE(testBoxes().lastShown().title, title);
    // A refused password stays in the box to be corrected.
    QCOMPARE(box->text(), fileChosen ? password : QString());
    QCOMPARE(box->isVisible(), fileChosen);
}

void TestCommands::encryptThenDecrypt_data()
{
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("advancedBack");
    QTest::addColumn<QString>("passwordBack");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("restored");

    const QString longest = QStringLiteral("0123456789abcdef").repeated(16).left(255);
    QTest::newRow("simple") << false << "secret" << false << "secret" << 100000 << true;
    QTest::newRow("advanced") << true << "secret" << true << "secret" << 100000 << true;
    QTest::newRow("accented password")
        << false << "clé d'été" << false << "clé d'été" << 5000 << true;
    QTest::newRow("advanced, accented")
        << true << "clé d'été" << true << "clé d'été" << 5000 << true;
    QTest::newRow("advanced, one character") << true << "x" << true << "x" << 5000 << true;
    QTest::newRow("advanced, 255 characters") << true << longest << true << longest << 5000 << true;
    QTest::newRow("empty file") << false << "secret" << false << "secret" << 0 << true;
    QTest::newRow("simple file, advanced back")
        << false << "secret" << true << "secret" << 5000 << false;
    QTest::newRow("advanced file, simple back")
        << true << "secret" << false << "secret" << 5000 << false;
    QTest::newRow("wrong password") << false << "secret" << false << "Secret" << 5000 << false;
    QTest::newRow("advanced, wrong password")
        << true << "secret" << true << "secreT" << 5000 << false;
    // Both repeat to the same 256 codes: the format cannot tell them apart.
    QTest::newRow("advanced, password written twice")
        << true << "secret" << true << "secretsecret" << 5000 << true;
}

void TestCommands::encryptThenDecrypt()
{
    QFETCH(bool, advanced);
    QFETCH(QString, password);
    QFETCH(bool, advancedBack);
    QFETCH(QString, passwordBack);
    QFETCH(int, size);
    QFETCH(bool, restored);

    // Random bytes: under a picture's name, a wrong key would be asked about.
    const QByteArray data = testfiles::randomBytes(size, quint32(size) + 1);
    const QString input = path(QStringLiteral("photo.bin"));
    const QString encrypted = path(QStringLiteral("photo.BIN.qbc"));
    const QString decrypted = path(QStringLiteral("photo.cbq"));
    QVERIFY(testfiles::writeFile(input, data));

    CommandWindow window;
    window.show();
    window.choose(input);
    window.setMode(advanced);
    window.encrypt(password);
    QCOMPARE(
        testBoxes().lastShown().text,
        QStringLiteral("Opération effectuée avec succés.\rLe fichier a été enregistré sous : ") +
            encrypted);
    QCOMPARE(testfiles::readFile(encrypted),
             testfiles::transformed(data, keyOf(password, advanced)));
    QVERIFY(window.isIdle());
    QCOMPARE(control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption(),
             QStringLiteral("Crypter"));
    QCOMPARE(window.text(QStringLiteral("lbtaille")), QString::number(size));

    window.choose(encrypted);
    QCOMPARE(control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption(),
             QStringLiteral("Décrypter"));
    // The finished job's count is not the new file's.
    QCOMPARE(window.text(QStringLiteral("lbcryptes")), QStringLiteral("0 octets cryptés sur"));
    QCOMPARE(window.text(QStringLiteral("lbtaille")), QStringLiteral("0"));
    window.setMode(advancedBack);
    window.encrypt(passwordBack);
    QVERIFY(window.isIdle());
    QCOMPARE(testfiles::readFile(decrypted) == data, restored);
    QCOMPARE(testfiles::readFile(decrypted).size(), data.size());
    QCOMPARE(testfiles::entries(m_folder->path()),
             (QStringList{QStringLiteral("photo.BIN.qbc"), QStringLiteral("photo.bin"),
                          QStringLiteral("photo.cbq")}));
}

void TestCommands::wrongKeyIsAskedAboutFirst_data()
{
    QTest::addColumn<bool>("advancedBack");
    QTest::addColumn<QString>("passwordBack");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    const QString otherMode =
        QString::fromUtf8(texts::OtherModeQuestion).arg(QString::fromUtf8(texts::ModeAdvanced));
    const QString wrongKey = QString::fromUtf8(texts::WrongKeyQuestion).arg(QStringLiteral("PNG"));
    // The picture was encrypted with "secret" in the advanced mode.
    QTest::newRow("simple mode, No") << false << "secret" << false << otherMode;
    QTest::newRow("wrong password, Yes") << true << "sesame" << true << wrongKey;
}

void TestCommands::wrongKeyIsAskedAboutFirst()
{
    QFETCH(bool, advancedBack);
    QFETCH(QString, passwordBack);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    // Large enough for a wrong mode to be told from a wrong password.
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x ^ y) * 3));
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
    const QString encrypted = path(QStringLiteral("photo.PNG.qbc"));
    QVERIFY(testfiles::writeFile(encrypted, testfiles::transformed(png, keyOf("secret", true))));

    CommandWindow window;
    window.choose(encrypted);
    window.setMode(advancedBack);
    window.activate(QStringLiteral("btnCrypt"));
    control<QLineEdit>(window, QStringLiteral("Motdepass"))->setText(passwordBack);
    const int before = testBoxes().shownCount();
    testBoxes().setNextAnswer(yes ? MessageBox::Answer::Yes : MessageBox::Answer::No);
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    window.activate(QStringLiteral("btnCrypt"));

    // Asked before anything is written; Yes goes on to a success as before.
    QCOMPARE(testBoxes().shownCount() - before, yes ? 2 : 1);
    if (!yes) {
        QCOMPARE(int(testBoxes().lastShown().kind), int(MessageBox::Kind::Question));
        QCOMPARE(testBoxes().lastShown().text, question);
    }
    QCOMPARE(QFile::exists(path(QStringLiteral("photo.cbq"))), yes);
    QVERIFY(window.isIdle());
}

void TestCommands::existingOutput_data()
{
    QTest::addColumn<bool>("replace");

    QTest::newRow("No keeps it") << false;
    QTest::newRow("Yes replaces it") << true;
}

void TestCommands::existingOutput()
{
    QFETCH(bool, replace);

    const QByteArray data = testfiles::randomBytes(3000, 3);
    const QString output = path(QStringLiteral("photo.JPG.qbc"));
    QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.jpg")), data));
    QVERIFY(testfiles::writeFile(output, "older file, to keep"));

    CommandWindow window;
    window.choose(path(QStringLiteral("photo.jpg")));
    window.activate(QStringLiteral("btnCrypt"));
    control<QLineEdit>(window, QStringLiteral("Motdepass"))->setText(QStringLiteral("secret"));
    testBoxes().setNextAnswer(replace ? MessageBox::Answer::Yes : MessageBox::Answer::No);
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    const int before = testBoxes().shownCount();
    window.activate(QStringLiteral("btnCrypt"));

    QCOMPARE(testBoxes().shownCount(), before + (replace ? 2 : 1));
    QCOMPARE(testfiles::readFile(output),
             replace ? testfiles::transformed(data, "secret") : QByteArray("older file, to keep"));
    QCOMPARE(testfiles::entries(m_folder->path()),
             (QStringList{QStringLiteral("photo.JPG.qbc"), QStringLiteral("photo.jpg")}));
    QVERIFY(window.isIdle());
}

void TestCommands::failuresLeaveTheWindowIdle_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("kind");

    const int none = int(MessageBox::Kind::None);
    QTest::newRow("missing file after a cancelled Browse")
        << "cancelled" << systemErrorText(ENOENT) << none;
    QTest::newRow("file gone since Browse") << "gone" << systemErrorText(ENOENT) << none;
    QTest::newRow("a folder") << "folder"
                              << "Le chemin %1 désigne un dossier et non un fichier : choisissez "
                                 "un fichier."
                              << int(MessageBox::Kind::Error);
    QTest::newRow("output name taken by a folder")
        << "output folder" << QString::fromUtf8(texts::OutputIsFolder)
        << int(MessageBox::Kind::Error);
    QTest::newRow("full disk") << "full" << systemErrorText(ENOSPC) << none;
    QTest::newRow("full disk at the flush") << "flush" << systemErrorText(ENOSPC) << none;
    QTest::newRow("read error") << "read" << systemErrorText(EIO) << none;
}

void TestCommands::failuresLeaveTheWindowIdle()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);
    QFETCH(int, kind);

    const QString input = path(QStringLiteral("photo.jpg"));
    const QString folder = path(QStringLiteral("album"));
    QVERIFY(testfiles::writeFile(input, testfiles::randomBytes(100000, 5)));
    QVERIFY(QDir().mkdir(folder));
    const QString named =
        failure == QStringLiteral("output folder") ? path(QStringLiteral("photo.JPG.qbc")) : folder;
    QVERIFY(QDir().mkpath(named));
    const QStringList before = testfiles::entries(m_folder->path());

    testing::TestStreams::Faults faults;
    faults.failWriteAt = failure == QStringLiteral("full") ? 50000 : -1;
    faults.failFlush = failure == QStringLiteral("flush");
    faults.failReadAt = failure == QStringLiteral("read") ? 60000 : -1;
    JobOptions options;
    options.streams = std::make_shared<testing::TestStreams>(faults);
    CommandWindow window(options);
    window.setMode(true);
    int shown = testBoxes().shownCount();
    if (failure == QStringLiteral("folder")) {
        // Refused as soon as it is chosen, however it comes.
        testBoxes().setNextAnswer(MessageBox::Answer::Ok);
        window.choose(folder);
        QCOMPARE(window.text(QStringLiteral("fileSelected")), QString());
    } else {
        window.choose(input);
        if (failure == QStringLiteral("cancelled")) {
            ScriptedFileOpenDialog::setNextCancel();
            window.activate(QStringLiteral("btnParcourir"));
            QCOMPARE(window.text(QStringLiteral("fileSelected")), input);
        } else if (failure == QStringLiteral("gone")) {
            QVERIFY(QFile::rename(input, path(QStringLiteral("ailleurs.jpg"))));
        }
        shown = testBoxes().shownCount();
        window.encrypt(QStringLiteral("secret"));
    }

    QCOMPARE(testBoxes().shownCount(), shown + 1);
    QCOMPARE(testBoxes().lastShown().text,
             message.contains(QStringLiteral("%1")) ? message.arg(named) : message);
    QCOMPARE(int(testBoxes().lastShown().kind), kind);
    QVERIFY(window.isIdle());
    QStringList after = testfiles::entries(m_folder->path());
    if (failure == QStringLiteral("gone")) {
        after.replace(after.indexOf(QStringLiteral("ailleurs.jpg")), QStringLiteral("photo.jpg"));
        after.sort();
    }
    QCOMPARE(after, before);
}

void TestCommands::encryptDuringAJobIsRefused_data()
{
    QTest::addColumn<bool>("advanced");

    QTest::newRow("simple") << false;
    QTest::newRow("advanced") << true;
}

void TestCommands::encryptDuringAJobIsRefused()
{
    QFETCH(bool, advanced);

    const QByteArray data = testfiles::randomBytes(100000, 11);
    QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.jpg")), data));
    QVERIFY(testfiles::writeFile(path(QStringLiteral("autre.txt")), "other"));
    CommandWindow window(slowJob());
    window.setMode(advanced);
    window.choose(path(QStringLiteral("photo.jpg")));
    int shownInside = -1;
    window.once([&window] { return window.jobRunning(); },
                [&] {
                    const int before = testBoxes().shownCount();
                    window.choose(path(QStringLiteral("autre.txt")), QStringLiteral("QuibexCmd1"));
                    window.activate(QStringLiteral("QuibexCmd5"));
                    window.activate(QStringLiteral("btnCrypt")); // disabled: no click at all
                    shownInside = testBoxes().shownCount() - before;
                });
    window.encrypt(QStringLiteral("secret"));

    QCOMPARE(window.refusals(), 1);
    QCOMPARE(shownInside, 0);
    QCOMPARE(testfiles::readFile(path(QStringLiteral("photo.JPG.qbc"))),
             testfiles::transformed(data, keyOf(QStringLiteral("secret"), advanced)));
    QVERIFY(!QFile::exists(path(QStringLiteral("autre.TXT.qbc"))));
    QVERIFY(window.isIdle());
}

void TestCommands::clicksDuringTheExpansion_data()
{
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("processed");
    QTest::addColumn<bool>("advancedAfter");
    QTest::addColumn<int>("refusals");
    QTest::addColumn<QString>("messageInside");

    // The file is the one chosen when the command began; one chosen during
    // the expansion is chosen after it.
    QTest::newRow("Browse") << "Browse"
                            << "photo.jpg" << true << 0 << "";
    QTest::newRow("handed over") << "handed over"
                                 << "photo.jpg" << true << 0 << "";
    QTest::newRow("simple mode") << "menu_option_simple"
                                 << "photo.jpg" << false << 0 << "";
    QTest::newRow("second Encrypt") << "btnCrypt"
                                    << "photo.jpg" << true << 0 << TooLong;
    QTest::newRow("second Encrypt, image button") << "QuibexCmd5"
                                                  << "photo.jpg" << true << 0 << TooLong;
    QTest::newRow("second Encrypt, password edited") << "edited"
                                                     << "photo.jpg" << true << 1 << "";
    QTest::newRow("second Encrypt, edited, simple mode") << "edited, simple"
                                                         << "photo.jpg" << false << 1 << "";
}

void TestCommands::clicksDuringTheExpansion()
{
    QFETCH(QString, click);
    QFETCH(QString, processed);
    QFETCH(bool, advancedAfter);
    QFETCH(int, refusals);
    QFETCH(QString, messageInside);

    const QByteArray data = testfiles::randomBytes(4000, 13);
    const QByteArray other = testfiles::randomBytes(3000, 17);
    QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.jpg")), data));
    QVERIFY(testfiles::writeFile(path(QStringLiteral("autre.txt")), other));
    CommandWindow window;
    window.show();
    window.setMode(true);
    window.choose(path(QStringLiteral("photo.jpg")));
    int boxLength = 0;
    QString shownInside;
    window.once([&window] { return window.expanding(); },
                [&] {
                    auto* box = control<QLineEdit>(window, QStringLiteral("Motdepass"));
                    boxLength = int(box->text().size());
                    // The OK waiting for the success message answers a box
                    // shown here; another is queued for the success then.
                    const int before = testBoxes().shownCount();
                    if (click == QStringLiteral("Browse")) {
                        window.choose(path(QStringLiteral("autre.txt")));
                    } else if (click == QStringLiteral("handed over")) {
                        window.showHandedOver(path(QStringLiteral("autre.txt")));
                    } else if (click.startsWith(QStringLiteral("edited"))) {
                        if (click.endsWith(QStringLiteral("simple"))) {
                            window.setMode(false);
                        }
                        box->setText(QStringLiteral("autre"));
                        window.activate(QStringLiteral("QuibexCmd5"));
                    } else {
                        window.activate(click);
                    }
                    if (testBoxes().shownCount() > before) {
                        shownInside = testBoxes().lastShown().text;
                        testBoxes().setNextAnswer(MessageBox::Answer::Ok);
                    }
                });
    window.encrypt(QStringLiteral("secret"));

    QCOMPARE(boxLength, 256);
    QCOMPARE(shownInside, messageInside);
    QCOMPARE(window.refusals(), refusals);
    QCOMPARE(window.advancedMode(), advancedAfter);
    const QByteArray key = keyOf(QStringLiteral("secret"), true);
    const bool photo = processed == QStringLiteral("photo.jpg");
    const QString output =
        path(photo ? QStringLiteral("photo.JPG.qbc") : QStringLiteral("autre.TXT.qbc"));
    QCOMPARE(testfiles::readFile(output), testfiles::transformed(photo ? data : other, key));
    QCOMPARE(testfiles::entries(m_folder->path()).size(), 3);
    QVERIFY(window.isIdle());
    if (click == QStringLiteral("Browse") || click == QStringLiteral("handed over")) {
        QCOMPARE(window.text(QStringLiteral("fileSelected")), path(QStringLiteral("autre.txt")));
    }
}

void TestCommands::helpAndAbout_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QList<int>>("emptyLines");
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("ruleLength");

    const QList<int> helpEmpty{2, 7, 11};
    const QList<int> aboutEmpty{2, 8, 11};
    const QString help = QStringLiteral(" Aide - Quibex Crypto 2.5 ");
    const QString about = QStringLiteral(" A propos - Quibex Crypto 2.5");
    QTest::newRow("help, menu") << "help" << help << 15 << helpEmpty << 10 << 62;
    QTest::newRow("help, image button") << "QuibexCmd4" << help << 15 << helpEmpty << 10 << 62;
    QTest::newRow("help, F1") << "F1" << help << 15 << helpEmpty << 10 << 62;
    QTest::newRow("about, menu") << "menu_aide_apropos" << about << 14 << aboutEmpty << 7 << 40;
    QTest::newRow("about, image button") << "QuibexCmd2" << about << 14 << aboutEmpty << 7 << 40;
    QTest::newRow("about, F2") << "F2" << about << 14 << aboutEmpty << 7 << 40;
}

void TestCommands::helpAndAbout()
{
    QFETCH(QString, trigger);
    QFETCH(QString, title);
    QFETCH(int, lines);
    QFETCH(QList<int>, emptyLines);
    QFETCH(int, rule);
    QFETCH(int, ruleLength);

    CommandWindow window;
    QVERIFY(showAndActivate(window));
    window.choose(QStringLiteral("/d/photo.qbc"));
    const int before = testBoxes().shownCount();
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    if (trigger.startsWith(QLatin1Char('F'))) {
        QTest::keySequence(&window, QKeySequence::fromString(trigger));
    } else {
        window.activate(trigger);
    }

    QCOMPARE(testBoxes().shownCount(), before + 1);
    const RecordingBoxes::Shown box = testBoxes().lastShown();
    QCOMPARE(box.kind, MessageBox::Kind::Information);
    QCOMPARE(box.title, title);
    QVERIFY(!box.text.contains(QLatin1Char('\n')));
    const QStringList shown = split(box.text);
    QCOMPARE(shown.size(), lines);
    for (int line = 1; line <= shown.size(); ++line) {
        QCOMPARE(shown.at(line - 1).isEmpty(), emptyLines.contains(line));
    }
    QCOMPARE(shown.at(rule - 1), QString(ruleLength, QLatin1Char('_')));
    QVERIFY(shown.at(lines - 2).contains(QString::fromUtf8(site::Contact)));
    QVERIFY(shown.constLast().contains(QString::fromUtf8(site::Url)));
    QVERIFY(box.text.contains(QStringLiteral("l'équipe Quibex Crypto")));
    // Nothing else of the window moves.
    QCOMPARE(window.text(QStringLiteral("fileSelected")), QStringLiteral("/d/photo.qbc"));
    QCOMPARE(control<QuibexCmd>(window, QStringLiteral("btnCrypt"))->caption(),
             QStringLiteral("Décrypter"));
    // The finished job's count is not the new file's.
    QCOMPARE(window.text(QStringLiteral("lbcryptes")), QStringLiteral("0 octets cryptés sur"));
    QCOMPARE(window.text(QStringLiteral("lbtaille")), QStringLiteral("0"));
    QCOMPARE(window.text(QStringLiteral("statusLabel")), QStringLiteral("En attente..."));
}

void TestCommands::helpAndAboutFixedLines_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");

    const QStringList help{
        " Quibex Crypto est logiciel très facile à utiliser, et très efficace :",
        "",
        "  -  Quibex Crypto, a pour but de sécuriser les fichiers et programmes afin d'éviter ",
        "à quiconque n'est pas autorisé de pouvoir lire, modifier ou utiliser le fichier. Dans ",
        "sa version actuel,  Quibex Crypto peut crypter jusqu'à 2048 bits (l'équivalent d'un",
        " mot de passe de 256 caractères) n'importe quel sorte de fichier ou programme.",
        "",
        "  -  Quibex Crypto Décrypte les fichiers avec une nouvelle extension : ",
        "le_nom_du_fichier.qbc, et décrypte sous l'extension :*.cbq"};
    const QStringList about{" Quibex Crypto est un logiciel de cryptage professionnel",
                            "",
                            "Créer pour vous aider à sécuriser vos données que",
                            "se soit sur internet ou même sur votre PC, et le ",
                            "fichier crypté sera de la même taille du fichier ",
                            "d'origine ."};
    for (int i = 0; i < help.size(); ++i) {
        QTest::addRow("help %d", i + 1) << "QuibexCmd4" << i + 1 << help.at(i);
    }
    for (int i = 0; i < about.size(); ++i) {
        QTest::addRow("about %d", i + 1) << "QuibexCmd2" << i + 1 << about.at(i);
    }
}

void TestCommands::helpAndAboutFixedLines()
{
    QFETCH(QString, trigger);
    QFETCH(int, line);
    QFETCH(QString, text);

    CommandWindow window;
    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
    window.activate(trigger);
    QCOMPARE(split(testBoxes().lastShown().text).at(line - 1), text);
}

void TestCommands::helpDuringAJobPausesIt()
{
    const QByteArray data = testfiles::randomBytes(200000, 19);
    QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.jpg")), data));
    CommandWindow window(slowJob());
    window.show();
    window.choose(path(QStringLiteral("photo.jpg")));

    QString title;
    int displayedLines = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString countWhenShown;
    QString countLater;
    auto* poll = new QTimer(&window);
    connect(poll, &QTimer::timeout, poll, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        poll->stop();
        title = box->windowTitle();
        displayedLines = int(box->text().split(QLatin1Char('\n')).size());
        icon = box->icon();
        countWhenShown = window.text(QStringLiteral("lbcryptes"));
        QTimer::singleShot(200, box, [&, box] {
            countLater = window.text(QStringLiteral("lbcryptes"));
            box->button(QMessageBox::Ok)->click();
        });
    });
    window.once([&window] { return window.jobRunning(); },
                [&] {
                    // The real box this time; the success message keeps its answer.
                    testBoxes().clearNextAnswers();
                    poll->start(10);
                    window.activate(QStringLiteral("QuibexCmd4"));
                    testBoxes().setNextAnswer(MessageBox::Answer::Ok);
                });
    window.encrypt(QStringLiteral("secret"));

    QCOMPARE(title, QStringLiteral(" Aide - Quibex Crypto 2.5 "));
    QCOMPARE(displayedLines, 15);
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(countLater, countWhenShown);
    QCOMPARE(testfiles::readFile(path(QStringLiteral("photo.JPG.qbc"))),
             testfiles::transformed(data, "secret"));
    QVERIFY(window.isIdle());
}

void TestCommands::passwordStaysOutOfTheSelection()
{
    // Selected with the keyboard or the mouse, the password never becomes
    // the primary selection that any program on the display may read; copy
    // and paste still work.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) {
        QSKIP("This display has no primary selection (run under X11)");
    }
    QVERIFY(testfiles::writeFile(path(QStringLiteral("a.txt")), "a"));
    CommandWindow window;
    QVERIFY(showAndActivate(window));
    window.choose(path(QStringLiteral("a.txt")));
    window.activate(QStringLiteral("btnCrypt"));
    auto* box = control<QLineEdit>(window, QStringLiteral("Motdepass"));
    QTest::keyClicks(box, QStringLiteral("motdepasse"));
    QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(box->selectedText(), QStringLiteral("motdepasse"));
    QVERIFY(clipboard->text(QClipboard::Selection) != QStringLiteral("motdepasse"));
    QTest::mouseDClick(box, Qt::LeftButton, {}, box->rect().center());
    QTest::mouseRelease(box, Qt::LeftButton, {}, box->rect().center());
    QCOMPARE(box->selectedText(), QStringLiteral("motdepasse"));
    QVERIFY(clipboard->text(QClipboard::Selection) != QStringLiteral("motdepasse"));
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("motdepasse"));
    box->clear();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box->text(), QStringLiteral("motdepasse"));
    box->clear();
    clipboard->clear();
}

void TestCommands::noSecretStaysInMemory_data()
{
    // However the Encrypt command ends, no copy of the password (as typed,
    // as codes, in UTF-8, UTF-16 or UTF-32) nor of its key is left anywhere
    // in the process's memory: not in the password box's strings, not in the
    // expansion shown as it grows, not in what the job freed.
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QString>("end");
    QTest::newRow("advanced, written") << true << "written";
    QTest::newRow("advanced, No to the overwrite") << true << "declined";
    QTest::newRow("advanced, refused") << true << "refused";
    QTest::newRow("simple, written") << false << "written";
}

void TestCommands::noSecretStaysInMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("The address sanitizer keeps freed blocks aside, unwiped");
#endif
    QFETCH(bool, advanced);
    QFETCH(QString, end);
    const QString input = path(QStringLiteral("photo.jpg"));
    QVERIFY(testfiles::writeFile(input, testfiles::randomBytes(5000, 8)));
    if (end == QStringLiteral("declined")) {
        QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.JPG.qbc")), "ancien"));
    }
    MemoryScan scan;
    addSecrets(scan, madePassword(), advanced);
    {
        CommandWindow window;
        window.setMode(advanced);
        window.choose(input);
        window.activate(QStringLiteral("btnCrypt"));
        QString typed = madePassword();
        for (const QChar c : std::as_const(typed)) { // one key at a time, as typed
            QTest::sendKeyEvent(QTest::Click,
                                control<QLineEdit>(window, QStringLiteral("Motdepass")),
                                Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        wipe(typed);
        if (end == QStringLiteral("refused")) {
            // A folder by now: the job refuses it.
            QVERIFY(QFile::remove(input) && QDir().mkdir(input));
        }
        testBoxes().setNextAnswer(end == QStringLiteral("declined") ? MessageBox::Answer::No
                                                                    : MessageBox::Answer::Ok);
        window.activate(QStringLiteral("btnCrypt"));
        QVERIFY(window.isIdle());
        QCOMPARE(scan.find(), QStringList());
    }
}

void TestCommands::download_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("duringJob");

    QTest::newRow("menu") << "tel" << false;
    QTest::newRow("image button") << "QuibexCmd3" << false;
    QTest::newRow("F3") << "F3" << false;
    QTest::newRow("image button during a job") << "QuibexCmd3" << true;
}

void TestCommands::download()
{
    QFETCH(QString, trigger);
    QFETCH(bool, duringJob);

    UrlCatcher catcher;
    const QByteArray data = testfiles::randomBytes(100000, 23);
    QVERIFY(testfiles::writeFile(path(QStringLiteral("photo.jpg")), data));
    CommandWindow window(slowJob());
    QVERIFY(showAndActivate(window));
    window.choose(path(QStringLiteral("photo.jpg")));
    const int before = testBoxes().shownCount();
    const auto open = [&window, trigger] {
        if (trigger.startsWith(QLatin1Char('F'))) {
            QTest::keySequence(&window, QKeySequence::fromString(trigger));
        } else {
            window.activate(trigger);
        }
    };
    if (duringJob) {
        window.once([&window] { return window.jobRunning(); }, open);
        window.encrypt(QStringLiteral("secret"));
        QCOMPARE(testfiles::readFile(path(QStringLiteral("photo.JPG.qbc"))),
                 testfiles::transformed(data, "secret"));
        QCOMPARE(testBoxes().shownCount(), before + 1);
    } else {
        open();
        QCOMPARE(testBoxes().shownCount(), before);
    }

    QCOMPARE(catcher.opened,
             QList<QUrl>{QUrl(QString::fromUtf8(site::Url) + QStringLiteral("tele.htm"))});
    QVERIFY(window.isIdle());
    QCOMPARE(window.text(QStringLiteral("fileSelected")), path(QStringLiteral("photo.jpg")));
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
