#include "console.h"

#include <cstdio>

namespace selvana::cli {

Console::Console() : out_(stdout), err_(stderr) {}

Console::Console(QString* out, QString* err) : out_(out), err_(err) {}

void Console::out(const QString& line) {
    out_ << line << '\n';
    out_.flush();
}

void Console::outRaw(const QString& text) {
    out_ << text;
    out_.flush();
}

void Console::err(const QString& line) {
    err_ << line << '\n';
    err_.flush();
}

} // namespace selvana::cli
