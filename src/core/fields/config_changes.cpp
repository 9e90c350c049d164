#include "core/fields/config_changes.h"

#include "core/fields/number_text.h"
#include "core/fields/record_fields.h"
#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"
#include "core/networks/ansi_codec.h"
#include "core/options/option_lists.h"

#include <QSet>

namespace selvana {

namespace {

QList<RecordField> fieldsOf(const Image& image) {
    ConfigRecord record;
    Analyze2(image, QString(), record);
    return recordFields(record, image);
}

QString labelOf(const RecordField& f) {
    QString label =
        f.label.isEmpty() ? f.name + QStringLiteral(" (non mostrato dall'editor)") : f.label;
    // A caption written before its box ("Ingressi condizionati:") is followed by ": " anyway.
    if (label.endsWith(QLatin1Char(':')))
        label.chop(1);
    // Most captions name their unit already: "Tempo Sirena (s)", "Cadenza (ore)".
    if (f.unit.isEmpty() || label.endsWith(QLatin1Char(')')))
        return label;
    return QStringLiteral("%1 (%2)").arg(label, f.unit);
}

// The network as the list names it: "00012 Nord".
QString networkText(const RecordField& f, const NetworkList* networks) {
    if (!networks)
        return f.text;
    const int code = f.value.toInt();
    for (int k = 1; k <= kNetworkCount; ++k) {
        const QByteArray& entry = (*networks)[k];
        if (isListedNetwork(entry) && networkIdOf(entry).toInt() == code) {
            const QString name = ansi::toUnicode(GetNomeRete(entry)).trimmed();
            return name.isEmpty() ? f.text : f.text + QLatin1Char(' ') + name;
        }
    }
    return f.text;
}

// The fields whose shown value a change of one bit of `image` moves.
QSet<QString> fieldsMovedBy(const Image& image, const QList<RecordField>& shown, int byte,
                            int bit) {
    Image flipped = image;
    flipped[byte] = static_cast<std::uint8_t>(flipped[byte] ^ (1u << bit));
    const QList<RecordField> moved = fieldsOf(flipped);
    QSet<QString> names;
    for (int i = 0; i < shown.size() && i < moved.size(); ++i)
        if (shown[i].text != moved[i].text)
            names.insert(shown[i].name);
    return names;
}

} // namespace

QList<ConfigChange> configurationChanges(const Image& before, const Image& after,
                                         const NetworkList* networks) {
    const QList<RecordField> was = fieldsOf(before);
    const QList<RecordField> is = fieldsOf(after);
    QList<ConfigChange> changes;
    QSet<QString> changed;
    for (int i = 0; i < was.size() && i < is.size(); ++i) {
        const bool network = was[i].name == QLatin1String("CodiceRete");
        const QString a = network ? networkText(was[i], networks) : was[i].text;
        const QString b = network ? networkText(is[i], networks) : is[i].text;
        if (a == b)
            continue;
        changed.insert(was[i].name);
        changes.append({labelOf(was[i]), a, b, !was[i].label.isEmpty()});
    }
    // Bits that moved without a field that shows them moving: named by their byte.
    for (int k = map::kFlags; k < map::kChecksum; ++k) {
        const std::uint8_t diff = before[k] ^ after[k];
        bool hidden = false;
        for (int bit = 0; bit < 8 && !hidden; ++bit) {
            if (!(diff & (1u << bit)))
                continue;
            const QSet<QString> owners = fieldsMovedBy(before, was, k, bit);
            hidden = !owners.intersects(changed);
        }
        if (hidden)
            changes.append({QStringLiteral("Byte %1 (non mostrato dall'editor)").arg(k),
                            QStringLiteral("0x") + byteHex(before[k]),
                            QStringLiteral("0x") + byteHex(after[k]), false});
    }
    return changes;
}

QString changeLine(const ConfigChange& change) {
    return QStringLiteral("%1: %2 → %3").arg(change.label, change.before, change.after);
}

QStringList changeLines(const QList<ConfigChange>& changes) {
    QStringList lines;
    for (const ConfigChange& c : changes)
        lines << changeLine(c);
    return lines;
}

} // namespace selvana
