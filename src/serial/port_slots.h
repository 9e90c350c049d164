#pragma once

#include "serial/port_enumerator.h"

#include <QList>
#include <QString>

namespace selvana {

class SettingsStore;

// Port numbers 1..4 are the slots "Com 01:" to "Com 04:". Each stands for a device ("Device<n>"
// in section "CONFIG", else the default name); a slot assigned to a USB adapter also keeps the
// adapter's identity ("DeviceId<n>"), so that it follows the adapter when the system gives it
// another name after re-plugging.
QString slotName(int portNumber);

// What stays when an adapter is plugged again: vendor and product with the USB serial number,
// or with the USB position when it has none; the interface tells apart the ports of one
// multi-port adapter, which share a serial number. Empty for a port that is not a USB adapter
// or whose position is unknown: such a slot keeps its device name.
QString adapterIdentity(const DetectedPort& port);

struct SlotAssignment {
    QString device;
    QString identity; // empty: the slot goes by its device name only
    bool operator==(const SlotAssignment&) const = default;
};

// Where a slot's device is among the ports present.
struct SlotMatch {
    enum class State {
        Listed,    // its device is present (and is its adapter, when it has one)
        Moved,     // its adapter is present under another name, now `device`
        Missing,   // its adapter is not present, nor is its device
        Replaced,  // its adapter is not present; another adapter now has its device name
        Ambiguous, // several present adapters have its identity, none under its device name
        Unlisted,  // no adapter identity, and its device is not among the ports present
    };
    State state = State::Unlisted;
    QString device; // the device the slot stands for now
    int port = -1;  // index in the present list of the port under `device`, or -1
};

// `resolved` is the device with its links followed (a /dev/serial/by-id/ name gives the
// /dev/ttyUSB it points to); empty when it is the same.
SlotMatch matchSlot(const SlotAssignment& slot, const QList<DetectedPort>& present,
                    const QString& resolved = {});

// matchSlot with the links of the slot's device followed on this system.
SlotMatch locateSlot(const SlotAssignment& slot, const QList<DetectedPort>& present);

// The slot's device and what is known of it, for the port window and the command line
// ("/dev/ttyUSB1 — FT232R USB UART (FTDI) (era /dev/ttyUSB0)").
QString slotSummary(const SlotAssignment& slot, const SlotMatch& match,
                    const QList<DetectedPort>& present);

// Said when a slot followed its adapter to a new name.
QString movedNote(int portNumber, const SlotAssignment& before, const SlotMatch& match,
                  const QList<DetectedPort>& present);

// The stored assignment of a slot (its device as deviceForPort gives it) and its update.
SlotAssignment storedSlot(int portNumber, const SettingsStore& settings);
void storeSlot(int portNumber, const SlotAssignment& slot, SettingsStore& settings);

// The assignment a device gets when it is chosen for a slot: with the identity of the adapter
// present under that name, if any.
SlotAssignment assignmentFor(const QString& device, const QList<DetectedPort>& present);

// The slot matched against the ports present, links of its device followed. A slot whose
// adapter was found under another name is stored with that name at once.
SlotMatch followSlot(int portNumber, SettingsStore& settings, const QList<DetectedPort>& present);

} // namespace selvana
