#pragma once

namespace selvana::cli {

// The program's exit statuses, one per kind of failure; documented in the help text and README.
enum ExitStatus : int {
    kOk = 0,
    kUsage = 1,             // wrong command line
    kFileError = 2,         // a file could not be read or written (configuration, log)
    kPortError = 3,         // the port could not be opened, or the device went away
    kNoPeripheral = 4,      // no peripheral announced itself within the time limit
    kNotSuitable = 5,       // the file's markers do not match the peripheral
    kInvalid = 6,           // a value of the file does not fit the peripheral: nothing sent
    kRefused = 7,           // the peripheral answered "N"
    kNoAnswer = 8,          // no answer to the write: the outcome is unknown
    kBackupFailed = 9,      // the backup could not be saved: nothing written
    kInterrupted = 10,      // stopped by the installer before the work was done
    kSomeNotWritten = 11,   // program: at least one peripheral was not programmed (or verified)
    kWrongChecksum = 12,    // decode --serial: the checksum is wrong for that serial number
    kDuplicate = 13,        // another unit of the register has the code: nothing sent (--forza)
    kRegisterSettings = 14, // the shared register refuses this computer's settings: the records
                            // wait on this computer until the setting is corrected
    kDifferent = 15,        // diff: the two files hold different configurations
    kVerifyMismatch = 16,   // --verifica: the unit read back holds something else than written
    kNotVerified = 17       // --verifica: nothing came back within the answer wait
};

} // namespace selvana::cli
