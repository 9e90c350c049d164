#include "cli/configuration_encoder.h"

#include "cli/configuration_report.h"
#include "core/files/config_file.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"

#include <QList>
#include <QRegularExpression>

#include <cmath>
#include <functional>

namespace selvana::cli {

using namespace map;

namespace {

struct Owned {
    int byte;
    std::uint8_t mask = 0xFF;
};

using Setter = std::function<bool(ConfigRecord&, const QJsonValue&)>;

// One field of the record: the image bytes (and bits) it owns, and how a JSON value sets it.
// Fields derived from others own nothing: an edit of theirs stands only if the edits of the
// others make it come true.
struct FieldRule {
    const char* name;
    QList<Owned> owned;
    Setter set;
};

std::optional<long long> integer(const QJsonValue& v) {
    if (v.isBool())
        return v.toBool() ? 1 : 0;
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e9)
        return std::nullopt;
    return static_cast<long long>(d);
}

template <typename T> Setter whole(T ConfigRecord::*member, long long lo, long long hi) {
    return [member, lo, hi](ConfigRecord& r, const QJsonValue& v) {
        const auto n = integer(v);
        if (!n || *n < lo || *n > hi)
            return false;
        r.*member = static_cast<T>(*n);
        return true;
    };
}

Setter flag(bool ConfigRecord::*member) {
    return [member](ConfigRecord& r, const QJsonValue& v) {
        const auto n = integer(v);
        if (!n || (*n != 0 && *n != 1))
            return false;
        r.*member = *n == 1;
        return true;
    };
}

Setter real(double ConfigRecord::*member) {
    return [member](ConfigRecord& r, const QJsonValue& v) {
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            return false;
        r.*member = v.toDouble();
        return true;
    };
}

Setter derived() {
    return [](ConfigRecord&, const QJsonValue& v) { return v.isDouble() || v.isBool(); };
}

const QList<FieldRule>& rules() {
    using R = ConfigRecord;
    static const QList<FieldRule> table = {
        {"FrequenzaTX",
         {{kFlags, kFlagsWordBit16},
          {kWordHigh},
          {kWordLow},
          {kFlagsCopy, kFlagsWordBit16},
          {kWordHighCopy},
          {kWordLowCopy}},
         real(&R::FrequenzaTX)},
        {"BandaUHF", {}, derived()},
        {"PotenzaRF",
         {{kFlags, kFlagsPower10W}, {kFlagsCopy, kFlagsPower10W}},
         [](R& r, const QJsonValue& v) {
             const auto n = integer(v);
             if (!n || (*n != 3 && *n != 10))
                 return false;
             r.PotenzaRF = static_cast<std::int16_t>(*n);
             return true;
         }},
        {"RimappaturaIngressiSicep",
         {{kFlags, kFlagsSicepRemap}, {kFlagsCopy, kFlagsSicepRemap}},
         flag(&R::RimappaturaIngressiSicep)},
        {"TempoAggancio", {{kLockTime}, {kLockTimeCopy}}, real(&R::TempoAggancio)},
        // The code's bytes follow the protocol (packed BCD under Sicep): they are written again.
        {"Protocollo",
         {{kOptions, kOptionsProtocolMask}, {kCodeHigh}, {kCodeLow}},
         whole(&R::Protocollo, 0, 7)},
        {"InviaStati", {{kOptions, kOptionsSendStates}}, whole(&R::InviaStati, 0, 1)},
        {"ViaTX", {}, derived()},
        {"ViaBidirezionale",
         {{kOptions, kOptionsBidirectional}, {kPathParameter}, {kPathMarker}},
         whole(&R::ViaBidirezionale, 0, 1)},
        {"CodiceRep", {{kPathParameter}, {kPathMarker}}, whole(&R::CodiceRep, 0, 255)},
        {"IngressoBidi", {{kPathParameter}, {kPathMarker}}, whole(&R::IngressoBidi, 0, 255)},
        {"DoppioSalto", {}, derived()},
        {"ToniAlti", {{kOptions, kOptionsHighTones}}, flag(&R::ToniAlti)},
        {"TrasmissioniMultiple", {{kOptions, kOptionsMultipleTx}}, flag(&R::TrasmissioniMultiple)},
        {"NumTentativiTX", {{kTxAttempts}, {kTxAttemptsCopy}}, whole(&R::NumTentativiTX, 0, 255)},
        {"MaskIngressi", {{kInputMaskInverted}}, whole(&R::MaskIngressi, 0, 255)},
        {"MaskIngressiCopia", {{kInputMaskPlain}}, whole(&R::MaskIngressiCopia, 0, 255)},
        {"CodiceRete", {{kNetworkHigh}, {kNetworkLow}}, whole(&R::CodiceRete, 0, 0xFFFF)},
        {"CodicePeriferica", {{kCodeHigh}, {kCodeLow}}, whole(&R::CodicePeriferica, 0, 32767)},
        {"NumIngressi", {{kInputs}}, whole(&R::NumIngressi, 0, 255)},
        {"TonoSubAudio",
         {{kTone, kToneMask}, {kToneCopy, kToneMask}},
         whole(&R::TonoSubAudio, 0, 255)},
        {"NoRisincronizza", {{kTone, kToneNoResync}}, flag(&R::NoRisincronizza)},
        {"InvioSopravvivenza", {{kSurvivalHigh}, {kSurvivalLow}}, flag(&R::InvioSopravvivenza)},
        {"CadenzaSopravvivenza",
         {{kSurvivalHigh}, {kSurvivalLow}},
         whole(&R::CadenzaSopravvivenza, 0, 1000000)},
        {"CentralinaIntegrata", {{kIntegratedPanel}}, flag(&R::CentralinaIntegrata)},
        {"SpontaneaACOff", {{kMainsFailureInput}}, flag(&R::SpontaneaACOff)},
        {"SpontaneaIngresso", {{kMainsFailureInput}}, whole(&R::SpontaneaIngresso, 0, 255)},
        {"TempoCampionamentoMancanzaAC",
         {{kSamplingHigh}, {kSamplingLow}},
         whole(&R::TempoCampionamentoMancanzaAC, 0, 1000000)},
        {"DoppioMessaggio", {{kDoubleMessage}}, flag(&R::DoppioMessaggio)},
        {"TempoSirena", {{kSirenTime}}, whole(&R::TempoSirena, 0, 255)},
        {"TempoUscita", {{kExitTime}}, whole(&R::TempoUscita, 0, 255)},
        {"TempoIngresso", {{kEntryTime}}, whole(&R::TempoIngresso, 0, 255)},
        {"OffsetSicep1", {{kSicepOffset1}}, whole(&R::OffsetSicep1, 0, 255)},
        {"OffsetSicep2", {{kSicepOffset2}}, whole(&R::OffsetSicep2, 0, 255)},
    };
    return table;
}

bool sameValue(const QJsonValue& a, const QJsonValue& b, double tolerance = 1e-9) {
    if ((a.isDouble() || a.isBool()) && (b.isDouble() || b.isBool())) {
        const double x = a.isBool() ? (a.toBool() ? 1 : 0) : a.toDouble();
        const double y = b.isBool() ? (b.toBool() ? 1 : 0) : b.toDouble();
        return std::fabs(x - y) < tolerance;
    }
    return a == b;
}

// Values the image keeps in steps: a frequency in the synthesizer's 12.5 kHz, a lock time in
// tenths of a second. Within half a step a value is stored as the nearest step.
double toleranceOf(const QString& field) {
    if (field == QLatin1String("FrequenzaTX"))
        return 0.0125 / 2 + 1e-9;
    if (field == QLatin1String("TempoAggancio"))
        return 0.05 + 1e-9;
    return 1e-9;
}

QString refused(const QString& field, const QJsonValue& value, const QString& why) {
    QString shown = value.isString() ? QLatin1Char('"') + value.toString() + QLatin1Char('"')
                    : value.isBool()
                        ? (value.toBool() ? QStringLiteral("true") : QStringLiteral("false"))
                    : value.isDouble() ? QString::number(value.toDouble(), 'g', 15)
                                       : QStringLiteral("non valido");
    return QStringLiteral("il valore %1 del campo %2 non può essere memorizzato: %3")
        .arg(shown, field, why);
}

// A marker as decode prints it: the character itself, or 0x and two hex digits.
std::optional<char> marker(const QJsonValue& v) {
    const QString text = v.toString();
    if (text.size() == 1 && text[0].unicode() < 128)
        return static_cast<char>(text[0].unicode());
    if (text.size() == 4 && text.startsWith(QLatin1String("0x"))) {
        bool ok = false;
        const uint value = text.mid(2).toUInt(&ok, 16);
        if (ok)
            return static_cast<char>(value);
    }
    return std::nullopt;
}

// The marker, changed to the standard one when the JSON's flag says otherwise than the
// marker does.
std::optional<QString> markerOf(const QJsonObject& part, const char* partName, const char* flag,
                                char yes, char no, bool (*means)(char), char& out) {
    const QJsonValue given = part.value(QStringLiteral("marcatore"));
    const auto m = marker(given);
    if (!m)
        return QStringLiteral("manca il marcatore di %1 (\"%1\": {\"marcatore\": ...})")
            .arg(QLatin1String(partName));
    out = *m;
    const QJsonValue wanted = part.value(QLatin1String(flag));
    if (wanted.isBool() && wanted.toBool() != means(out))
        out = wanted.toBool() ? yes : no;
    return std::nullopt;
}

} // namespace

std::optional<QString> encodeConfiguration(const QJsonObject& json, QByteArray& content) {
    const QString hex = json.value(QStringLiteral("byte5a64")).toString();
    static const QRegularExpression hex120(QStringLiteral("^[0-9A-Fa-f]{120}$"));
    if (!hex120.match(hex).hasMatch())
        return QStringLiteral("manca \"byte5a64\" con i 60 byte dell'immagine (120 cifre "
                              "esadecimali), come lo scrive decode --json");
    const QByteArray body = QByteArray::fromHex(hex.toLatin1());
    char firmware = 0;
    char band = 0;
    if (auto error = markerOf(
            json.value(QStringLiteral("firmware")).toObject(), "firmware", "M6", conf::kMarkerM6,
            conf::kMarkerBeforeM6, [](char c) { return c != conf::kMarkerBeforeM6; }, firmware))
        return error;
    if (auto error = markerOf(
            json.value(QStringLiteral("banda")).toObject(), "banda", "UHF", conf::kMarkerUHF,
            conf::kMarkerVHF, [](char c) { return c == conf::kMarkerUHF; }, band))
        return error;

    QByteArray base;
    base.append(firmware).append(band).append(body);
    const auto report = decodeConfiguration(QString(), base, QString());
    Image image = report->image;
    const ConfigRecord decoded = report->record;

    // What the JSON changes.
    const QJsonObject fields = json.value(QStringLiteral("campi")).toObject();
    QHash<QString, QJsonValue> before;
    for (const ReportField& f : report->fields)
        before.insert(f.name, f.value);
    ConfigRecord edited = decoded;
    QList<const FieldRule*> changed;
    for (const FieldRule& rule : rules()) {
        const QString name = QLatin1String(rule.name);
        if (!fields.contains(name))
            continue;
        const QJsonValue value = fields.value(name).toObject().value(QStringLiteral("valore"));
        if (value.isUndefined() || sameValue(value, before.value(name)))
            continue;
        if (!rule.set(edited, value))
            return refused(name, value, QStringLiteral("valore non ammesso per il campo"));
        changed << &rule;
    }
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        if (!before.contains(it.key()))
            return QStringLiteral("il campo %1 non esiste nella configurazione").arg(it.key());
    }
    if (changed.isEmpty()) {
        content = base;
        return std::nullopt;
    }

    // The assembly checks every value that could overflow; those of untouched fields are put
    // where they cannot fail, since their bytes are not taken from it.
    const auto isChanged = [&changed](std::initializer_list<const char*> names) {
        for (const FieldRule* rule : changed) {
            for (const char* n : names) {
                if (qstrcmp(rule->name, n) == 0)
                    return true;
            }
        }
        return false;
    };
    ConfigRecord toAssemble = edited;
    if (!isChanged({"FrequenzaTX"}))
        toAssemble.FrequenzaTX = 156.0;
    if (!isChanged({"TempoAggancio"}))
        toAssemble.TempoAggancio = 0;
    if (!isChanged({"CodicePeriferica", "Protocollo"}))
        toAssemble.CodicePeriferica = 0;
    if (!isChanged({"CadenzaSopravvivenza", "InvioSopravvivenza"}))
        toAssemble.CadenzaSopravvivenza = 0;
    if (!isChanged({"TempoCampionamentoMancanzaAC", "SpontaneaACOff"}))
        toAssemble.TempoCampionamentoMancanzaAC = 0;
    Image assembled{};
    if (auto error = assembleSaveImage(toAssemble, image, assembled)) {
        // The field is the one whose control the assembly names.
        QString field = error->label;
        for (const FieldRule& rule : rules()) {
            if (error->control.endsWith(QLatin1String(rule.name)))
                field = QLatin1String(rule.name);
        }
        return refused(field, fields.value(field).toObject().value(QStringLiteral("valore")),
                       error->message);
    }

    const Image original = image;
    for (const FieldRule* rule : changed) {
        for (const Owned& o : rule->owned)
            image[o.byte] =
                static_cast<std::uint8_t>((image[o.byte] & ~o.mask) | (assembled[o.byte] & o.mask));
    }
    int delta = 0;
    for (int k = kFlags; k < kChecksum; ++k)
        delta += image[k] - original[k];
    image[kChecksum] = static_cast<std::uint8_t>(original[kChecksum] + delta);

    // An edit stands only if the bytes read back as asked.
    QByteArray result = conf::fileContent(0, 0, image);
    result[0] = firmware;
    result[1] = band;
    const auto check = decodeConfiguration(QString(), result, QString());
    QHash<QString, ReportField> after;
    for (const ReportField& f : check->fields)
        after.insert(f.name, f);
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        const QJsonValue wanted = it.value().toObject().value(QStringLiteral("valore"));
        if (wanted.isUndefined() || sameValue(wanted, before.value(it.key())))
            continue;
        const ReportField& got = after[it.key()];
        if (!sameValue(wanted, got.value, toleranceOf(it.key())))
            return refused(it.key(), wanted,
                           QStringLiteral("la periferica lo leggerebbe come \"%1\"; i campi da "
                                          "cui dipende vanno cambiati insieme")
                               .arg(got.text));
    }
    content = result;
    return std::nullopt;
}

} // namespace selvana::cli
