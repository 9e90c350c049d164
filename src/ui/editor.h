#pragma once

#include "core/editor/editor_listener.h"
#include "core/editor/editor_model.h"
#include "ui/editor_layout.h"

#include <QObject>

#include <optional>

namespace selvana {

class UserDialogs;

// The editor of frmMONO as a view of the editor model: its widgets are built from the model's
// controls, the installer's keys, edits, choices and clicks go to the model, and whatever the
// model changes is copied back to the widgets with their signals blocked, so no widget signal
// ever runs a rule. Focus and message boxes are the window's.
class Editor : public QObject, private editor::EditorListener {
    Q_OBJECT
public:
    Editor(SessionData& session, UserDialogs& dialogs, QWidget* editorArea,
           QObject* parent = nullptr);

    editor::EditorModel& model() { return model_; }
    const editor::EditorModel& model() const { return model_; }
    const EditorWidgets& widgets() const { return widgets_; }
    QWidget* widget(editor::Ctl id) const { return widgets_[id]; }
    template <typename Widget> Widget* widget(editor::Ctl id) const {
        return qobject_cast<Widget*>(widgets_[id]);
    }

    void fillCombos();
    // Shows the session's record, whatever was shown or edited before, as EditorModel::present.
    // Returns whether the configuration may be written; the code box has the focus when not.
    bool present();
    // An image just read from a peripheral, as EditorModel::presentRead.
    bool presentRead(const Image& image);
    // A configuration file into the editor, as EditorModel::importConfiguration.
    editor::ImportOutcome importConfiguration(const conf::ConfigFile& file);
    std::optional<FieldError> collect() { return model_.collect(); }

    // Gives the focus to a control when it can take it (shown, enabled, its frame uncovered).
    void focusOn(editor::Ctl id);

    // The list under the file buttons: what a write would change in the peripheral read, one
    // line per field, or why it would be refused; "Nessuna modifica"; nothing before a read.
    // Shown again after every action of the installer and every presentation.
    QStringList changesShown() const { return changesShown_; }
    static QString noChanges();

signals:
    // A rule decided whether "SAVE" is available.
    void saveDecision(bool enabled);
    void exportClicked();
    void importClicked();

private:
    void controlChanged(editor::Ctl id) override;
    void focusRequested(editor::Ctl id) override;
    void saveDecided(bool enabled) override { emit saveDecision(enabled); }
    void message(const QString& text) override;

    void connectWidgets();
    void showChanges();
    void mirror(editor::Ctl id);
    void mirrorAll();
    template <typename Show> auto presenting(Show show);

    // The installer's actions; a widget the model does not follow is put back as the model has it.
    void edited(editor::Ctl box);
    void chosen(editor::Ctl list, int position);
    void toggled(editor::Ctl control, bool checked);
    void left(editor::Ctl box);

    editor::EditorModel model_;
    UserDialogs& dialogs_;
    EditorWidgets widgets_;
    bool presenting_ = false; // the frames are out of sight while a configuration is shown
    QStringList changesShown_;
};

} // namespace selvana
