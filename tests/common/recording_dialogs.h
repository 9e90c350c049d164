#pragma once

#include "ui/user_dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace selvana::testing {

// Dialogs that never block: messages are recorded, file dialogs return the path the test chose
// (an empty one is a cancel), and modal windows are handed to the test instead of being run.
class RecordingDialogs : public UserDialogs {
public:
    struct FileRequest {
        QString filter;
        QString startPath;
    };

    void message(const QString& text) override { messages << text; }
    QString saveFileName(const QString& filter, const QString& startPath) override {
        saveRequests.append({filter, startPath});
        return savePath;
    }
    QString openFileName(const QString& filter, const QString& startPath) override {
        openRequests.append({filter, startPath});
        return openPath;
    }
    void runModal(QDialog& dialog) override {
        ++modalRuns;
        if (onModal)
            onModal(dialog);
    }

    bool question(const QString& text) override {
        questions << text;
        if (onQuestion)
            onQuestion(text);
        return answer;
    }

    QString savePath; // what the save dialog returns
    QString openPath; // what the open dialog returns
    QStringList messages;
    QList<FileRequest> saveRequests;
    QList<FileRequest> openRequests;
    int modalRuns = 0;
    std::function<void(QDialog&)> onModal;
    QStringList questions;
    bool answer = false; // what every question gets
    std::function<void(const QString&)> onQuestion;
};

} // namespace selvana::testing
