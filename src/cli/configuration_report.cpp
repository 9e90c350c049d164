#include "configuration_report.h"

#include "core/fields/field_table.h"
#include "core/fields/number_text.h"
#include "core/fields/record_fields.h"
#include "core/files/config_file.h"
#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"
#include "core/image/rounding.h"
#include "core/link/frame_codec.h"
#include "core/options/option_lists.h"
#include "core/texts/shared_texts.h"

#include <QDir>
#include <QJsonArray>
#include <QLocale>

namespace selvana::cli {

using namespace map;

namespace {

ChecksumVerdict checksumOf(const Image& image, const QString& serialNumber) {
    ChecksumVerdict v;
    v.stored = image[kChecksum];
    unsigned sum = 0;
    for (int k = kFlags; k < kChecksum; ++k)
        sum += image[k];
    v.sum5to63 = static_cast<std::uint8_t>(sum);
    v.serialSum = static_cast<std::uint8_t>(v.stored - v.sum5to63);
    if (!serialNumber.isEmpty()) {
        Image withSerial = image;
        const quint32 serial = serialNumber.toUInt(nullptr, 16);
        for (int k = kSerialFirst; k <= kSerialLast; ++k)
            withSerial[k] = static_cast<std::uint8_t>(serial >> (8 * (kSerialLast - k)));
        v.serialNumber = serialNumberOf(withSerial);
        v.expected = CalcolaCKSSave(withSerial);
        v.matches = v.expected == v.stored;
    }
    return v;
}

QString markerText(char marker) {
    if (marker >= 0x21 && marker < 0x7F)
        return QString(QLatin1Char(marker));
    return QStringLiteral("0x") + byteHex(static_cast<std::uint8_t>(marker));
}

} // namespace

std::optional<ConfigurationReport> decodeConfiguration(const QString& path, const QByteArray& bytes,
                                                       const QString& serialNumber) {
    const auto file = conf::parse(bytes);
    if (!file)
        return std::nullopt;
    ConfigurationReport report;
    report.path = path;
    report.size = bytes.size();
    report.firmwareMarker = bytes[0];
    report.bandMarker = bytes[1];
    report.firmwareM6 = file->firmwareM6;
    report.bandaUHF = file->bandaUHF;
    conf::storeInto(*file, report.image);
    Analyze2(report.image, QString(), report.record);
    report.checksum = checksumOf(report.image, serialNumber);
    report.fields = recordFields(report.record, report.image);
    return report;
}

QString reportText(const ConfigurationReport& r) {
    QString out;
    const auto line = [&out](const QString& text) { out += text + QLatin1Char('\n'); };

    line(QStringLiteral("File: %1 (%2 byte)").arg(QDir::toNativeSeparators(r.path)).arg(r.size));
    if (r.size > conf::kFileSize)
        line(QStringLiteral("  Solo i primi %1 byte formano la configurazione; gli altri sono "
                            "ignorati.")
                 .arg(conf::kFileSize));
    QString firmware = QStringLiteral("Firmware: %1 (%2)")
                           .arg(markerText(r.firmwareMarker), texts::firmwareName(r.firmwareM6));
    if (r.firmwareMarker != conf::kMarkerM6 && r.firmwareMarker != conf::kMarkerBeforeM6)
        firmware +=
            QStringLiteral(" - marcatore non previsto, vale come ") + texts::firmwareName(1);
    line(firmware);
    QString band =
        QStringLiteral("Banda: %1 (%2)").arg(markerText(r.bandMarker), texts::bandName(r.bandaUHF));
    if (r.bandMarker != conf::kMarkerUHF && r.bandMarker != conf::kMarkerVHF)
        band += QStringLiteral(" - marcatore non previsto, vale come ") + texts::bandName(0);
    if (r.record.BandaUHF != r.bandaUHF)
        band += QStringLiteral(" - attenzione: la frequenza del file è %1")
                    .arg(texts::bandName(r.record.BandaUHF));
    line(band);
    line(QStringLiteral("Serial Number: non contenuto nel file (la configurazione vale per "
                        "qualsiasi periferica dello stesso tipo)"));
    line(QString());

    int width = 0;
    for (const ReportField& f : r.fields)
        width = std::max(width, static_cast<int>(f.label.size()));
    for (const ReportField& f : r.fields) {
        const QString label = f.label.isEmpty() ? QStringLiteral("(non mostrato)") : f.label;
        QString value = f.text;
        if (!f.unit.isEmpty())
            value += QLatin1Char(' ') + f.unit;
        line(QStringLiteral("%1  %2  [%3]").arg(label.leftJustified(width), value, f.name));
    }
    line(QString());

    const ChecksumVerdict& c = r.checksum;
    QString checksum = QStringLiteral("Checksum (byte 64): 0x%1. ").arg(byteHex(c.stored));
    if (c.matches) {
        checksum += *c.matches
                        ? QStringLiteral("Corretto per il numero di serie %1.").arg(c.serialNumber)
                        : QStringLiteral("Errato per il numero di serie %1: dovrebbe "
                                         "essere 0x%2.")
                              .arg(c.serialNumber, byteHex(c.expected));
    } else {
        checksum +=
            QStringLiteral("Non verificabile senza il numero di serie: copre i byte 1-63 e i byte "
                           "1-4, il numero di serie, non sono nel file. È corretto per le "
                           "periferiche il cui numero di serie ha i quattro byte di somma 0x%1 "
                           "(modulo 256), per esempio 000000%1; verificarlo con --serial NUMERO.")
                .arg(byteHex(c.serialSum));
    }
    line(checksum);
    line(QStringLiteral("Nella scrittura in una periferica il checksum è sempre ricalcolato."));
    return out;
}

QJsonObject reportJson(const ConfigurationReport& r) {
    QJsonObject fields;
    for (const ReportField& f : r.fields) {
        QJsonObject field = f.extra;
        field.insert(QStringLiteral("etichetta"),
                     f.label.isEmpty() ? QJsonValue() : QJsonValue(f.label));
        field.insert(QStringLiteral("valore"), f.value);
        field.insert(QStringLiteral("testo"), f.text);
        if (!f.unit.isEmpty())
            field.insert(QStringLiteral("unita"), f.unit);
        fields.insert(f.name, field);
    }

    QString body;
    for (int k = conf::kFirstImageByte; k <= kChecksum; ++k)
        body += byteHex(r.image[k]);

    const ChecksumVerdict& c = r.checksum;
    QJsonObject checksum{
        {QStringLiteral("byte64"), c.stored},
        {QStringLiteral("sommaByte5a63"), c.sum5to63},
        {QStringLiteral("sommaNumeroDiSerie"), c.serialSum},
        {QStringLiteral("esempioNumeroDiSerie"), QStringLiteral("000000") + byteHex(c.serialSum)},
        {QStringLiteral("verificabile"), c.matches.has_value()},
    };
    if (c.matches) {
        checksum.insert(QStringLiteral("numeroDiSerie"), c.serialNumber);
        checksum.insert(QStringLiteral("corretto"), *c.matches);
        checksum.insert(QStringLiteral("atteso"), c.expected);
    }

    return {
        {QStringLiteral("file"), QDir::toNativeSeparators(r.path)},
        {QStringLiteral("dimensione"), r.size},
        {QStringLiteral("firmware"),
         QJsonObject{{QStringLiteral("marcatore"), markerText(r.firmwareMarker)},
                     {QStringLiteral("M6"), r.firmwareM6 != 0},
                     {QStringLiteral("nome"), texts::firmwareName(r.firmwareM6)}}},
        {QStringLiteral("banda"),
         QJsonObject{{QStringLiteral("marcatore"), markerText(r.bandMarker)},
                     {QStringLiteral("UHF"), r.bandaUHF != 0},
                     {QStringLiteral("nome"), texts::bandName(r.bandaUHF)},
                     {QStringLiteral("coerenteConFrequenza"), r.record.BandaUHF == r.bandaUHF}}},
        {QStringLiteral("numeroDiSerie"), QJsonValue()},
        {QStringLiteral("campi"), fields},
        {QStringLiteral("checksum"), checksum},
        {QStringLiteral("byte5a64"), body},
    };
}

QList<ConfigChange> fileChanges(const ConfigurationReport& before, const ConfigurationReport& after,
                                const NetworkList* networks) {
    QList<ConfigChange> changes;
    if (before.firmwareMarker != after.firmwareMarker)
        changes.append({QStringLiteral("Firmware"),
                        QStringLiteral("%1 (%2)").arg(markerText(before.firmwareMarker),
                                                      texts::firmwareName(before.firmwareM6)),
                        QStringLiteral("%1 (%2)").arg(markerText(after.firmwareMarker),
                                                      texts::firmwareName(after.firmwareM6))});
    if (before.bandMarker != after.bandMarker)
        changes.append({QStringLiteral("Banda"),
                        QStringLiteral("%1 (%2)").arg(markerText(before.bandMarker),
                                                      texts::bandName(before.bandaUHF)),
                        QStringLiteral("%1 (%2)").arg(markerText(after.bandMarker),
                                                      texts::bandName(after.bandaUHF))});
    const QList<ConfigChange> fields = configurationChanges(before.image, after.image, networks);
    changes += fields;
    // A checksum byte follows every other change; alone, it is the only difference.
    if (fields.isEmpty() && before.image[kChecksum] != after.image[kChecksum])
        changes.append({QStringLiteral("Byte 64 (checksum)"),
                        QStringLiteral("0x") + byteHex(before.image[kChecksum]),
                        QStringLiteral("0x") + byteHex(after.image[kChecksum]), false});
    return changes;
}

QJsonObject changesJson(const QList<ConfigChange>& changes) {
    QJsonArray list;
    for (const ConfigChange& c : changes)
        list.append(QJsonObject{{QStringLiteral("campo"), c.label},
                                {QStringLiteral("prima"), c.before},
                                {QStringLiteral("dopo"), c.after},
                                {QStringLiteral("mostrato"), c.shown}});
    return {{QStringLiteral("uguali"), changes.isEmpty()}, {QStringLiteral("modifiche"), list}};
}

} // namespace selvana::cli
