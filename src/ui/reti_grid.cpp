#include "ui/reti_grid.h"

#include "core/networks/ansi_codec.h"

#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>

namespace selvana {

RetiGrid::RetiGrid(const bool* loadingReti, QWidget* parent)
    : QTableWidget(kNetworkCount, 2, parent), loadingReti_(loadingReti) {
    setObjectName(QStringLiteral("grdReti"));
    setHorizontalHeaderLabels({QStringLiteral("ID Rete"), QStringLiteral("Descrizione")});
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(kIdColumn, QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setFocusPolicy(Qt::StrongFocus);

    for (int r = 0; r < kNetworkCount; ++r) {
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            setItem(r, c, item);
        }
    }

    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int, int, int previousRow, int previousColumn) {
                if (previousRow >= 0 && previousColumn >= 0)
                    grdReti_LeaveCell(previousRow + 1, previousColumn);
            });
}

QTableWidgetItem* RetiGrid::cell(int row, int column) const {
    if (row < 1 || row > kNetworkCount || column < 0 || column > 1)
        return nullptr;
    return item(row - 1, column);
}

QString RetiGrid::cellText(int row, int column) const {
    const QTableWidgetItem* it = cell(row, column);
    return it ? it->text() : QString();
}

void RetiGrid::setCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* it = cell(row, column))
        it->setText(text);
}

int RetiGrid::currentGridRow() const {
    return currentRow() >= 0 ? currentRow() + 1 : 0;
}

void RetiGrid::setCurrentGridCell(int row, int column) {
    if (cell(row, column))
        setCurrentCell(row - 1, column);
}

void RetiGrid::fill(const NetworkList& list) {
    for (int i = 1; i <= kNetworkCount; ++i) {
        setCellText(i, kIdColumn, ansi::toUnicode(networkIdOf(list[i])));
        setCellText(i, kDescriptionColumn, ansi::toUnicode(list[i].mid(kNetworkIdLength)));
    }
    setCurrentGridCell(1, kIdColumn);
}

void RetiGrid::collectInto(NetworkList& list) const {
    // Typing and fill only ever put code-page characters here; '?' guards text set otherwise.
    const auto bytesOf = [](const QString& text) {
        QByteArray bytes;
        for (const QChar c : text)
            bytes.append(ansi::fromUnicode(c).value_or('?'));
        return bytes;
    };
    for (int r = 1; r <= kNetworkCount; ++r)
        list[r] =
            GetRetiEntry(bytesOf(cellText(r, kIdColumn)), bytesOf(cellText(r, kDescriptionColumn)));
}

void RetiGrid::grdReti_KeyPress(QChar key) {
    const int row = currentGridRow();
    const int column = currentColumn();
    if (row < 1 || column < 0)
        return;
    const CellMode mode = column == kIdColumn ? CellMode::Digits : CellMode::Text;
    setCellText(row, column, EditCellText(cellText(row, column), key, mode));
}

void RetiGrid::grdReti_LeaveCell(int row, int column) {
    if (loadingReti_ && *loadingReti_)
        return;
    if (column == kIdColumn && cellText(row, column).isEmpty())
        setCellText(row, column, QStringLiteral("0"));
}

void RetiGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Backspace) {
        grdReti_KeyPress(QChar(kBackspace));
        event->accept();
        return;
    }
    // Printable text goes into the cell; control keys (arrows, Enter, shortcuts) keep their
    // usual meaning in the grid. Ctrl+Alt together is AltGr on Windows and types a character.
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shortcut = bool(mods & Qt::ControlModifier) != bool(mods & Qt::AltModifier);
    const QString text = event->text();
    if (!shortcut && !text.isEmpty() && text.front().unicode() >= 0x20 &&
        text.front().unicode() != 0x7F) {
        for (const QChar c : text)
            grdReti_KeyPress(c);
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void RetiGrid::inputMethodEvent(QInputMethodEvent* event) {
    // Composed characters (dead keys, input methods) arrive here instead of as key presses.
    for (const QChar c : event->commitString())
        grdReti_KeyPress(c);
    event->accept();
}

std::optional<NetworksFileError> LoadReti(const QString& folder, NetworkList& list,
                                          RetiGrid& grid) {
    auto error = LoadReti(folder, list);
    grid.fill(list);
    return error;
}

std::optional<NetworksFileError> GetReti(const RetiGrid& grid, NetworkList& list,
                                         const QString& folder) {
    grid.collectInto(list);
    return ScriviReti(folder, list);
}

} // namespace selvana
