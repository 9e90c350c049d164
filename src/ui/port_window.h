#pragma once

#include "core/link/serial_link.h"
#include "core/session/program_state.h"
#include "serial/port_enumerator.h"

#include <QDialog>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace selvana {

class SettingsStore;

// frmConfig: choose the serial port, test it at once, store the confirmed choice. Each port
// stands for a device; the serial ports present are listed (and followed while the window is
// open) so that any of them, or a device typed by hand, can be assigned to the chosen port.
class PortWindow : public QDialog {
    Q_OBJECT
public:
    using DeviceResolver = std::function<QString(int portNumber)>;
    using PortTester = std::function<std::optional<PortError>(const QString& device)>;

    // How often the list of ports present is asked again.
    static constexpr int kRefreshMs = 1000;

    // With the system's ports.
    PortWindow(ProgramState& state, SettingsStore& settings, DeviceResolver devices,
               PortTester tester, QWidget* parent = nullptr);
    PortWindow(ProgramState& state, SettingsStore& settings, DeviceResolver devices,
               PortTester tester, const PortEnumerator& ports, QWidget* parent = nullptr);
    ~PortWindow() override;

    void TestPort();

private:
    void build();
    void Form_Load();
    void cmbPorte_Click();
    void cmdOK_Click();
    void cmdAssegna_Click();
    void tmrPorte_Timer();
    void updateSlots(bool retestOnChange);
    void showReason(const QString& text);

    ProgramState& state_;
    SettingsStore& settings_;
    DeviceResolver devices_;
    PortTester tester_;
    std::unique_ptr<PortEnumerator> ownPorts_;
    const PortEnumerator& ports_;

    QComboBox* cmbPorte_ = nullptr;
    QLabel* lblTest_ = nullptr;
    QLabel* lblMotivo_ = nullptr;
    std::array<QLabel*, 4> lblDispositivo_{};
    QLabel* lblAvviso_ = nullptr;
    QListWidget* lstAdattatori_ = nullptr;
    QLabel* lblRilevate_ = nullptr;
    QLineEdit* txtDispositivo_ = nullptr;
    QPushButton* cmdAssegna_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QTimer* tmrPorte_ = nullptr;

    int testedIndex_ = -1;
    QList<DetectedPort> present_;
    std::array<QString, 4> slotState_; // what each port was found to be at the last look
    QStringList notes_;                // ports that followed their adapter to a new name
};

} // namespace selvana
