#include "core/files/csv.h"

namespace selvana::csv {

QString field(const QString& text) {
    if (!text.contains(QLatin1Char(kSeparator)) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString line(const QStringList& fields) {
    return fields.join(QLatin1Char(kSeparator));
}

} // namespace selvana::csv
