#pragma once

#include "registry/unit_record.h"

#include <QDialog>
#include <QList>
#include <QSet>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace selvana {

namespace registry {
class ProgrammingRegister;
}

class UserDialogs;

// frmRegistro: the units of the register of programmed units, searched by site, network and
// serial number, one line per peripheral with its newest write, in any column's order; the
// writes that failed and the codes held twice are marked. The site searched for is named once
// above the list, and its sheet can be saved as a PDF. Below the list, every write of the unit
// chosen: what it changed and how reading the unit back went. Also how old the copy of the
// company's register is.
class RegisterWindow : public QDialog {
    Q_OBJECT
public:
    // The columns of the list.
    enum Column {
        SerialColumn,
        TimeColumn,
        SiteColumn,
        ZoneColumn,
        ProtocolColumn,
        NetworkColumn,
        CodeColumn,
        FrequencyColumn,
        OutcomeColumn,
        VerificationColumn,
        InstallerColumn,
    };

    RegisterWindow(registry::ProgrammingRegister& reg, UserDialogs& dialogs,
                   QWidget* parent = nullptr);

    // Lists the units that match the search boxes.
    void search();
    // "Scheda impianto…": the sheet of the units listed, as a PDF where the installer says.
    void saveSheet();

    // Fitted to its screen when first shown.
    void setVisible(bool visible) override;

private:
    void fitToScreen();
    void showUnits();
    // The writes of the unit of the current row.
    void showWrites();

    registry::ProgrammingRegister& register_;
    UserDialogs& dialogs_;
    QLabel* lblCopia_ = nullptr;
    QLineEdit* txtSito_ = nullptr;
    QLineEdit* txtRete_ = nullptr;
    QLineEdit* txtSerie_ = nullptr;
    QLabel* lblImpianto_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QPlainTextEdit* writes_ = nullptr;
    QLabel* lblEsito_ = nullptr;
    QPushButton* btnScheda_ = nullptr;

    QList<registry::UnitRecord> units_; // those listed
    QSet<QString> duplicated_;          // their serial numbers that hold a code twice
    QList<registry::DuplicateCode> duplicates_;
    QString site_;   // the one site of the units listed, when the search named it
    QString folder_; // where the last sheet went
};

} // namespace selvana
