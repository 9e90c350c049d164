#include "ui/register_window.h"

#include "core/networks/network_list.h"
#include "core/texts/shared_texts.h"
#include "registry/programming_register.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace selvana {

using namespace registry;

namespace {

QLineEdit* searchBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setClearButtonEnabled(true);
    return box;
}

} // namespace

RegisterWindow::RegisterWindow(ProgrammingRegister& reg, QWidget* parent)
    : QDialog(parent), register_(reg) {
    setObjectName(QStringLiteral("frmRegistro"));
    setWindowTitle(QStringLiteral("Registro programmazioni"));
    resize(900, 480);

    lblCopia_ = new QLabel(this);
    lblCopia_->setObjectName(QStringLiteral("lblCopiaRegistro"));
    lblCopia_->setWordWrap(true);

    txtSito_ = searchBox("txtCercaSito", this);
    txtRete_ = searchBox("txtCercaRete", this);
    txtSerie_ = searchBox("txtCercaSerie", this);
    auto* cerca = new QPushButton(QStringLiteral("Cerca"), this);
    cerca->setObjectName(QStringLiteral("btnCerca"));
    cerca->setDefault(true);
    connect(cerca, &QPushButton::clicked, this, &RegisterWindow::search);
    for (QLineEdit* box : {txtSito_, txtRete_, txtSerie_})
        connect(box, &QLineEdit::returnPressed, this, &RegisterWindow::search);

    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("Impianto"), this), 0, 0);
    boxes->addWidget(txtSito_, 1, 0);
    boxes->addWidget(new QLabel(QStringLiteral("Rete"), this), 0, 1);
    boxes->addWidget(txtRete_, 1, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Numero di serie"), this), 0, 2);
    boxes->addWidget(txtSerie_, 1, 2);
    boxes->addWidget(cerca, 1, 3);

    const QStringList titles = {QStringLiteral("Numero di serie"), QStringLiteral("Data e ora"),
                                QStringLiteral("Impianto"),        QStringLiteral("Zona"),
                                QStringLiteral("Protocollo"),      QStringLiteral("Rete"),
                                QStringLiteral("Codice"),          QStringLiteral("Frequenza"),
                                QStringLiteral("Esito"),           QStringLiteral("Installatore")};
    grid_ = new QTableWidget(0, int(titles.size()), this);
    grid_->setObjectName(QStringLiteral("grdRegistro"));
    grid_->setHorizontalHeaderLabels(titles);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);

    lblEsito_ = new QLabel(this);
    lblEsito_->setObjectName(QStringLiteral("lblEsitoRicerca"));
    lblEsito_->setWordWrap(true);
    auto* chiudi = new QPushButton(QStringLiteral("Chiudi"), this);
    chiudi->setObjectName(QStringLiteral("btnChiudi"));
    connect(chiudi, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblEsito_, 1);
    bottom->addWidget(chiudi);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCopia_);
    layout->addLayout(boxes);
    layout->addWidget(grid_, 1);
    layout->addLayout(bottom);

    // The company's records come in while the window is open.
    connect(&register_, &ProgrammingRegister::exchanged, this, &RegisterWindow::search);
    register_.exchange();
    search();
}

void RegisterWindow::search() {
    const QString where = QStringLiteral("Registro di questo computer: %1")
                              .arg(QDir::toNativeSeparators(register_.file()));
    lblCopia_->setText(register_.shared() ? where + QStringLiteral(". ") + register_.copyAge()
                                          : where);

    RegisterFilter filter;
    filter.site = txtSito_->text().trimmed();
    filter.serialNumber = txtSerie_->text().trimmed();
    if (!txtRete_->text().trimmed().isEmpty()) {
        filter.network = networkCodeFromText(txtRete_->text());
        if (!filter.network) {
            lblEsito_->setText(
                QStringLiteral("Rete non valida: indicare %1.").arg(texts::networkCodeRange()));
            return;
        }
    }
    QList<UnitRecord> units;
    RegisterError error;
    UnitRegister* reg = register_.local(&error);
    if (reg) {
        if (auto failed = reg->units(filter, units))
            error = *failed;
    }
    grid_->setRowCount(0);
    if (!reg || !error.message.isEmpty()) {
        lblEsito_->setText(error.message);
        return;
    }
    grid_->setRowCount(int(units.size()));
    for (int row = 0; row < units.size(); ++row) {
        const UnitRecord& u = units[row];
        const QStringList cells = unitCells(u);
        for (int column = 0; column < cells.size(); ++column)
            grid_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    grid_->resizeColumnsToContents();
    lblEsito_->setText(units.isEmpty() ? QStringLiteral("Nessuna periferica trovata.")
                                       : QStringLiteral("%1 periferiche.").arg(units.size()));
}

} // namespace selvana
