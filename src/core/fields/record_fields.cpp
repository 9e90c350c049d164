#include "core/fields/record_fields.h"

#include "core/fields/field_table.h"
#include "core/fields/number_text.h"
#include "core/image/memory_map.h"
#include "core/image/rounding.h"
#include "core/options/option_lists.h"
#include "core/texts/shared_texts.h"

#include <QJsonArray>

namespace selvana {

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

// Each field under the caption and unit the editor shows it with, from the table of its fields;
// numbers as its boxes show them (no group separator: code 4321, not 4.321).
class FieldList {
public:
    QList<RecordField> fields;

    RecordField& add(const char* name, const QJsonValue& value, const QString& text) {
        const QString field = QLatin1String(name);
        fields.append({field, recordFieldCaption(field), value, text, recordFieldUnit(field), {}});
        return fields.last();
    }
    RecordField& integer(const char* name, int value) {
        return add(name, value, integerText(value));
    }
    // A check box of the editor: ticked shows the record's flag (inverted where the box is).
    RecordField& box(const char* name, bool value, bool ticked) {
        RecordField& f = add(name, value, yesNo(ticked));
        f.extra.insert(QStringLiteral("spuntata"), ticked);
        return f;
    }
    RecordField& named(const char* name, const QJsonValue& value, const QString& itemName) {
        RecordField& f = add(name, value, itemName);
        f.extra.insert(QStringLiteral("nome"), itemName);
        return f;
    }
};

} // namespace

QList<RecordField> recordFields(const ConfigRecord& r, const Image& b) {
    FieldList list;

    // Shown with four decimals, as the editor does; the number rounded alike.
    const double mhz = roundHalfEven(r.FrequenzaTX * 10000.0) / 10000.0;
    list.add("FrequenzaTX", mhz, fixedText(r.FrequenzaTX, 4));
    list.named("BandaUHF", r.BandaUHF, texts::bandName(r.BandaUHF));
    list.integer("PotenzaRF", r.PotenzaRF);
    list.box("RimappaturaIngressiSicep", r.RimappaturaIngressiSicep, r.RimappaturaIngressiSicep);
    // Tenths of a second in the image: divide rather than multiply by 0.1, so 7 gives 0.7.
    const double lock = b[kLockTime] / 10.0;
    list.add("TempoAggancio", lock, shortestText(lock));

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
    RecordField& mask = list.add("MaskIngressi", r.MaskIngressi,
                                 QStringLiteral("%1 (maschera invertita %2)")
                                     .arg(inputsText(conditioned), byteHex(r.MaskIngressi)));
    mask.extra.insert(QStringLiteral("ingressi"), jsonArray(conditioned));
    mask.extra.insert(QStringLiteral("esadecimale"), byteHex(r.MaskIngressi));
    const QList<int> copied = inputsWithBit(r.MaskIngressiCopia, true);
    RecordField& copy =
        list.add("MaskIngressiCopia", r.MaskIngressiCopia,
                 QStringLiteral("%1 (maschera diretta %2; non mostrata, l'editor la ricava "
                                "dagli ingressi condizionati)")
                     .arg(inputsText(copied), byteHex(r.MaskIngressiCopia)));
    copy.extra.insert(QStringLiteral("ingressi"), jsonArray(copied));
    copy.extra.insert(QStringLiteral("esadecimale"), byteHex(r.MaskIngressiCopia));

    list.add("CodiceRete", r.CodiceRete,
             QString::number(r.CodiceRete).rightJustified(5, QLatin1Char('0')));
    RecordField& code = list.integer("CodicePeriferica", r.CodicePeriferica);
    if (r.CodicePeriferica == 0 && (b[kCodeHigh] != 0 || b[kCodeLow] != 0)) {
        code.text += QStringLiteral(" (i byte 26-27, %1 %2, non sono un codice valido per il "
                                    "protocollo: l'editor mostra 0 e non permette la scrittura)")
                         .arg(byteHex(b[kCodeHigh]), byteHex(b[kCodeLow]));
        code.extra.insert(QStringLiteral("valido"), false);
    }
    list.integer("NumIngressi", r.NumIngressi);

    const QStringList tones = cmbTonoSubAudioItems();
    if (r.TonoSubAudio >= 0 && r.TonoSubAudio < tones.size()) {
        RecordField& tone = list.named("TonoSubAudio", r.TonoSubAudio, tones[r.TonoSubAudio]);
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
    RecordField& spontaneous =
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
        RecordField& f = list.integer(name, value);
        f.text +=
            QStringLiteral(" (%1 %2)").arg(fieldCaption(u"txtOffsetSicepHex01"), byteHex(value));
        f.extra.insert(QStringLiteral("esadecimale"), byteHex(value));
    }
    return list.fields;
}

} // namespace selvana
