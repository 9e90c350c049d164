#include "registry/record_text.h"

namespace selvana::registry {

std::optional<QString> checkedRecordText(const QString& text, const QString& what, QString& kept) {
    const QString composed = text.trimmed().normalized(QString::NormalizationForm_C);
    for (const QChar c : composed) {
        // A lone surrogate is a byte of the command line that was not valid text.
        if (c.isSurrogate())
            return QStringLiteral("%1 contiene byte che non sono testo (UTF-8): riscriverlo con "
                                  "una tastiera o un terminale impostati in UTF-8")
                .arg(what);
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("%1 contiene un carattere di controllo (a capo, tabulazione o "
                                  "simili): scriverlo su una riga sola")
                .arg(what);
    }
    if (composed.size() > kRecordTextMaxLength)
        return QStringLiteral("%1 è lungo %2 caratteri: al massimo %3")
            .arg(what)
            .arg(composed.size())
            .arg(kRecordTextMaxLength);
    kept = composed;
    return std::nullopt;
}

QStringList recordLines(const QStringList& lines) {
    QStringList kept;
    for (const QString& line : lines) {
        QString composed = line.normalized(QString::NormalizationForm_C);
        for (QChar& c : composed) {
            if (c.category() == QChar::Other_Control)
                c = QLatin1Char(' ');
        }
        composed = composed.trimmed();
        if (!composed.isEmpty())
            kept << composed;
    }
    return kept;
}

} // namespace selvana::registry
