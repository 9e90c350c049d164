#include "ports_command.h"

#include "cli/console.h"
#include "cli/exit_status.h"
#include "core/session/program_state.h"
#include "core/texts/shared_texts.h"
#include "serial/settings_store.h"

#include <QStringList>

namespace selvana::cli {

QString portsReport(const QList<DetectedPort>& present, const QList<SlotAssignment>& assigned,
                    const QList<SlotMatch>& matches, int chosen) {
    QStringList lines;
    if (present.isEmpty()) {
        lines << texts::sentence(texts::noAdapterPlugged());
    } else {
        lines << texts::detectedPortsCaption();
        for (int i = 0; i < present.size(); ++i) {
            QStringList usedBy;
            for (int slot = 0; slot < matches.size(); ++slot) {
                const SlotMatch& match = matches[slot];
                if (match.port == i && (match.state == SlotMatch::State::Listed ||
                                        match.state == SlotMatch::State::Moved))
                    usedBy << slotName(slot + 1);
            }
            QString line = QStringLiteral("  ") + describePort(present[i]);
            if (!usedBy.isEmpty())
                line += QStringLiteral("  → ") + usedBy.join(QStringLiteral(", "));
            lines << line;
        }
    }
    lines << QStringLiteral("Porte della finestra (\"Impostazioni\"):");
    for (int slot = 0; slot < assigned.size() && slot < matches.size(); ++slot) {
        QString line = QStringLiteral("  %1 %2").arg(
            slotName(slot + 1), slotSummary(assigned[slot], matches[slot], present));
        if (chosen == slot + 1)
            line += QStringLiteral("  ← porta scelta");
        lines << line;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

int listPorts(Console& console, const PortEnumerator& ports, const SettingsStore& settings) {
    const QList<DetectedPort> present = ports.ports();
    QList<SlotAssignment> assigned;
    QList<SlotMatch> matches;
    for (int port = 1; port <= kPortCount; ++port) {
        assigned << storedSlot(port, settings);
        matches << locateSlot(assigned.last(), present);
    }
    console.outRaw(portsReport(present, assigned, matches, settings.storedPortNumber()));
    return kOk;
}

} // namespace selvana::cli
