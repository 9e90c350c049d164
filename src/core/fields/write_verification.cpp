#include "core/fields/write_verification.h"

#include "core/fields/config_changes.h"

namespace selvana {

ReadBack compareReadBack(const Image& written, const Image& readBack, const NetworkList* networks) {
    ReadBack result;
    bool same = true;
    for (int i = 1; i <= 64; ++i)
        same = same && written[i] == readBack[i];
    result.outcome = same ? Verification::Verified : Verification::Differs;
    if (!same) {
        result.differences = changeLines(configurationChanges(written, readBack, networks));
        // Only the checksum byte differs: the lines name no field, the byte is named.
        if (result.differences.isEmpty())
            result.differences
                << QStringLiteral("Byte 64 (checksum): %1 → %2").arg(written[64]).arg(readBack[64]);
    }
    return result;
}

ReadBack notVerified() {
    return {Verification::NotVerified, {}};
}

QString verificationKey(Verification v) {
    switch (v) {
    case Verification::NotAsked:
        return {};
    case Verification::Verified:
        return QStringLiteral("riuscita");
    case Verification::Differs:
        return QStringLiteral("diversa");
    case Verification::NotVerified:
        return QStringLiteral("non_verificata");
    }
    return {};
}

std::optional<Verification> verificationFromKey(const QString& key) {
    for (auto v : {Verification::NotAsked, Verification::Verified, Verification::Differs,
                   Verification::NotVerified})
        if (verificationKey(v) == key)
            return v;
    return std::nullopt;
}

QString verificationWord(Verification v) {
    // The stored word, as people read it.
    return verificationKey(v).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString verificationText(const ReadBack& readBack) {
    switch (readBack.outcome) {
    case Verification::NotAsked:
        return {};
    case Verification::Verified:
        return QStringLiteral("Verifica riuscita");
    case Verification::Differs:
        return QStringLiteral(
                   "Verifica non riuscita: la periferica non contiene quanto scritto (%1). "
                   "Ripetere la programmazione.")
            .arg(readBack.differences.join(QStringLiteral("; ")));
    case Verification::NotVerified:
        return QStringLiteral(
            "Non verificata: la configurazione non è stata riletta entro l'attesa "
            "della risposta. La scrittura non è confermata.");
    }
    return {};
}

QString readBackPrompt() {
    return QStringLiteral("Verifica: premere di nuovo il tasto RESET per rileggere la "
                          "configurazione scritta");
}

} // namespace selvana
