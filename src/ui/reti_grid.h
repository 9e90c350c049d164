#pragma once

#include "core/networks/cell_edit.h"
#include "core/networks/network_list.h"
#include "core/networks/networks_file.h"

#include <QTableWidget>

#include <optional>

namespace selvana {

// The networks grid grdReti: column 0 the ID, column 1 the description, data rows 1..100 (the
// header is the fixed row 0). Cells are edited by typing into the current cell; there is no
// in-place editor. Rows and columns in this API are the grid's own: rows 1..100, columns 0, 1.
class RetiGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kIdColumn = 0;
    static constexpr int kDescriptionColumn = 1;

    // loadingReti points at the program's LoadingReti flag (may be null: never loading).
    explicit RetiGrid(const bool* loadingReti = nullptr, QWidget* parent = nullptr);

    void setLoadingReti(const bool* loadingReti) { loadingReti_ = loadingReti; }

    // Row i shows the first five characters of entry i and the rest from the sixth on; then
    // row 1, column 0 is current. Callers set LoadingReti around it.
    void fill(const NetworkList& list);

    // Entries 1..100 become the rows by the GetRetiEntry rule; beyondLast is left alone.
    void collectInto(NetworkList& list) const;

    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);

    // 0 when no data cell is current.
    int currentGridRow() const;
    void setCurrentGridCell(int row, int column);

    // Typed character (or backspace, 8) into the current cell.
    void grdReti_KeyPress(QChar key);
    // The cell being left: an emptied ID becomes "0", unless the grid is being refilled.
    void grdReti_LeaveCell(int row, int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    QTableWidgetItem* cell(int row, int column) const;

    const bool* loadingReti_ = nullptr;
};

// LoadReti for the networks screen: loads the list from the folder's file and refills the grid
// from it, also when loading failed (the grid then shows the list as it was).
[[nodiscard]] std::optional<NetworksFileError> LoadReti(const QString& folder, NetworkList& list,
                                                        RetiGrid& grid);

// GetReti: takes all 100 rows into the list, then writes the file.
[[nodiscard]] std::optional<NetworksFileError> GetReti(const RetiGrid& grid, NetworkList& list,
                                                       const QString& folder);

} // namespace selvana
