#include "ui/numeric_entry.h"

#include "core/fields/key_filter.h"
#include "core/fields/number_text.h"
#include "ui/colours.h"
#include "ui/editor_context.h"
#include "ui/identity_fields.h"

#include <QComboBox>

namespace selvana {

namespace {

struct Range {
    double lo;
    double hi;
};

Range rangeOf(const EditorContext& ctx, const TaggedLineEdit* box) {
    const EditorControls& c = ctx.c;
    if (box == c.txtCadenzaSopravvivenza || box == c.txtTempoCampionamentoMancanzaAC)
        return {1, 240};
    if (box == c.txtTempoIngresso || box == c.txtTempoSirena || box == c.txtTempoUscita)
        return {1, 255};
    if (box == c.txtTempoAggancio)
        return {0.1, 25.5};
    if (box == c.txtFrequenzaTX)
        return ctx.s.record.BandaUHF == 0 ? Range{140, 175} : Range{400, 470};
    if (box == c.txtCodiceRep)
        return c.cmbViaTX->currentIndex() == 1 ? Range{1, 64} : Range{1, 8};
    return {0, 255}; // the SICEP offsets
}

} // namespace

void giveFocusBack(EditorContext& ctx, QWidget* box) {
    // A box that a rule just hid or disabled cannot be corrected where it is: keeping the focus
    // in it would only trap the installer.
    if (ctx.returningFocus || !box->isEnabled() || !box->isVisibleTo(box->window()))
        return;
    ctx.returningFocus = true;
    box->setFocus(Qt::OtherFocusReason);
    ctx.returningFocus = false;
}

void NumericBox_Change(EditorContext& ctx, TaggedLineEdit* box) {
    if (!ctx.s.KeyAccepted) {
        ctx.s.KeyAccepted = true;
        // Undo the refused key wherever it landed (also mid-text or over a selection).
        const KeyPreview::Before& before = ctx.keys.before();
        if (before.control == box) {
            box->setText(before.text);
            box->setCursorPosition(before.cursor);
        } else {
            box->setText(DropLastChar(box->text()));
            box->setCursorPosition(int(box->text().size()));
        }
    }
    if (box == ctx.c.txtOffsetSicep1)
        ctx.c.txtOffsetSicepHex01->setText(offsetHexText(box->text()));
    else if (box == ctx.c.txtOffsetSicep2)
        ctx.c.txtOffsetSicepHex02->setText(offsetHexText(box->text()));
    else if (box == ctx.c.txtCodicePeriferica)
        CheckCodicePeriferica(ctx);
}

bool numericBoxValid(const EditorContext& ctx, const TaggedLineEdit* box) {
    const Range range = rangeOf(ctx, box);
    // Whole-number boxes compare the rounded value; the lock time compares the decimal itself.
    std::optional<double> value;
    if (box == ctx.c.txtTempoAggancio) {
        value = textToDouble(box->text());
    } else if (const auto whole = textToInt32(box->text())) {
        value = static_cast<double>(*whole);
    }
    return value && *value >= range.lo && *value <= range.hi;
}

void NumericBox_LostFocus(EditorContext& ctx, TaggedLineEdit* box) {
    if (ctx.presenting)
        return;
    if (box->text().isEmpty()) {
        giveFocusBack(ctx, box);
        return;
    }
    if (!numericBoxValid(ctx, box)) {
        giveFocusBack(ctx, box);
        setForeColor(box, kRed);
    } else {
        setForeColor(box, kBlack);
    }
}

} // namespace selvana
