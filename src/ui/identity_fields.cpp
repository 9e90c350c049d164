#include "ui/identity_fields.h"

#include "core/fields/number_text.h"
#include "core/fields/peripheral_code.h"
#include "ui/colours.h"
#include "ui/editor_context.h"
#include "ui/numeric_entry.h"
#include "ui/user_dialogs.h"

#include <QComboBox>

namespace selvana {

namespace {
constexpr int kSerialNumberLength = 8;
}

bool peripheralCodeValid(const EditorContext& ctx) {
    const int maximum = maximumPeripheralCode(ctx.c.cmbProtocollo->currentText().toUpper());
    // A text that is not a number (pasted) counts as out of range.
    const auto code = textToInt32(ctx.c.txtCodicePeriferica->text());
    return code && *code >= 1 && *code <= maximum;
}

void CheckCodicePeriferica(EditorContext& ctx) {
    TaggedLineEdit* box = ctx.c.txtCodicePeriferica;
    if (box->text().isEmpty()) {
        giveFocusBack(ctx, box);
        return;
    }
    if (!peripheralCodeValid(ctx)) {
        giveFocusBack(ctx, box);
        setForeColor(box, kRed);
        ctx.setSaveEnabled(false);
    } else {
        setForeColor(box, kBlack);
        ctx.setSaveEnabled(true);
    }
}

void txtSerialNumber_Change(EditorContext& ctx) {
    ctx.setSaveEnabled(ctx.c.txtSerialNumber->text().size() >= kSerialNumberLength);
}

void txtSerialNumber_LostFocus(EditorContext& ctx) {
    ctx.setSaveEnabled(true);
    if (ctx.c.txtSerialNumber->text().size() < kSerialNumberLength) {
        giveFocusBack(ctx, ctx.c.txtSerialNumber);
        ctx.setSaveEnabled(false);
        ctx.dialogs.message(
            QStringLiteral("ATTENZIONE: il numero di serie deve essere di 8 cifre!"));
    }
}

} // namespace selvana
