#pragma once

#include "core/image/config_record.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

namespace selvana {

// One field of the configuration record as the program shows it to a person.
struct RecordField {
    QString name;      // the record's name: FrequenzaTX, Protocollo, ...
    QString label;     // the label the editor shows it under; empty when it shows none
    QJsonValue value;  // the record's value
    QString text;      // the value as shown, in the user's locale
    QString unit;      // MHz, W, s, min, h, Hz; empty for none
    QJsonObject extra; // named values: "nome", "spuntata", "ingressi", "ingresso", "esadecimale"
};

// Every field of a decoded record (and of the image it came from), each under the caption and
// unit the editor shows it with, from the table of its fields; in the order of the editor.
QList<RecordField> recordFields(const ConfigRecord& record, const Image& image);

} // namespace selvana
