#pragma once

#include "core/fields/config_changes.h"
#include "core/fields/record_fields.h"
#include "core/image/config_record.h"
#include "core/networks/network_list.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace selvana::cli {

using ReportField = RecordField;

// What the checksum byte of a file can tell. It is the 8-bit sum of image bytes 1..63, and a
// file lacks bytes 1..4 (the serial number): any byte 64 is right for the serial numbers whose
// four bytes add up to `serialSum` (mod 256) and wrong for all others.
struct ChecksumVerdict {
    std::uint8_t stored = 0;    // image byte 64
    std::uint8_t sum5to63 = 0;  // 8-bit sum of image bytes 5..63
    std::uint8_t serialSum = 0; // what the serial number's bytes must add up to
    QString serialNumber;       // the one given to check with, if any
    std::optional<bool> matches;
    std::uint8_t expected = 0; // with a serial number: the right byte 64
};

// A configuration file decoded for showing.
struct ConfigurationReport {
    QString path;
    qint64 size = 0;
    char firmwareMarker = 0;
    char bandMarker = 0;
    std::uint8_t firmwareM6 = 0;
    std::uint8_t bandaUHF = 0; // by the marker
    Image image{};             // bytes 1..4 zero (or the serial number given)
    ConfigRecord record;       // decoded without a band letter
    QList<ReportField> fields;
    ChecksumVerdict checksum;
};

// Decodes the first 62 bytes; nothing when there are fewer. serialNumber: 8 hex digits or empty.
std::optional<ConfigurationReport> decodeConfiguration(const QString& path, const QByteArray& bytes,
                                                       const QString& serialNumber);

QString reportText(const ConfigurationReport& report);
QJsonObject reportJson(const ConfigurationReport& report);

// What changes from the configuration of one file to another's (diff): the markers that differ,
// then the changes as configurationChanges() names them; the checksum byte only when nothing
// else tells the files apart.
QList<ConfigChange> fileChanges(const ConfigurationReport& before, const ConfigurationReport& after,
                                const NetworkList* networks = nullptr);
// {"uguali": false, "modifiche": [{"campo", "prima", "dopo", "mostrato"}...]}
QJsonObject changesJson(const QList<ConfigChange>& changes);

} // namespace selvana::cli
