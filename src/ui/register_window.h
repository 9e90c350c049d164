#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace selvana {

namespace registry {
class ProgrammingRegister;
}

// frmRegistro: the units of the register of programmed units, searched by site, network and
// serial number, one line per peripheral with its newest write, and how old the copy of the
// company's register is.
class RegisterWindow : public QDialog {
    Q_OBJECT
public:
    explicit RegisterWindow(registry::ProgrammingRegister& reg, QWidget* parent = nullptr);

    // Lists the units that match the search boxes.
    void search();

private:
    registry::ProgrammingRegister& register_;
    QLabel* lblCopia_ = nullptr;
    QLineEdit* txtSito_ = nullptr;
    QLineEdit* txtRete_ = nullptr;
    QLineEdit* txtSerie_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLabel* lblEsito_ = nullptr;
};

} // namespace selvana
