#pragma once

#include "common/fake_link.h"
#include "common/recording_dialogs.h"
#include "common/sample_images.h"
#include "core/link/frame_codec.h"
#include "registry/programming_register.h"
#include "serial/settings_store.h"
#include "ui/colours.h"
#include "ui/editor.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace selvana::testing {

using editor::Ctl;

// The real main window, shown offscreen, with the editor uncovered; configurations are put in
// front of it the way a read does (decode, refill the lists, present).
struct EditorRig {
    QTemporaryDir programFolder;
    ProgramState state;
    FakeSerialLink link;
    SettingsStore settings;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;

    // networksFile: the content of Reti.cfg found at start, if any.
    explicit EditorRig(const QByteArray* networksFile = nullptr) {
        if (networksFile) {
            QFile file(programFolder.path() + QStringLiteral("/Reti.cfg"));
            file.open(QIODevice::WriteOnly);
            file.write(*networksFile);
        }
        window = std::make_unique<MainWindow>(state, link, settings, dialogs, programFolder.path());
        // A register of its own: units written by earlier tests are no duplicates here.
        window->useRegister(std::make_unique<registry::ProgrammingRegister>(
            programFolder.filePath(QStringLiteral("registro.sqlite")), std::nullopt));
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the window did not become active");
        window->hidePresentationPanel();
        window->hidePreparePanel();
    }

    Editor& editor() { return window->editor(); }
    // An editor control's widget: w<QLineEdit>(Ctl::txtTempoSirena).
    template <typename Widget = QWidget> Widget* w(editor::Ctl id) const {
        return window->editor().widget<Widget>(id);
    }
    bool saveEnabled() const { return window->command(QStringLiteral("SAVE"))->isEnabled(); }

    // A read of this image through the programming run: "LOAD", the announcement ("K" for
    // firmware M6, "W" before it), the frame. Returns whether "SAVE" is enabled afterwards.
    bool show(const Image& image, int firmwareM6 = 1) {
        ProgrammingRun& run = window->run();
        run.tlbMain_ButtonClick(Command::Load);
        link.incoming = firmwareM6 ? QByteArray("\nK\r") : QByteArray("\nW\r");
        run.tmrClock_Timer();
        link.incoming = readFrame(image);
        run.tmrClock_Timer();
        return saveEnabled();
    }

    // CopiaDatiSave; fails the test when a field stops it.
    Image written() {
        const auto error = window->editor().collect();
        if (error)
            qWarning("collection stopped at %s: %s", qPrintable(error->control),
                     qPrintable(error->message));
        return error ? Image{} : state.SaveImage;
    }

    // Types into a box as a person does: focus, select all, keys, then leave with Tab.
    void type(QLineEdit* box, const QString& keys, bool leave = true) {
        box->setFocus(Qt::MouseFocusReason);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, keys);
        if (leave)
            QTest::keyClick(box, Qt::Key_Tab);
    }

    static std::uint32_t colourOf(const QWidget* w) { return foreColor(w); }
};

// A copy of an image with some bytes replaced and the checksum fixed.
inline Image with(Image image, std::initializer_list<std::pair<int, int>> bytes) {
    for (const auto& [k, v] : bytes)
        image[k] = static_cast<std::uint8_t>(v);
    image[64] = CalcolaCKSSave(image);
    return image;
}

} // namespace selvana::testing
