#pragma once

#include <QString>

namespace selvana {

// Why a file of the program (networks file, configuration file, backup) could not be read or
// written. The message is Italian and says what happened and what to do; the detail is the
// system's own words, for diagnosis.
struct FileError {
    enum class Operation { Read, Create, Write };
    Operation operation = Operation::Write;
    QString path; // native separators
    QString message;
    QString detail;
    // The message without the window's next step (which names the window's commands), for the
    // command line; empty where the message says nothing of the window.
    QString brief = {};
};

} // namespace selvana
