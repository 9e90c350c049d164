#pragma once

#include "core/image/config_record.h"
#include "core/networks/network_list.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace selvana {

// What reading a unit back after its write showed.
enum class Verification {
    NotAsked,    // the write was not read back
    Verified,    // the unit holds, byte for byte, what was written
    Differs,     // it holds something else: the write is not to be trusted
    NotVerified, // no configuration came back within the answer wait: nothing is known
};

struct ReadBack {
    Verification outcome = Verification::NotAsked;
    QStringList differences; // change lines from what was written to what came back
};

// Compares the image written (its 64 bytes) with the one read back.
ReadBack compareReadBack(const Image& written, const Image& readBack,
                         const NetworkList* networks = nullptr);
ReadBack notVerified();

// The word kept in the register: "", "riuscita", "diversa", "non_verificata".
QString verificationKey(Verification v);
std::optional<Verification> verificationFromKey(const QString& key);
// "Verifica riuscita", "Verifica non riuscita: …", "Non verificata: …"; empty for NotAsked.
QString verificationText(const ReadBack& readBack);
// The same in a word or two, for lists: "riuscita", "diversa", "non verificata", "".
QString verificationWord(Verification v);
// The prompt after the peripheral's "A" when the write is to be read back.
QString readBackPrompt();

} // namespace selvana
