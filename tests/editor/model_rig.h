#pragma once

#include "common/sample_images.h"
#include "core/editor/editor_listener.h"
#include "core/editor/editor_model.h"

#include <QLocale>
#include <QStringList>
#include <QTest>

#include <optional>

namespace selvana::testing {

using editor::Ctl;

// The editor model on a session of its own, with a stand-in for the window around it: it
// records what the model asks for, holds the focus as a window does (a request moves it at
// once, and the box it leaves on the way is left), and types into boxes the way a line edit
// does, applying only the keys the model takes.
struct ModelRig : editor::EditorListener {
    SessionData session;
    editor::EditorModel model{session};
    QStringList messages;
    QList<bool> saveDecisions;
    std::optional<Ctl> focus;
    int focusChanges = 0;
    bool bounced = false;
    QString clipboard;

    ModelRig() { model.setListener(this); }

    // A read: the lists rebuilt, the peripheral's announcement, its configuration presented.
    // Returns whether it may be written.
    bool read(const Image& image, int firmwareM6 = 1) {
        session.FirmwareM6 = static_cast<std::uint8_t>(firmwareM6);
        model.fillCombos();
        return model.presentRead(image);
    }

    // CopiaDatiSave; an empty image (and a warning) when a field stops it.
    Image written() {
        const auto error = model.collect();
        if (error)
            qWarning("collection stopped at %s: %s", qPrintable(error->control),
                     qPrintable(error->message));
        return error ? Image{} : session.SaveImage;
    }

    const editor::ControlState& operator[](Ctl id) const { return model.control(id); }
    QString text(Ctl id) const { return model.control(id).text; }
    bool checked(Ctl id) const { return model.control(id).checked; }
    bool enabled(Ctl id) const { return model.control(id).enabled; }
    bool visible(Ctl id) const { return model.control(id).visible; }
    int position(Ctl id) const { return model.control(id).position; }
    QString current(Ctl list) const { return model.control(list).currentText(); }
    std::uint32_t colour(Ctl id) const { return model.control(id).foreColour; }

    // The members of an array that are enabled ("1456") and the one selected (0: none).
    QString enabledMembers(editor::Array array) const {
        QString s;
        for (Ctl id : editor::membersOf(array))
            if (enabled(id))
                s += QString::number(editor::infoOf(id).member);
        return s;
    }
    int selectedMember(editor::Array array) const {
        for (Ctl id : editor::membersOf(array))
            if (checked(id))
                return editor::infoOf(id).member;
        return 0;
    }

    // The installer picks a list item by its text; false when the list does not take it.
    bool choose(Ctl list, const QString& item) {
        const int position = static_cast<int>(model.control(list).items.indexOf(item));
        return position >= 0 && act([&] { return model.choose(list, position); }, list);
    }
    // The installer clicks a check box or an option.
    bool click(Ctl control) {
        return act([&] { return model.click(control); }, control);
    }

    // The focus moves to a control (or away from the editor), leaving the box that had it.
    void focusOn(std::optional<Ctl> to) {
        const std::optional<Ctl> from = focus;
        if (from == to)
            return;
        focus = to;
        ++focusChanges;
        if (from)
            model.leave(*from);
    }

    // Types into a box as a person does: focus, select all, erase, keys; then leaves it.
    void type(Ctl box, const QString& keys, bool leave = true) {
        focusOn(box);
        press(box, QStringLiteral("SelectAll Backspace ") + keys);
        if (leave)
            focusOn(std::nullopt);
    }

    // Keys as an installer presses them into a box, starting with the caret at the end. Words
    // name keys ("Home", "End", "Left", "Right", "ShiftLeft", "SelectAll", "Backspace",
    // "Delete", "Cut", "Paste", "Return", "Enter", "Escape"); anything else is typed as
    // characters. Returns the caret position.
    int press(Ctl box, const QString& script) {
        QString text = model.control(box).text;
        int caret = static_cast<int>(text.size());
        int anchor = caret;
        const auto selection = [&] { return std::pair{qMin(caret, anchor), qMax(caret, anchor)}; };
        const auto replace = [&](const QString& with) {
            const auto [from, to] = selection();
            text = text.left(from) + with + text.mid(to);
            caret = anchor = from + static_cast<int>(with.size());
            model.edit(box, text);
            if (model.control(box).text != text) { // a rule rewrote it
                text = model.control(box).text;
                caret = anchor = static_cast<int>(text.size());
            }
        };
        for (const QString& word : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const auto [from, to] = selection();
            if (word == QLatin1String("Home")) {
                caret = anchor = 0;
            } else if (word == QLatin1String("End")) {
                caret = anchor = static_cast<int>(text.size());
            } else if (word == QLatin1String("Left")) {
                caret = anchor = from == to ? qMax(0, caret - 1) : from;
            } else if (word == QLatin1String("Right")) {
                caret = anchor = from == to ? qMin(int(text.size()), caret + 1) : to;
            } else if (word == QLatin1String("ShiftLeft")) {
                caret = qMax(0, caret - 1);
            } else if (word == QLatin1String("SelectAll")) {
                anchor = 0;
                caret = static_cast<int>(text.size());
            } else if (word == QLatin1String("Backspace")) {
                if (model.keyAccepted(box, to - from, 8)) {
                    if (from == to && caret > 0)
                        anchor = caret - 1;
                    replace(QString());
                }
            } else if (word == QLatin1String("Delete")) {
                if (from == to && caret < text.size())
                    anchor = caret + 1;
                replace(QString());
            } else if (word == QLatin1String("Cut")) {
                clipboard = text.mid(from, to - from);
                replace(QString());
            } else if (word == QLatin1String("Paste")) {
                replace(clipboard);
            } else if (word == QLatin1String("Return") || word == QLatin1String("Enter") ||
                       word == QLatin1String("Escape")) {
                // keys that type no character: never judged, no text
            } else {
                for (const QChar ch : word) {
                    const auto [a, b] = selection();
                    const int code = ch.unicode() < 256 ? ch.unicode() : '?';
                    if (model.keyAccepted(box, b - a, code))
                        replace(QString(ch));
                }
            }
        }
        return caret;
    }

    // ---- what the model tells the window ----

    void focusRequested(Ctl id) override {
        if (requestDepth_ > 8) {
            bounced = true;
            return;
        }
        ++requestDepth_;
        focusOn(id);
        --requestDepth_;
    }
    void saveDecided(bool enabled) override { saveDecisions << enabled; }
    void message(const QString& text) override { messages << text; }

private:
    // An action on a control takes the focus there first; a control the action hid or
    // disabled loses it again, as a window moves the focus off such a control.
    template <typename Action> bool act(Action action, Ctl control) {
        if (!enabled(control) || !visible(control))
            return false;
        focusOn(control);
        const bool done = action();
        if (focus && (!enabled(*focus) || !visible(*focus)))
            focusOn(std::nullopt);
        return done;
    }

    int requestDepth_ = 0;
};

// A copy of an image with some bytes replaced and the checksum fixed.
inline Image with(Image image, std::initializer_list<std::pair<int, int>> bytes) {
    for (const auto& [k, v] : bytes)
        image[k] = static_cast<std::uint8_t>(v);
    image[64] = CalcolaCKSSave(image);
    return image;
}

inline const QLocale kItalian(QLocale::Italian, QLocale::Italy);
inline const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// A decimal written with a comma, in the separator of the current locale.
inline QString local(QString text) {
    return text.replace(QLatin1Char(','), QLocale().decimalPoint());
}

} // namespace selvana::testing
