#pragma once

#include "core/image/field_error.h"
#include "core/session/session_data.h"

#include <QObject>
#include <QString>

#include <functional>

namespace selvana {

class Editor;
class UserDialogs;

// The buttons "Esporta" and "Importa" of Frame11: a configuration to and from a file.
class ConfigFileCommands : public QObject {
    Q_OBJECT
public:
    // reportFieldError shows a collection failure and gives its control the focus.
    ConfigFileCommands(Editor& editor, SessionData& session, UserDialogs& dialogs,
                       std::function<void(const FieldError&)> reportFieldError,
                       QObject* parent = nullptr);

    // The path chosen last in either dialog; both start from it.
    const QString& fileName() const { return fileName_; }

public slots:
    void btnEsporta_Click();
    void btnImporta_Click();

private:
    Editor& editor_;
    SessionData& session_;
    UserDialogs& dialogs_;
    std::function<void(const FieldError&)> reportFieldError_;
    QString fileName_;
};

} // namespace selvana
