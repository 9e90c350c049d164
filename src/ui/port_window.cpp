#include "ui/port_window.h"

#include "core/session/program_state.h"
#include "core/texts/shared_texts.h"
#include "serial/port_slots.h"
#include "serial/settings_store.h"
#include "ui/colours.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace selvana {

PortWindow::PortWindow(ProgramState& state, SettingsStore& settings, DeviceResolver devices,
                       PortTester tester, QWidget* parent)
    : QDialog(parent), state_(state), settings_(settings), devices_(std::move(devices)),
      tester_(std::move(tester)), ownPorts_(std::make_unique<SystemPortEnumerator>()),
      ports_(*ownPorts_) {
    build();
    Form_Load();
}

PortWindow::PortWindow(ProgramState& state, SettingsStore& settings, DeviceResolver devices,
                       PortTester tester, const PortEnumerator& ports, QWidget* parent)
    : QDialog(parent), state_(state), settings_(settings), devices_(std::move(devices)),
      tester_(std::move(tester)), ports_(ports) {
    build();
    Form_Load();
}

PortWindow::~PortWindow() = default;

void PortWindow::build() {
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("Impostazione Porta"));
    setModal(true);

    auto* label = new QLabel(QStringLiteral("Porta COM da utilizzare:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    cmbPorte_ = new QComboBox(this);
    cmbPorte_->setObjectName(QStringLiteral("cmbPorte"));
    cmbPorte_->setMinimumWidth(140);
    lblTest_ = new QLabel(this);
    lblTest_->setObjectName(QStringLiteral("lblTest"));
    QFont bold = lblTest_->font();
    bold.setBold(true);
    lblTest_->setFont(bold);
    // Why a port failed; the test caption itself stays as the installer knows it.
    lblMotivo_ = new QLabel(this);
    lblMotivo_->setObjectName(QStringLiteral("lblMotivo"));
    lblMotivo_->setWordWrap(true);
    lblMotivo_->setMinimumWidth(480);
    for (int port = 1; port <= kPortCount; ++port) {
        QLabel*& device = lblDispositivo_[port - 1];
        device = new QLabel(this);
        device->setObjectName(QStringLiteral("lblDispositivo_%1").arg(port));
        device->setWordWrap(true);
    }
    lblAvviso_ = new QLabel(this);
    lblAvviso_->setObjectName(QStringLiteral("lblAvviso"));
    lblAvviso_->setWordWrap(true);
    lblAvviso_->setFont(bold);
    lblAvviso_->hide();
    auto* listLabel = new QLabel(texts::detectedPortsCaption(), this);
    listLabel->setObjectName(QStringLiteral("Label2"));
    lstAdattatori_ = new QListWidget(this);
    lstAdattatori_->setObjectName(QStringLiteral("lstAdattatori"));
    const int itemHeight = lstAdattatori_->fontMetrics().height() + 4;
    lstAdattatori_->setMinimumHeight(3 * itemHeight);
    lstAdattatori_->setMaximumHeight(7 * itemHeight);
    lblRilevate_ = new QLabel(texts::sentence(texts::noAdapterPlugged()), this);
    lblRilevate_->setObjectName(QStringLiteral("lblRilevate"));
    lblRilevate_->hide();
    auto* deviceLabel = new QLabel(QStringLiteral("Dispositivo:"), this);
    deviceLabel->setObjectName(QStringLiteral("Label3"));
    txtDispositivo_ = new QLineEdit(this);
    txtDispositivo_->setObjectName(QStringLiteral("txtDispositivo"));
    cmdAssegna_ = new QPushButton(QStringLiteral("Assegna alla porta"), this);
    cmdAssegna_->setObjectName(QStringLiteral("cmdAssegna"));
    cmdAssegna_->setAutoDefault(false);
    cmdAssegna_->setEnabled(false);
    cmdOK_ = new QPushButton(QStringLiteral("Conferma selezione"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setAutoDefault(false);
    tmrPorte_ = new QTimer(this);
    tmrPorte_->setObjectName(QStringLiteral("tmrPorte"));
    tmrPorte_->setInterval(kRefreshMs);

    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(label, row, 0);
    grid->addWidget(cmbPorte_, row++, 1, 1, 2, Qt::AlignLeft);
    grid->addWidget(lblTest_, row++, 0, 1, 3);
    grid->addWidget(lblMotivo_, row++, 0, 1, 3);
    grid->setRowMinimumHeight(row++, 6);
    for (QLabel* device : lblDispositivo_)
        grid->addWidget(device, row++, 0, 1, 3);
    grid->addWidget(lblAvviso_, row++, 0, 1, 3);
    grid->setRowMinimumHeight(row++, 6);
    grid->addWidget(listLabel, row++, 0, 1, 3);
    grid->addWidget(lstAdattatori_, row++, 0, 1, 3);
    grid->addWidget(lblRilevate_, row++, 0, 1, 3);
    grid->addWidget(deviceLabel, row, 0);
    grid->addWidget(txtDispositivo_, row, 1);
    grid->addWidget(cmdAssegna_, row++, 2);
    grid->addWidget(cmdOK_, row, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    connect(cmbPorte_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            cmbPorte_Click();
    });
    // Picking the item already shown (say, after plugging the adapter in) tests it again.
    connect(cmbPorte_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index == testedIndex_)
            cmbPorte_Click();
    });
    connect(cmdOK_, &QPushButton::clicked, this, &PortWindow::cmdOK_Click);
    connect(lstAdattatori_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            txtDispositivo_->setText(item->data(Qt::UserRole).toString());
    });
    connect(lstAdattatori_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        txtDispositivo_->setText(item->data(Qt::UserRole).toString());
        cmdAssegna_Click();
    });
    connect(txtDispositivo_, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdAssegna_->setEnabled(!text.trimmed().isEmpty()); });
    connect(txtDispositivo_, &QLineEdit::returnPressed, this, &PortWindow::cmdAssegna_Click);
    connect(cmdAssegna_, &QPushButton::clicked, this, &PortWindow::cmdAssegna_Click);
    connect(tmrPorte_, &QTimer::timeout, this, &PortWindow::tmrPorte_Timer);
}

void PortWindow::Form_Load() {
    {
        const QSignalBlocker quiet(cmbPorte_);
        cmbPorte_->clear();
        for (int port = 1; port <= kPortCount; ++port)
            cmbPorte_->addItem(slotName(port));
        cmbPorte_->setCurrentIndex(-1);
    }
    present_ = ports_.ports();
    updateSlots(false);
    // Selecting from the program tests the port just as a choice by the installer does; a
    // second test would find the port number a failed first one set to 0 and hide its reason.
    if (state_.PortNumber >= 1 && state_.PortNumber <= kPortCount)
        cmbPorte_->setCurrentIndex(state_.PortNumber - 1);
    else
        TestPort();
    tmrPorte_->start();
}

void PortWindow::cmbPorte_Click() {
    testedIndex_ = cmbPorte_->currentIndex();
    state_.PortNumber = static_cast<std::int16_t>(testedIndex_ + 1);
    cmbPorte_->setToolTip(devices_(state_.PortNumber));
    TestPort();
}

void PortWindow::TestPort() {
    const std::optional<PortError> error =
        state_.PortNumber >= 1 ? tester_(devices_(state_.PortNumber)) : std::optional(PortError{});
    if (!error) {
        lblTest_->setText(QStringLiteral("Porta Disponibile!"));
        setForeColor(lblTest_, kGreen);
        showReason(QStringLiteral("Dispositivo: %1").arg(devices_(state_.PortNumber)));
    } else {
        lblTest_->setText(QStringLiteral("Porta Non Disponibile!"));
        setForeColor(lblTest_, kRed);
        showReason(state_.PortNumber >= 1 ? error->message
                                          : QStringLiteral("Nessuna porta selezionata."));
        state_.PortNumber = 0;
    }
}

void PortWindow::showReason(const QString& text) {
    lblMotivo_->setText(text);
    // A window does not grow for a wrapped label by itself: the label asks for the height its
    // text needs at its width, and the window follows.
    const int width = std::max(lblMotivo_->width(), lblMotivo_->minimumWidth());
    lblMotivo_->setMinimumHeight(lblMotivo_->heightForWidth(width));
}

void PortWindow::cmdOK_Click() {
    if (state_.PortNumber < 1)
        return;
    // A port confirmed on an adapter present remembers that adapter, to follow it later.
    const QString device = devices_(state_.PortNumber);
    if (storedSlot(state_.PortNumber, settings_).identity.isEmpty()) {
        const SlotAssignment adapter = assignmentFor(device, present_);
        if (!adapter.identity.isEmpty())
            storeSlot(state_.PortNumber, adapter, settings_);
    }
    settings_.SaveSetting(QStringLiteral("Port"), QString::number(state_.PortNumber));
    accept();
}

void PortWindow::cmdAssegna_Click() {
    const QString device = txtDispositivo_->text().trimmed();
    if (device.isEmpty())
        return;
    // With no port chosen yet, the first one: a new installer's single adapter.
    const int index = std::max(cmbPorte_->currentIndex(), 0);
    storeSlot(index + 1, assignmentFor(device, present_), settings_);
    updateSlots(false);
    if (cmbPorte_->currentIndex() != index)
        cmbPorte_->setCurrentIndex(index);
    else
        cmbPorte_Click();
}

void PortWindow::tmrPorte_Timer() {
    QList<DetectedPort> now = ports_.ports();
    if (now == present_)
        return;
    present_ = std::move(now);
    updateSlots(true);
}

void PortWindow::updateSlots(bool retestOnChange) {
    bool retest = false;
    QList<QStringList> fills(present_.size()); // per port present, the ports of ours it is
    for (int port = 1; port <= kPortCount; ++port) {
        const SlotAssignment slot{devices_(port), storedSlot(port, settings_).identity};
        const SlotMatch match = locateSlot(slot, present_);
        if (match.state == SlotMatch::State::Moved) {
            storeSlot(port, {match.device, slot.identity}, settings_);
            const QString note = movedNote(port, slot, match, present_);
            if (!notes_.contains(note))
                notes_ << note;
        }
        if ((match.state == SlotMatch::State::Listed || match.state == SlotMatch::State::Moved) &&
            match.port >= 0)
            fills[match.port] << slotName(port);
        lblDispositivo_[port - 1]->setText(slotName(port) + QLatin1Char(' ') +
                                           slotSummary(slot, match, present_));
        cmbPorte_->setItemData(port - 1, match.device, Qt::ToolTipRole);

        const QString seen =
            QStringLiteral("%1|%2|%3")
                .arg(match.device)
                .arg(static_cast<int>(match.state))
                .arg(match.port >= 0 ? describePort(present_[match.port]) : QString());
        if (retestOnChange && cmbPorte_->currentIndex() == port - 1 && seen != slotState_[port - 1])
            retest = true;
        slotState_[port - 1] = seen;
    }

    const QString chosen = txtDispositivo_->text().trimmed();
    {
        const QSignalBlocker quiet(lstAdattatori_);
        lstAdattatori_->clear();
        for (int i = 0; i < present_.size(); ++i) {
            QString text = describePort(present_[i]);
            if (!fills[i].isEmpty())
                text += QStringLiteral("  → ") + fills[i].join(QStringLiteral(", "));
            auto* item = new QListWidgetItem(text, lstAdattatori_);
            item->setData(Qt::UserRole, present_[i].device);
            if (present_[i].device == chosen)
                lstAdattatori_->setCurrentItem(item);
        }
    }
    // Wide enough for the longest description, up to a size any screen shows.
    const int wanted = lstAdattatori_->sizeHintForColumn(0) + 2 * lstAdattatori_->frameWidth() + 8;
    lstAdattatori_->setMinimumWidth(std::clamp(wanted, 0, 760));
    lblRilevate_->setVisible(present_.isEmpty());
    lblAvviso_->setText(notes_.join(QLatin1Char('\n')));
    lblAvviso_->setVisible(!notes_.isEmpty());
    if (retest)
        cmbPorte_Click();
}

} // namespace selvana
