#include "core/image/field_error.h"

namespace selvana {

FieldError FieldError::notANumber(const QString& control, const QString& label) {
    return {control, label,
            QStringLiteral("Il campo \"%1\" non contiene un numero valido. Correggere il valore "
                           "e ripetere l'operazione.")
                .arg(label)};
}

FieldError FieldError::outOfRange(const QString& control, const QString& label) {
    return {control, label,
            QStringLiteral("Il valore del campo \"%1\" è fuori dai limiti ammessi dalla "
                           "periferica. Correggere il valore e ripetere l'operazione.")
                .arg(label)};
}

FieldError FieldError::noSelection(const QString& control, const QString& label) {
    return {control, label,
            QStringLiteral("Nel campo \"%1\" non è selezionato alcun valore. Sceglierne uno e "
                           "ripetere l'operazione.")
                .arg(label)};
}

FieldError FieldError::everyInputConditioned(const QString& control, const QString& label) {
    return {control, label,
            QStringLiteral("Con \"%1\" la mancanza rete è segnalata su un ingresso non "
                           "condizionato della periferica, ma tutti i suoi ingressi sono "
                           "condizionati. Togliere il condizionamento da un ingresso oppure "
                           "togliere la spunta da \"%1\", poi ripetere l'operazione.")
                .arg(label)};
}

} // namespace selvana
