#include "core/link/serial_link.h"

namespace selvana {

PortError lostPortError(const QString& device) {
    return {PortError::Kind::Lost, device,
            QStringLiteral("Collegamento interrotto: la porta %1 non risponde più (cavo o "
                           "adattatore scollegato?). Ricollegare l'apparato e ripetere la "
                           "lettura.")
                .arg(device)};
}

} // namespace selvana
