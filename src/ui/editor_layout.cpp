#include "ui/editor_layout.h"

#include "core/editor/editor_model.h"
#include "core/fields/field_table.h"
#include "ui/entry_box.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <span>

namespace selvana {

using editor::Array;
using editor::Ctl;

namespace {

// What a cell of a frame holds.
enum class Part {
    Control, // the control itself
    Value,   // a label that shows a value: bold, on a panel
    Caption, // the caption of a field: a label named "lblCap" and the field's name unprefixed
    Members, // the members of an array side by side
};

struct Cell {
    Part part;
    const char* name = ""; // a control, or the field a caption belongs to
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    Qt::Alignment alignment = {};
    int width = 0;                 // text box: the most pixels it takes
    int characters = 0;            // list: the fewest characters it makes room for
    Array array = Array::None;     // Members
    int spacing = -1;              // Members: between them; -1 the style's
    const char* leading = nullptr; // Members: the caption of this field in front of them
    bool keepRoom = false;         // hidden, the control keeps its room
    const char* toolTip = nullptr;
};

struct FrameLayout {
    Ctl frame;
    std::span<const Cell> cells;
    int stretchColumn = -1; // -1: one column, top to bottom
    bool changes = false;   // the list of changes follows the cells
};

constexpr Qt::Alignment kLeft = Qt::AlignLeft;
constexpr Qt::Alignment kRight = Qt::AlignRight;

const Cell kGeneral[] = {
    {.part = Part::Caption, .name = "lblSerialNumber", .row = 0, .column = 0},
    {.part = Part::Value, .name = "lblSerialNumber", .row = 0, .column = 1, .columnSpan = 3},
    {.part = Part::Control,
     .name = "txtSerialNumber",
     .row = 0,
     .column = 1,
     .columnSpan = 3,
     .width = 110},
    {.part = Part::Caption, .name = "txtCodicePeriferica", .row = 1, .column = 0},
    {.part = Part::Control,
     .name = "txtCodicePeriferica",
     .row = 1,
     .column = 1,
     .columnSpan = 3,
     .width = 72},
    {.part = Part::Caption, .name = "cmbProtocollo", .row = 2, .column = 0},
    {.part = Part::Control, .name = "cmbProtocollo", .row = 2, .column = 1, .columnSpan = 3},
    {.part = Part::Caption, .name = "cmbCodiceRete", .row = 3, .column = 0},
    {.part = Part::Control,
     .name = "cmbCodiceRete",
     .row = 3,
     .column = 1,
     .columnSpan = 3,
     .characters = 18},
    {.part = Part::Caption, .name = "optNumIngressi", .row = 4, .column = 0},
    {.part = Part::Members,
     .row = 4,
     .column = 1,
     .columnSpan = 3,
     .array = Array::NumIngressi,
     .spacing = 4},
    {.part = Part::Members, .row = 5, .column = 0, .columnSpan = 4, .array = Array::Invio},
    {.part = Part::Control,
     .name = "chkRimappaturaIngressiSicep",
     .row = 6,
     .column = 0,
     .columnSpan = 4},
    {.part = Part::Caption, .name = "txtOffsetSicep1", .row = 7, .column = 0},
    {.part = Part::Control, .name = "txtOffsetSicep1", .row = 7, .column = 1, .width = 48},
    {.part = Part::Caption,
     .name = "txtOffsetSicepHex01",
     .row = 7,
     .column = 2,
     .alignment = kRight},
    {.part = Part::Control, .name = "txtOffsetSicepHex01", .row = 7, .column = 3, .width = 40},
    {.part = Part::Caption, .name = "txtOffsetSicep2", .row = 8, .column = 0},
    {.part = Part::Control, .name = "txtOffsetSicep2", .row = 8, .column = 1, .width = 48},
    {.part = Part::Caption,
     .name = "txtOffsetSicepHex02",
     .row = 8,
     .column = 2,
     .alignment = kRight},
    {.part = Part::Control, .name = "txtOffsetSicepHex02", .row = 8, .column = 3, .width = 40},
};

const Cell kRadio[] = {
    {.part = Part::Caption, .name = "txtFrequenzaTX", .row = 0, .column = 0},
    {.part = Part::Control, .name = "txtFrequenzaTX", .row = 0, .column = 1, .width = 96},
    {.part = Part::Caption, .name = "lblVHFUHV", .row = 1, .column = 0},
    {.part = Part::Value, .name = "lblVHFUHV", .row = 1, .column = 1, .alignment = kLeft},
    {.part = Part::Caption, .name = "optPotenzaRF", .row = 2, .column = 0},
    {.part = Part::Members, .row = 2, .column = 1, .array = Array::PotenzaRF, .spacing = 4},
    {.part = Part::Caption, .name = "cmbTonoSubAudio", .row = 3, .column = 0},
    {.part = Part::Control, .name = "cmbTonoSubAudio", .row = 3, .column = 1, .alignment = kLeft},
    {.part = Part::Caption, .name = "txtTempoAggancio", .row = 4, .column = 0},
    {.part = Part::Control, .name = "txtTempoAggancio", .row = 4, .column = 1, .width = 72},
    {.part = Part::Caption, .name = "lblToni", .row = 5, .column = 0},
    {.part = Part::Value, .name = "lblToni", .row = 5, .column = 1, .alignment = kLeft},
};

const Cell kOperation[] = {
    {.part = Part::Control, .name = "chkInvioSopravvivenza", .row = 0, .column = 0},
    {.part = Part::Caption,
     .name = "txtCadenzaSopravvivenza",
     .row = 0,
     .column = 1,
     .alignment = kRight},
    {.part = Part::Control, .name = "txtCadenzaSopravvivenza", .row = 0, .column = 2, .width = 48},
    {.part = Part::Control, .name = "chkSync", .row = 1, .column = 0, .columnSpan = 3},
    {.part = Part::Control, .name = "chkTrasmissioniMultiple", .row = 2, .column = 0},
    {.part = Part::Caption,
     .name = "cmbNumTentativiTX",
     .row = 2,
     .column = 1,
     .alignment = kRight},
    {.part = Part::Control, .name = "cmbNumTentativiTX", .row = 2, .column = 2},
    {.part = Part::Control, .name = "chkDoppioMesaggio", .row = 3, .column = 0, .columnSpan = 3},
    {.part = Part::Control, .name = "chkSpontaneaACOff", .row = 4, .column = 0, .columnSpan = 3},
    {.part = Part::Caption,
     .name = "txtTempoCampionamentoMancanzaAC",
     .row = 5,
     .column = 0,
     .columnSpan = 2},
    {.part = Part::Control,
     .name = "txtTempoCampionamentoMancanzaAC",
     .row = 5,
     .column = 2,
     .width = 48},
    {.part = Part::Members,
     .row = 6,
     .column = 0,
     .columnSpan = 3,
     .array = Array::SpontaneaIngresso,
     .spacing = 4,
     .leading = "optSpontaneaIngresso"},
};

const Cell kPath[] = {
    {.part = Part::Caption, .name = "cmbViaTX", .row = 0, .column = 0},
    {.part = Part::Control, .name = "cmbViaTX", .row = 0, .column = 1, .alignment = kLeft},
    {.part = Part::Control, .name = "chkDoppioSalto", .row = 1, .column = 0, .columnSpan = 2},
    {.part = Part::Control, .name = "lblCodRep", .row = 2, .column = 0},
    {.part = Part::Control,
     .name = "txtCodiceRep",
     .row = 2,
     .column = 1,
     .alignment = kLeft,
     .width = 48},
};

// The label of a time stays when its box is hidden: the box keeps its room, nothing jumps.
const Cell kPanel[] = {
    {.part = Part::Control,
     .name = "chkCentralinaIntegrata",
     .row = 0,
     .column = 0,
     .columnSpan = 2},
    {.part = Part::Caption, .name = "txtTempoIngresso", .row = 1, .column = 0},
    {.part = Part::Control,
     .name = "txtTempoIngresso",
     .row = 1,
     .column = 1,
     .alignment = kLeft,
     .width = 48,
     .keepRoom = true},
    {.part = Part::Caption, .name = "txtTempoUscita", .row = 2, .column = 0},
    {.part = Part::Control,
     .name = "txtTempoUscita",
     .row = 2,
     .column = 1,
     .alignment = kLeft,
     .width = 48,
     .keepRoom = true},
    {.part = Part::Caption, .name = "txtTempoSirena", .row = 3, .column = 0},
    {.part = Part::Control,
     .name = "txtTempoSirena",
     .row = 3,
     .column = 1,
     .alignment = kLeft,
     .width = 48,
     .keepRoom = true},
    {.part = Part::Control, .name = "lblIngressiCondiz", .row = 4, .column = 0, .columnSpan = 2},
    {.part = Part::Members,
     .row = 5,
     .column = 0,
     .columnSpan = 2,
     .array = Array::MaskIngressi,
     .spacing = 2,
     .keepRoom = true},
};

const Cell kFiles[] = {
    {.part = Part::Control,
     .name = "btnEsporta",
     .toolTip = "Salva la configurazione visualizzata in un file"},
    {.part = Part::Control,
     .name = "btnImporta",
     .toolTip = "Carica nell'editor una configurazione salvata in un file"},
};

// Two rows of three cells.
const FrameLayout kFrames[] = {
    {Ctl::Frame4, kGeneral, 3}, {Ctl::Frame6, kRadio, 1}, {Ctl::Frame5, kOperation, 0},
    {Ctl::Frame8, kPath, 1},    {Ctl::Frame2, kPanel, 1}, {Ctl::Frame11, kFiles, -1, true},
};
constexpr int kFramesPerRow = 3;

class Builder {
public:
    Builder(EditorWidgets& w, const editor::EditorModel& model) : w_(w), model_(model) {}

    QWidget* control(Ctl id, QWidget* parent) {
        const editor::ControlInfo& info = editor::infoOf(id);
        const QString text = model_.control(id).text;
        QWidget* widget = nullptr;
        switch (info.kind) {
        case editor::Kind::Frame:
            widget = new QGroupBox(text, parent);
            break;
        case editor::Kind::Label:
            widget = new QLabel(text, parent);
            break;
        case editor::Kind::TextBox:
            widget = new EntryBox(id, model_, parent);
            break;
        case editor::Kind::List: {
            auto* list = new QComboBox(parent);
            list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
            widget = list;
            break;
        }
        case editor::Kind::CheckBox:
            widget = new QCheckBox(text, parent);
            break;
        case editor::Kind::Option: {
            auto* option = new QRadioButton(text, parent);
            groupOf(info.array, parent)->addButton(option, info.member);
            widget = option;
            break;
        }
        case editor::Kind::Button:
            widget = new QPushButton(text, parent);
            break;
        }
        widget->setObjectName(editor::nameOf(id));
        w_.controls[static_cast<int>(id)] = widget;
        return widget;
    }

    QWidget* cell(const Cell& c, QWidget* frame) {
        if (c.part == Part::Caption)
            return caption(QString::fromLatin1(c.name), frame);
        QWidget* widget = control(*editor::controlNamed(QString::fromLatin1(c.name)), frame);
        if (c.part == Part::Value)
            showsValue(static_cast<QLabel*>(widget));
        if (c.width > 0)
            widget->setMaximumWidth(c.width);
        if (c.characters > 0)
            static_cast<QComboBox*>(widget)->setMinimumContentsLength(c.characters);
        if (c.keepRoom)
            keepRoom(widget);
        if (c.toolTip)
            widget->setToolTip(QString::fromUtf8(c.toolTip));
        return widget;
    }

    QHBoxLayout* members(const Cell& c, QWidget* frame) {
        auto* row = new QHBoxLayout;
        if (c.spacing >= 0)
            row->setSpacing(c.spacing);
        for (Ctl id : editor::membersOf(c.array)) {
            QWidget* member = control(id, frame);
            if (c.keepRoom)
                keepRoom(member);
            row->addWidget(member);
        }
        if (c.leading)
            row->insertWidget(0, caption(QString::fromLatin1(c.leading), frame));
        row->addStretch();
        return row;
    }

    void frame(const FrameLayout& f) {
        auto* box = static_cast<QGroupBox*>(w_[f.frame]);
        if (f.stretchColumn < 0) {
            auto* column = new QVBoxLayout(box);
            for (const Cell& c : f.cells)
                column->addWidget(cell(c, box));
            if (f.changes)
                changesList(box, column);
            else
                column->addStretch();
            return;
        }
        auto* grid = new QGridLayout(box);
        int rows = 0;
        for (const Cell& c : f.cells) {
            if (c.part == Part::Members)
                grid->addLayout(members(c, box), c.row, c.column, c.rowSpan, c.columnSpan);
            else
                grid->addWidget(cell(c, box), c.row, c.column, c.rowSpan, c.columnSpan,
                                c.alignment);
            rows = std::max(rows, c.row + c.rowSpan);
        }
        grid->setColumnStretch(f.stretchColumn, 1);
        grid->setRowStretch(rows, 1);
    }

private:
    // Only shows: it never takes the focus, so a box the installer is in is not left (and its
    // lost-focus check does not run) by a click on the list, and Tab never stops on it. Its
    // lines wrap, never cut; it takes the room the frame has, at least nine lines.
    void changesList(QWidget* frame, QVBoxLayout* column) {
        auto* caption = new QLabel(QStringLiteral("Modifiche rispetto alla lettura"), frame);
        caption->setObjectName(QStringLiteral("lblModifiche"));
        caption->setWordWrap(true);
        auto* list = new QListWidget(frame);
        list->setObjectName(QStringLiteral("lstModifiche"));
        list->setFocusPolicy(Qt::NoFocus);
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setWordWrap(true);
        list->setTextElideMode(Qt::ElideNone);
        list->setResizeMode(QListView::Adjust);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        list->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        // Room for a read and a few edits: the rebuilt bytes of a usual read, the fields
        // changed, a network's name on two lines.
        list->setMinimumHeight(9 * list->fontMetrics().lineSpacing() + 2 * list->frameWidth());
        column->addWidget(caption);
        column->addWidget(list, 1);
        w_.changes = list;
        // The frame shows once a configuration is: the window is laid out with its room from
        // the start, so the list never makes the editor scroll.
        keepRoom(frame);
    }

    static QLabel* caption(const QString& field, QWidget* parent) {
        auto* label = new QLabel(fieldCaption(field), parent);
        label->setObjectName(QStringLiteral("lblCap") + field.mid(3));
        return label;
    }

    static void showsValue(QLabel* label) {
        label->setFrameShape(QFrame::StyledPanel);
        label->setMinimumWidth(64);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
    }

    static void keepRoom(QWidget* widget) {
        QSizePolicy keep = widget->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(keep);
    }

    // The members of an option array are exclusive; the model clears them all when it must.
    QButtonGroup* groupOf(Array array, QWidget* parent) {
        QButtonGroup*& group = w_.groups[static_cast<int>(array)];
        if (!group) {
            group = new QButtonGroup(parent);
            group->setObjectName(QStringLiteral("grp") + arrayName(array));
        }
        return group;
    }

    static QString arrayName(Array array) {
        switch (array) {
        case Array::NumIngressi:
            return QStringLiteral("NumIngressi");
        case Array::Invio:
            return QStringLiteral("Invio");
        case Array::PotenzaRF:
            return QStringLiteral("PotenzaRF");
        case Array::SpontaneaIngresso:
            return QStringLiteral("SpontaneaIngresso");
        case Array::MaskIngressi:
            return QStringLiteral("MaskIngressi");
        case Array::None:
            break;
        }
        return QString();
    }

    EditorWidgets& w_;
    const editor::EditorModel& model_;
};

} // namespace

EditorWidgets buildEditorWidgets(QWidget* editorArea, const editor::EditorModel& model) {
    EditorWidgets w;
    Builder build(w, model);
    auto* area = new QVBoxLayout(editorArea);
    area->setContentsMargins(0, 0, 0, 0);
    w.frames = new QWidget(editorArea);
    w.frames->setObjectName(QStringLiteral("editorFrames"));
    area->addWidget(w.frames);
    auto* grid = new QGridLayout(w.frames);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(6);
    int place = 0;
    for (const FrameLayout& f : kFrames) {
        grid->addWidget(build.control(f.frame, w.frames), place / kFramesPerRow,
                        place % kFramesPerRow);
        ++place;
    }
    for (const FrameLayout& f : kFrames)
        build.frame(f);
    return w;
}

} // namespace selvana
