#pragma once

#include "cli/unit_plan.h"
#include "core/files/config_file.h"
#include "core/image/config_record.h"
#include "core/networks/network_list.h"

#include <QString>

#include <optional>

namespace selvana::cli {

// The image to write to a peripheral from a configuration file, built exactly as the window
// builds it for "Importa" then "Programmazione" (run without a band letter): the editor model
// shows the configuration read from the peripheral (firmware as it announced itself, the
// window's networks list), imports the file and collects the editor. Returns the Italian reason
// when the window would not write it: the file's markers do not suit the peripheral (the
// window's warning), the peripheral code shown is not valid for the protocol shown, or a field
// cannot be collected (the window's message). Nothing is built then. A planned unit is applied
// after the import as the installer's own edits (applyPlannedUnit), and refused like them.
std::optional<QString> buildWriteImage(const Image& read, std::uint8_t firmwareM6,
                                       const NetworkList& networks, const conf::ConfigFile& file,
                                       Image& saveImage, const PlannedUnit* unit = nullptr);

// The same for any peripheral the file suits, before one is connected: what the window would do
// depends on the peripheral only through the marker checks and the serial number, so the file is
// tried on a peripheral of its own firmware and band. Returns the reason it cannot be written;
// else `built`, when given, gets the image.
std::optional<QString> checkWritable(const conf::ConfigFile& file, const NetworkList& networks,
                                     const PlannedUnit* unit = nullptr, Image* built = nullptr);

// The folder of the window program that goes with a command line in this folder: the same
// folder (installed, or copied together), or the window's folder of a build; empty when no
// window program is found.
QString windowProgramFolder(const QString& commandLineFolder);

// The networks list the window would show, read from its file without changing it: the window's
// "Reti.cfg" (beside the window program when that folder is writable, else in the per-user data
// folder). A file that cannot be read gives an empty list and a warning.
NetworkList windowNetworkList(const QString& commandLineFolder, QString* warning = nullptr);

} // namespace selvana::cli
