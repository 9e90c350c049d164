#include "ui/editor.h"

#include "ui/colours.h"
#include "ui/entry_box.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace selvana {

using editor::Ctl;
using editor::Kind;

namespace {

QStringList itemsOf(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// A control's own "Enabled" flag, whatever its frame: the frames are disabled as a whole while a
// panel covers them.
bool ownEnabled(const QWidget* control) {
    return !control->testAttribute(Qt::WA_ForceDisabled);
}

bool canTakeFocus(const QWidget* control) {
    return control->isEnabled() && control->isVisibleTo(control->window());
}

} // namespace

Editor::Editor(SessionData& session, UserDialogs& dialogs, QWidget* editorArea, QObject* parent)
    : QObject(parent), model_(session), dialogs_(dialogs),
      widgets_(buildEditorWidgets(editorArea, model_)) {
    mirrorAll();
    model_.setListener(this);
    connectWidgets();
}

void Editor::connectWidgets() {
    for (const editor::ControlInfo& info : editor::controlInfos()) {
        const Ctl id = info.id;
        QWidget* w = widget(id);
        switch (info.kind) {
        case Kind::TextBox: {
            auto* box = static_cast<EntryBox*>(w);
            connect(box, &QLineEdit::textChanged, this, [this, id] { edited(id); });
            connect(box, &EntryBox::left, this, [this, id] { left(id); });
            break;
        }
        case Kind::List:
            connect(static_cast<QComboBox*>(w), &QComboBox::currentIndexChanged, this,
                    [this, id](int position) { chosen(id, position); });
            break;
        case Kind::CheckBox:
        case Kind::Option:
            connect(static_cast<QAbstractButton*>(w), &QAbstractButton::toggled, this,
                    [this, id](bool checked) { toggled(id, checked); });
            break;
        default:
            break;
        }
    }
    connect(widget<QPushButton>(Ctl::btnEsporta), &QPushButton::clicked, this,
            &Editor::exportClicked);
    connect(widget<QPushButton>(Ctl::btnImporta), &QPushButton::clicked, this,
            &Editor::importClicked);
}

// ---- the model's changes to the widgets ----

void Editor::mirror(Ctl id) {
    const editor::ControlState& s = model_.control(id);
    const Kind kind = editor::infoOf(id).kind;
    QWidget* w = widget(id);
    {
        const QSignalBlocker quiet(w);
        switch (kind) {
        case Kind::Label: {
            auto* label = static_cast<QLabel*>(w);
            if (label->text() != s.text)
                label->setText(s.text);
            break;
        }
        case Kind::TextBox: {
            auto* box = static_cast<QLineEdit*>(w);
            if (box->text() != s.text)
                box->setText(s.text);
            setForeColor(box, s.foreColour);
            break;
        }
        case Kind::List: {
            auto* list = static_cast<QComboBox*>(w);
            if (itemsOf(list) != s.items) {
                list->clear();
                list->addItems(s.items);
            }
            if (list->currentIndex() != s.position)
                list->setCurrentIndex(s.position);
            break;
        }
        case Kind::CheckBox: {
            auto* box = static_cast<QCheckBox*>(w);
            if (box->isChecked() != s.checked)
                box->setChecked(s.checked);
            break;
        }
        case Kind::Option: {
            // An exclusive group keeps its member checked: the model may leave none.
            auto* option = static_cast<QRadioButton*>(w);
            if (option->isChecked() != s.checked) {
                QButtonGroup* group = option->group();
                group->setExclusive(false);
                option->setChecked(s.checked);
                group->setExclusive(true);
            }
            break;
        }
        case Kind::Frame:
        case Kind::Button:
            break;
        }
    }
    // Hiding or disabling the box that has the focus makes it leave: that is heard.
    if (kind != Kind::Frame && ownEnabled(w) != s.enabled)
        w->setEnabled(s.enabled);
    if (w->isHidden() == s.visible)
        w->setVisible(s.visible);
}

void Editor::mirrorAll() {
    for (const editor::ControlInfo& info : editor::controlInfos())
        mirror(info.id);
}

void Editor::controlChanged(Ctl id) {
    if (!presenting_) // shown all at once when the presentation ends
        mirror(id);
}

void Editor::focusRequested(Ctl id) {
    if (!presenting_)
        focusOn(id);
}

void Editor::focusOn(Ctl id) {
    QWidget* w = widget(id);
    if (canTakeFocus(w))
        w->setFocus(Qt::OtherFocusReason);
}

void Editor::message(const QString& text) {
    dialogs_.message(text);
}

QString Editor::noChanges() {
    return QStringLiteral("Nessuna modifica");
}

// One collection and one comparison of 64 bytes: cheap enough for every key. The widget is
// touched only when its lines change.
void Editor::showChanges() {
    QStringList lines;
    bool refused = false;
    if (model_.session().peripheralRead) {
        const auto changes = model_.changesFromRead();
        if (const auto* error = std::get_if<FieldError>(&changes)) {
            lines << error->message;
            refused = true;
        } else {
            lines = std::get<QStringList>(changes);
            if (lines.isEmpty())
                lines << noChanges();
        }
    }
    if (lines == changesShown_)
        return;
    changesShown_ = lines;
    QListWidget* list = widgets_.changes;
    list->clear();
    list->addItems(lines);
    if (refused)
        list->item(0)->setForeground(colourFromBgr(kRed));
}

// ---- the installer's actions to the model ----

void Editor::edited(Ctl box) {
    model_.edit(box, widget<QLineEdit>(box)->text());
    mirror(box);
    showChanges();
}

void Editor::chosen(Ctl list, int position) {
    if (position != model_.control(list).position)
        model_.choose(list, position);
    mirror(list);
    showChanges();
}

void Editor::toggled(Ctl control, bool checked) {
    const editor::ControlInfo& info = editor::infoOf(control);
    if (info.kind == Kind::Option) {
        if (!checked) // the other side of selecting another member
            return;
        if (!model_.control(control).checked)
            model_.click(control);
        for (Ctl member : editor::membersOf(info.array))
            mirror(member);
        showChanges();
        return;
    }
    if (checked != model_.control(control).checked)
        model_.click(control);
    mirror(control);
    showChanges();
}

void Editor::left(Ctl box) {
    if (presenting_)
        return;
    model_.leave(box);
    showChanges();
}

// ---- the program ----

void Editor::fillCombos() {
    model_.fillCombos();
    showChanges();
}

// While the model presents, the frames are out of sight: showing and hiding controls one by one
// would lay the visible frames out again each time, and boxes that lose the focus on the way
// are not being left by the installer. The focus then goes back where it was, or to the code
// box when the code cannot be written.
template <typename Show> auto Editor::presenting(Show show) {
    QWidget* focused = QApplication::focusWidget();
    const bool framesShown = !widgets_.frames->isHidden();
    presenting_ = true;
    widgets_.frames->hide();
    const auto outcome = show();
    mirrorAll();
    if (framesShown)
        widgets_.frames->show();
    presenting_ = false;
    showChanges();
    QWidget* next = model_.writable() ? focused : widget(Ctl::txtCodicePeriferica);
    if (next && next->isVisible() && next->isEnabled())
        next->setFocus(Qt::OtherFocusReason);
    return outcome;
}

bool Editor::present() {
    return presenting([this] { return model_.present(); });
}

bool Editor::presentRead(const Image& image) {
    return presenting([&] { return model_.presentRead(image); });
}

editor::ImportOutcome Editor::importConfiguration(const conf::ConfigFile& file) {
    return presenting([&] { return model_.importConfiguration(file); });
}

} // namespace selvana
