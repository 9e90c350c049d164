#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace selvana::registry {

// The longest site or zone the register keeps, in characters: a site sheet's cell holds it on
// a few lines.
inline constexpr int kRecordTextMaxLength = 80;

// A site or zone as the register keeps it, on this computer and on the shared server alike:
// spaces around it gone, accents composed (NFC). The Italian reason when it cannot be kept,
// naming `what` ("il nome dell'impianto"): longer than kRecordTextMaxLength, a control
// character (a line break, a tab), or bytes that are not text in the system's encoding.
std::optional<QString> checkedRecordText(const QString& text, const QString& what, QString& kept);

// Lines of a write's changes or differences as the register keeps them: composed (NFC), a
// control character inside a line a space (a line break would make two lines of one when they
// are read back), blank lines gone. The program makes them, so none is refused.
QStringList recordLines(const QStringList& lines);

} // namespace selvana::registry
