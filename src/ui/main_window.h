#pragma once

#include "core/files/file_error.h"
#include "core/run/programming_run.h"
#include "core/run/run_host.h"
#include "core/session/program_state.h"
#include "serial/port_enumerator.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolBar;

namespace selvana {

namespace registry {
class ProgrammingRegister;
}

class ConfigFileCommands;
class Editor;
class EditorScrollArea;
class RetiGrid;
class SettingsStore;
class UserDialogs;

// frmMONO: toolbar, the six editing frames and the three panels that cover them.
class MainWindow : public QMainWindow, public RunHost {
    Q_OBJECT
public:
    MainWindow(ProgramState& state, SerialLink& link, SettingsStore& settings, UserDialogs& dialogs,
               QString networksFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgrammingRun& run() { return run_; }
    QAction* command(Command command) const;
    // By the key the toolbar gives each action as its objectName: "CONFIG", "LOAD", ...
    QAction* command(const QString& key) const;
    QWidget* editorArea() const { return editorArea_; }
    Editor& editor() { return *editor_; }
    RetiGrid& grid() { return *grdReti_; }
    const QString& networksFolder() const { return networksFolder_; }

    // The serial ports present; the system's unless a test or the screenshots set others.
    void setPortEnumerator(const PortEnumerator& ports) { ports_ = &ports; }

    // What "END" as the first command does; the real program quits.
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }

    // RunHost
    void setCommandEnabled(Command command, bool enabled) override;
    void setPrompt(const QString& caption) override;
    std::uint32_t promptColour() const override;
    void setPromptColour(std::uint32_t bgr) override;
    void showPreparePanel() override;
    void hidePreparePanel() override;
    void showPresentationPanel() override;
    void hidePresentationPanel() override;
    void showNetworksPanel() override;
    void hideNetworksPanel() override;
    void writeNetworks() override;
    void takeNetworksFromGrid() override;
    void reloadNetworks() override;
    void fillCombos() override;
    bool presentConfiguration() override;
    bool presentRead(const Image& image) override;
    std::optional<FieldError> collectConfiguration() override;
    void reportFieldError(const FieldError& error) override;
    void runPortWindow() override;
    QString deviceForPort(int portNumber) override;
    std::optional<QString> deviceInsteadOfAbsent(PortError& error) override;
    void endProgram() override;
    bool approveWrite() override;
    void writeNotSent() override;
    void writeEnded(WriteOutcome outcome) override;
    void writeVerified(const ReadBack& readBack) override;

    // Another register in place of the installer's own (tests keep theirs apart).
    void useRegister(std::unique_ptr<registry::ProgrammingRegister> reg);
    // Opens frmRegistro through the dialog layer.
    void showRegister();

    // Fitted to the screen when first shown.
    void setVisible(bool visible) override;
    // The window system's frame around the window: its own once drawn, else a title bar and
    // borders as the style draws them.
    QMargins frameEstimate() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void buildToolbar();
    void buildEditorArea();
    void fitToScreen();
    void buildPanels();
    void buildRegisterBar();
    void setRegisterNote(const QString& text);
    void afterExchange();
    void coverEditor(QWidget* panel);
    void updateEditorCover();
    void reportNetworksError(const std::optional<FileError>& error);

    ProgramState& state_;
    SettingsStore& settings_;
    UserDialogs& dialogs_;
    QString networksFolder_;
    ProgrammingRun run_;
    std::function<void()> endProgram_;
    std::unique_ptr<PortEnumerator> systemPorts_;
    const PortEnumerator* ports_;

    QToolBar* tlbMain_ = nullptr;
    std::map<Command, QAction*> commands_;
    QWidget* editorArea_ = nullptr;
    EditorScrollArea* editorScroll_ = nullptr;

    Editor* editor_ = nullptr;
    ConfigFileCommands* files_ = nullptr;
    RetiGrid* grdReti_ = nullptr;
    QString lastNetworksError_;
    QFrame* framePresentation_ = nullptr;
    QFrame* frmPrepare_ = nullptr;
    QLabel* lblPrepare_ = nullptr;
    QFrame* frameReti_ = nullptr;

    std::unique_ptr<registry::ProgrammingRegister> register_;
    QLineEdit* txtImpianto_ = nullptr;
    QLineEdit* txtZona_ = nullptr;
    QLabel* lblRegistro_ = nullptr;
    QLabel* lblCopiaRegistro_ = nullptr;
    QCheckBox* chkVerifica_ = nullptr;
    QByteArray approvedConfiguration_; // of the write under way
    QStringList approvedChanges_;
    QString approvedSerial_;
    QString approvedSite_; // as the register keeps them
    QString approvedZone_;
    QString writtenRecordId_;    // the record of the last write the unit took, for its read-back
    QString writtenNote_;        // and what the bar said of it
    QString saidExchangeFault_;  // a fault of the shared register's settings, said once
    QStringList saidDuplicates_; // the codes held twice the installer was told of
};

} // namespace selvana
