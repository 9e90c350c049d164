#include "ui/editor_controls.h"

#include "ui/colours.h"
#include "ui/key_preview.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace selvana {

namespace {

QLabel* caption(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* valueLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(64);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

TaggedLineEdit* box(const QString& name, const QString& tag, int typingLimit, QWidget* parent,
                    int width = 72) {
    auto* edit = new TaggedLineEdit(name, tag, typingLimit, parent);
    edit->setMaximumWidth(width);
    return edit;
}

QCheckBox* check(const QString& name, const QString& text, QWidget* parent) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(name);
    return c;
}

QComboBox* list(const QString& name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

// An option-button array: one QButtonGroup, member number as id and in the object name.
QHBoxLayout* optionArray(const QString& name, std::initializer_list<int> members,
                         std::map<int, QRadioButton*>& into, QButtonGroup*& group,
                         QWidget* parent) {
    group = new QButtonGroup(parent);
    group->setObjectName(QStringLiteral("grp") + name.mid(3));
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (int member : members) {
        auto* button = new QRadioButton(QString::number(member), parent);
        button->setObjectName(QStringLiteral("%1_%2").arg(name).arg(member));
        group->addButton(button, member);
        into[member] = button;
        row->addWidget(button);
    }
    row->addStretch();
    return row;
}

QGroupBox* frame(const char* name, const char* title, QWidget* parent) {
    auto* f = new QGroupBox(QString::fromUtf8(title), parent);
    f->setObjectName(QLatin1String(name));
    return f;
}

void buildGeneral(EditorControls& c) {
    QWidget* f = c.Frame4;
    auto* g = new QGridLayout(f);
    int r = 0;
    c.lblSerialNumber = valueLabel(QStringLiteral("lblSerialNumber"), f);
    c.txtSerialNumber = box(QStringLiteral("txtSerialNumber"), QString(), 8, f, 110);
    g->addWidget(caption(QStringLiteral("lblCapSerialNumber"), QStringLiteral("Serial Number"), f),
                 r, 0);
    g->addWidget(c.lblSerialNumber, r, 1, 1, 3);
    g->addWidget(c.txtSerialNumber, r++, 1, 1, 3);

    c.txtCodicePeriferica = box(QStringLiteral("txtCodicePeriferica"), QStringLiteral("I"), 5, f);
    g->addWidget(
        caption(QStringLiteral("lblCapCodicePeriferica"), QStringLiteral("Codice Periferica"), f),
        r, 0);
    g->addWidget(c.txtCodicePeriferica, r++, 1, 1, 3);

    c.cmbProtocollo = list(QStringLiteral("cmbProtocollo"), f);
    g->addWidget(caption(QStringLiteral("lblCapProtocollo"), QStringLiteral("Protocollo"), f), r,
                 0);
    g->addWidget(c.cmbProtocollo, r++, 1, 1, 3);

    c.cmbCodiceRete = list(QStringLiteral("cmbCodiceRete"), f);
    c.cmbCodiceRete->setMinimumContentsLength(18);
    g->addWidget(caption(QStringLiteral("lblCapCodiceRete"), QStringLiteral("Codice Rete"), f), r,
                 0);
    g->addWidget(c.cmbCodiceRete, r++, 1, 1, 3);

    g->addWidget(caption(QStringLiteral("lblCapNumIngressi"), QStringLiteral("Num. Ingr."), f), r,
                 0);
    g->addLayout(optionArray(QStringLiteral("optNumIngressi"), {1, 2, 4, 6, 8}, c.optNumIngressi,
                             c.grpNumIngressi, f),
                 r++, 1, 1, 3);

    c.optStati = new QRadioButton(QStringLiteral("Invia Stati"), f);
    c.optStati->setObjectName(QStringLiteral("optStati"));
    c.optAllarmi = new QRadioButton(QStringLiteral("Invia Allarmi"), f);
    c.optAllarmi->setObjectName(QStringLiteral("optAllarmi"));
    c.grpInvio = new QButtonGroup(f);
    c.grpInvio->setObjectName(QStringLiteral("grpInvio"));
    c.grpInvio->addButton(c.optStati);
    c.grpInvio->addButton(c.optAllarmi);
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(c.optStati);
    sendRow->addWidget(c.optAllarmi);
    sendRow->addStretch();
    g->addLayout(sendRow, r++, 0, 1, 4);

    c.chkRimappaturaIngressiSicep = check(QStringLiteral("chkRimappaturaIngressiSicep"),
                                          QStringLiteral("Rimappatura Ingressi SICEP"), f);
    g->addWidget(c.chkRimappaturaIngressiSicep, r++, 0, 1, 4);

    c.txtOffsetSicep1 = box(QStringLiteral("txtOffsetSicep1"), QStringLiteral("I"), 3, f, 48);
    c.txtOffsetSicepHex01 =
        box(QStringLiteral("txtOffsetSicepHex01"), QStringLiteral("I"), 3, f, 40);
    g->addWidget(caption(QStringLiteral("lblCapOffsetSicep1"), QStringLiteral("Offset SICEP 1"), f),
                 r, 0);
    g->addWidget(c.txtOffsetSicep1, r, 1);
    g->addWidget(caption(QStringLiteral("lblCapOffsetSicepHex01"), QStringLiteral("Hex:"), f), r, 2,
                 Qt::AlignRight);
    g->addWidget(c.txtOffsetSicepHex01, r++, 3);

    c.txtOffsetSicep2 = box(QStringLiteral("txtOffsetSicep2"), QStringLiteral("I"), 3, f, 48);
    c.txtOffsetSicepHex02 =
        box(QStringLiteral("txtOffsetSicepHex02"), QStringLiteral("I"), 3, f, 40);
    g->addWidget(caption(QStringLiteral("lblCapOffsetSicep2"), QStringLiteral("Offset SICEP 2"), f),
                 r, 0);
    g->addWidget(c.txtOffsetSicep2, r, 1);
    g->addWidget(caption(QStringLiteral("lblCapOffsetSicepHex02"), QStringLiteral("Hex:"), f), r, 2,
                 Qt::AlignRight);
    g->addWidget(c.txtOffsetSicepHex02, r++, 3);
    g->setColumnStretch(3, 1);
    g->setRowStretch(r, 1);
}

void buildRadio(EditorControls& c) {
    QWidget* f = c.Frame6;
    auto* g = new QGridLayout(f);
    int r = 0;
    c.txtFrequenzaTX = box(QStringLiteral("txtFrequenzaTX"), QStringLiteral("D"), 8, f, 96);
    g->addWidget(
        caption(QStringLiteral("lblCapFrequenzaTX"), QStringLiteral("Frequenza TX (Mhz)"), f), r,
        0);
    g->addWidget(c.txtFrequenzaTX, r++, 1);

    c.lblVHFUHV = valueLabel(QStringLiteral("lblVHFUHV"), f);
    g->addWidget(caption(QStringLiteral("lblCapVHFUHV"), QStringLiteral("Tipo Frequenza"), f), r,
                 0);
    g->addWidget(c.lblVHFUHV, r++, 1, Qt::AlignLeft);

    g->addWidget(caption(QStringLiteral("lblCapPotenzaRF"), QStringLiteral("Potenza TX (W)"), f), r,
                 0);
    g->addLayout(
        optionArray(QStringLiteral("optPotenzaRF"), {3, 10}, c.optPotenzaRF, c.grpPotenzaRF, f),
        r++, 1);

    c.cmbTonoSubAudio = list(QStringLiteral("cmbTonoSubAudio"), f);
    g->addWidget(caption(QStringLiteral("lblCapTonoSubAudio"), QStringLiteral("Tono Subaudio"), f),
                 r, 0);
    g->addWidget(c.cmbTonoSubAudio, r++, 1, Qt::AlignLeft);

    c.txtTempoAggancio = box(QStringLiteral("txtTempoAggancio"), QStringLiteral("D"), 0, f);
    g->addWidget(
        caption(QStringLiteral("lblCapTempoAggancio"), QStringLiteral("T agg. ponte (s)"), f), r,
        0);
    g->addWidget(c.txtTempoAggancio, r++, 1);

    c.lblToni = valueLabel(QStringLiteral("lblToni"), f);
    g->addWidget(caption(QStringLiteral("lblCapToni"), QStringLiteral("Toni"), f), r, 0);
    g->addWidget(c.lblToni, r++, 1, Qt::AlignLeft);
    g->setColumnStretch(1, 1);
    g->setRowStretch(r, 1);
}

void buildOperation(EditorControls& c) {
    QWidget* f = c.Frame5;
    auto* g = new QGridLayout(f);
    int r = 0;
    c.chkInvioSopravvivenza =
        check(QStringLiteral("chkInvioSopravvivenza"), QStringLiteral("Invio Sopravviv."), f);
    c.txtCadenzaSopravvivenza =
        box(QStringLiteral("txtCadenzaSopravvivenza"), QStringLiteral("I"), 2, f, 48);
    g->addWidget(c.chkInvioSopravvivenza, r, 0);
    g->addWidget(
        caption(QStringLiteral("lblCapCadenzaSopravvivenza"), QStringLiteral("Cadenza (ore)"), f),
        r, 1, Qt::AlignRight);
    g->addWidget(c.txtCadenzaSopravvivenza, r++, 2);

    c.chkSync = check(QStringLiteral("chkSync"), QStringLiteral("Risincronizza sopravvivenza"), f);
    g->addWidget(c.chkSync, r++, 0, 1, 3);

    c.chkTrasmissioniMultiple = check(QStringLiteral("chkTrasmissioniMultiple"),
                                      QStringLiteral("Trasmissioni multiple"), f);
    c.cmbNumTentativiTX = list(QStringLiteral("cmbNumTentativiTX"), f);
    g->addWidget(c.chkTrasmissioniMultiple, r, 0);
    g->addWidget(
        caption(QStringLiteral("lblCapNumTentativiTX"), QStringLiteral("Num. Tentativi"), f), r, 1,
        Qt::AlignRight);
    g->addWidget(c.cmbNumTentativiTX, r++, 2);

    c.chkDoppioMesaggio =
        check(QStringLiteral("chkDoppioMesaggio"), QStringLiteral("Invio doppio messaggio"), f);
    g->addWidget(c.chkDoppioMesaggio, r++, 0, 1, 3);

    c.chkSpontaneaACOff =
        check(QStringLiteral("chkSpontaneaACOff"), QStringLiteral("Spontanea su mancanza rete"), f);
    g->addWidget(c.chkSpontaneaACOff, r++, 0, 1, 3);
    c.txtTempoCampionamentoMancanzaAC =
        box(QStringLiteral("txtTempoCampionamentoMancanzaAC"), QStringLiteral("I"), 3, f, 48);
    g->addWidget(caption(QStringLiteral("lblCapTempoCampionamentoMancanzaAC"),
                         QStringLiteral("Tempo Campionamento (min)"), f),
                 r, 0, 1, 2);
    g->addWidget(c.txtTempoCampionamentoMancanzaAC, r++, 2);

    QHBoxLayout* inputs =
        optionArray(QStringLiteral("optSpontaneaIngresso"), {1, 2, 3, 4, 5, 6, 7, 8},
                    c.optSpontaneaIngresso, c.grpSpontaneaIngresso, f);
    inputs->insertWidget(
        0, caption(QStringLiteral("lblCapSpontaneaIngresso"), QStringLiteral("Ing."), f));
    g->addLayout(inputs, r++, 0, 1, 3);
    g->setColumnStretch(0, 1);
    g->setRowStretch(r, 1);
}

void buildPath(EditorControls& c) {
    QWidget* f = c.Frame8;
    auto* g = new QGridLayout(f);
    int r = 0;
    c.cmbViaTX = list(QStringLiteral("cmbViaTX"), f);
    g->addWidget(caption(QStringLiteral("lblCapViaTX"), QStringLiteral("Via di TX"), f), r, 0);
    g->addWidget(c.cmbViaTX, r++, 1, Qt::AlignLeft);
    c.chkDoppioSalto = check(QStringLiteral("chkDoppioSalto"), QStringLiteral("Doppio salto"), f);
    g->addWidget(c.chkDoppioSalto, r++, 0, 1, 2);
    c.lblCodRep = caption(QStringLiteral("lblCodRep"), QStringLiteral("Codice REP"), f);
    c.txtCodiceRep = box(QStringLiteral("txtCodiceRep"), QStringLiteral("I"), 2, f, 48);
    g->addWidget(c.lblCodRep, r, 0);
    g->addWidget(c.txtCodiceRep, r++, 1, Qt::AlignLeft);
    g->setColumnStretch(1, 1);
    g->setRowStretch(r, 1);
}

void buildPanel(EditorControls& c) {
    QWidget* f = c.Frame2;
    auto* g = new QGridLayout(f);
    int r = 0;
    c.chkCentralinaIntegrata =
        check(QStringLiteral("chkCentralinaIntegrata"), QStringLiteral("Centralina Integrata"), f);
    g->addWidget(c.chkCentralinaIntegrata, r++, 0, 1, 2);
    const std::pair<TaggedLineEdit**, std::pair<const char*, const char*>> times[] = {
        {&c.txtTempoIngresso, {"txtTempoIngresso", "Tempo Ingresso (s)"}},
        {&c.txtTempoUscita, {"txtTempoUscita", "Tempo Uscita (s)"}},
        {&c.txtTempoSirena, {"txtTempoSirena", "Tempo Sirena (s)"}},
    };
    for (const auto& [field, names] : times) {
        const QString name = QLatin1String(names.first);
        *field = box(name, QStringLiteral("I"), 3, f, 48);
        // The label stays when the box is hidden; keep the row's height so nothing jumps.
        QSizePolicy keep = (*field)->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        (*field)->setSizePolicy(keep);
        g->addWidget(
            caption(QStringLiteral("lblCap") + name.mid(3), QString::fromUtf8(names.second), f), r,
            0);
        g->addWidget(*field, r++, 1, Qt::AlignLeft);
    }
    c.lblIngressiCondiz =
        caption(QStringLiteral("lblIngressiCondiz"), QStringLiteral("Ingressi condizionati:"), f);
    g->addWidget(c.lblIngressiCondiz, r++, 0, 1, 2);
    auto* masks = new QHBoxLayout;
    masks->setSpacing(2);
    for (int i = 0; i < 8; ++i) {
        c.ckMaskIngressi[i] =
            check(QStringLiteral("ckMaskIngressi_%1").arg(i), QString::number(i + 1), f);
        QSizePolicy keep = c.ckMaskIngressi[i]->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        c.ckMaskIngressi[i]->setSizePolicy(keep);
        masks->addWidget(c.ckMaskIngressi[i]);
    }
    masks->addStretch();
    g->addLayout(masks, r++, 0, 1, 2);
    g->setColumnStretch(1, 1);
    g->setRowStretch(r, 1);
}

void buildFiles(EditorControls& c) {
    QWidget* f = c.Frame11;
    auto* v = new QVBoxLayout(f);
    c.btnEsporta = new QPushButton(QStringLiteral("Esporta"), f);
    c.btnEsporta->setObjectName(QStringLiteral("btnEsporta"));
    c.btnEsporta->setToolTip(QStringLiteral("Salva la configurazione visualizzata in un file"));
    c.btnImporta = new QPushButton(QStringLiteral("Importa"), f);
    c.btnImporta->setObjectName(QStringLiteral("btnImporta"));
    c.btnImporta->setToolTip(
        QStringLiteral("Carica nell'editor una configurazione salvata in un file"));
    v->addWidget(c.btnEsporta);
    v->addWidget(c.btnImporta);
    v->addStretch();
}

} // namespace

std::array<TaggedLineEdit*, 11> EditorControls::numericBoxes() const {
    return {txtCadenzaSopravvivenza, txtTempoCampionamentoMancanzaAC,
            txtTempoIngresso,        txtTempoSirena,
            txtTempoUscita,          txtTempoAggancio,
            txtFrequenzaTX,          txtCodiceRep,
            txtOffsetSicep1,         txtOffsetSicep2,
            txtCodicePeriferica};
}

EditorControls buildEditorControls(QWidget* editorArea) {
    EditorControls c;
    auto* area = new QVBoxLayout(editorArea);
    area->setContentsMargins(0, 0, 0, 0);
    c.frames = new QWidget(editorArea);
    c.frames->setObjectName(QStringLiteral("editorFrames"));
    area->addWidget(c.frames);
    auto* grid = new QGridLayout(c.frames);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(6);
    c.Frame4 = frame("Frame4", "Parametri Generali", c.frames);
    c.Frame6 = frame("Frame6", "Parametri Radio", c.frames);
    c.Frame5 = frame("Frame5", "Parametri Operativi", c.frames);
    c.Frame8 = frame("Frame8", "Via di TX", c.frames);
    c.Frame2 = frame("Frame2", "Centralina Integrata", c.frames);
    c.Frame11 = frame("Frame11", "Configurazione", c.frames);
    grid->addWidget(c.Frame4, 0, 0);
    grid->addWidget(c.Frame6, 0, 1);
    grid->addWidget(c.Frame5, 0, 2);
    grid->addWidget(c.Frame8, 1, 0);
    grid->addWidget(c.Frame2, 1, 1);
    grid->addWidget(c.Frame11, 1, 2);
    buildGeneral(c);
    buildRadio(c);
    buildOperation(c);
    buildPath(c);
    buildPanel(c);
    buildFiles(c);
    applyDesignState(c);
    return c;
}

namespace {

std::vector<TaggedLineEdit*> allBoxes(const EditorControls& c) {
    std::vector<TaggedLineEdit*> boxes;
    for (TaggedLineEdit* edit : c.numericBoxes())
        boxes.push_back(edit);
    boxes.push_back(c.txtOffsetSicepHex01);
    boxes.push_back(c.txtOffsetSicepHex02);
    boxes.push_back(c.txtSerialNumber);
    return boxes;
}

template <typename Map> void clearOptions(QButtonGroup* group, const Map& members) {
    group->setExclusive(false);
    for (const auto& [id, button] : members) {
        button->setChecked(false);
        button->setEnabled(true);
    }
    group->setExclusive(true);
}

} // namespace

void applyDesignState(EditorControls& c) {
    QList<QObject*> all;
    for (QWidget* frame : {c.Frame4, c.Frame6, c.Frame5, c.Frame8, c.Frame2, c.Frame11})
        for (QWidget* child : frame->findChildren<QWidget*>())
            all << child;
    for (QButtonGroup* group :
         {c.grpNumIngressi, c.grpPotenzaRF, c.grpSpontaneaIngresso, c.grpInvio})
        all << group;
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (QObject* o : all)
        quiet.push_back(std::make_unique<QSignalBlocker>(o));

    for (TaggedLineEdit* edit : allBoxes(c)) {
        edit->clear();
        edit->setEnabled(true);
        edit->show();
        setForeColor(edit, kBlack);
    }
    c.txtSerialNumber->setText(QStringLiteral("Text1"));
    c.txtOffsetSicepHex01->setEnabled(false);
    c.txtOffsetSicepHex02->setEnabled(false);
    c.lblSerialNumber->clear();
    c.lblSerialNumber->hide();
    c.lblVHFUHV->clear();
    c.lblToni->clear();
    c.lblCodRep->setText(QStringLiteral("Codice REP"));
    c.lblCodRep->show();
    c.lblIngressiCondiz->show();
    for (QComboBox* combo :
         {c.cmbProtocollo, c.cmbCodiceRete, c.cmbTonoSubAudio, c.cmbViaTX, c.cmbNumTentativiTX}) {
        combo->setCurrentIndex(-1);
        combo->setEnabled(true);
    }
    for (QCheckBox* box : {c.chkRimappaturaIngressiSicep, c.chkInvioSopravvivenza, c.chkSync,
                           c.chkTrasmissioniMultiple, c.chkDoppioMesaggio, c.chkSpontaneaACOff,
                           c.chkDoppioSalto, c.chkCentralinaIntegrata}) {
        box->setChecked(false);
        box->setEnabled(true);
        box->show();
    }
    for (QCheckBox* box : c.ckMaskIngressi) {
        box->setChecked(false);
        box->setEnabled(true);
        box->show();
    }
    clearOptions(c.grpNumIngressi, c.optNumIngressi);
    clearOptions(c.grpPotenzaRF, c.optPotenzaRF);
    clearOptions(c.grpSpontaneaIngresso, c.optSpontaneaIngresso);
    c.grpInvio->setExclusive(false);
    c.optStati->setChecked(false);
    c.optAllarmi->setChecked(false);
    c.optStati->setEnabled(true);
    c.optAllarmi->setEnabled(true);
    c.grpInvio->setExclusive(true);
    c.Frame11->hide();
}

} // namespace selvana
