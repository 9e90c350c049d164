#include "main_window.h"

#include "app/port_window.h"
#include "image/config_assembler.h"
#include "platform/colours.h"
#include "platform/port_devices.h"
#include "platform/qt_serial_link.h"
#include "platform/settings_store.h"
#include "platform/user_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

namespace selvana {

namespace {

struct CommandSpec {
    const char* key;
    const char* caption;
    const char* toolTip;
    const char* icon;
};

// Left to right; a blank spacer follows the first and precedes the last.
const CommandSpec kCommands[] = {
    {"CONFIG", "Impostazioni", "Imposta la posta di comunicazione con l'apparato", "config"},
    {"LOAD", "Lettura Configurazione", "Legge la configurazione attuale dell'apparato", "load"},
    {"SAVE", "Programmazione", "Memorizza la configurazione visualizzata nell'apparato", "save"},
    {"RETI", "Gestione Reti", "Gestione elenco reti disponibili", "reti"},
    {"END", "Fine lavoro", "Chiude l'applicazione senza salvare la configurazione nell'apparato",
     "end"},
};

QWidget* toolbarSpacer(QWidget* parent) {
    auto* spacer = new QWidget(parent);
    spacer->setFixedWidth(24);
    return spacer;
}

} // namespace

MainWindow::MainWindow(ProgramState& state, SerialLink& link, SettingsStore& settings,
                       UserDialogs& dialogs, QString programFolder, QWidget* parent)
    : QMainWindow(parent), state_(state), settings_(settings), dialogs_(dialogs),
      programFolder_(std::move(programFolder)), keyPreview_(state), run_(state, link, *this),
      endProgram_([] { QCoreApplication::exit(0); }) {
    setObjectName(QStringLiteral("frmMONO"));
    setWindowTitle(QStringLiteral("Programmatore periferiche Selvana M"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/logo.png")));
    buildToolbar();
    buildEditorArea();
    buildPanels();
    Form_Load();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolbar() {
    tlbMain_ = new QToolBar(QStringLiteral("Comandi"), this);
    tlbMain_->setObjectName(QStringLiteral("tlbMain"));
    tlbMain_->setMovable(false);
    tlbMain_->setFloatable(false);
    tlbMain_->setIconSize(QSize(32, 32));
    tlbMain_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tlbMain_->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Qt::TopToolBarArea, tlbMain_);
    const int count = int(std::size(kCommands));
    for (int i = 0; i < count; ++i) {
        const CommandSpec& spec = kCommands[i];
        if (i == count - 1)
            tlbMain_->addWidget(toolbarSpacer(tlbMain_));
        const QString key = QLatin1String(spec.key);
        QAction* action = tlbMain_->addAction(
            QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(spec.icon))),
            QString::fromUtf8(spec.caption));
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(QString::fromUtf8(spec.toolTip));
        connect(action, &QAction::triggered, this, [this, key] { run_.tlbMain_ButtonClick(key); });
        commands_[key] = action;
        if (i == 0)
            tlbMain_->addWidget(toolbarSpacer(tlbMain_));
    }
}

void MainWindow::buildEditorArea() {
    editorArea_ = new QWidget(this);
    editorArea_->setObjectName(QStringLiteral("editorArea"));
    auto* grid = new QGridLayout(editorArea_);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(6);
    const std::pair<const char*, const char*> frames[] = {
        {"Frame4", "Parametri Generali"}, {"Frame6", "Parametri Radio"},
        {"Frame5", "Parametri Operativi"}, {"Frame8", "Via di TX"},
        {"Frame2", "Centralina Integrata"}, {"Frame11", "Configurazione"},
    };
    int cell = 0;
    for (const auto& [name, caption] : frames) {
        auto* frame = new QGroupBox(QString::fromUtf8(caption), editorArea_);
        frame->setObjectName(QLatin1String(name));
        grid->addWidget(frame, cell / 3, cell % 3);
        frames_[QLatin1String(name)] = frame;
        ++cell;
    }
    frames_[QStringLiteral("Frame11")]->hide(); // until a configuration is shown
    editorArea_->installEventFilter(this);
    setCentralWidget(editorArea_);
}

void MainWindow::buildPanels() {
    framePresentation_ = new QFrame(editorArea_);
    framePresentation_->setObjectName(QStringLiteral("framePresentation"));
    framePresentation_->setAutoFillBackground(true);
    framePresentation_->setFrameShape(QFrame::StyledPanel);
    {
        auto* logo = new QLabel(framePresentation_);
        logo->setObjectName(QStringLiteral("imgLogo"));
        logo->setPixmap(QPixmap(QStringLiteral(":/icons/logo.png")));
        logo->setAlignment(Qt::AlignCenter);
        auto* title = new QLabel(QStringLiteral("Programmatore periferiche Selvana M"),
                                 framePresentation_);
        title->setObjectName(QStringLiteral("lblTitolo"));
        QFont big = title->font();
        big.setPointSizeF(big.pointSizeF() * 1.8);
        big.setBold(true);
        title->setFont(big);
        title->setAlignment(Qt::AlignCenter);
        auto* hint = new QLabel(
            QStringLiteral("Collegare la periferica alla porta seriale e scegliere "
                           "\"Lettura Configurazione\". La porta si imposta con \"Impostazioni\"."),
            framePresentation_);
        hint->setObjectName(QStringLiteral("lblIstruzioni"));
        hint->setWordWrap(true);
        hint->setAlignment(Qt::AlignCenter);
        auto* layout = new QVBoxLayout(framePresentation_);
        layout->addStretch();
        layout->addWidget(logo);
        layout->addWidget(title);
        layout->addWidget(hint);
        layout->addStretch();
    }

    frmPrepare_ = new QFrame(editorArea_);
    frmPrepare_->setObjectName(QStringLiteral("frmPrepare"));
    frmPrepare_->setAutoFillBackground(true);
    frmPrepare_->setFrameShape(QFrame::StyledPanel);
    lblPrepare_ = new QLabel(ProgrammingRun::promptLoad(), frmPrepare_);
    lblPrepare_->setObjectName(QStringLiteral("lblPrepare"));
    lblPrepare_->setWordWrap(true);
    lblPrepare_->setAlignment(Qt::AlignCenter);
    QFont prompt = lblPrepare_->font();
    prompt.setPointSizeF(prompt.pointSizeF() * 1.6);
    prompt.setBold(true);
    lblPrepare_->setFont(prompt);
    setForeColor(lblPrepare_, kBlack);
    auto* prepareLayout = new QVBoxLayout(frmPrepare_);
    prepareLayout->setContentsMargins(40, 20, 40, 20);
    prepareLayout->addWidget(lblPrepare_);

    frameReti_ = new QFrame(editorArea_);
    frameReti_->setObjectName(QStringLiteral("frameReti"));
    frameReti_->setAutoFillBackground(true);
    frameReti_->setFrameShape(QFrame::StyledPanel);
    new QVBoxLayout(frameReti_);
    frameReti_->hide();

    for (QWidget* panel : {static_cast<QWidget*>(frmPrepare_), static_cast<QWidget*>(frameReti_),
                           static_cast<QWidget*>(framePresentation_)})
        coverEditor(panel);
}

void MainWindow::coverEditor(QWidget* panel) { panel->setGeometry(editorArea_->rect()); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editorArea_ && event->type() == QEvent::Resize) {
        for (QWidget* panel : {static_cast<QWidget*>(frmPrepare_),
                               static_cast<QWidget*>(frameReti_),
                               static_cast<QWidget*>(framePresentation_)})
            coverEditor(panel);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::Form_Load() {
    state_.PortNumber = settings_.storedPortNumber();
    const bool port = state_.PortNumber != 0;
    setCommandEnabled(QStringLiteral("LOAD"), port);
    setCommandEnabled(QStringLiteral("RETI"), port);
    setCommandEnabled(QStringLiteral("END"), true);
    setCommandEnabled(QStringLiteral("CONFIG"), true);
    setCommandEnabled(QStringLiteral("SAVE"), false);
    showPresentationPanel();
    reloadNetworks();
}

QAction* MainWindow::command(const QString& key) const {
    const auto it = commands_.find(key);
    return it == commands_.end() ? nullptr : it->second;
}

void MainWindow::setCommandEnabled(const QString& key, bool enabled) {
    if (QAction* action = command(key))
        action->setEnabled(enabled);
}

void MainWindow::setPrompt(const QString& caption) { lblPrepare_->setText(caption); }

std::uint32_t MainWindow::promptColour() const { return foreColor(lblPrepare_); }

void MainWindow::setPromptColour(std::uint32_t bgr) { setForeColor(lblPrepare_, bgr); }

void MainWindow::showPreparePanel() {
    coverEditor(frmPrepare_);
    frmPrepare_->show();
    frmPrepare_->raise();
}

void MainWindow::hidePreparePanel() { frmPrepare_->hide(); }

void MainWindow::showPresentationPanel() {
    coverEditor(framePresentation_);
    framePresentation_->raise();
    framePresentation_->show();
}

void MainWindow::hidePresentationPanel() { framePresentation_->hide(); }

void MainWindow::showNetworksPanel() {
    coverEditor(frameReti_);
    frameReti_->show();
    frameReti_->raise();
}

void MainWindow::hideNetworksPanel() { frameReti_->hide(); }

void MainWindow::writeNetworks() {}

void MainWindow::takeNetworksFromGrid() {}

void MainWindow::reloadNetworks() {
    state_.LoadingReti = true;
    state_.LoadingReti = false;
}

void MainWindow::fillCombos() {}

bool MainWindow::presentConfiguration() {
    frames_[QStringLiteral("Frame11")]->show();
    return true;
}

std::optional<FieldError> MainWindow::collectConfiguration() {
    return assembleSaveImage(state_.record, state_.ConfigImage, state_.SaveImage);
}

void MainWindow::reportFieldError(const FieldError& error) {
    dialogs_.message(error.message);
    if (auto* control = findChild<QWidget*>(error.control))
        control->setFocus(Qt::OtherFocusReason);
}

void MainWindow::runPortWindow() {
    PortWindow window(
        state_, settings_, [this](int port) { return deviceForPort(port); }, &testOpen, this);
    dialogs_.runModal(window);
}

QString MainWindow::deviceForPort(int portNumber) {
    return selvana::deviceForPort(portNumber, settings_);
}

void MainWindow::endProgram() { endProgram_(); }

} // namespace selvana
