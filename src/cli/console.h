#pragma once

#include <QString>
#include <QTextStream>

namespace selvana::cli {

// Results go to the standard output, prompts, progress and errors to the standard error, each
// line flushed at once so an installer (or a pipe) sees it when it happens.
class Console {
public:
    Console();
    // Into texts instead, for tests.
    Console(QString* out, QString* err);
    void out(const QString& line);
    void err(const QString& line);
    void outRaw(const QString& text); // no newline added

private:
    QTextStream out_;
    QTextStream err_;
};

} // namespace selvana::cli
