#pragma once

#include "core/files/file_error.h"
#include "core/networks/network_list.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace selvana {

inline constexpr char kNetworksFileName[] = "Reti.cfg";

// What a new or empty networks file is filled with, on every one of its 100 lines.
inline constexpr char kDefaultNetworkEntry[] = "00000Rete non assegnata";

// A file-system failure while loading or writing the networks file; the caller shows its
// message and the program goes on.
using NetworksFileError = FileError;

QString networksFilePath(const QString& folder);

// Loads "Reti.cfg" of the folder: line i into entry i unchanged (lines end at CR LF, LF or CR),
// entries after the last line keep what they held, lines after line 100 go to beyondLast. A
// missing or empty file is first written with the default content. On error the list is left
// exactly as it was.
[[nodiscard]] std::optional<NetworksFileError> LoadReti(const QString& folder, NetworkList& list);

// The same without touching the file: a missing or empty file gives the list LoadReti would write.
// For a program that only reads the list the window keeps.
[[nodiscard]] std::optional<NetworksFileError> readNetworkList(const QString& folder,
                                                               NetworkList& list);

// Replaces "Reti.cfg" of the folder with entries 1..100 and then beyondLast, CR LF after every
// line. The replacement is atomic: on any error the old file stays whole.
[[nodiscard]] std::optional<NetworksFileError> ScriviReti(const QString& folder,
                                                          const NetworkList& list);

// The entry a grid row makes: the last five characters of "00000" followed by the ID text,
// then the description.
QByteArray GetRetiEntry(QByteArrayView idText, QByteArrayView description);

// The file's bytes and back; exposed for tests and for callers that keep their own copy.
NetworkList defaultNetworkList();
QByteArrayList splitNetworkLines(QByteArrayView content);
QByteArray networksFileContent(const NetworkList& list);

} // namespace selvana
