#include "common/editor_rig.h"
#include "common/test_files.h"
#include "common/test_main.h"
#include "core/fields/field_table.h"
#include "core/files/config_file.h"
#include "core/networks/networks_file.h"

#include <QClipboard>
#include <QListWidget>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace selvana;
using namespace selvana::testing;
using editor::Kind;

// The editor window as a view of the editor model: every widget shows its control's state, the
// installer's keys, clicks and choices reach the model, focus and message boxes are the window's.
// The rules themselves are tested on the model alone (tests/editor).

namespace {

const QLocale kItalian(QLocale::Italian, QLocale::Italy);

QWidget* focused() {
    return QApplication::focusWidget();
}

QStringList itemsOf(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// Where a widget does not show what the model holds, one line per property.
QStringList mismatches(const Editor& editor) {
    QStringList out;
    for (const editor::ControlInfo& info : editor::controlInfos()) {
        const editor::ControlState& s = editor.model().control(info.id);
        QWidget* w = editor.widget(info.id);
        const QString name = editor::nameOf(info.id);
        const auto differ = [&](const char* what, const QString& shown, const QString& held) {
            if (shown != held)
                out << QStringLiteral("%1 %2: \"%3\" instead of \"%4\"")
                           .arg(name, QLatin1String(what), shown, held);
        };
        const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
        if (!w) {
            out << name + QStringLiteral(": no widget");
            continue;
        }
        differ("objectName", w->objectName(), name);
        differ("visible", flag(!w->isHidden()), flag(s.visible));
        if (info.kind != Kind::Frame) // the frames are the cover's to enable
            differ("enabled", flag(!w->testAttribute(Qt::WA_ForceDisabled)), flag(s.enabled));
        QString kind;
        switch (info.kind) {
        case Kind::Frame:
            if (auto* frame = qobject_cast<QGroupBox*>(w))
                differ("title", frame->title(), s.text);
            else
                kind = QStringLiteral("frame");
            break;
        case Kind::Label:
            if (auto* label = qobject_cast<QLabel*>(w))
                differ("text", label->text(), s.text);
            else
                kind = QStringLiteral("label");
            break;
        case Kind::TextBox:
            if (auto* box = qobject_cast<QLineEdit*>(w)) {
                differ("text", box->text(), s.text);
                differ("colour", QString::number(foreColor(box)), QString::number(s.foreColour));
                differ("maxLength cuts", QString::number(box->maxLength()),
                       QString::number(32767)); // typing limits are the model's verdicts
            } else {
                kind = QStringLiteral("text box");
            }
            break;
        case Kind::List:
            if (auto* list = qobject_cast<QComboBox*>(w)) {
                differ("items", itemsOf(list).join(QLatin1Char('|')),
                       s.items.join(QLatin1Char('|')));
                differ("position", QString::number(list->currentIndex()),
                       QString::number(s.position));
            } else {
                kind = QStringLiteral("list");
            }
            break;
        case Kind::CheckBox:
            if (auto* box = qobject_cast<QCheckBox*>(w)) {
                differ("text", box->text(), s.text);
                differ("checked", flag(box->isChecked()), flag(s.checked));
            } else {
                kind = QStringLiteral("check box");
            }
            break;
        case Kind::Option:
            if (auto* option = qobject_cast<QRadioButton*>(w)) {
                differ("text", option->text(), s.text);
                differ("checked", flag(option->isChecked()), flag(s.checked));
            } else {
                kind = QStringLiteral("option");
            }
            break;
        case Kind::Button:
            if (auto* button = qobject_cast<QPushButton*>(w))
                differ("text", button->text(), s.text);
            else
                kind = QStringLiteral("button");
            break;
        }
        if (!kind.isEmpty())
            out << QStringLiteral("%1: not a %2 but a %3")
                       .arg(name, kind, QLatin1String(w->metaObject()->className()));
    }
    return out;
}

// A control's value in the model as one text: a list's item, a box's text, 1 or 0.
QString valueOf(const editor::EditorModel& model, Ctl id) {
    const editor::ControlState& s = model.control(id);
    switch (editor::infoOf(id).kind) {
    case Kind::List:
        return s.currentText();
    case Kind::CheckBox:
    case Kind::Option:
        return s.checked ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return s.text;
    }
}

// Every control's value, for telling whether anything changed.
QStringList valuesOf(const editor::EditorModel& model) {
    QStringList values;
    for (const editor::ControlInfo& info : editor::controlInfos())
        values << QLatin1String(info.name) + QLatin1Char('=') + valueOf(model, info.id);
    return values;
}

Ctl control(const QString& name) {
    const auto id = editor::controlNamed(name);
    if (!id)
        qFatal("no control %s", qPrintable(name));
    return *id;
}

// Picks a list item with the keyboard as an installer does; false when the list will not move.
bool choose(QComboBox* list, const QString& item) {
    const int target = list->findText(item);
    if (target < 0)
        return false;
    list->setFocus(Qt::MouseFocusReason);
    for (int step = 0; step < 8 && list->currentIndex() != target; ++step)
        QTest::keyClick(list, list->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    return list->currentIndex() == target;
}

// Keys as an installer presses them: words name keys, anything else is typed as characters.
// Delete and the control keys carry the text a Linux desktop sends with them.
void press(QWidget* box, const QString& script) {
    for (const QString& word : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("Home"))
            QTest::keyClick(box, Qt::Key_Home);
        else if (word == QLatin1String("End"))
            QTest::keyClick(box, Qt::Key_End);
        else if (word == QLatin1String("Left"))
            QTest::keyClick(box, Qt::Key_Left);
        else if (word == QLatin1String("Right"))
            QTest::keyClick(box, Qt::Key_Right);
        else if (word == QLatin1String("ShiftLeft"))
            QTest::keyClick(box, Qt::Key_Left, Qt::ShiftModifier);
        else if (word == QLatin1String("Backspace"))
            QTest::keyClick(box, Qt::Key_Backspace);
        else if (word == QLatin1String("Delete"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Delete, QChar(0x7F), Qt::NoModifier);
        else if (word == QLatin1String("Cut"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_X, QChar(0x18), Qt::ControlModifier);
        else if (word == QLatin1String("Paste"))
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_V, QChar(0x16), Qt::ControlModifier);
        else if (word == QLatin1String("Return"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (word == QLatin1String("Enter"))
            QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
        else if (word == QLatin1String("Escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else
            QTest::keyClicks(box, word);
    }
}

// The installer's steps through the widgets: "choose cmbProtocollo Sicep", "click
// chkSpontaneaACOff", "type txtTempoSirena 0" (then leaves the box with Tab).
void act(EditorRig& r, const QString& step) {
    const QStringList words = step.split(QLatin1Char(' '));
    QWidget* w = r.editor().widget(control(words.value(1)));
    const QString rest = words.mid(2).join(QLatin1Char(' '));
    if (words[0] == QLatin1String("choose"))
        QVERIFY2(choose(qobject_cast<QComboBox*>(w), rest), qPrintable(step));
    else if (words[0] == QLatin1String("click"))
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
    else if (words[0] == QLatin1String("type"))
        r.type(qobject_cast<QLineEdit*>(w), rest);
    else
        QFAIL(qPrintable(QStringLiteral("unknown step: ") + step));
}

// Ends the program if a test hangs in a focus loop that never returns to the event loop.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return finished_; }))
                  qFatal("the focus never settled");
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

} // namespace

class TestEditorView : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // ---- the widgets show the model ----

    // After a presentation and after the installer's actions, every widget shows what its
    // control holds: name, kind, text, items and position, ticked or selected, enabling,
    // visibility and colour. "expected" proves that each action reached the model.
    void everyControlMirrorsTheModel_data() {
        QTest::addColumn<Image>("image"); // nothing read when empty
        QTest::addColumn<int>("firmware");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected"); // "control=value" in the model
        const Image p = sampleProteusX();
        QTest::newRow("before any read")
            << Image{} << 1 << QStringList{} << QStringList{"txtSerialNumber=Text1", "Frame11="};
        QTest::newRow("Proteus-X read, M6")
            << p << 1 << QStringList{}
            << QStringList{"cmbProtocollo=Proteus-X", "txtCodiceRep=7", "optSpontaneaIngresso_5=1"};
        QTest::newRow("Sicep read before M6")
            << sampleSicep() << 0 << QStringList{}
            << QStringList{"txtCodicePeriferica=1234", "lblVHFUHV=UHF", "ckMaskIngressi_0=0"};
        QTest::newRow("Sicep chosen")
            << p << 1 << QStringList{"choose cmbProtocollo Sicep"}
            << QStringList{"cmbViaTX=Diretta", "optNumIngressi_6=1", "txtOffsetSicepHex01=C8"};
        QTest::newRow("panel and mains failure off")
            << p << 1 << QStringList{"click chkCentralinaIntegrata", "click chkSpontaneaACOff"}
            << QStringList{"chkCentralinaIntegrata=0",
                           "txtTempoCampionamentoMancanzaAC=", "optSpontaneaIngresso_5=0"};
        QTest::newRow("input 5 conditioned, one transmission")
            << p << 1 << QStringList{"click ckMaskIngressi_4", "click chkTrasmissioniMultiple"}
            << QStringList{"optSpontaneaIngresso_2=1", "cmbNumTentativiTX=1",
                           "chkDoppioMesaggio=0"};
        QTest::newRow("bidirectional path, no double hop")
            << p << 1 << QStringList{"choose cmbViaTX Bidirezionale", "click chkDoppioSalto"}
            << QStringList{"lblCodRep=Ingresso BIDI", "txtCodiceRep=1", "lblToni=Bassi"};
        QTest::newRow("values out of range typed")
            << p << 1 << QStringList{"type txtTempoSirena 0", "type txtTempoSirena 300"}
            << QStringList{"txtTempoSirena=300"};
        QTest::newRow("Proteus chosen: no network")
            << p << 1 << QStringList{"choose cmbProtocollo Proteus"}
            << QStringList{"cmbCodiceRete=", "optNumIngressi_4=1"};
        QTest::newRow("8 inputs free the mains-failure input")
            << with(p, {{22, 0xF0}, {23, 0x0F}, {38, 0x01}}) << 1
            << QStringList{"click optNumIngressi_8"}
            << QStringList{"optNumIngressi_8=1", "optSpontaneaIngresso_5=1"};
        QTest::newRow("offset typed")
            << sampleSicep() << 1 << QStringList{"type txtOffsetSicep1 10"}
            << QStringList{"txtOffsetSicepHex01=0A"};
    }
    void everyControlMirrorsTheModel() {
        QFETCH(Image, image);
        QFETCH(int, firmware);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expected);
        EditorRig r;
        if (image != Image{})
            r.show(image, firmware);
        QCOMPARE(mismatches(r.editor()), QStringList());
        for (const QString& step : steps) {
            act(r, step);
            QCOMPARE(mismatches(r.editor()), QStringList());
        }
        for (const QString& pair : expected) {
            const QString name = pair.section(QLatin1Char('='), 0, 0);
            const QString value = pair.section(QLatin1Char('='), 1);
            if (name == QLatin1String("Frame11"))
                QVERIFY(r.w(Ctl::Frame11)->isHidden());
            else
                QCOMPARE(valueOf(r.editor().model(), control(name)), value);
        }
    }

    // The list under the file buttons: what a write would change in the peripheral read, after
    // an action and after an import; a click on it never takes the focus from a box.
    void changesListFollowsTheEditor_data() {
        QTest::addColumn<Image>("image"); // nothing read when empty
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("importedSiren"); // a file as read but for the siren time; 0: none
        QTest::addColumn<QStringList>("lines");
        const Image p = sampleProteusX();
        const Image rebuilt = with(p, {{50, 0x03}, {54, 0x99}, {55, 0x24}}); // as written back
        const QString hidden = QStringLiteral("Byte %1 (non mostrato dall'editor): %2");
        const QString siren = QStringLiteral("Tempo Sirena (s): 30 → 45");
        QTest::newRow("before any read") << Image{} << "" << 0 << QStringList{};
        QTest::newRow("read, nothing to change")
            << rebuilt << "" << 0 << QStringList{Editor::noChanges()};
        QTest::newRow("bytes the editor rebuilds")
            << p << "" << 0
            << QStringList{hidden.arg(50).arg("0xFF → 0x03"), hidden.arg(54).arg("0x00 → 0x99"),
                           hidden.arg(55).arg("0x00 → 0x24")};
        QTest::newRow("box") << rebuilt << "type txtTempoSirena 45" << 0 << QStringList{siren};
        QTest::newRow("list, with its copy byte")
            << rebuilt << "choose cmbTonoSubAudio 88.5" << 0
            << QStringList{"Tono Subaudio (Hz): 79.7 → 88.5", hidden.arg(34).arg("0x05 → 0x08")};
        QTest::newRow("network, named by the list")
            << rebuilt << "choose cmbCodiceRete 00040 Sud" << 0
            << QStringList{"Codice Rete: 00012 Nord → 00040 Sud"};
        QTest::newRow("a value collection refuses")
            << rebuilt << "type txtTempoSirena " << 0
            << QStringList{"Il campo \"Tempo Sirena (s)\" non contiene un numero valido. "
                           "Correggere il valore e ripetere l'operazione."};
        QTest::newRow("imported: compared with the read")
            << rebuilt << "" << 45 << QStringList{siren};
    }
    void changesListFollowsTheEditor() {
        QFETCH(Image, image);
        QFETCH(QString, step);
        QFETCH(int, importedSiren);
        NetworkList networks = defaultNetworkList();
        networks[1] = "00012Nord";
        networks[2] = "00040Sud";
        const QByteArray networksFile = networksFileContent(networks);
        EditorRig r(&networksFile);
        if (image != Image{})
            r.show(image);
        if (!step.isEmpty())
            act(r, step);
        QTemporaryDir files;
        if (importedSiren) {
            r.dialogs.openPath = files.filePath(QStringLiteral("f.con"));
            writeAll(r.dialogs.openPath, configBytes('K', 'V', with(image, {{45, importedSiren}})));
            r.w<QPushButton>(Ctl::btnImporta)->click();
        }
        auto* list = r.window->findChild<QListWidget*>("lstModifiche");
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        QTEST(shown, "lines");
        QWidget* before = focused();
        const qsizetype messages = r.dialogs.messages.size();
        QTest::mouseClick(list->viewport(), Qt::LeftButton);
        QCOMPARE(focused(), before);
        QCOMPARE(r.dialogs.messages.size(), messages);
    }

    // Captions come from the table of fields, and every widget of the editor is a control of
    // the model or the caption of one of its fields.
    void captionsFromTheTable() {
        EditorRig r;
        for (QWidget* w : r.editor().widgets().frames->findChildren<QWidget*>()) {
            const QString name = w->objectName();
            if (name.startsWith(QLatin1String("lblCap"))) {
                const auto* label = qobject_cast<QLabel*>(w);
                QVERIFY2(label, qPrintable(name));
                const QString field = name.mid(6);
                bool found = false;
                for (const char* prefix : {"txt", "cmb", "opt", "lbl"}) {
                    const QString control = QLatin1String(prefix) + field;
                    if (editorField(control)) {
                        QCOMPARE(label->text(), fieldCaption(control));
                        found = true;
                    }
                }
                QVERIFY2(found, qPrintable(name));
            } else if (!name.isEmpty() && !w->inherits("QLineEdit")) {
                const bool changes = name.endsWith(QLatin1String("Modifiche"));
                QVERIFY2(editor::controlNamed(name) || name.startsWith(QLatin1String("qt_")) ||
                             changes,
                         qPrintable(name));
            }
        }
    }

    // ---- keys ----

    // A key the model refuses never reaches the box; what the installer leaves in a box is the
    // model's text; the caret stays where the keys left it.
    void keysReachTheModel_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start"); // typed first; empty: the text shown
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caret");
        const Image p = sampleProteusX();
        const Image cadence120 = with(p, {{35, 0x1C}, {36, 0x20}});
        QTest::newRow("letter between digits") << p << "txtTempoSirena"
                                               << "12"
                                               << "Home Right x 5"
                                               << "152" << 2;
        QTest::newRow("letter over the selection") << p << "txtTempoSirena"
                                                   << "123"
                                                   << "ShiftLeft x"
                                                   << "123" << 2;
        QTest::newRow("full box") << p << "txtTempoSirena"
                                  << "255"
                                  << "Home x 1"
                                  << "255" << 0;
        QTest::newRow("full box, digit over a selected one") << p << "txtTempoSirena"
                                                             << "255"
                                                             << "ShiftLeft 1"
                                                             << "251" << 3;
        QTest::newRow("second comma") << p << "txtTempoAggancio"
                                      << "2,5"
                                      << "Home ,"
                                      << "2,5" << 0;
        QTest::newRow("point in a comma locale") << p << "txtFrequenzaTX"
                                                 << "433"
                                                 << ". , 9"
                                                 << "433,9" << 5;
        QTest::newRow("Delete, then a letter") << p << "txtCodicePeriferica"
                                               << "123"
                                               << "Left Delete x"
                                               << "12" << 2;
        QTest::newRow("Cut") << p << "txtTempoSirena"
                             << "123"
                             << "ShiftLeft Cut"
                             << "12" << 2;
        QTest::newRow("Return, Enter, Escape") << p << "txtTempoSirena"
                                               << "12"
                                               << "Return Enter Escape"
                                               << "12" << 2;
        QTest::newRow("a value read longer than the limit")
            << cadence120 << "txtCadenzaSopravvivenza"
            << ""
            << "End 5 Left 6"
            << "120" << 2;
        QTest::newRow("serial number: any character, eight at most") << Image{} << "txtSerialNumber"
                                                                     << "1"
                                                                     << "2AB-x7yZ"
                                                                     << "12AB-x7y" << 8;
    }
    void keysReachTheModel() {
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        EditorRig r;
        if (image != Image{})
            r.show(image);
        const Ctl id = control(box);
        auto* edit = r.w<QLineEdit>(id);
        if (start.isEmpty())
            edit->setFocus(Qt::MouseFocusReason);
        else
            r.type(edit, start, false);
        press(edit, keys);
        QTEST(edit->text(), "expected");
        QTEST(edit->cursorPosition(), "caret");
        QCOMPARE(r.editor().model().control(id).text, edit->text());
    }

    // Every box takes as many characters as its field's typing limit, and shows a longer value
    // the program sets whole.
    void typingLimits() {
        EditorRig r;
        r.show(with(sampleProteusX(), {{35, 0x1C}, {36, 0x20}})); // cadence 120 h
        for (const editor::ControlInfo& info : editor::controlInfos()) {
            if (info.kind != Kind::TextBox)
                continue;
            const EditorField* field = editorField(QString::fromLatin1(info.name));
            QVERIFY2(field, info.name);
            QCOMPARE(r.editor().model().control(info.id).typingLimit, field->typingLimit);
        }
        QCOMPARE(r.w<QLineEdit>(Ctl::txtCadenzaSopravvivenza)->text(), QStringLiteral("120"));
    }

    // Pasted text is not typing: it stays, and leaving the box judges all of it.
    void pasteIsJudgedWhenLeaving() {
        EditorRig r;
        r.show(sampleProteusX());
        QApplication::clipboard()->setText(QStringLiteral("4a"));
        if (QApplication::clipboard()->text() != QLatin1String("4a"))
            QSKIP("no clipboard on this platform");
        auto* edit = r.w<QLineEdit>(Ctl::txtTempoSirena);
        r.type(edit, QString(), false);
        press(edit, QStringLiteral("Paste"));
        QCOMPARE(r.editor().model().control(Ctl::txtTempoSirena).text, QStringLiteral("4a"));
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(foreColor(edit), kRed);
        QCOMPARE(focused(), edit);
    }

    // While a panel covers the editor, keys reach none of its boxes and no check runs.
    void coveredEditorTakesNoKeys_data() {
        QTest::addColumn<bool>("read");
        QTest::newRow("start-up cover panel") << false;
        QTest::newRow("link panel after a read") << true;
    }
    void coveredEditorTakesNoKeys() {
        QFETCH(bool, read);
        EditorRig r;
        if (read) {
            QVERIFY(r.show(sampleProteusX()));
            r.window->showPreparePanel();
        } else {
            r.window->showPresentationPanel();
        }
        const QString serial = r.w<QLineEdit>(Ctl::txtSerialNumber)->text();
        const QString code = r.w<QLineEdit>(Ctl::txtCodicePeriferica)->text();
        QWidget* target = focused() ? focused() : r.window.get();
        QTest::keyClicks(target, QStringLiteral("12"));
        QTest::keyClick(target, Qt::Key_Tab);
        QCOMPARE(r.w<QLineEdit>(Ctl::txtSerialNumber)->text(), serial);
        QCOMPARE(r.w<QLineEdit>(Ctl::txtCodicePeriferica)->text(), code);
        QCOMPARE(r.editor().model().control(Ctl::txtCodicePeriferica).text, code);
        QVERIFY(r.dialogs.messages.isEmpty());
    }

    // ---- focus ----

    // The model asks for the focus; the window gives it, never to a box out of reach.
    void focusGivenBack_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("focus"); // "!name": anywhere but there
        QTest::addColumn<QStringList>("red");
        const Image p = sampleProteusX();
        QTest::newRow("siren 0 keeps it") << p << QStringList{"type txtTempoSirena 0"}
                                          << "txtTempoSirena" << QStringList{"txtTempoSirena"};
        QTest::newRow("empty offset keeps it, colour unchanged")
            << sampleSicep() << QStringList{"type txtOffsetSicep1 "} << "txtOffsetSicep1"
            << QStringList{};
        QTest::newRow("corrected, it lets go")
            << p << QStringList{"type txtTempoSirena 0", "type txtTempoSirena 9"}
            << "!txtTempoSirena" << QStringList{};
        QTest::newRow("protocol change: the code asks for it")
            << with(p, {{26, 0x13}, {27, 0x88}}) << QStringList{"choose cmbProtocollo Proteus"}
            << "txtCodicePeriferica" << QStringList{"txtCodicePeriferica"};
        QTest::newRow("a box hidden by the panel is let go")
            << p << QStringList{"type txtTempoSirena 0", "click chkCentralinaIntegrata"}
            << "!txtTempoSirena" << QStringList{"txtTempoSirena"};
        QTest::newRow("a box disabled with the mains failure is let go")
            << p << QStringList{"type txtTempoCampionamentoMancanzaAC 0", "click chkSpontaneaACOff"}
            << "!txtTempoCampionamentoMancanzaAC" << QStringList{"txtTempoCampionamentoMancanzaAC"};
        QTest::newRow("a code read out of range, after the read")
            << with(p, {{26, 0}, {27, 0}}) << QStringList{} << "txtCodicePeriferica"
            << QStringList{"txtCodicePeriferica"};
    }
    void focusGivenBack() {
        QFETCH(Image, image);
        QFETCH(QStringList, steps);
        QFETCH(QString, focus);
        QFETCH(QStringList, red);
        EditorRig r;
        r.show(image);
        for (const QString& step : steps)
            act(r, step);
        const QString now = focused() ? focused()->objectName() : QString();
        if (focus.startsWith(QLatin1Char('!')))
            QVERIFY2(now != focus.mid(1), qPrintable(now));
        else
            QCOMPARE(now, focus);
        for (const editor::ControlInfo& info : editor::controlInfos())
            if (info.kind == Kind::TextBox)
                QCOMPARE(foreColor(r.editor().widget(info.id)) == kRed,
                         red.contains(QLatin1String(info.name)));
    }

    // Two boxes out of range after a read: moving between them settles at once, and each box
    // shows its colour when it is left.
    void invalidBoxesDoNotFight() {
        EditorRig r;
        r.show(with(sampleProteusX(), {{45, 0}, {35, 0}, {36, 0}})); // siren 0, cadence 0
        auto* a = r.w<QLineEdit>(Ctl::txtTempoSirena);
        auto* b = r.w<QLineEdit>(Ctl::txtCadenzaSopravvivenza);
        int changes = 0;
        QObject counting;
        connect(qApp, &QApplication::focusChanged, &counting, [&] { ++changes; });
        {
            Watchdog watchdog(std::chrono::seconds(20));
            QTest::mouseClick(a, Qt::LeftButton);
            for (int round = 0; round < 3; ++round) {
                QTest::mouseClick(b, Qt::LeftButton);
                QTest::keyClick(focused(), Qt::Key_Tab);
                QTest::mouseClick(a, Qt::LeftButton);
            }
        }
        QVERIFY2(changes < 40, qPrintable(QString::number(changes)));
        QCOMPARE(focused(), a);
        QCOMPARE(foreColor(a), kRed);
        r.type(a, QStringLiteral("5"), false);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(focused(), b);
        QCOMPARE(foreColor(a), kBlack);
    }

    // ---- "SAVE" and message boxes ----

    // "SAVE" follows the rules' decisions once the peripheral's own configuration is shown;
    // before that the window keeps it off whatever the rules say.
    void saveFollowsTheModel() {
        EditorRig r;
        r.type(r.w<QLineEdit>(Ctl::txtSerialNumber), QStringLiteral("12345678"));
        QVERIFY(r.editor().model().saveEnabled());
        QVERIFY(!r.saveEnabled()); // nothing read yet

        QVERIFY(r.show(sampleProteusX()));
        r.type(r.w<QLineEdit>(Ctl::txtCodicePeriferica), QStringLiteral("0"));
        QVERIFY(!r.saveEnabled());
        r.type(r.w<QLineEdit>(Ctl::txtCodicePeriferica), QStringLiteral("300"));
        QVERIFY(r.saveEnabled());

        // An imported file whose code is not valid for its protocol keeps it off.
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("zero.con"));
        writeAll(path, configBytes('K', 'V', with(sampleProteusX(), {{26, 0}, {27, 0}})));
        r.dialogs.openPath = path;
        r.w<QPushButton>(Ctl::btnImporta)->click();
        QCOMPARE(r.dialogs.messages, QStringList());
        QVERIFY(!r.saveEnabled());
        QCOMPARE(focused(), r.w(Ctl::txtCodicePeriferica));
    }

    // The serial number's message goes through the window's message boxes.
    void serialNumberMessage() {
        EditorRig r;
        auto* box = r.w<QLineEdit>(Ctl::txtSerialNumber);
        r.type(box, QStringLiteral("1234567"));
        QCOMPARE(
            r.dialogs.messages,
            QStringList{QStringLiteral("ATTENZIONE: il numero di serie deve essere di 8 cifre!")});
        QCOMPARE(focused(), box);
    }

    // A refused import says why and changes nothing the editor shows.
    void importRefusalMessage() {
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("w.con"));
        writeAll(path, configBytes('W', 'V', sampleSicep()));
        const QStringList before = valuesOf(r.editor().model());
        r.dialogs.openPath = path;
        r.w<QPushButton>(Ctl::btnImporta)->click();
        QCOMPARE(r.dialogs.messages,
                 QStringList{QStringLiteral("Attenzione: file di configurazione adatto per "
                                            "versioni firmware precedenti alla M6 !")});
        QCOMPARE(valuesOf(r.editor().model()), before);
        QCOMPARE(mismatches(r.editor()), QStringList());
        QVERIFY(r.saveEnabled());
    }

    // "Programmazione" and "Esporta" stop at a field the model cannot collect: nothing is sent
    // or saved, the message names it and the focus is there.
    void collectionRefusal_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("words");
        QTest::newRow("every input conditioned")
            << with(sampleProteusX(), {{22, 0xF0}, {23, 0x0F}, {38, 0x80}}) << ""
            << "chkSpontaneaACOff"
            << "tutti i suoi ingressi sono condizionati";
        QTest::newRow("siren emptied") << sampleProteusX() << "type txtTempoSirena "
                                       << "txtTempoSirena"
                                       << "\"Tempo Sirena (s)\"";
    }
    void collectionRefusal() {
        QFETCH(Image, image);
        QFETCH(QString, step);
        QFETCH(QString, control);
        QFETCH(QString, words);
        EditorRig r;
        QVERIFY(r.show(image));
        if (!step.isEmpty()) {
            act(r, step);
            r.dialogs.messages.clear();
        }
        const int writes = int(r.link.writes.size());
        const Image saveBefore = r.state.SaveImage;
        r.window->run().tlbMain_ButtonClick(Command::Save);
        QCOMPARE(int(r.link.writes.size()), writes);
        QVERIFY(r.state.SaveImage == saveBefore);
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY2(r.dialogs.messages.first().contains(words), qPrintable(r.dialogs.messages[0]));
        QTRY_COMPARE(focused() ? focused()->objectName() : QString(), control);
        QVERIFY(r.saveEnabled()); // correct it and try again

        QTemporaryDir files;
        r.dialogs.savePath = files.filePath(QStringLiteral("x.con"));
        r.w<QPushButton>(Ctl::btnEsporta)->click();
        QCOMPARE(r.dialogs.messages.size(), 2);
        QVERIFY(!QFile::exists(r.dialogs.savePath));
    }
};

SELVANA_TEST_MAIN(TestEditorView)
#include "tst_editor_view.moc"
