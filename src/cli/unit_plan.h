#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace selvana::editor {
class EditorModel;
}
namespace selvana::registry {
class ProgrammingRegister;
}

namespace selvana::cli {

// What one peripheral of a batch gets besides the file's configuration: its own peripheral
// code, a network when the plan names one, and its description (zone) for the register.
struct PlannedUnit {
    int code = 0;
    std::optional<int> network;
    QString zone;
};

// "--codici 101-120": the codes given out, lowest free first. A single number is a range of one.
struct CodeRange {
    int first = 0;
    int last = 0;
};

// Reads a range of codes. Returns the Italian reason when the text is not one.
std::optional<QString> parseCodeRange(const QString& text, CodeRange& range);

// One row of a piano: the unit it plans and the line of the file it was read from.
struct PlanRow {
    int line = 0;
    PlannedUnit unit;
};

// Reads a piano: rows of code, description and optionally network, separated by semicolons or
// commas (the first line's separator: a semicolon if it holds one), fields in double quotes when
// they hold the separator. A first line whose first field is not a number is a header naming the
// columns ("codice", "descrizione" or "zona", "rete") in any order. UTF-8, or the Windows code
// page of an older spreadsheet. Blank lines are skipped. Returns the reason, with its line
// number, when the content is not a piano; nothing is kept then.
std::optional<QString> parsePlan(const QByteArray& content, QList<PlanRow>& rows);

// The same for a file; `unreadable` tells a file that could not be read from a content that is
// not a piano.
std::optional<QString> readPlan(const QString& path, QList<PlanRow>& rows,
                                bool* unreadable = nullptr);

// Applies a planned unit to the editor as the installer would in the window: the network
// chosen among the items of "cmbCodiceRete", then the code typed into "txtCodicePeriferica"
// and the box left. Returns the reason when the window would not take it: a network with a
// protocol that has none, a network not offered, a code the box does not take or that is not
// valid for the protocol shown.
std::optional<QString> applyPlannedUnit(editor::EditorModel& model, const PlannedUnit& unit);

// The units of a batch, one per peripheral: from a range of codes (each the lowest not held in
// the register in the file's protocol and network, nor given earlier in this run) or from the
// rows of a piano in order. A peripheral seen again in the run gets what it got before. A unit
// is given for good once the peripheral may hold it (taken()); until then the next peripheral
// gets it again.
class UnitPlan {
public:
    UnitPlan() = default;
    UnitPlan(CodeRange range, int protocol, int network);
    explicit UnitPlan(QList<PlanRow> rows);

    bool active() const { return kind_ != Kind::None; }
    bool byRange() const { return kind_ == Kind::Range; }

    // The unit for the peripheral `serial`. For a range, the code comes from `reg`, which
    // chooses the lowest one no peripheral holds or another program has reserved, and
    // reserves it for this peripheral in the same step. Returns the reason when there is none
    // left, or the register cannot be read.
    std::optional<QString> unitFor(const QString& serial, registry::ProgrammingRegister* reg,
                                   PlannedUnit& unit) const;

    // The peripheral `serial` may now hold `unit`, the one unitFor() gave it.
    void taken(const QString& serial, const PlannedUnit& unit);
    // The piano's row given to `serial` cannot be written (its code is held by another unit):
    // the next peripheral gets the next row, and this one too when presented again.
    void skipped(const QString& serial);

    // Why no other peripheral can get a unit: every code of the range is held, or every row
    // of the piano given; nothing while one is left.
    std::optional<QString> exhausted(registry::ProgrammingRegister* reg) const;

    // The range's codes, "101-120".
    QString rangeText() const;

private:
    enum class Kind { None, Range, Rows };
    std::optional<QString> freeCode(const QString& serial, registry::ProgrammingRegister* reg,
                                    bool reserve, std::optional<int>& code) const;
    int nextRow() const { return static_cast<int>(given_.size() + skipped_); }

    Kind kind_ = Kind::None;
    CodeRange range_;
    int protocol_ = 0;
    int network_ = 0;
    QList<PlanRow> rows_;
    QHash<QString, int> given_; // serial number -> code (range) or row index (piano)
    int skipped_ = 0;           // rows of the piano that no peripheral can take
};

} // namespace selvana::cli
