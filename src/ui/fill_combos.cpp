#include "ui/fill_combos.h"

#include "core/options/option_lists.h"
#include "ui/editor_context.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace selvana {

void FillCombos(EditorContext& ctx) {
    const OptionListItems items = optionListItems(ctx.s.networkList);
    const std::pair<QComboBox*, const QStringList*> lists[] = {
        {ctx.c.cmbProtocollo, &items.protocollo},         {ctx.c.cmbCodiceRete, &items.codiceRete},
        {ctx.c.cmbTonoSubAudio, &items.tonoSubAudio},     {ctx.c.cmbViaTX, &items.viaTX},
        {ctx.c.cmbNumTentativiTX, &items.numTentativiTX},
    };
    for (const auto& [combo, texts] : lists) {
        const QSignalBlocker quiet(combo);
        combo->clear();
        combo->addItems(*texts);
        combo->setCurrentIndex(-1);
    }
}

} // namespace selvana
