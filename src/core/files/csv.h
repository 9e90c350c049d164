#pragma once

#include <QString>
#include <QStringList>

// The CSV files the program writes (the programming log, the register's listing): fields
// separated by semicolons, as a spreadsheet set to Italian reads them.
namespace selvana::csv {

inline constexpr char kSeparator = ';';

// The field as written: in double quotes, inner quotes doubled, when it holds the separator, a
// quote or a line break; as it is otherwise.
QString field(const QString& text);
// One line of fields already written with field() (or plain numbers), without its line end.
QString line(const QStringList& fields);

} // namespace selvana::csv
