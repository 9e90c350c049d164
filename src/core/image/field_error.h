#pragma once

#include <QString>

namespace selvana {

// A value of the editor that cannot be converted or does not fit into the image. Names the
// control (its objectName) so the editor can give it the focus, and says what to do in Italian.
struct FieldError {
    QString control;
    QString label;
    QString message;

    static FieldError notANumber(const QString& control, const QString& label);
    static FieldError outOfRange(const QString& control, const QString& label);
    static FieldError noSelection(const QString& control, const QString& label);
    // The mains-failure transmission (control and label) is on, but every input the
    // peripheral has is conditioned, so none can report a mains failure.
    static FieldError everyInputConditioned(const QString& control, const QString& label);
};

} // namespace selvana
