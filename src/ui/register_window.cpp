#include "ui/register_window.h"

#include "core/files/file_names.h"
#include "core/networks/network_list.h"
#include "core/texts/shared_texts.h"
#include "print/site_sheet_pdf.h"
#include "registry/programming_register.h"
#include "registry/site_sheet.h"
#include "ui/colours.h"
#include "ui/user_dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace selvana {

using namespace registry;

namespace {

// Rows the list shows at the window's first size, where the screen has room for them; its
// columns whole, and no narrower than this.
constexpr int kRowsShown = 20;
constexpr int kLeastWidth = 900;
// Longer zones and sites are elided in the list; their tooltip holds them whole.
constexpr int kWidestText = 280;

constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kUnitRole = Qt::UserRole + 2; // the row's place in units_, whatever the order
// Lines the list of a unit's writes shows without scrolling.
constexpr int kWriteLines = 10;
constexpr std::uint32_t kFailedText = 0x0000B0;  // dark red
constexpr std::uint32_t kDoubledBack = 0x99DDFF; // amber

// A cell of the list; one with a key sorts by it (numbers as numbers, times as times), the
// others by their text as the installer's language orders it.
class Cell : public QTableWidgetItem {
public:
    explicit Cell(const QString& text, const QVariant& key = {}) : QTableWidgetItem(text) {
        if (key.isValid())
            setData(kSortRole, key);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant mine = data(kSortRole);
        const QVariant theirs = other.data(kSortRole);
        if (mine.isValid() && theirs.isValid()) {
            const QPartialOrdering order = QVariant::compare(mine, theirs);
            if (order != QPartialOrdering::Unordered)
                return order == QPartialOrdering::Less;
        }
        return QString::localeAwareCompare(text(), other.text()) < 0;
    }
};

QLineEdit* searchBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setClearButtonEnabled(true);
    return box;
}

QString failureTip(Outcome outcome) {
    switch (outcome) {
    case Outcome::Written:
        break;
    case Outcome::Refused:
        return QStringLiteral("La periferica ha rifiutato la scrittura: non è programmata con "
                              "questa configurazione. Va programmata di nuovo.");
    case Outcome::NoAnswer:
        return QStringLiteral("Nessuna risposta alla scrittura: la programmazione potrebbe non "
                              "essere avvenuta. Rileggere la periferica per verificare.");
    case Outcome::PortLost:
        return QStringLiteral("La porta si è scollegata durante la scrittura: la programmazione "
                              "potrebbe non essere avvenuta. Rileggere la periferica per "
                              "verificare.");
    }
    return {};
}

QString duplicateTip(const QList<DuplicateCode>& duplicates, const UnitRecord& u) {
    for (const DuplicateCode& d : duplicates) {
        if (d.protocol != u.protocol || d.network != u.network ||
            d.peripheralCode != u.peripheralCode)
            continue;
        return QStringLiteral("Codice doppio. %1\nLa centrale ricevente non distingue due "
                              "periferiche della stessa rete con lo stesso codice: a una delle "
                              "due va dato un altro codice.")
            .arg(duplicateCodeText(d));
    }
    return {};
}

// How reading the unit back went, as the list of its writes says it; empty when it was not.
QString verificationCaption(Verification v) {
    switch (v) {
    case Verification::NotAsked:
        break;
    case Verification::Verified:
        return QStringLiteral("verifica riuscita");
    case Verification::Differs:
        return QStringLiteral("verifica non riuscita: la periferica riletta non contiene quanto "
                              "scritto");
    case Verification::NotVerified:
        return QStringLiteral("non verificata: la periferica non è stata riletta");
    }
    return {};
}

// One write, its changes and what its read-back found otherwise under it.
QString writeText(const UnitRecord& u) {
    QStringList heading = {timeText(u.time), outcomeText(u.outcome)};
    if (const QString v = verificationCaption(u.verification); !v.isEmpty())
        heading << v;
    heading << u.installer;
    QString text = heading.join(QStringLiteral(" · "));
    QStringList details = writeDetails(u);
    if (u.changes.isEmpty())
        details.prepend(QStringLiteral("Nessuna modifica registrata"));
    for (const QString& line : details)
        text += QStringLiteral("\n    ") + line;
    return text;
}

void mark(QTableWidgetItem* item, const QString& sign, const QString& tip) {
    item->setText(sign + QLatin1Char(' ') + item->text());
    item->setToolTip(tip);
    QFont bold = item->font();
    bold.setBold(true);
    item->setFont(bold);
}

// A site's name as part of a file name: no separator of folders nor a sign Windows refuses.
QString fileNamePart(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    }
    return text.trimmed();
}

} // namespace

RegisterWindow::RegisterWindow(ProgrammingRegister& reg, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), register_(reg), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmRegistro"));
    setWindowTitle(QStringLiteral("Registro programmazioni"));

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

    // The site searched for, named once rather than on every row.
    lblImpianto_ = new QLabel(this);
    lblImpianto_->setObjectName(QStringLiteral("lblImpianto"));
    lblImpianto_->setTextFormat(Qt::PlainText);
    lblImpianto_->setWordWrap(true);
    QFont caption = lblImpianto_->font();
    caption.setBold(true);
    caption.setPointSizeF(caption.pointSizeF() * 1.25);
    lblImpianto_->setFont(caption);
    lblImpianto_->hide();

    const QStringList titles = {QStringLiteral("Numero di serie"), QStringLiteral("Data e ora"),
                                QStringLiteral("Impianto"),        QStringLiteral("Zona"),
                                QStringLiteral("Protocollo"),      QStringLiteral("Rete"),
                                QStringLiteral("Codice"),          QStringLiteral("Frequenza"),
                                QStringLiteral("Esito"),           QStringLiteral("Verifica"),
                                QStringLiteral("Installatore")};
    grid_ = new QTableWidget(0, int(titles.size()), this);
    grid_->setObjectName(QStringLiteral("grdRegistro"));
    grid_->setHorizontalHeaderLabels(titles);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setMinimumSectionSize(1);
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->horizontalHeader()->setSortIndicator(CodeColumn, Qt::AscendingOrder);
    grid_->horizontalHeader()->setToolTip(
        QStringLiteral("Un clic sul titolo di una colonna ordina l'elenco per quella colonna"));
    grid_->setSortingEnabled(true);
    connect(grid_, &QTableWidget::itemSelectionChanged, this, &RegisterWindow::showWrites);

    // Every line of every write, however many: it scrolls.
    writes_ = new QPlainTextEdit(this);
    writes_->setObjectName(QStringLiteral("txtProgrammazioni"));
    writes_->setReadOnly(true);
    writes_->setPlaceholderText(QStringLiteral("Selezionare una periferica dell'elenco per "
                                               "vedere le sue programmazioni: che cosa hanno "
                                               "cambiato e come è andata la verifica."));
    // The document's first line starts below its margin: half a line more.
    const int line = writes_->fontMetrics().lineSpacing();
    writes_->setFixedHeight(
        kWriteLines * line + line / 2 +
        2 * (writes_->frameWidth() + int(writes_->document()->documentMargin())));

    lblEsito_ = new QLabel(this);
    lblEsito_->setObjectName(QStringLiteral("lblEsitoRicerca"));
    lblEsito_->setWordWrap(true);
    btnScheda_ = new QPushButton(QStringLiteral("Scheda impianto…"), this);
    btnScheda_->setObjectName(QStringLiteral("btnScheda"));
    btnScheda_->setToolTip(QStringLiteral("Salva in PDF la scheda dell'impianto con le "
                                          "periferiche dell'elenco, da consegnare al cliente"));
    btnScheda_->setEnabled(false);
    connect(btnScheda_, &QPushButton::clicked, this, &RegisterWindow::saveSheet);
    auto* chiudi = new QPushButton(QStringLiteral("Chiudi"), this);
    chiudi->setObjectName(QStringLiteral("btnChiudi"));
    connect(chiudi, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblEsito_, 1);
    bottom->addWidget(btnScheda_);
    bottom->addWidget(chiudi);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCopia_);
    layout->addLayout(boxes);
    layout->addWidget(lblImpianto_);
    layout->addWidget(grid_, 1);
    layout->addWidget(writes_);
    layout->addLayout(bottom);

    // The company's records come in while the window is open.
    connect(&register_, &ProgrammingRegister::exchanged, this, &RegisterWindow::search);
    register_.exchange();
    search();
}

void RegisterWindow::setVisible(bool visible) {
    if (visible && !testAttribute(Qt::WA_WState_ExplicitShowHide))
        fitToScreen();
    QDialog::setVisible(visible);
}

// Every column and kRowsShown rows where the screen has room for them, else the screen's free
// area.
void RegisterWindow::fitToScreen() {
    const QWidget* over = parentWidget() ? parentWidget()->window() : this;
    const QSize screen = over->screen()->availableGeometry().size();
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    const QSize room = screen.shrunkBy(QMargins(border, title + border, border, border));
    const int rows = grid_->horizontalHeader()->sizeHint().height() +
                     kRowsShown * grid_->verticalHeader()->defaultSectionSize() +
                     grid_->horizontalScrollBar()->sizeHint().height() + 2 * grid_->frameWidth();
    const int others = sizeHint().height() - grid_->sizeHint().height();
    const QMargins margins = layout()->contentsMargins();
    const int columns = grid_->horizontalHeader()->length() +
                        grid_->verticalScrollBar()->sizeHint().width() + 2 * grid_->frameWidth() +
                        margins.left() + margins.right();
    const QSize wanted(std::max({kLeastWidth, columns, sizeHint().width()}), others + rows);
    resize(wanted.boundedTo(room).expandedTo(minimumSizeHint()));
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
    units_.clear();
    duplicates_.clear();
    RegisterError error;
    UnitRegister* reg = register_.local(&error);
    if (reg) {
        if (auto failed = reg->units(filter, units_))
            error = *failed;
    }
    // Codes held twice that cannot be found leave the list as it is, said below it.
    QString unchecked;
    if (reg && error.message.isEmpty()) {
        if (auto failed = register_.duplicates(duplicates_))
            unchecked = texts::capitalised(texts::duplicateCheckNotMade(failed->message));
    }
    if (!reg || !error.message.isEmpty()) {
        units_.clear();
        showUnits();
        lblEsito_->setText(error.message);
        return;
    }
    duplicated_ = duplicatedSerials(duplicates_, units_);
    site_.clear();
    if (!filter.site.isEmpty() && !units_.isEmpty() &&
        std::all_of(units_.begin(), units_.end(),
                    [this](const UnitRecord& u) { return u.site == units_.first().site; }))
        site_ = units_.first().site;
    showUnits();
    if (!unchecked.isEmpty())
        lblEsito_->setText(lblEsito_->text() + QLatin1Char('\n') + unchecked);
}

void RegisterWindow::showUnits() {
    // The unit chosen stays chosen when the list is made again (records came from the server).
    const QList<QTableWidgetItem*> chosen = grid_->selectedItems();
    const QString chosenSerial =
        chosen.isEmpty() ? QString() : grid_->item(chosen.first()->row(), SerialColumn)->text();
    // Rows go in unsorted; the list sorts them once, by the column the installer chose.
    grid_->setSortingEnabled(false);
    grid_->setRowCount(0);
    grid_->setRowCount(int(units_.size()));
    for (int row = 0; row < units_.size(); ++row) {
        const UnitRecord& u = units_[row];
        const QStringList cells = unitCells(u);
        const QList<QVariant> keys = {
            {}, u.time, {}, {}, {}, u.network, u.peripheralCode, u.frequencyMHz, {}, {}, {}};
        QList<QTableWidgetItem*> items;
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new Cell(cells[column], keys.value(column));
            if ((column == ZoneColumn || column == SiteColumn) && !cells[column].isEmpty())
                item->setToolTip(cells[column]);
            items << item;
        }
        items[SerialColumn]->setData(kUnitRole, row);
        if (u.verification != Verification::NotAsked)
            items[VerificationColumn]->setToolTip(
                verificationText({u.verification, u.verificationDifferences}));
        if (u.verification == Verification::Differs) {
            mark(items[VerificationColumn], failedMark(), items[VerificationColumn]->toolTip());
            items[VerificationColumn]->setForeground(colourFromBgr(kFailedText));
        }
        if (!programmed(u)) {
            mark(items[OutcomeColumn], failedMark(), failureTip(u.outcome));
            items[OutcomeColumn]->setForeground(colourFromBgr(kFailedText));
        }
        if (duplicated_.contains(u.serialNumber)) {
            mark(items[CodeColumn], duplicateMark(), duplicateTip(duplicates_, u));
            items[CodeColumn]->setBackground(colourFromBgr(kDoubledBack));
        }
        for (int column = 0; column < items.size(); ++column)
            grid_->setItem(row, column, items[column]);
    }
    grid_->setSortingEnabled(true);
    grid_->setColumnHidden(SiteColumn, !site_.isEmpty());
    grid_->resizeColumnsToContents();
    for (const int column : {SiteColumn, ZoneColumn})
        grid_->setColumnWidth(column, qMin(grid_->columnWidth(column), kWidestText));

    lblImpianto_->setVisible(!site_.isEmpty());
    lblImpianto_->setText(QStringLiteral("Impianto: %1").arg(site_));
    lblEsito_->setText(units_.isEmpty() ? QStringLiteral("Nessuna periferica trovata.")
                                        : unitsCountText(units_, duplicated_) + QLatin1Char('.'));
    btnScheda_->setEnabled(!units_.isEmpty());
    for (int row = 0; row < grid_->rowCount(); ++row) {
        if (!chosenSerial.isEmpty() && grid_->item(row, SerialColumn)->text() == chosenSerial)
            grid_->selectRow(row);
    }
    showWrites();
}

void RegisterWindow::showWrites() {
    const QList<QTableWidgetItem*> chosen = grid_->selectedItems();
    const QTableWidgetItem* unit =
        chosen.isEmpty() ? nullptr : grid_->item(chosen.first()->row(), SerialColumn);
    const int at = unit ? unit->data(kUnitRole).toInt() : -1;
    if (at < 0 || at >= units_.size()) {
        writes_->clear();
        return;
    }
    const QString serial = units_[at].serialNumber;
    QList<UnitRecord> writes;
    RegisterError error;
    UnitRegister* reg = register_.local(&error);
    if (reg) {
        if (auto failed = reg->records(RegisterFilter{{}, std::nullopt, serial}, writes))
            error = *failed;
    }
    if (!reg || !error.message.isEmpty()) {
        writes_->setPlainText(error.message);
        return;
    }
    QStringList texts{QStringLiteral("Programmazioni della periferica %1 (%2), dalla più recente:")
                          .arg(serial)
                          .arg(writes.size())};
    for (const UnitRecord& u : writes)
        texts << writeText(u);
    writes_->setPlainText(texts.join(QLatin1Char('\n')));
}

void RegisterWindow::saveSheet() {
    if (units_.isEmpty())
        return;
    QString named = fileNamePart(site_.isEmpty() ? txtSito_->text() : site_);
    if (named.isEmpty())
        named = QStringLiteral("impianto");
    if (folder_.isEmpty())
        folder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path =
        dialogs_.saveFileName(QStringLiteral("Documenti PDF (*.pdf)"),
                              QDir(folder_).filePath(QStringLiteral("Scheda %1.pdf").arg(named)));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    folder_ = QFileInfo(path).absolutePath();
    const QString shown = QDir::toNativeSeparators(path);
    QByteArray pdf;
    if (const auto why =
            print::siteSheetPdf(units_, QDateTime::currentDateTime(), pdf, duplicated_)) {
        dialogs_.message(QStringLiteral("Impossibile creare la scheda dell'impianto \"%1\": %2.")
                             .arg(shown, *why));
        return;
    }
    if (const auto why = replaceByBytes(path, pdf)) {
        dialogs_.message(QStringLiteral("Impossibile scrivere la scheda dell'impianto \"%1\": %2. "
                                        "Scegliere un'altra cartella, o chiudere il file se è "
                                        "aperto in un altro programma.")
                             .arg(shown, *why));
        return;
    }
    lblEsito_->setText(unitsCountText(units_, duplicated_) +
                       QStringLiteral(".\nScheda dell'impianto salvata in \"%1\".").arg(shown));
}

} // namespace selvana
