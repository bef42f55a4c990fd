#pragma once

#include "job/FileJob.h"
#include "job/JobView.h"
#include "ui/controls/FileOpenDialog.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPointF>
#include <QSizeF>

#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;

namespace quibex {

class QuibexCmd;
class QuibexFrm;
class QuibexMenu;
class QuibexPBar;

// The program's only window. Its controls carry the names of the design as
// object names; it drives them for the file job through the job view.
class RezarUvurizod : public QMainWindow, public JobView
{
    Q_OBJECT

public:
    explicit RezarUvurizod(QWidget* parent = nullptr);
    ~RezarUvurizod() override;

    // Centres the window's outer frame on the whole screen.
    void centre();
    // The top-left corner that centres a window of outer size window on a
    // screen of size screen, in single precision and never clamped: a window
    // larger than the screen gets a negative position.
    static QPointF centredPosition(const QSizeF& screen, const QSizeF& window);

    // The file job and the reset, on this window.
    void dec_crypt(const QString& file, const QByteArray& key);
    void raz();
    // The tuning and fault seams of the jobs that this window starts.
    void setJobOptions(const JobOptions& options) { m_jobOptions = options; }

    // Advanced ("2048 bits") mode is checked in the Option menu.
    bool advancedMode() const;
    // The file-open dialog; its file name is the current selection.
    FileOpenDialog& dialog() { return *m_dialog; }

    // The command procedures. Each is run by every trigger of its command;
    // the five below are virtual so that tests can see which one runs.
    virtual void parcourir();
    virtual void crypter();
    virtual void aide();
    virtual void aPropos();
    virtual void telecharger();
    // "&Quitter" of the File menu: the window goes and the program ends.
    void quitter();
    // The "&Quitter" button: closes the window, which ends the program.
    void fermer();
    void modeSimple();
    void modeAvance();

    // JobView
    void setCommandsEnabled(bool on) override;
    void setCryptCaption(const QString& text) override;
    void setStatus(const QString& text) override;
    void setSizeText(const QString& text) override;
    void setCountText(const QString& text) override;
    void showPercentage(int percent) override;
    void setProgress(int percent) override;
    void setPercentText(const QString& text) override;
    void setPasswordEntryVisible(bool on) override;
    void setPasswordText(const QString& text) override;
    void yield() override;
    void message(const QString& text, MessageKind kind, const QString& title = {}) override;
    bool question(const QString& text, const QString& title = {}) override;
    bool endRequested() const override;

protected:
    // An Encrypt command that would start a second key expansion or job while
    // one runs is refused with the system beep alone.
    virtual void refuseStart();
    // Only the two Quit commands may close the window.
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildImageRow(QWidget* area);
    void buildSeparator(QWidget* area);
    void buildFrame(QWidget* area);
    void buildFrameLabels();
    void buildMenus();
    void buildMenuSkin();
    void describeForAssistiveTools();
    void setTabOrder();
    void wireCommands();
    void startUp();
    void endProgram();
    // True, after saying so to the user, for 256 characters or more.
    bool passwordTooLong(const QString& password);
    // The key of the mode checked now; nullopt when the program ended meanwhile.
    std::optional<QByteArray> keyFor(const QByteArray& passwordCodes);

    QuibexFrm* m_frame = nullptr;
    QuibexCmd* m_btnCrypt = nullptr;
    QuibexCmd* m_btnParcourir = nullptr;
    QuibexCmd* m_kovCommand1 = nullptr;
    QuibexCmd* m_cmdOuvrir = nullptr;
    QuibexCmd* m_cmdAPropos = nullptr;
    QuibexCmd* m_cmdTelechargement = nullptr;
    QuibexCmd* m_cmdAide = nullptr;
    QuibexCmd* m_cmdCryptage = nullptr;
    QLineEdit* m_motdepass = nullptr;
    QLineEdit* m_fileSelected = nullptr;
    QuibexPBar* m_barre = nullptr;
    QLabel* m_motdepasss = nullptr;
    QLabel* m_lbtaille = nullptr;
    QLabel* m_lbcryptes = nullptr;
    QLabel* m_pourcent = nullptr;
    QLabel* m_statusLabel = nullptr;

    QMenu* m_menuFichier = nullptr;
    QMenu* m_menuOption = nullptr;
    QMenu* m_menuAide = nullptr;
    QAction* m_ouvrir = nullptr;
    QAction* m_quitter = nullptr;
    QAction* m_simple = nullptr;
    QAction* m_avance = nullptr;
    QActionGroup* m_modes = nullptr;
    QAction* m_aPropos = nullptr;
    QAction* m_help = nullptr;
    QAction* m_tel = nullptr;
    QuibexMenu* m_menuSkin = nullptr;

    std::unique_ptr<FileOpenDialog> m_dialog;
    JobOptions m_jobOptions;
    bool m_expanding = false;
    bool m_closeAllowed = false;
    bool m_endRequested = false;
    bool m_frameCentred = false;
};

} // namespace quibex
