#include "configuration_report.h"

#include "core/fields/field_table.h"
#include "core/fields/number_text.h"
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

QString yesNo(bool on) {
    return on ? QStringLiteral("sì") : QStringLiteral("no");
}

// Inputs 1..8 whose bit in the mask equals `bit`.
QList<int> inputsWithBit(std::uint8_t mask, bool bit) {
    QList<int> inputs;
    for (int i = 0; i < 8; ++i) {
        if (((mask >> i) & 1) == (bit ? 1 : 0))
            inputs << i + 1;
    }
    return inputs;
}

QString inputsText(const QList<int>& inputs) {
    if (inputs.isEmpty())
        return QStringLiteral("nessuno");
    QStringList parts;
    for (int input : inputs)
        parts << QString::number(input);
    return parts.join(QStringLiteral(", "));
}

QJsonArray jsonArray(const QList<int>& values) {
    QJsonArray array;
    for (int v : values)
        array.append(v);
    return array;
}

// Each field under the caption and unit the editor shows it with, from the table of its fields.
class FieldList {
public:
    QList<ReportField> fields;

    ReportField& add(const char* name, const QJsonValue& value, const QString& text) {
        const QString field = QLatin1String(name);
        fields.append({field, recordFieldCaption(field), value, text, recordFieldUnit(field), {}});
        return fields.last();
    }
    ReportField& integer(const char* name, int value) {
        return add(name, value, QLocale().toString(value));
    }
    // A check box of the editor: ticked shows the record's flag (inverted where the box is).
    ReportField& box(const char* name, bool value, bool ticked) {
        ReportField& f = add(name, value, yesNo(ticked));
        f.extra.insert(QStringLiteral("spuntata"), ticked);
        return f;
    }
    ReportField& named(const char* name, const QJsonValue& value, const QString& itemName) {
        ReportField& f = add(name, value, itemName);
        f.extra.insert(QStringLiteral("nome"), itemName);
        return f;
    }
};

QList<ReportField> fieldsOf(const ConfigRecord& r, const Image& b) {
    const QLocale locale;
    FieldList list;

    // Shown with four decimals, as the editor does; the number rounded alike.
    const double mhz = roundHalfEven(r.FrequenzaTX * 10000.0) / 10000.0;
    list.add("FrequenzaTX", mhz, locale.toString(r.FrequenzaTX, 'f', 4));
    list.named("BandaUHF", r.BandaUHF, texts::bandName(r.BandaUHF));
    list.integer("PotenzaRF", r.PotenzaRF);
    list.box("RimappaturaIngressiSicep", r.RimappaturaIngressiSicep, r.RimappaturaIngressiSicep);
    // Tenths of a second in the image: divide rather than multiply by 0.1, so 7 gives 0.7.
    const double lock = b[kLockTime] / 10.0;
    list.add("TempoAggancio", lock, locale.toString(lock, 'g', 15));

    const QStringList protocols = cmbProtocolloItems();
    const int protocolAt = LookupProtocol(r.Protocollo);
    const QString protocol = protocolAt >= 0 && protocolAt < protocols.size()
                                 ? protocols[protocolAt]
                                 : QStringLiteral("sconosciuto (codice %1)").arg(r.Protocollo);
    list.named("Protocollo", r.Protocollo, protocol);
    list.named("InviaStati", r.InviaStati,
               r.InviaStati ? fieldCaption(u"optStati") : fieldCaption(u"optAllarmi"))
        .label = fieldCaption(u"optStati") + QStringLiteral(" / ") + fieldCaption(u"optAllarmi");

    // The path as the editor picks it: bidirectional first, then a repeater, else direct.
    const QStringList paths = cmbViaTXItems();
    const int pathAt = r.ViaBidirezionale != 0 ? 2 : (r.CodiceRep != 0 ? 1 : 0);
    list.named("ViaTX", pathAt, paths[pathAt]).label = fieldCaption(u"cmbViaTX");
    list.add("ViaBidirezionale", r.ViaBidirezionale, yesNo(r.ViaBidirezionale != 0)).label =
        fieldCaption(u"cmbViaTX") + QStringLiteral(": ") + paths[2];
    list.integer("CodiceRep", r.CodiceRep);
    list.integer("IngressoBidi", r.IngressoBidi);
    list.box("DoppioSalto", r.DoppioSalto, r.DoppioSalto);
    list.named("ToniAlti", r.ToniAlti,
               r.ToniAlti ? QStringLiteral("Alti") : QStringLiteral("Bassi"));
    list.box("TrasmissioniMultiple", r.TrasmissioniMultiple, r.TrasmissioniMultiple);
    list.integer("NumTentativiTX", r.NumTentativiTX);

    const QList<int> conditioned = inputsWithBit(r.MaskIngressi, false);
    ReportField& mask = list.add("MaskIngressi", r.MaskIngressi,
                                 QStringLiteral("%1 (maschera invertita %2)")
                                     .arg(inputsText(conditioned), byteHex(r.MaskIngressi)));
    mask.extra.insert(QStringLiteral("ingressi"), jsonArray(conditioned));
    mask.extra.insert(QStringLiteral("esadecimale"), byteHex(r.MaskIngressi));
    const QList<int> copied = inputsWithBit(r.MaskIngressiCopia, true);
    ReportField& copy =
        list.add("MaskIngressiCopia", r.MaskIngressiCopia,
                 QStringLiteral("%1 (maschera diretta %2; non mostrata, l'editor la ricava "
                                "dagli ingressi condizionati)")
                     .arg(inputsText(copied), byteHex(r.MaskIngressiCopia)));
    copy.extra.insert(QStringLiteral("ingressi"), jsonArray(copied));
    copy.extra.insert(QStringLiteral("esadecimale"), byteHex(r.MaskIngressiCopia));

    list.add("CodiceRete", r.CodiceRete,
             QString::number(r.CodiceRete).rightJustified(5, QLatin1Char('0')));
    ReportField& code = list.integer("CodicePeriferica", r.CodicePeriferica);
    if (r.CodicePeriferica == 0 && (b[kCodeHigh] != 0 || b[kCodeLow] != 0)) {
        code.text += QStringLiteral(" (i byte 26-27, %1 %2, non sono un codice valido per il "
                                    "protocollo: l'editor mostra 0 e non permette la scrittura)")
                         .arg(byteHex(b[kCodeHigh]), byteHex(b[kCodeLow]));
        code.extra.insert(QStringLiteral("valido"), false);
    }
    list.integer("NumIngressi", r.NumIngressi);

    const QStringList tones = cmbTonoSubAudioItems();
    if (r.TonoSubAudio >= 0 && r.TonoSubAudio < tones.size()) {
        ReportField& tone = list.named("TonoSubAudio", r.TonoSubAudio, tones[r.TonoSubAudio]);
        if (r.TonoSubAudio == 0) // "Nessuno"
            tone.unit.clear();
    } else {
        list.named("TonoSubAudio", r.TonoSubAudio,
                   QStringLiteral("fuori elenco (indice %1)").arg(r.TonoSubAudio))
            .unit.clear();
    }
    // The editor's box says the opposite of the record's flag.
    list.box("NoRisincronizza", r.NoRisincronizza, !r.NoRisincronizza);
    list.box("InvioSopravvivenza", r.InvioSopravvivenza, r.InvioSopravvivenza);
    list.integer("CadenzaSopravvivenza", r.CadenzaSopravvivenza);
    list.box("CentralinaIntegrata", r.CentralinaIntegrata, r.CentralinaIntegrata);
    list.box("SpontaneaACOff", r.SpontaneaACOff, r.SpontaneaACOff);
    int input = 0;
    for (int k = 1; k <= 8; ++k) {
        if (r.SpontaneaIngresso == (1 << (k - 1)))
            input = k;
    }
    ReportField& spontaneous =
        list.add("SpontaneaIngresso", r.SpontaneaIngresso,
                 input ? QStringLiteral("ingresso %1").arg(input) : QStringLiteral("nessuno"));
    spontaneous.extra.insert(QStringLiteral("ingresso"), input ? QJsonValue(input) : QJsonValue());
    list.integer("TempoCampionamentoMancanzaAC", r.TempoCampionamentoMancanzaAC);
    list.box("DoppioMessaggio", r.DoppioMessaggio, r.DoppioMessaggio);
    list.integer("TempoSirena", r.TempoSirena);
    list.integer("TempoUscita", r.TempoUscita);
    list.integer("TempoIngresso", r.TempoIngresso);
    for (const auto& [name, value] :
         {std::pair{"OffsetSicep1", r.OffsetSicep1}, std::pair{"OffsetSicep2", r.OffsetSicep2}}) {
        ReportField& f = list.integer(name, value);
        f.text +=
            QStringLiteral(" (%1 %2)").arg(fieldCaption(u"txtOffsetSicepHex01"), byteHex(value));
        f.extra.insert(QStringLiteral("esadecimale"), byteHex(value));
    }
    return list.fields;
}

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
    report.fields = fieldsOf(report.record, report.image);
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

} // namespace selvana::cli
