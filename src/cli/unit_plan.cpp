#include "unit_plan.h"

#include "core/editor/editor_model.h"
#include "core/fields/field_table.h"
#include "core/fields/peripheral_code.h"
#include "core/files/csv.h"
#include "core/files/file_names.h"
#include "core/networks/ansi_codec.h"
#include "core/networks/cell_edit.h"
#include "core/texts/shared_texts.h"
#include "registry/programming_register.h"
#include "registry/record_text.h"
#include "registry/unit_record.h"
#include "registry/unit_register.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace selvana::cli {

using editor::Ctl;

namespace {

// A code or network is at most what the peripheral stores: 16 bits.
constexpr int kLargestStored = 65535;
// A piano larger than this is not a list of a site's units.
constexpr qint64 kLargestPlan = 1 << 20;

std::optional<int> wholeNumber(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

// A spreadsheet's text: UTF-8 (the decoder drops its mark), else the Windows code page older
// Italian spreadsheets save in.
QString decoded(const QByteArray& content) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(content);
    return utf8.hasError() ? ansi::toUnicode(content) : text;
}

// One line's fields; quotes as spreadsheets write them ("" for a quote inside quotes).
std::optional<QStringList> splitLine(const QString& line, QChar separator) {
    QStringList fields;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
            field.clear();
        } else if (c == separator) {
            fields << (wasQuoted ? field : field.trimmed());
            field.clear();
            wasQuoted = false;
        } else if (!wasQuoted || !c.isSpace()) {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields << (wasQuoted ? field : field.trimmed());
    return fields;
}

struct Columns {
    int code = 0;
    int zone = 1;
    int network = 2;
    int count = 0; // fields a row may have; 0: up to three
};

std::optional<QString> headerColumns(const QStringList& names, int line, Columns& columns) {
    columns = {-1, -1, -1, static_cast<int>(names.size())};
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names[i].toLower();
        int* column = nullptr;
        if (name == QLatin1String("codice"))
            column = &columns.code;
        else if (name == QLatin1String("descrizione") || name == QLatin1String("zona"))
            column = &columns.zone;
        else if (name == QLatin1String("rete"))
            column = &columns.network;
        if (!column)
            return QStringLiteral("riga %1: la colonna \"%2\" non è prevista: le colonne sono "
                                  "codice, descrizione (o zona) e rete")
                .arg(line)
                .arg(names[i]);
        if (*column >= 0)
            return QStringLiteral("riga %1: la colonna \"%2\" compare due volte")
                .arg(line)
                .arg(names[i]);
        *column = i;
    }
    if (columns.code < 0)
        return QStringLiteral("riga %1: manca la colonna \"codice\"").arg(line);
    return std::nullopt;
}

QString field(const QStringList& fields, int column) {
    return column >= 0 && column < fields.size() ? fields[column] : QString();
}

std::optional<QString> rowOf(const QStringList& fields, const Columns& columns, int line,
                             PlanRow& row) {
    const int most = columns.count > 0 ? columns.count : 3;
    if (fields.size() > most)
        return QStringLiteral("riga %1: %2 colonne, al massimo %3 (codice, descrizione e rete)")
            .arg(line)
            .arg(fields.size())
            .arg(most);
    const QString code = field(fields, columns.code);
    if (code.isEmpty())
        return QStringLiteral("riga %1: manca il codice della periferica").arg(line);
    const auto number = wholeNumber(code);
    if (!number || *number > kLargestStored)
        return QStringLiteral("riga %1: il codice \"%2\" non è valido: indicare un numero intero "
                              "(per esempio 101)")
            .arg(line)
            .arg(code);
    row.line = line;
    row.unit.code = *number;
    if (auto why = registry::checkedRecordText(field(fields, columns.zone),
                                               QStringLiteral("la descrizione"), row.unit.zone))
        return QStringLiteral("riga %1: %2").arg(line).arg(*why);
    const QString network = field(fields, columns.network);
    if (!network.isEmpty()) {
        const auto value = wholeNumber(network);
        if (!value || *value > kMaxNetworkId)
            return QStringLiteral("riga %1: la rete \"%2\" non è valida: indicare il codice di "
                                  "rete, %3")
                .arg(line)
                .arg(network, texts::networkCodeRange());
        row.unit.network = *value;
    }
    return std::nullopt;
}

QString networkPart(const std::optional<int>& network) {
    return network ? QStringLiteral(" nella rete %1").arg(registry::networkText(*network))
                   : QString();
}

} // namespace

std::optional<QString> parseCodeRange(const QString& text, CodeRange& range) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,9})\\s*(?:-\\s*(\\d{1,9}))?\\s*$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return QStringLiteral("l'intervallo di codici \"%1\" non è valido: indicare il primo e "
                              "l'ultimo codice, per esempio 101-120")
            .arg(text);
    const int first = match.captured(1).toInt();
    const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
    if (first < 1 || last > kLargestStored)
        return QStringLiteral("l'intervallo di codici \"%1\" non è valido: i codici vanno da 1 a "
                              "%2")
            .arg(text)
            .arg(kLargestStored);
    if (first > last)
        return QStringLiteral("l'intervallo di codici \"%1\" non è valido: il primo codice è "
                              "maggiore dell'ultimo")
            .arg(text);
    range = {first, last};
    return std::nullopt;
}

std::optional<QString> parsePlan(const QByteArray& content, QList<PlanRow>& rows) {
    const QStringList lines =
        decoded(content).split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    QList<PlanRow> read;
    std::optional<QChar> separator;
    Columns columns;
    // Rows that would give one code twice in one network: the receiving centre could not tell
    // those peripherals apart.
    QHash<QPair<int, int>, int> lineOfCode;
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        if (lines[i].trimmed().isEmpty())
            continue;
        if (!separator)
            separator = lines[i].contains(QLatin1Char(csv::kSeparator))
                            ? QLatin1Char(csv::kSeparator)
                            : QLatin1Char(',');
        const auto fields = splitLine(lines[i], *separator);
        if (!fields)
            return QStringLiteral("riga %1: virgolette aperte e non chiuse").arg(line);
        if (fields->join(QString()).trimmed().isEmpty())
            continue; // a spreadsheet's empty row: only separators
        const bool first = read.isEmpty() && columns.count == 0;
        if (first && !wholeNumber(fields->value(0))) {
            if (auto error = headerColumns(*fields, line, columns))
                return error;
            continue;
        }
        PlanRow row;
        if (auto error = rowOf(*fields, columns, line, row))
            return error;
        const QPair<int, int> key{row.unit.network.value_or(-1), row.unit.code};
        if (const int earlier = lineOfCode.value(key); earlier > 0)
            return QStringLiteral("riga %1: il codice %2 è già alla riga %3%4")
                .arg(line)
                .arg(row.unit.code)
                .arg(earlier)
                .arg(networkPart(row.unit.network));
        lineOfCode.insert(key, line);
        read << row;
    }
    if (read.isEmpty())
        return QStringLiteral("il piano non contiene righe con un codice");
    rows = read;
    return std::nullopt;
}

std::optional<QString> readPlan(const QString& path, QList<PlanRow>& rows, bool* unreadable) {
    bool ignored = false;
    if (!unreadable)
        unreadable = &ignored;
    *unreadable = true;
    const QString shown = quotedName(path);
    const FileFacts facts = factsOf(path);
    if (!facts.exists || !facts.isFile)
        return QStringLiteral("Impossibile leggere il piano %1: %2.")
            .arg(shown, facts.exists ? QStringLiteral("non è un file")
                                     : QStringLiteral("il file non esiste"));
    QFile in;
    if (!openFile(path, in, QIODevice::ReadOnly))
        return QStringLiteral("Impossibile leggere il piano %1: %2.").arg(shown, in.errorString());
    if (facts.size > kLargestPlan)
        return QStringLiteral("Il piano %1 è troppo grande per un elenco di periferiche.")
            .arg(shown);
    const QByteArray content = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return QStringLiteral("Impossibile leggere il piano %1: %2.").arg(shown, in.errorString());
    *unreadable = false;
    if (auto error = parsePlan(content, rows))
        return QStringLiteral("Piano %1, %2.").arg(shown, *error);
    return std::nullopt;
}

std::optional<QString> applyPlannedUnit(editor::EditorModel& model, const PlannedUnit& unit) {
    const QString protocol = model.control(Ctl::cmbProtocollo).currentText();
    if (unit.network) {
        const editor::ControlState& list = model.control(Ctl::cmbCodiceRete);
        if (!list.enabled)
            return QStringLiteral("La rete %1 non si può scegliere: il protocollo %2 non ha reti "
                                  "(solo Proteus-X ne ha).")
                .arg(registry::networkText(*unit.network), protocol);
        int position = -1;
        for (int i = 0; i < list.items.size() && position < 0; ++i) {
            if (wholeNumber(list.items[i].left(5)) == unit.network)
                position = i;
        }
        if (position < 0 || !model.choose(Ctl::cmbCodiceRete, position))
            return QStringLiteral("La rete %1 non è nell'elenco delle reti: aggiungerla nella "
                                  "finestra e ripetere.")
                .arg(registry::networkText(*unit.network));
    }

    // Typed over the whole text, key by key, as the box takes keys.
    const Ctl box = Ctl::txtCodicePeriferica;
    const QString caption = fieldCaption(u"txtCodicePeriferica");
    const QString code = QString::number(unit.code);
    int selected = static_cast<int>(model.control(box).text.size());
    QString typed;
    for (const QChar key : code) {
        if (!model.keyAccepted(box, selected, key.unicode()))
            return QStringLiteral("Il codice %1 non entra nel campo \"%2\".").arg(code, caption);
        typed += key;
        if (!model.edit(box, typed))
            return QStringLiteral("Il campo \"%1\" non è modificabile.").arg(caption);
        selected = 0;
    }
    model.leave(box);
    if (!model.writable())
        return QStringLiteral("Il codice %1 non è valido nel campo \"%2\": per il protocollo %3 "
                              "va da 1 a %4.")
            .arg(code, caption, protocol)
            .arg(maximumPeripheralCode(protocol.toUpper()));
    return std::nullopt;
}

UnitPlan::UnitPlan(CodeRange range, int protocol, int network)
    : kind_(Kind::Range), range_(range), protocol_(protocol), network_(network) {}

UnitPlan::UnitPlan(QList<PlanRow> rows) : kind_(Kind::Rows), rows_(std::move(rows)) {}

QString UnitPlan::rangeText() const {
    return QStringLiteral("%1-%2").arg(range_.first).arg(range_.last);
}

std::optional<QString> UnitPlan::freeCode(const QString& serial, registry::ProgrammingRegister* reg,
                                          bool reserve, std::optional<int>& code) const {
    QSet<int> inRun;
    for (auto it = given_.cbegin(); it != given_.cend(); ++it) {
        if (it.key() != serial)
            inRun.insert(it.value());
    }
    registry::RegisterError why;
    registry::UnitRegister* local = reg ? reg->local(&why) : nullptr;
    if (!local)
        return reg ? why.message : QStringLiteral("registro delle periferiche non disponibile");
    const auto error = reserve ? reg->reserveFreeCode(protocol_, network_, range_.first,
                                                      range_.last, inRun, serial, code)
                               : local->freeCode(protocol_, network_, range_.first, range_.last,
                                                 inRun, code, serial, reg->owner());
    if (error)
        return error->message;
    return std::nullopt;
}

std::optional<QString> UnitPlan::unitFor(const QString& serial, registry::ProgrammingRegister* reg,
                                         PlannedUnit& unit) const {
    if (kind_ == Kind::Rows) {
        // Rows are given in order: the next one is the first not given yet.
        const int index = given_.value(serial, nextRow());
        if (index >= rows_.size())
            return QStringLiteral("tutte le %1 righe del piano sono già state programmate")
                .arg(rows_.size());
        unit = rows_[index].unit;
        return std::nullopt;
    }
    if (kind_ == Kind::Range) {
        if (const auto again = given_.find(serial); again != given_.cend()) {
            unit = PlannedUnit{again.value(), std::nullopt, QString()};
            return std::nullopt;
        }
        std::optional<int> code;
        if (auto error = freeCode(serial, reg, true, code))
            return error;
        if (!code)
            return exhausted(reg);
        unit = PlannedUnit{*code, std::nullopt, QString()};
        return std::nullopt;
    }
    unit = PlannedUnit{};
    return std::nullopt;
}

void UnitPlan::taken(const QString& serial, const PlannedUnit& unit) {
    if (kind_ == Kind::Range) {
        given_.insert(serial, unit.code);
    } else if (kind_ == Kind::Rows && !given_.contains(serial) && nextRow() < rows_.size()) {
        given_.insert(serial, nextRow());
    }
}

void UnitPlan::skipped(const QString& serial) {
    if (kind_ != Kind::Rows || nextRow() >= rows_.size())
        return;
    if (const auto it = given_.constFind(serial); it != given_.cend() && *it < nextRow())
        return; // its own row, given earlier: nothing to skip
    ++skipped_;
}

std::optional<QString> UnitPlan::exhausted(registry::ProgrammingRegister* reg) const {
    if (kind_ == Kind::Rows) {
        if (nextRow() < rows_.size())
            return std::nullopt;
        return QStringLiteral("tutte le %1 righe del piano sono state programmate")
            .arg(rows_.size());
    }
    if (kind_ != Kind::Range)
        return std::nullopt;
    std::optional<int> code;
    if (auto error = freeCode(QString(), reg, false, code))
        return error;
    if (code)
        return std::nullopt;
    return QStringLiteral("nessun codice libero nell'intervallo %1 per il protocollo %2, rete %3: "
                          "ogni codice è già nel registro o è stato dato in questa sessione")
        .arg(rangeText(), registry::protocolName(protocol_), registry::networkText(network_));
}

} // namespace selvana::cli
