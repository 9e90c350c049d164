#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace selvana {

// Message boxes, file dialogs and modal windows, behind one interface so tests can answer them.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // A plain message box with only an OK button and the application's title.
    virtual void message(const QString& text) = 0;
    // The chosen path, or an empty text when the installer cancelled.
    virtual QString saveFileName(const QString& filter, const QString& startPath) = 0;
    virtual QString openFileName(const QString& filter, const QString& startPath) = 0;
    virtual void runModal(QDialog& dialog) = 0;
    // A question answered "Sì" (true) or "No". One that is not answered counts as "No".
    virtual bool question(const QString& text) {
        static_cast<void>(text);
        return false;
    }
};

class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void message(const QString& text) override;
    QString saveFileName(const QString& filter, const QString& startPath) override;
    QString openFileName(const QString& filter, const QString& startPath) override;
    void runModal(QDialog& dialog) override;
    bool question(const QString& text) override;

private:
    QWidget* parent_;
};

} // namespace selvana
