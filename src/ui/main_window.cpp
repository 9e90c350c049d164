#include "ui/main_window.h"
#include "ui/resources.h"

#include "core/files/config_file.h"
#include "core/link/frame_codec.h"
#include "core/networks/networks_file.h"
#include "core/texts/shared_texts.h"
#include "registry/installer.h"
#include "registry/programming_register.h"
#include "registry/record_text.h"
#include "serial/port_devices.h"
#include "serial/port_slots.h"
#include "serial/settings_store.h"
#include "serial/system_serial_link.h"
#include "ui/colours.h"
#include "ui/config_file_commands.h"
#include "ui/editor.h"
#include "ui/editor_scroll_area.h"
#include "ui/note_label.h"
#include "ui/port_window.h"
#include "ui/register_window.h"
#include "ui/reti_grid.h"
#include "ui/user_dialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <tuple>
#include <utility>
#include <variant>

namespace selvana {

namespace {

struct CommandSpec {
    Command command;
    const char* key;
    const char* caption;
    const char* toolTip;
    const char* icon;
};

// The settings key of the site last named in the window.
constexpr char kSiteKey[] = "Impianto";
// Whether writes are read back: "1" or "0" (the default).
constexpr char kReadBackKey[] = "Verifica";

// Left to right; a blank spacer follows the first and precedes the last.
const CommandSpec kCommands[] = {
    {Command::Config, "CONFIG", "Impostazioni", "Imposta la posta di comunicazione con l'apparato",
     "config"},
    {Command::Load, "LOAD", "Lettura Configurazione",
     "Legge la configurazione attuale dell'apparato", "load"},
    {Command::Save, "SAVE", "Programmazione",
     "Memorizza la configurazione visualizzata nell'apparato", "save"},
    {Command::Reti, "RETI", "Gestione Reti", "Gestione elenco reti disponibili", "reti"},
    {Command::End, "END", "Fine lavoro",
     "Chiude l'applicazione senza salvare la configurazione nell'apparato", "end"},
};

QWidget* toolbarSpacer(QWidget* parent) {
    auto* spacer = new QWidget(parent);
    spacer->setFixedWidth(24);
    return spacer;
}

} // namespace

MainWindow::MainWindow(ProgramState& state, SerialLink& link, SettingsStore& settings,
                       UserDialogs& dialogs, QString networksFolder, QWidget* parent)
    : QMainWindow(parent), state_(state), settings_(settings), dialogs_(dialogs),
      networksFolder_(std::move(networksFolder)), run_(state, link, *this),
      endProgram_([] { QCoreApplication::exit(0); }),
      systemPorts_(std::make_unique<SystemPortEnumerator>()), ports_(systemPorts_.get()) {
    ensureResources();
    setObjectName(QStringLiteral("frmMONO"));
    setWindowTitle(QStringLiteral("Programmatore periferiche Selvana M"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/logo.png")));
    buildToolbar();
    buildEditorArea();
    buildPanels();
    buildRegisterBar();
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
        const CommandSpec& entry = kCommands[i];
        if (i == count - 1)
            tlbMain_->addWidget(toolbarSpacer(tlbMain_));
        const QString key = QLatin1String(entry.key);
        QAction* action = tlbMain_->addAction(
            QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(entry.icon))),
            QString::fromUtf8(entry.caption));
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(QString::fromUtf8(entry.toolTip));
        const Command command = entry.command;
        connect(action, &QAction::triggered, this,
                [this, command] { run_.tlbMain_ButtonClick(command); });
        commands_[command] = action;
        if (i == 0)
            tlbMain_->addWidget(toolbarSpacer(tlbMain_));
    }
}

// The panels cover editorArea_; the frames scroll inside it.
void MainWindow::buildEditorArea() {
    editorArea_ = new QWidget(this);
    editorArea_->setObjectName(QStringLiteral("editorArea"));
    editorScroll_ = new EditorScrollArea(editorArea_);
    auto* areaLayout = new QVBoxLayout(editorArea_);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->addWidget(editorScroll_);
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("editorContent"));
    editor_ = new Editor(state_, dialogs_, content, this);
    editorScroll_->setWidget(content);
    connect(editor_, &Editor::saveDecision, this, [this](bool on) { run_.offerSave(on); });
    files_ = new ConfigFileCommands(
        *editor_, state_, dialogs_, [this](const FieldError& e) { reportFieldError(e); }, this);
    connect(editor_, &Editor::exportClicked, files_, &ConfigFileCommands::btnEsporta_Click);
    connect(editor_, &Editor::importClicked, files_, &ConfigFileCommands::btnImporta_Click);
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
        auto* title =
            new QLabel(QStringLiteral("Programmatore periferiche Selvana M"), framePresentation_);
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
    auto* retiTitle =
        new QLabel(QStringLiteral("Elenco reti disponibili: scrivere nella cella "
                                  "selezionata; \"Fine lavoro\" salva e torna indietro."),
                   frameReti_);
    retiTitle->setObjectName(QStringLiteral("lblReti"));
    retiTitle->setWordWrap(true);
    grdReti_ = new RetiGrid(&state_.LoadingReti, frameReti_);
    auto* retiLayout = new QVBoxLayout(frameReti_);
    retiLayout->addWidget(retiTitle);
    retiLayout->addWidget(grdReti_);
    frameReti_->hide();

    for (QWidget* panel : {static_cast<QWidget*>(frmPrepare_), static_cast<QWidget*>(frameReti_),
                           static_cast<QWidget*>(framePresentation_)})
        coverEditor(panel);
}

// Below the editor: the site and zone each write is recorded with, and the register.
void MainWindow::buildRegisterBar() {
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("stbRegistro"));
    bar->setSizeGripEnabled(false);
    auto* fields = new QWidget(bar);
    auto* rows = new QVBoxLayout(fields);
    rows->setContentsMargins(4, 0, 4, 0);
    rows->setSpacing(2);
    auto* layout = new QHBoxLayout;
    rows->addLayout(layout);
    const auto caption = [fields](const char* name, const char* text) {
        auto* label = new QLabel(QString::fromUtf8(text), fields);
        label->setObjectName(QLatin1String(name));
        return label;
    };
    txtImpianto_ = new QLineEdit(fields);
    txtImpianto_->setObjectName(QStringLiteral("txtImpianto"));
    txtImpianto_->setToolTip(QStringLiteral("Impianto in cui si installano le periferiche: "
                                            "viene registrato con ogni programmazione"));
    txtZona_ = new QLineEdit(fields);
    txtZona_->setObjectName(QStringLiteral("txtZona"));
    txtZona_->setToolTip(QStringLiteral("Descrizione della periferica da programmare (zona): "
                                        "si svuota dopo ogni programmazione riuscita"));
    auto* registro = new QPushButton(QStringLiteral("Registro..."), fields);
    chkVerifica_ = new QCheckBox(QStringLiteral("Verifica dopo la scrittura"), fields);
    chkVerifica_->setObjectName(QStringLiteral("chkVerifica"));
    chkVerifica_->setToolTip(QStringLiteral("Dopo ogni programmazione riuscita la periferica si "
                                            "rilegge (premendo di nuovo RESET) e si confronta "
                                            "con quanto scritto"));
    // A click on it never takes the focus from an editor box, whose check would run.
    chkVerifica_->setFocusPolicy(Qt::NoFocus);
    registro->setObjectName(QStringLiteral("btnRegistro"));
    registro->setToolTip(QStringLiteral("Periferiche programmate: ricerca per impianto, rete e "
                                        "numero di serie"));
    connect(registro, &QPushButton::clicked, this, &MainWindow::showRegister);
    // Tab keeps going round the editor's controls only, as it always did; these take a click.
    for (QWidget* w : {static_cast<QWidget*>(txtImpianto_), static_cast<QWidget*>(txtZona_),
                       static_cast<QWidget*>(registro)})
        w->setFocusPolicy(Qt::ClickFocus);
    // The notes go on a line of their own under the boxes, on as many lines as they need: the
    // window never widens for them (it must fit small screens) and never cuts them. The check
    // box ends that line, not the one of the boxes, which would then be too wide for a small
    // screen; so the bar is two lines high from the start.
    lblRegistro_ = new NoteLabel(fields);
    lblRegistro_->setObjectName(QStringLiteral("lblRegistro"));
    lblCopiaRegistro_ = new NoteLabel(fields);
    lblCopiaRegistro_->setObjectName(QStringLiteral("lblCopiaRegistro"));
    for (QLabel* note : {lblRegistro_, lblCopiaRegistro_})
        note->hide();
    layout->addWidget(caption("lblCapImpianto", "Impianto:"));
    layout->addWidget(txtImpianto_, 2);
    layout->addWidget(caption("lblCapZona", "Zona:"));
    layout->addWidget(txtZona_, 2);
    layout->addWidget(registro);
    auto* notes = new QHBoxLayout;
    notes->addWidget(lblRegistro_, 3);
    notes->addWidget(lblCopiaRegistro_, 2);
    notes->addStretch(0);
    notes->addWidget(chkVerifica_, 0, Qt::AlignRight | Qt::AlignTop);
    rows->addLayout(notes);
    bar->addWidget(fields, 1);
    setStatusBar(bar);

    txtImpianto_->setText(settings_.GetSetting(QLatin1String(kSiteKey), QString()));
    connect(txtImpianto_, &QLineEdit::editingFinished, this, [this] {
        settings_.SaveSetting(QLatin1String(kSiteKey), txtImpianto_->text().trimmed());
    });
    const bool readBack = settings_.GetSetting(QLatin1String(kReadBackKey), QString()).trimmed() ==
                          QLatin1String("1");
    chkVerifica_->setChecked(readBack);
    run_.setReadBack(readBack);
    connect(chkVerifica_, &QCheckBox::toggled, this, [this](bool on) {
        run_.setReadBack(on);
        settings_.SaveSetting(QLatin1String(kReadBackKey),
                              on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    registry::RegisterError warning;
    auto server = registry::chosenServer(QString(), &warning);
    useRegister(std::make_unique<registry::ProgrammingRegister>(registry::defaultRegisterPath(),
                                                                std::move(server)));
    if (!warning.message.isEmpty())
        setRegisterNote(warning.message);
}

void MainWindow::useRegister(std::unique_ptr<registry::ProgrammingRegister> reg) {
    register_ = std::move(reg);
    // A server that does not answer shows only as the age of the copy.
    connect(register_.get(), &registry::ProgrammingRegister::exchanged, this,
            &MainWindow::afterExchange);
    lblCopiaRegistro_->setVisible(register_->shared());
    lblCopiaRegistro_->setText(register_->copyAge());
    // The company's units, for the duplicate checks of this session's first writes.
    register_->exchange();
}

// The note takes the bar's second line while there is one.
void MainWindow::setRegisterNote(const QString& text) {
    lblRegistro_->setText(text);
    lblRegistro_->setVisible(!text.isEmpty());
}

void MainWindow::showRegister() {
    RegisterWindow window(*register_, dialogs_, this);
    dialogs_.runModal(window);
}

// After each exchange: the age of the copy; a fault of the shared register's settings, said
// once (the records wait on this computer until it is mended); codes held twice, said once
// each.
void MainWindow::afterExchange() {
    lblCopiaRegistro_->setText(register_->copyAge());
    const registry::RegisterError fault = register_->lastExchangeFault();
    if (registry::isConfigurationFault(fault.fault)) {
        setRegisterNote(fault.message);
        if (fault.message != saidExchangeFault_)
            dialogs_.message(fault.message);
        saidExchangeFault_ = fault.message;
    } else if (fault.message.isEmpty()) {
        saidExchangeFault_.clear();
    }
    QList<registry::DuplicateCode> twice;
    if (register_->duplicates(twice))
        return;
    QStringList news;
    for (const registry::DuplicateCode& d : twice) {
        const QString line = registry::duplicateCodeText(d);
        if (!saidDuplicates_.contains(line))
            news << line;
    }
    if (news.isEmpty())
        return;
    saidDuplicates_ << news;
    setRegisterNote(
        QStringLiteral("Codici doppi nel registro: %1 (vedere \"Registro...\")").arg(twice.size()));
    dialogs_.message(QStringLiteral("Nel registro delle programmazioni ci sono codici dati a "
                                    "più periferiche della stessa rete, che la centrale "
                                    "ricevente non distingue:\n\n") +
                     news.join(QLatin1Char('\n')) +
                     QStringLiteral("\n\nRiprogrammare una delle periferiche con un altro "
                                    "codice."));
}

bool MainWindow::approveWrite() {
    // Site and zone as the register keeps them, checked before anything is sent.
    for (const auto& [box, what, kept] :
         {std::tuple{txtImpianto_, QStringLiteral("Il nome dell'impianto"), &approvedSite_},
          std::tuple{txtZona_, QStringLiteral("La zona"), &approvedZone_}}) {
        if (const auto why = registry::checkedRecordText(box->text(), what, *kept)) {
            dialogs_.message(*why + QStringLiteral(". Correggerlo e ripetere la "
                                                   "programmazione."));
            return false;
        }
    }
    approvedSerial_ = serialNumberOf(state_.SaveImage);
    approvedConfiguration_ =
        conf::fileContent(state_.FirmwareM6, state_.record.BandaUHF, state_.SaveImage);
    // The list the installer saw; collection just succeeded, so it gives the same image.
    const auto changes = editor_->model().changesFromRead();
    approvedChanges_ = std::holds_alternative<QStringList>(changes) ? std::get<QStringList>(changes)
                                                                    : QStringList();
    // The code is reserved for this unit until its write is recorded: another program
    // checking or choosing it meanwhile finds it taken.
    std::optional<registry::CodeHolder> holder;
    const auto error = register_->reserve(approvedSerial_, approvedConfiguration_, holder);
    if (const auto note = register_->takeLocalOnlyNote()) {
        setRegisterNote(*note);
        dialogs_.message(*note);
    }
    if (error) {
        // A register that cannot be read does not stop the work; the installer is told.
        setRegisterNote(texts::capitalised(texts::duplicateCheckNotMade(error->message)));
        return true;
    }
    if (!holder)
        return true;
    return dialogs_.question(registry::holderText(*holder) +
                             QStringLiteral("\n\nDue periferiche della stessa rete con lo "
                                            "stesso codice non sono distinguibili dalla centrale "
                                            "ricevente. Continuare comunque?"));
}

void MainWindow::writeNotSent() {
    register_->release(approvedSerial_);
}

void MainWindow::writeEnded(WriteOutcome outcome) {
    registry::WriteFacts facts;
    facts.serialNumber = approvedSerial_;
    facts.configuration = approvedConfiguration_;
    facts.outcome = outcome;
    facts.backupPath = run_.session().backupPath();
    facts.site = approvedSite_;
    facts.description = approvedZone_;
    facts.changes = approvedChanges_;
    writtenRecordId_.clear();
    registry::UnitRecord made;
    if (const auto error = register_->record(facts, &made)) {
        const QString text = registry::notRecordedText(facts.outcome, *error);
        setRegisterNote(text);
        dialogs_.message(text);
        return;
    }
    const QString note = QStringLiteral("Registrata: %1, codice %2 rete %3 (%4)")
                             .arg(made.serialNumber)
                             .arg(made.peripheralCode)
                             .arg(registry::networkText(made.network),
                                  registry::outcomeText(made.outcome).toLower());
    setRegisterNote(note);
    if (outcome == WriteOutcome::Written) {
        txtZona_->clear();
        writtenRecordId_ = made.id;
        writtenNote_ = note;
    }
    register_->exchange();
}

void MainWindow::writeVerified(const ReadBack& readBack) {
    // Without the write's record there is nothing to keep it with.
    const QString id = std::exchange(writtenRecordId_, QString());
    if (id.isEmpty())
        return;
    const QString word = verificationWord(readBack.outcome);
    if (const auto error = register_->recordVerification(id, readBack)) {
        const QString text = QStringLiteral("L'esito della verifica (%1) non è stato registrato "
                                            "nel registro delle programmazioni: %2")
                                 .arg(word, error->message);
        setRegisterNote(text);
        dialogs_.message(text);
        return;
    }
    setRegisterNote(QStringLiteral("%1, verifica %2").arg(writtenNote_, word));
    // The record may have reached the server already: the verification follows it.
    register_->exchange();
}

void MainWindow::coverEditor(QWidget* panel) {
    panel->setGeometry(editorArea_->rect());
}

void MainWindow::setVisible(bool visible) {
    if (visible && !testAttribute(Qt::WA_WState_ExplicitShowHide))
        fitToScreen();
    QMainWindow::setVisible(visible);
}

QMargins MainWindow::frameEstimate() const {
    const QMargins known = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    return {std::max(known.left(), border), std::max(known.top(), title + border),
            std::max(known.right(), border), std::max(known.bottom(), border)};
}

// Where the screen's free area holds the toolbar and the frames, the window takes their room.
// Where it does not, the window fills that area and the frames scroll.
void MainWindow::fitToScreen() {
    const QSize most = screen()->availableGeometry().size().shrunkBy(frameEstimate());
    // The toolbar above the editor and the register bar below it.
    const QSize bars(0, tlbMain_->sizeHint().height() + statusBar()->sizeHint().height());
    editorScroll_->setRoom(most - bars);
    const QSize needed = editorScroll_->contentMinimum() + bars;
    if (needed.width() <= most.width() && needed.height() <= most.height())
        return;
    resize(most);
    setWindowState(windowState() | Qt::WindowMaximized);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editorArea_ && event->type() == QEvent::Resize) {
        for (QWidget* panel :
             {static_cast<QWidget*>(frmPrepare_), static_cast<QWidget*>(frameReti_),
              static_cast<QWidget*>(framePresentation_)})
            coverEditor(panel);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::Form_Load() {
    state_.PortNumber = settings_.storedPortNumber();
    run_.showIdleToolbar();
    showPresentationPanel();
    reloadNetworks();
}

QAction* MainWindow::command(Command command) const {
    const auto it = commands_.find(command);
    return it == commands_.end() ? nullptr : it->second;
}

QAction* MainWindow::command(const QString& key) const {
    for (const auto& [command, action] : commands_)
        if (action->objectName() == key)
            return action;
    return nullptr;
}

void MainWindow::setCommandEnabled(Command command, bool enabled) {
    if (QAction* action = this->command(command))
        action->setEnabled(enabled);
}

void MainWindow::setPrompt(const QString& caption) {
    lblPrepare_->setText(caption);
}

std::uint32_t MainWindow::promptColour() const {
    return foreColor(lblPrepare_);
}

void MainWindow::setPromptColour(std::uint32_t bgr) {
    setForeColor(lblPrepare_, bgr);
}

// While a panel covers the editor, its frames take no keys and keep no focus: typing into a box
// nobody can see must not change it or run its checks.
void MainWindow::updateEditorCover() {
    const bool covered =
        !frmPrepare_->isHidden() || !framePresentation_->isHidden() || !frameReti_->isHidden();
    bool wasCovered = false;
    for (const editor::ControlInfo& info : editor::controlInfos()) {
        if (info.kind != editor::Kind::Frame)
            continue;
        QWidget* frame = editor_->widget(info.id);
        wasCovered = wasCovered || !frame->isEnabled();
        frame->setEnabled(!covered);
    }
    // A code the check turned red while the editor was covered gets the focus it asked for.
    const editor::Ctl code = editor::Ctl::txtCodicePeriferica;
    if (wasCovered && !covered && editor_->model().control(code).foreColour == editor::kRed)
        editor_->focusOn(code);
}

void MainWindow::showPreparePanel() {
    coverEditor(frmPrepare_);
    frmPrepare_->show();
    frmPrepare_->raise();
    updateEditorCover();
}

void MainWindow::hidePreparePanel() {
    frmPrepare_->hide();
    updateEditorCover();
}

void MainWindow::showPresentationPanel() {
    coverEditor(framePresentation_);
    framePresentation_->raise();
    framePresentation_->show();
    updateEditorCover();
}

void MainWindow::hidePresentationPanel() {
    framePresentation_->hide();
    updateEditorCover();
}

void MainWindow::showNetworksPanel() {
    coverEditor(frameReti_);
    frameReti_->show();
    frameReti_->raise();
    updateEditorCover();
    grdReti_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::hideNetworksPanel() {
    frameReti_->hide();
    updateEditorCover();
}

// A failing networks file is reported once, not again at every command, until it works again.
void MainWindow::reportNetworksError(const std::optional<NetworksFileError>& error) {
    if (!error) {
        lastNetworksError_.clear();
        return;
    }
    if (error->message == lastNetworksError_)
        return;
    lastNetworksError_ = error->message;
    dialogs_.message(error->message);
}

void MainWindow::writeNetworks() {
    reportNetworksError(ScriviReti(networksFolder_, state_.networkList));
}

void MainWindow::takeNetworksFromGrid() {
    reportNetworksError(GetReti(*grdReti_, state_.networkList, networksFolder_));
}

void MainWindow::reloadNetworks() {
    state_.LoadingReti = true;
    const auto error = LoadReti(networksFolder_, state_.networkList, *grdReti_);
    state_.LoadingReti = false;
    reportNetworksError(error);
}

void MainWindow::fillCombos() {
    editor_->fillCombos();
}

bool MainWindow::presentConfiguration() {
    return editor_->present();
}

bool MainWindow::presentRead(const Image& image) {
    return editor_->presentRead(image);
}

std::optional<FieldError> MainWindow::collectConfiguration() {
    return editor_->collect();
}

void MainWindow::reportFieldError(const FieldError& error) {
    dialogs_.message(error.message);
    if (error.control.isEmpty())
        return;
    if (auto* control = findChild<QWidget*>(error.control))
        control->setFocus(Qt::OtherFocusReason);
}

void MainWindow::runPortWindow() {
    PortWindow window(
        state_, settings_, [this](int port) { return selvana::deviceForPort(port, settings_); },
        &testOpen, *ports_, this);
    dialogs_.runModal(window);
}

QString MainWindow::deviceForPort(int portNumber) {
    return followSlot(portNumber, settings_, ports_->ports()).device;
}

std::optional<QString> MainWindow::deviceInsteadOfAbsent(PortError& error) {
    const QList<DetectedPort> present = adapterCandidates(ports_->ports());
    if (present.isEmpty()) {
        error.message += QLatin1Char(' ') + texts::sentence(texts::noAdapterPlugged());
        return std::nullopt;
    }
    if (present.size() > 1) {
        error.message += QLatin1Char(' ') +
                         texts::capitalised(texts::adaptersPlugged(present.size())) +
                         QStringLiteral(": sceglierne uno con \"Impostazioni\".");
        return std::nullopt;
    }
    const DetectedPort& only = present.first();
    const QString slot = slotName(state_.PortNumber);
    setPrompt(QStringLiteral("%1 È collegato un solo adattatore seriale: %2.")
                  .arg(error.message, describePort(only)));
    if (!dialogs_.question(
            QStringLiteral("Usare l'adattatore %1 per %2?").arg(describePort(only), slot))) {
        error.message += QStringLiteral(" È collegato l'adattatore %1: per usarlo, sceglierlo con "
                                        "\"Impostazioni\".")
                             .arg(describePort(only));
        return std::nullopt;
    }
    storeSlot(state_.PortNumber, {only.device, adapterIdentity(only)}, settings_);
    return only.device;
}

void MainWindow::endProgram() {
    endProgram_();
}

} // namespace selvana
