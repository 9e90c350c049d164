#pragma once

#include "core/link/serial_link.h"
#include "core/session/program_state.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace selvana {

class SettingsStore;

// frmConfig: choose the serial port, test it at once, store the confirmed choice.
class PortWindow : public QDialog {
    Q_OBJECT
public:
    using DeviceResolver = std::function<QString(int portNumber)>;
    using PortTester = std::function<std::optional<PortError>(const QString& device)>;

    PortWindow(ProgramState& state, SettingsStore& settings, DeviceResolver devices,
               PortTester tester, QWidget* parent = nullptr);

    void TestPort();

private:
    void Form_Load();
    void cmbPorte_Click();
    void cmdOK_Click();

    ProgramState& state_;
    SettingsStore& settings_;
    DeviceResolver devices_;
    PortTester tester_;
    QComboBox* cmbPorte_;
    QLabel* lblTest_;
    QLabel* lblMotivo_;
    QPushButton* cmdOK_;
    int testedIndex_ = -1;
};

} // namespace selvana
