#include "ui/user_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace selvana {

void QtUserDialogs::message(const QString& text) {
    QMessageBox::information(parent_, QApplication::applicationDisplayName(), text,
                             QMessageBox::Ok);
}

QString QtUserDialogs::saveFileName(const QString& filter, const QString& startPath) {
    return QFileDialog::getSaveFileName(parent_, QString(), startPath, filter);
}

QString QtUserDialogs::openFileName(const QString& filter, const QString& startPath) {
    return QFileDialog::getOpenFileName(parent_, QString(), startPath, filter);
}

void QtUserDialogs::runModal(QDialog& dialog) {
    dialog.exec();
}

bool QtUserDialogs::question(const QString& text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent_);
    QPushButton* yes = box.addButton(QStringLiteral("Sì"), QMessageBox::YesRole);
    box.setDefaultButton(box.addButton(QStringLiteral("No"), QMessageBox::NoRole));
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace selvana
