#include "cli/register_command.h"

#include "cli/command_line.h"
#include "cli/configuration_encoder.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "core/files/config_file_io.h"
#include "core/files/csv.h"
#include "core/files/file_names.h"
#include "core/texts/shared_texts.h"
#include "print/site_sheet_pdf.h"
#include "registry/installer.h"
#include "registry/register_sync.h"
#include "registry/unit_register.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace selvana::cli {

using namespace registry;

namespace {

// A JSON larger than this is not one decode --json wrote.
constexpr qint64 kLargestJson = 1 << 20;

// The writes whose unit holds a code that another unit of the network holds too.
class Doubled {
public:
    explicit Doubled(const QList<DuplicateCode>& codes) {
        for (const DuplicateCode& d : codes)
            for (const UnitRecord& u : d.units)
                keys_.insert(key(u));
    }
    bool operator()(const UnitRecord& u) const { return keys_.contains(key(u)); }

private:
    static QString key(const UnitRecord& u) {
        return QStringLiteral("%1/%2/%3/%4")
            .arg(u.serialNumber)
            .arg(u.protocol)
            .arg(u.network)
            .arg(u.peripheralCode);
    }
    QSet<QString> keys_;
};

// A text of the register as a terminal or a spreadsheet shows it: a control character that an
// older version or another computer let in is shown as a space, never sent raw.
QString shown(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text;
}

// Lines in one field of a spreadsheet's cell, one under the other.
QString shownLines(const QStringList& lines) {
    QStringList shownOnes;
    for (const QString& line : lines)
        shownOnes << shown(line);
    return shownOnes.join(QLatin1Char('\n'));
}

QJsonArray jsonLines(const QStringList& lines) {
    QJsonArray array;
    for (const QString& line : lines)
        array.append(line);
    return array;
}

QString csv(const QList<UnitRecord>& units, const Doubled& doubled) {
    QString out = QStringLiteral("numero_di_serie;data_ora;installatore;sito;descrizione;"
                                 "protocollo;rete;codice;frequenza_mhz;banda;firmware;esito;"
                                 "copia_di_sicurezza;doppio;modifiche;verifica;differenze\n");
    for (const UnitRecord& u : units) {
        const QStringList fields = {
            csv::field(u.serialNumber),
            u.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            csv::field(shown(u.installer)),
            csv::field(shown(u.site)),
            csv::field(shown(u.description)),
            csv::field(protocolName(u.protocol)),
            networkText(u.network),
            QString::number(u.peripheralCode),
            frequencyText(u.frequencyMHz),
            texts::bandName(u.bandaUHF),
            u.firmwareM6 ? QStringLiteral("M6") : QStringLiteral("pre-M6"),
            outcomeKey(u.outcome),
            csv::field(shown(QDir::toNativeSeparators(u.backupPath))),
            doubled(u) ? QStringLiteral("sì") : QStringLiteral("no"),
            csv::field(shownLines(u.changes)),
            verificationKey(u.verification),
            csv::field(shownLines(u.verificationDifferences)),
        };
        out += csv::line(fields) + QLatin1Char('\n');
    }
    return out;
}

QString json(const QList<UnitRecord>& units, const Doubled& doubled) {
    QJsonArray array;
    for (const UnitRecord& u : units) {
        array.append(QJsonObject{
            {QStringLiteral("id"), u.id},
            {QStringLiteral("numeroDiSerie"), u.serialNumber},
            {QStringLiteral("dataOra"), u.time.toUTC().toString(Qt::ISODateWithMs)},
            {QStringLiteral("installatore"), u.installer},
            {QStringLiteral("sito"), u.site},
            {QStringLiteral("descrizione"), u.description},
            {QStringLiteral("protocollo"), u.protocol},
            {QStringLiteral("protocolloNome"), protocolName(u.protocol)},
            {QStringLiteral("rete"), u.network},
            {QStringLiteral("codice"), u.peripheralCode},
            {QStringLiteral("frequenzaMHz"), u.frequencyMHz},
            {QStringLiteral("UHF"), u.bandaUHF != 0},
            {QStringLiteral("M6"), u.firmwareM6 != 0},
            {QStringLiteral("esito"), outcomeKey(u.outcome)},
            {QStringLiteral("copiaDiSicurezza"), QDir::toNativeSeparators(u.backupPath)},
            {QStringLiteral("configurazione"), QString::fromLatin1(u.configuration.toHex())},
            {QStringLiteral("doppio"), doubled(u)},
            {QStringLiteral("modifiche"), jsonLines(u.changes)},
            {QStringLiteral("verifica"), verificationKey(u.verification)},
            {QStringLiteral("differenze"), jsonLines(u.verificationDifferences)},
        });
    }
    return QString::fromUtf8(QJsonDocument(array).toJson());
}

// `details`: each write's changes and what its read-back found otherwise, under its line.
QString text(const QList<UnitRecord>& units, const Doubled& doubled, bool details) {
    const QStringList titles = {
        QStringLiteral("Numero di serie"), QStringLiteral("Data e ora"),  QStringLiteral("Sito"),
        QStringLiteral("Descrizione"),     QStringLiteral("Protocollo"),  QStringLiteral("Rete"),
        QStringLiteral("Codice"),          QStringLiteral("Frequenza"),   QStringLiteral("Esito"),
        QStringLiteral("Verifica"),        QStringLiteral("Installatore")};
    QList<QStringList> rows{titles};
    QList<QStringList> under{{}};
    bool anyDoubled = false;
    for (const UnitRecord& u : units) {
        QStringList cells;
        for (const QString& cell : unitCells(u))
            cells << shown(cell);
        if (doubled(u)) {
            cells[6] = QLatin1Char('*') + cells[6];
            anyDoubled = true;
        }
        rows << cells;
        under << (details ? writeDetails(u) : QStringList());
    }
    QList<qsizetype> widths(titles.size(), 0);
    for (const QStringList& row : rows) {
        for (int i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], row[i].size());
    }
    QString out;
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += (i ? QStringLiteral("  ") : QString()) +
                    (i == row.size() - 1 ? row[i] : row[i].leftJustified(widths[i]));
        out += line + QLatin1Char('\n');
        for (const QString& detail : under[r])
            out += QStringLiteral("    ") + shown(detail) + QLatin1Char('\n');
    }
    if (anyDoubled)
        out += QStringLiteral("* codice doppio: un'altra periferica della stessa rete ha lo "
                              "stesso codice e la centrale ricevente non le distingue.\n");
    return out;
}

} // namespace

int runRegisterCommand(const Options& options, Console& console) {
    RegisterError error;
    auto local = UnitRegister::openFile(defaultRegisterPath(), &error);
    if (!local) {
        console.err(error.message);
        return kFileError;
    }

    // The shared register, when there is one: its news first, and the age of the copy.
    RegisterError warning;
    const auto server = chosenServer(options.registerUri, &warning);
    if (!warning.message.isEmpty())
        console.err(warning.message);
    bool settingsRefused = isConfigurationFault(warning.fault);
    if (server) {
        RegisterSync sync(*local, *server);
        SyncReport report;
        if (auto e = sync.run(report)) {
            console.err(e->message);
            settingsRefused = isConfigurationFault(e->fault);
        }
        console.err(copyAgeText(sync.copied(), QDateTime::currentDateTimeUtc()) + QLatin1Char('.'));
    }
    QList<DuplicateCode> twice;
    if (auto e = local->duplicates(twice)) {
        console.err(e->message);
        return kFileError;
    }
    const Doubled doubled(twice);

    const RegisterFilter filter{options.site, options.network, options.serial};
    QList<UnitRecord> found;
    const auto failed =
        options.allWrites ? local->records(filter, found) : local->units(filter, found);
    if (failed) {
        console.err(failed->message);
        return kFileError;
    }
    if (options.duplicatesOnly)
        found.removeIf([&doubled](const UnitRecord& u) { return !doubled(u); });

    if (!options.pdfPath.isEmpty()) {
        QList<UnitRecord> units = found;
        if (options.allWrites && local->units(filter, units)) {
            console.err(QStringLiteral("Il registro non si legge."));
            return kFileError;
        }
        QByteArray pdf;
        if (const auto why = print::siteSheetPdf(units, QDateTime::currentDateTime(), pdf,
                                                 duplicatedSerials(twice, units))) {
            console.err(QStringLiteral("Impossibile creare la scheda dell'impianto \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(options.pdfPath), *why));
            return kFileError;
        }
        if (const auto why = replaceByBytes(options.pdfPath, pdf)) {
            console.err(QStringLiteral("Impossibile scrivere la scheda dell'impianto \"%1\": %2.")
                            .arg(QDir::toNativeSeparators(options.pdfPath), *why));
            return kFileError;
        }
        console.err(QStringLiteral("Scheda dell'impianto salvata in \"%1\" (%2 periferiche).")
                        .arg(QDir::toNativeSeparators(options.pdfPath))
                        .arg(units.size()));
    }

    if (options.csv)
        console.outRaw(csv(found, doubled));
    else if (options.json)
        console.outRaw(json(found, doubled));
    else if (!found.isEmpty())
        console.outRaw(text(found, doubled, options.allWrites));
    if (found.isEmpty())
        console.err(nothingFoundText());
    return settingsRefused ? kRegisterSettings : kOk;
}

int runEncodeCommand(const Options& options, Console& console) {
    // Read and written as the command line's other files: names of any bytes, only regular
    // files, and the result holding the 62 bytes and nothing else.
    const QString shown = quotedName(options.file);
    const FileFacts facts = factsOf(options.file);
    QFile in;
    if (!facts.isFile || !openFile(options.file, in, QIODevice::ReadOnly)) {
        const QString why = !facts.exists    ? QStringLiteral("il file non esiste")
                            : !facts.isFile  ? QStringLiteral("non è un file su disco")
                            : facts.readable ? in.errorString()
                                             : QStringLiteral("l'accesso al file è negato");
        console.err(QStringLiteral("Impossibile leggere il file %1: %2.").arg(shown, why));
        return kFileError;
    }
    if (facts.size > kLargestJson) {
        console.err(QStringLiteral("Il file %1 è troppo grande per essere l'uscita di "
                                   "decode --json.")
                        .arg(shown));
        return kFileError;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        console.err(QStringLiteral("Il file %1 non è un JSON valido (%2, carattere %3): "
                                   "serve l'uscita di decode --json.")
                        .arg(shown, parseError.error != QJsonParseError::NoError
                                        ? parseError.errorString()
                                        : QStringLiteral("non è un oggetto"))
                        .arg(parseError.offset));
        return kFileError;
    }
    QByteArray content;
    if (auto error = encodeConfiguration(document.object(), content)) {
        console.err(
            QStringLiteral("Errore in %1: %2. Nessun file è stato scritto.").arg(shown, *error));
        return kInvalid;
    }
    if (auto error = conf::writeConfigFile(options.output, content, conf::ExistingTail::Drop)) {
        console.err(error->brief);
        return kFileError;
    }
    console.out(QStringLiteral("%1: configurazione di %2 byte scritta.")
                    .arg(QDir::toNativeSeparators(shownName(options.output)))
                    .arg(content.size()));
    return kOk;
}

} // namespace selvana::cli
