#include "ui/port_window.h"

#include "serial/settings_store.h"
#include "ui/colours.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace selvana {

PortWindow::PortWindow(ProgramState& state, SettingsStore& settings, DeviceResolver devices,
                       PortTester tester, QWidget* parent)
    : QDialog(parent), state_(state), settings_(settings), devices_(std::move(devices)),
      tester_(std::move(tester)) {
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
    lblMotivo_->setMinimumWidth(360);
    cmdOK_ = new QPushButton(QStringLiteral("Conferma selezione"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(cmbPorte_, 0, 1);
    grid->addWidget(lblTest_, 1, 0, 1, 2);
    grid->addWidget(lblMotivo_, 2, 0, 1, 2);
    grid->addWidget(cmdOK_, 3, 1, Qt::AlignRight);

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
    Form_Load();
}

void PortWindow::Form_Load() {
    {
        const QSignalBlocker quiet(cmbPorte_);
        cmbPorte_->clear();
        for (int port = 1; port <= 4; ++port) {
            cmbPorte_->addItem(QStringLiteral("Com %1:").arg(port, 2, 10, QLatin1Char('0')));
            cmbPorte_->setItemData(port - 1, devices_(port), Qt::ToolTipRole);
        }
        cmbPorte_->setCurrentIndex(-1);
    }
    // Selecting from the program tests the port just as a choice by the installer does.
    if (state_.PortNumber >= 1 && state_.PortNumber <= 4)
        cmbPorte_->setCurrentIndex(state_.PortNumber - 1);
    TestPort();
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
        lblMotivo_->setText(QStringLiteral("Dispositivo: %1").arg(devices_(state_.PortNumber)));
    } else {
        lblTest_->setText(QStringLiteral("Porta Non Disponibile!"));
        setForeColor(lblTest_, kRed);
        lblMotivo_->setText(state_.PortNumber >= 1 ? error->message
                                                   : QStringLiteral("Nessuna porta selezionata."));
        state_.PortNumber = 0;
    }
}

void PortWindow::cmdOK_Click() {
    if (state_.PortNumber < 1)
        return;
    settings_.SaveSetting(QStringLiteral("Port"), QString::number(state_.PortNumber));
    accept();
}

} // namespace selvana
