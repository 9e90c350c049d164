#pragma once

#include "core/files/config_file_io.h"
#include "core/image/config_record.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace selvana {

// Copies of what peripherals held before anything was written to them, one configuration file
// each, named after the serial number and the time: 1234ABCD_20261208-143005.con. A backup is
// never overwritten; a second one in the same second is 1234ABCD_20261208-143005_2.con.
class BackupStore {
public:
    using Error = conf::FileError;

    // Where backups go unless told otherwise: "backup" in the per-user data folder of the
    // application ("SelvanaM"), the same for the window and the command line.
    static QString defaultFolder();

    explicit BackupStore(QString folder = defaultFolder());

    const QString& folder() const { return folder_; }

    // Keeps the image as read from a peripheral: the markers of its announcement (firmwareM6)
    // and of its decoded band, then bytes 5..64 unchanged. On success `path` gets the file
    // written. On failure nothing is left behind and the message says why, in Italian; the
    // caller must not write to the peripheral then.
    [[nodiscard]] std::optional<Error> save(const Image& image, std::uint8_t firmwareM6,
                                            std::uint8_t bandaUHF, const QString& serialNumber,
                                            const QDateTime& when, QString* path = nullptr) const;

    // The file name of the n-th backup (n from 1) of a serial number taken at a time.
    static QString fileName(const QString& serialNumber, const QDateTime& when, int n = 1);

private:
    QString folder_;
};

} // namespace selvana
