#include "core/fields/field_table.h"

#include "core/fields/peripheral_code.h"
#include "core/image/memory_map.h"

namespace selvana {

namespace {

// Whole numbers as template arguments (clang 14 takes no floating-point ones); Scale 10 gives
// limits in tenths.
template <int Lowest, int Highest, int Scale = 1> FieldRange fixed(const FieldContext&) {
    return {static_cast<double>(Lowest) / Scale, static_cast<double>(Highest) / Scale};
}

FieldRange frequencyByBand(const FieldContext& c) {
    return c.bandaUHF == 0 ? FieldRange{140, 175} : FieldRange{400, 470};
}

// The box holds a repeater number on the path "REP", else a bidirectional input.
FieldRange pathNumber(const FieldContext& c) {
    return c.path == 1 ? FieldRange{1, 64} : FieldRange{1, 8};
}

FieldRange peripheralCode(const FieldContext& c) {
    return {1, static_cast<double>(maximumPeripheralCode(c.protocol.toUpper()))};
}

// Packed BCD holds four digits; a plain code fills 15 bits.
FieldRange storedPeripheralCode(const FieldContext& c) {
    return {0, c.protocolCode == map::kProtocolSicep ? 9999.0 : 32767.0};
}

// Hours or minutes times 60 in a signed 16-bit word.
constexpr int kLargestSixtieth = 32767 / 60;

const EditorField kFields[] = {
    // Parametri Generali
    {.control = "lblSerialNumber", .caption = "Serial Number", .recordField = "SerialNumber"},
    {.control = "txtSerialNumber", .caption = "Serial Number", .typingLimit = 8},
    {.control = "txtCodicePeriferica",
     .caption = "Codice Periferica",
     .tag = 'I',
     .typingLimit = 5,
     .entryRange = peripheralCode,
     .storedRange = storedPeripheralCode,
     .recordField = "CodicePeriferica"},
    {.control = "cmbProtocollo",
     .caption = "Protocollo",
     .storedRange = fixed<0, 7>,
     .recordField = "Protocollo"},
    {.control = "cmbCodiceRete",
     .caption = "Codice Rete",
     .storedRange = fixed<0, 65535>,
     .recordField = "CodiceRete"},
    {.control = "optNumIngressi", .caption = "Num. Ingr.", .recordField = "NumIngressi"},
    {.control = "optStati", .caption = "Invia Stati", .recordField = "InviaStati"},
    {.control = "optAllarmi", .caption = "Invia Allarmi", .recordField = "InviaStati"},
    {.control = "chkRimappaturaIngressiSicep",
     .caption = "Rimappatura Ingressi SICEP",
     .recordField = "RimappaturaIngressiSicep"},
    {.control = "txtOffsetSicep1",
     .caption = "Offset SICEP 1",
     .tag = 'I',
     .typingLimit = 3,
     .entryRange = fixed<0, 255>,
     .recordField = "OffsetSicep1"},
    {.control = "txtOffsetSicepHex01",
     .caption = "Hex:",
     .tag = 'I',
     .typingLimit = 3,
     .recordField = "OffsetSicep1"},
    {.control = "txtOffsetSicep2",
     .caption = "Offset SICEP 2",
     .tag = 'I',
     .typingLimit = 3,
     .entryRange = fixed<0, 255>,
     .recordField = "OffsetSicep2"},
    {.control = "txtOffsetSicepHex02",
     .caption = "Hex:",
     .tag = 'I',
     .typingLimit = 3,
     .recordField = "OffsetSicep2"},

    // Parametri Radio
    {.control = "txtFrequenzaTX",
     .caption = "Frequenza TX (Mhz)",
     .unit = "MHz",
     .tag = 'D',
     .typingLimit = 8,
     .entryRange = frequencyByBand,
     .recordField = "FrequenzaTX"},
    {.control = "lblVHFUHV", .caption = "Tipo Frequenza", .recordField = "BandaUHF"},
    {.control = "optPotenzaRF",
     .caption = "Potenza TX (W)",
     .unit = "W",
     .recordField = "PotenzaRF"},
    {.control = "cmbTonoSubAudio",
     .caption = "Tono Subaudio",
     .unit = "Hz",
     .storedRange = fixed<0, 63>,
     .recordField = "TonoSubAudio"},
    {.control = "txtTempoAggancio",
     .caption = "T agg. ponte (s)",
     .unit = "s",
     .tag = 'D',
     .decimalCheck = true,
     .entryRange = fixed<1, 255, 10>,
     .storedRange = fixed<0, 255, 10>, // tenths of a second in a byte
     .recordField = "TempoAggancio"},
    {.control = "lblToni", .caption = "Toni", .recordField = "ToniAlti"},

    // Parametri Operativi
    {.control = "chkInvioSopravvivenza",
     .caption = "Invio Sopravviv.",
     .recordField = "InvioSopravvivenza"},
    {.control = "txtCadenzaSopravvivenza",
     .caption = "Cadenza (ore)",
     .unit = "h",
     .tag = 'I',
     .typingLimit = 2,
     .entryRange = fixed<1, 240>,
     .storedRange = fixed<0, kLargestSixtieth>,
     .recordField = "CadenzaSopravvivenza"},
    {.control = "chkSync",
     .caption = "Risincronizza sopravvivenza",
     .recordField = "NoRisincronizza"},
    {.control = "chkTrasmissioniMultiple",
     .caption = "Trasmissioni multiple",
     .recordField = "TrasmissioniMultiple"},
    {.control = "cmbNumTentativiTX",
     .caption = "Num. Tentativi",
     .storedRange = fixed<0, 255>,
     .recordField = "NumTentativiTX"},
    {.control = "chkDoppioMesaggio",
     .caption = "Invio doppio messaggio",
     .recordField = "DoppioMessaggio"},
    {.control = "chkSpontaneaACOff",
     .caption = "Spontanea su mancanza rete",
     .recordField = "SpontaneaACOff"},
    {.control = "txtTempoCampionamentoMancanzaAC",
     .caption = "Tempo Campionamento (min)",
     .unit = "min",
     .tag = 'I',
     .typingLimit = 3,
     .entryRange = fixed<1, 240>,
     .storedRange = fixed<0, kLargestSixtieth>,
     .recordField = "TempoCampionamentoMancanzaAC"},
    {.control = "optSpontaneaIngresso", .caption = "Ing.", .recordField = "SpontaneaIngresso"},

    // Via di TX
    {.control = "cmbViaTX", .caption = "Via di TX", .recordField = "ViaBidirezionale"},
    {.control = "chkDoppioSalto", .caption = "Doppio salto", .recordField = "DoppioSalto"},
    {.control = "txtCodiceRep",
     .caption = "Codice REP",
     .bidirectionalCaption = "Ingresso BIDI",
     .tag = 'I',
     .typingLimit = 2,
     .entryRange = pathNumber,
     .recordField = "CodiceRep",
     .bidirectionalRecordField = "IngressoBidi"},

    // Centralina Integrata
    {.control = "chkCentralinaIntegrata",
     .caption = "Centralina Integrata",
     .recordField = "CentralinaIntegrata"},
    {.control = "txtTempoIngresso",
     .caption = "Tempo Ingresso (s)",
     .unit = "s",
     .tag = 'I',
     .typingLimit = 3,
     .entryRange = fixed<1, 255>,
     .recordField = "TempoIngresso"},
    {.control = "txtTempoUscita",
     .caption = "Tempo Uscita (s)",
     .unit = "s",
     .tag = 'I',
     .typingLimit = 3,
     .entryRange = fixed<1, 255>,
     .recordField = "TempoUscita"},
    {.control = "txtTempoSirena",
     .caption = "Tempo Sirena (s)",
     .unit = "s",
     .tag = 'I',
     .typingLimit = 3,
     .entryRange = fixed<1, 255>,
     .recordField = "TempoSirena"},
    {.control = "ckMaskIngressi",
     .caption = "Ingressi condizionati:",
     .recordField = "MaskIngressi"},
};

} // namespace

std::span<const EditorField> editorFields() {
    return kFields;
}

const EditorField* editorField(QStringView control) {
    const qsizetype member = control.lastIndexOf(QLatin1Char('_'));
    const QStringView name = member < 0 ? control : control.left(member);
    for (const EditorField& field : kFields)
        if (name == QLatin1String(field.control))
            return &field;
    return nullptr;
}

QString fieldCaption(const EditorField& field, const FieldContext& context) {
    if (context.path == 2 && field.bidirectionalCaption)
        return QString::fromUtf8(field.bidirectionalCaption);
    return QString::fromUtf8(field.caption);
}

QString fieldCaption(QStringView control, const FieldContext& context) {
    const EditorField* field = editorField(control);
    return field ? fieldCaption(*field, context) : control.toString();
}

namespace {

const EditorField* fieldShowing(QStringView recordField, bool* bidirectional) {
    for (const EditorField& field : kFields) {
        *bidirectional = field.bidirectionalRecordField &&
                         recordField == QLatin1String(field.bidirectionalRecordField);
        if (*bidirectional || recordField == QLatin1String(field.recordField))
            return &field;
    }
    return nullptr;
}

} // namespace

QString recordFieldCaption(QStringView recordField) {
    bool bidirectional = false;
    const EditorField* field = fieldShowing(recordField, &bidirectional);
    if (!field)
        return QString();
    FieldContext context;
    context.path = bidirectional ? 2 : 0;
    return fieldCaption(*field, context);
}

QString recordFieldUnit(QStringView recordField) {
    bool bidirectional = false;
    const EditorField* field = fieldShowing(recordField, &bidirectional);
    return field ? QString::fromUtf8(field->unit) : QString();
}

std::optional<FieldRange> entryRange(const EditorField& field, const FieldContext& context) {
    if (!field.entryRange)
        return std::nullopt;
    return field.entryRange(context);
}

std::optional<FieldRange> storedRange(const EditorField& field, const FieldContext& context) {
    if (!field.storedRange)
        return std::nullopt;
    return field.storedRange(context);
}

} // namespace selvana
