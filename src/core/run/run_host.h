#pragma once

#include "core/fields/write_verification.h"
#include "core/image/config_record.h"
#include "core/image/field_error.h"
#include "core/link/serial_link.h"
#include "core/link/write_outcome.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace selvana {

// The toolbar's commands, left to right.
enum class Command { Config, Load, Save, Reti, End };

// What the toolbar offers in each state of the run.
enum class Toolbar {
    NoPort,  // idle, no port chosen yet: "Impostazioni" and "Fine lavoro"
    Idle,    // idle with a port: also "Lettura Configurazione" and "Gestione Reti"
    OnlyEnd, // awaiting the peripheral or its answer, or in the networks list
    Editing, // a configuration shown: "Programmazione" as the editor and the read allow
    Written, // the peripheral took the write: another read, the networks, the end
};

// What the programming run asks of the window it drives. The main window implements it; tests
// and the fuzzer use stand-ins.
class RunHost {
public:
    virtual ~RunHost() = default;

    virtual void setCommandEnabled(Command command, bool enabled) = 0;

    // lblPrepare on the link panel; colours are 0x00BBGGRR numbers.
    virtual void setPrompt(const QString& caption) = 0;
    virtual std::uint32_t promptColour() const = 0;
    virtual void setPromptColour(std::uint32_t bgr) = 0;

    // The three panels over the editor.
    virtual void showPreparePanel() = 0;
    virtual void hidePreparePanel() = 0;
    virtual void showPresentationPanel() = 0;
    virtual void hidePresentationPanel() = 0;
    virtual void showNetworksPanel() = 0;
    virtual void hideNetworksPanel() = 0;

    // Networks list: ScriviReti, GetReti, and LoadReti with LoadingReti around it.
    virtual void writeNetworks() = 0;
    virtual void takeNetworksFromGrid() = 0;
    virtual void reloadNetworks() = 0;

    // The editor: FillCombos; DisplayData and the feature checks (returns whether the shown
    // configuration may be written), of the session's record or of an image just read;
    // CopiaDatiSave, or the field that stops it.
    virtual void fillCombos() = 0;
    virtual bool presentConfiguration() = 0;
    virtual bool presentRead(const Image& image) = 0;
    virtual std::optional<FieldError> collectConfiguration() = 0;
    virtual void reportFieldError(const FieldError& error) = 0;

    virtual void runPortWindow() = 0;
    virtual QString deviceForPort(int portNumber) = 0;
    // The device of the port is absent. The host may offer another one in its place, asking the
    // installer, and return it; otherwise it may add to the reason, which the prompt then shows.
    virtual std::optional<QString> deviceInsteadOfAbsent(PortError& error) {
        static_cast<void>(error);
        return std::nullopt;
    }
    virtual void endProgram() = 0;

    // Called with the collected configuration just before it is sent; false sends nothing and
    // leaves the run as it was before "Programmazione".
    virtual bool approveWrite() { return true; }
    // After approveWrite() said yes, the write did not go out after all (the copy could not
    // be kept, the port went away): what the approval set aside is let go.
    virtual void writeNotSent() {}
    // A write went out and ended so, after the prompt says it. After "no answer" a late answer
    // comes as a second call with the real outcome.
    virtual void writeEnded(WriteOutcome outcome) { static_cast<void>(outcome); }
    // A write the peripheral took was read back, after its writeEnded(Written): what the unit
    // held (NotVerified when nothing came back within the answer wait, or the read-back was
    // left).
    virtual void writeVerified(const ReadBack& readBack) { static_cast<void>(readBack); }
};

} // namespace selvana
