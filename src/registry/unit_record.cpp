#include "registry/unit_record.h"

#include "core/files/config_file.h"
#include "core/image/config_decoder.h"
#include "core/options/option_lists.h"

#include <QLocale>

namespace selvana::registry {

QString outcomeKey(Outcome outcome) {
    switch (outcome) {
    case Outcome::Written:
        return QStringLiteral("scritta");
    case Outcome::Refused:
        return QStringLiteral("rifiutata");
    case Outcome::NoAnswer:
        return QStringLiteral("nessuna_risposta");
    case Outcome::PortLost:
        return QStringLiteral("porta_persa");
    }
    return {};
}

std::optional<Outcome> outcomeFromKey(const QString& key) {
    for (Outcome o : {Outcome::Written, Outcome::Refused, Outcome::NoAnswer, Outcome::PortLost}) {
        if (outcomeKey(o) == key)
            return o;
    }
    return std::nullopt;
}

QString outcomeText(Outcome outcome) {
    switch (outcome) {
    case Outcome::Written:
        return QStringLiteral("Scritta");
    case Outcome::Refused:
        return QStringLiteral("Rifiutata");
    case Outcome::NoAnswer:
        return QStringLiteral("Nessuna risposta");
    case Outcome::PortLost:
        return QStringLiteral("Porta persa");
    }
    return {};
}

UnitRecord recordOfConfiguration(const QString& serialNumber, const QByteArray& content,
                                 Outcome outcome, const QString& backupPath) {
    UnitRecord r;
    r.serialNumber = serialNumber;
    r.outcome = outcome;
    r.backupPath = backupPath;
    r.configuration = content.left(conf::kFileSize);
    if (const auto file = conf::parse(content)) {
        Image image{};
        conf::storeInto(*file, image);
        ConfigRecord rec;
        Analyze2(image, QString(), rec);
        r.protocol = rec.Protocollo;
        r.network = rec.CodiceRete;
        r.peripheralCode = rec.CodicePeriferica;
        r.frequencyMHz = rec.FrequenzaTX;
        r.bandaUHF = file->bandaUHF;
        r.firmwareM6 = file->firmwareM6;
    }
    return r;
}

QString protocolName(int protocol) {
    const QStringList names = cmbProtocolloItems();
    const int at = LookupProtocol(static_cast<std::int16_t>(protocol));
    return at >= 0 && at < names.size() ? names[at] : QString::number(protocol);
}

QString networkText(int network) {
    return QString::number(network).rightJustified(5, QLatin1Char('0'));
}

QString timeText(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

QString frequencyText(double mhz) {
    return QLocale().toString(mhz, 'f', 4);
}

QString nothingFoundText() {
    return QStringLiteral("Nessuna periferica nel registro per la ricerca indicata.");
}

QStringList unitCells(const UnitRecord& u) {
    return {u.serialNumber,
            timeText(u.time),
            u.site,
            u.description,
            protocolName(u.protocol),
            networkText(u.network),
            QString::number(u.peripheralCode),
            frequencyText(u.frequencyMHz),
            outcomeText(u.outcome),
            verificationWord(u.verification),
            u.installer};
}

QStringList writeDetails(const UnitRecord& u) {
    QStringList lines = u.changes;
    for (const QString& d : u.verificationDifferences)
        lines << QStringLiteral("Rilettura diversa: ") + d;
    return lines;
}

bool isConfigurationFault(ServerFault fault) {
    switch (fault) {
    case ServerFault::None:
    case ServerFault::Unreachable:
    case ServerFault::Silent:
        return false;
    case ServerFault::Authentication:
    case ServerFault::UnknownDatabase:
    case ServerFault::UnknownRole:
    case ServerFault::Tls:
    case ServerFault::BadOption:
    case ServerFault::BadAddress:
        return true;
    }
    return true;
}

} // namespace selvana::registry
