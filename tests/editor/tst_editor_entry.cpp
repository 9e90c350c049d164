#include "core/fields/key_filter.h"
#include "editor/model_rig.h"

using namespace selvana;
using namespace selvana::testing;

namespace {

Ctl box(const QString& name) {
    const auto id = editor::controlNamed(name);
    if (!id)
        qFatal("no control %s", qPrintable(name));
    return *id;
}

Image proteusXBidirectional() {
    return with(sampleProteusX(), {{15, 0x71}, {16, 3}, {17, 0xFE}});
}

} // namespace

class TestEditorEntry : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(kItalian); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // ---- key verdicts ----

    // A refused key never reaches the text; the caret stays at the end.
    void refusedKeysNeverArrive_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        struct Row {
            const char* name;
            Image image;
            const char* box;
            const char* keys;
            const char* expected;
        };
        const Row everyLocale[] = {
            {"siren 1x2", sampleProteusX(), "txtTempoSirena", "1x2", "12"},
            {"code 1x2", sampleProteusX(), "txtCodicePeriferica", "1x2", "12"},
            {"offset 1x2", sampleSicep(), "txtOffsetSicep1", "1x2", "12"},
            {"repeater -6.4", sampleProteusX(), "txtCodiceRep", "-6.4", "64"},
            {"cadence 1,2", sampleProteusX(), "txtCadenzaSopravvivenza", "1,2", "12"},
            {"lock time letters", sampleProteusX(), "txtTempoAggancio", "2e-5", "25"},
            {"serial number takes any character", Image{}, "txtSerialNumber", "A1-x", "A1-x"},
        };
        for (const auto& [name, loc] : {std::pair{"it", kItalian}, std::pair{"en", kEnglish}})
            for (const Row& row : everyLocale)
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(name, row.name)))
                    << loc << row.image << row.box << row.keys << row.expected;
        const std::tuple<const char*, QLocale, Row> separators[] = {
            {"it",
             kItalian,
             {"lock time: one comma, no point", sampleProteusX(), "txtTempoAggancio", "2.,5,1",
              "2,51"}},
            {"en",
             kEnglish,
             {"lock time: one point, no comma", sampleProteusX(), "txtTempoAggancio", "2,.5.1",
              "2.51"}},
            {"it", kItalian, {"frequency", sampleSicep(), "txtFrequenzaTX", "433.,92,", "433,92"}},
            {"en", kEnglish, {"frequency", sampleSicep(), "txtFrequenzaTX", "433,.92.", "433.92"}},
        };
        for (const auto& [name, loc, row] : separators)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(name, row.name)))
                << loc << row.image << row.box << row.keys << row.expected;
    }
    void refusedKeysNeverArrive() {
        QFETCH(QLocale, locale);
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(QString, keys);
        QLocale::setDefault(locale);
        ModelRig r;
        if (image != Image{})
            r.read(image);
        const Ctl id = ::box(box);
        QVERIFY(r.enabled(id) && r.visible(id));
        r.type(id, keys, false);
        QTEST(r.text(id), "expected");
    }

    // Keys away from the end, over a selection, and the editing keys that are never judged.
    void keysInsideTheText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caret");
        struct Row {
            const char* name;
            QLocale locale;
            const char* box;
            const char* start;
            const char* keys;
            const char* expected;
            int caret;
        };
        const Row rows[] = {
            {"letter in the middle", kItalian, "txtTempoSirena", "12", "Home Right x", "12", 1},
            {"letter, then a digit where the caret stayed", kItalian, "txtCodicePeriferica", "300",
             "Home x 1", "1300", 1},
            {"letter over everything", kItalian, "txtTempoSirena", "123", "SelectAll x", "123", 3},
            {"letter over the last digit", kItalian, "txtTempoSirena", "123", "ShiftLeft x", "123",
             2},
            {"letter over the first digits", kItalian, "txtCodicePeriferica", "4567",
             "Home Right Right Left ShiftLeft x", "4567", 0},
            {"full box", kItalian, "txtTempoSirena", "255", "Home x 1", "255", 0},
            {"full box, digit over a selected digit", kItalian, "txtTempoSirena", "255",
             "ShiftLeft 1", "251", 3},
            {"full box, Backspace then a digit", kItalian, "txtTempoSirena", "255", "Backspace 4",
             "254", 3},
            {"it second comma in front", kItalian, "txtTempoAggancio", "2,5", "Home ,", "2,5", 0},
            {"it point in the middle", kItalian, "txtTempoAggancio", "25", "Left .", "25", 1},
            {"en second point in front", kEnglish, "txtTempoAggancio", "2.5", "Home .", "2.5", 0},
            {"en comma in the middle", kEnglish, "txtTempoAggancio", "25", "Left ,", "25", 1},
            {"it separator over the selection", kItalian, "txtFrequenzaTX", "1,5", "ShiftLeft ,",
             "1,5", 2},
            {"Backspace in the middle", kItalian, "txtTempoSirena", "123", "Left Backspace", "13",
             1},
            {"Delete", kItalian, "txtTempoSirena", "123", "Home Delete", "23", 0},
            {"Delete, then a letter", kItalian, "txtCodicePeriferica", "123", "Left Delete x", "12",
             2},
            {"Cut", kItalian, "txtTempoSirena", "123", "ShiftLeft Cut", "12", 2},
            {"Return, Enter, Escape", kItalian, "txtTempoSirena", "12", "Return Enter Escape", "12",
             2},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name)
                << row.locale << row.box << row.start << row.keys << row.expected << row.caret;
    }
    void keysInsideTheText() {
        QFETCH(QLocale, locale);
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        QLocale::setDefault(locale);
        ModelRig r;
        r.read(sampleProteusX());
        const Ctl id = ::box(box);
        r.type(id, start, false);
        QCOMPARE(r.text(id), start);
        const int caret = r.press(id, keys);
        QTEST(r.text(id), "expected");
        QTEST(caret, "caret");
    }

    // The typing limits bound the installer's keys, counting the characters a key replaces.
    void typingLimits_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("limit");
        QTest::newRow("txtCodiceRep") << "txtCodiceRep" << 2;
        QTest::newRow("txtTempoSirena") << "txtTempoSirena" << 3;
        QTest::newRow("txtTempoIngresso") << "txtTempoIngresso" << 3;
        QTest::newRow("txtTempoUscita") << "txtTempoUscita" << 3;
        QTest::newRow("txtFrequenzaTX") << "txtFrequenzaTX" << 8;
        QTest::newRow("txtTempoCampionamentoMancanzaAC") << "txtTempoCampionamentoMancanzaAC" << 3;
        QTest::newRow("txtCadenzaSopravvivenza") << "txtCadenzaSopravvivenza" << 2;
        QTest::newRow("txtCodicePeriferica") << "txtCodicePeriferica" << 5;
        QTest::newRow("txtOffsetSicep1") << "txtOffsetSicep1" << 3;
        QTest::newRow("txtOffsetSicep2") << "txtOffsetSicep2" << 3;
        QTest::newRow("txtSerialNumber") << "txtSerialNumber" << 8;
        QTest::newRow("txtTempoAggancio: none") << "txtTempoAggancio" << 0;
    }
    void typingLimits() {
        QFETCH(QString, box);
        QFETCH(int, limit);
        ModelRig r;
        if (box != QLatin1String("txtSerialNumber"))
            r.read(box.startsWith(QLatin1String("txtOffset")) ? sampleSicep() : sampleProteusX());
        const Ctl id = ::box(box);
        QCOMPARE(r[id].typingLimit, limit);
        const QString digits = QStringLiteral("1").repeated(limit ? limit + 2 : 12);
        r.type(id, digits, false);
        QCOMPARE(r.text(id), limit ? digits.left(limit) : digits);
        if (limit) {
            QVERIFY(!r.model.keyAccepted(id, 0, '2'));
            QVERIFY(r.model.keyAccepted(id, 1, '2'));
            QVERIFY(r.model.keyAccepted(id, 0, 8)); // backspace
        }
    }

    // Typing stops at the limit, also in a box that shows a longer value read from the
    // peripheral; editing keys make room.
    void typingStopsAtTheLimit_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("start"); // typed first; empty: the text shown
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        const Image p = sampleProteusX();
        const Image cadence120 = with(p, {{35, 0x1C}, {36, 0x20}});
        struct Row {
            const char* name;
            Image image;
            const char* box;
            const char* start;
            const char* keys;
            const char* expected;
        };
        const Row rows[] = {
            {"cadence, a third digit", p, "txtCadenzaSopravvivenza", "12", "3", "12"},
            {"cadence, a digit over the selection", p, "txtCadenzaSopravvivenza", "12",
             "ShiftLeft 5", "15"},
            {"cadence of 120 h read, a digit more", cadence120, "txtCadenzaSopravvivenza", "",
             "End 5 Left 6", "120"},
            {"cadence of 120 h read, shortened", cadence120, "txtCadenzaSopravvivenza", "",
             "End Backspace 4 Backspace 9", "19"},
            {"sampling, a fourth digit", p, "txtTempoCampionamentoMancanzaAC", "123", "4", "123"},
            {"repeater, a third digit", p, "txtCodiceRep", "64", "1", "64"},
            {"code, a sixth digit", p, "txtCodicePeriferica", "1234", "5 6", "12345"},
            {"siren, Delete makes room", p, "txtTempoSirena", "255", "1 Home Delete 9", "955"},
            {"offset, a fourth digit", sampleSicep(), "txtOffsetSicep1", "200", "7", "200"},
            {"lock time, no limit", p, "txtTempoAggancio", "1,2345", "6789", "1,23456789"},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name)
                << row.image << row.box << row.start << row.keys << row.expected;
    }
    void typingStopsAtTheLimit() {
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(QString, start);
        QFETCH(QString, keys);
        ModelRig r;
        r.read(image);
        const Ctl id = ::box(box);
        r.focusOn(id);
        if (!start.isEmpty())
            r.type(id, start, false);
        r.press(id, keys);
        QTEST(r.text(id), "expected");
    }

    // The limits are the installer's: what the program shows is never shortened, and is
    // written back as it is.
    void programTextsKeepTheirLength_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("value"); // of the byte written (and the next one for 16 bits)
        struct Row {
            const char* name;
            Image image;
            const char* box;
            const char* shown;
            int byte;
            int value;
        };
        const Row rows[] = {
            {"cadence 120 h", with(sampleProteusX(), {{35, 0x1C}, {36, 0x20}}),
             "txtCadenzaSopravvivenza", "120", 35, 0x1C20},
            {"repeater 200", with(sampleProteusX(), {{16, 200}}), "txtCodiceRep", "200", 16, 200},
            {"bidirectional input 130", with(sampleProteusX(), {{15, 0x71}, {16, 130}, {17, 0xFE}}),
             "txtCodiceRep", "130", 16, 130},
            {"lock time 25,5 s", with(sampleProteusX(), {{11, 255}}), "txtTempoAggancio", "25,5",
             11, 255},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name) << row.image << row.box << row.shown << row.byte << row.value;
    }
    void programTextsKeepTheirLength() {
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(int, byte);
        QFETCH(int, value);
        ModelRig r;
        r.read(image);
        QTEST(r.text(::box(box)), "shown");
        const Image out = r.written();
        if (value > 255)
            QCOMPARE(out[byte] * 256 + out[byte + 1], value);
        else
            QCOMPARE(int(out[byte]), value);
    }

    // A sampling time of 1000 minutes is shown whole; 60000 s do not fit the image, and the
    // write says which field.
    void samplingTimeTooLongForTheImage() {
        ModelRig r;
        r.read(with(sampleProteusX(), {{39, 0xEA}, {40, 0x60}}));
        QCOMPARE(r.text(Ctl::txtTempoCampionamentoMancanzaAC), QStringLiteral("1000"));
        const auto error = r.model.collect();
        QVERIFY(error);
        QCOMPARE(error->control, QStringLiteral("txtTempoCampionamentoMancanzaAC"));
        QVERIFY(error->message.contains(QStringLiteral("\"Tempo Campionamento (min)\"")));
    }

    // ---- the lost-focus checks ----

    void leavingChecksTheRange_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed"); // decimals with a comma
        QTest::addColumn<bool>("valid");
        struct Row {
            const char* name;
            Image image;
            const char* box;
            const char* typed;
            bool valid;
        };
        const Image vhf = sampleProteusX();
        const Image uhf = sampleSicep();
        const Row whole[] = {
            {"siren 0", vhf, "txtTempoSirena", "0", false},
            {"siren 256", vhf, "txtTempoSirena", "256", false},
            {"siren 1", vhf, "txtTempoSirena", "1", true},
            {"siren 255", vhf, "txtTempoSirena", "255", true},
            {"entry 0", vhf, "txtTempoIngresso", "0", false},
            {"exit 256", vhf, "txtTempoUscita", "256", false},
            {"cadence 99", vhf, "txtCadenzaSopravvivenza", "99", true},
            {"cadence 0", vhf, "txtCadenzaSopravvivenza", "0", false},
            {"sampling 240", vhf, "txtTempoCampionamentoMancanzaAC", "240", true},
            {"sampling 241", vhf, "txtTempoCampionamentoMancanzaAC", "241", false},
            {"REP 64", vhf, "txtCodiceRep", "64", true},
            {"REP 65", vhf, "txtCodiceRep", "65", false},
            {"REP 0", vhf, "txtCodiceRep", "0", false},
            {"BIDI 8", proteusXBidirectional(), "txtCodiceRep", "8", true},
            {"BIDI 9", proteusXBidirectional(), "txtCodiceRep", "9", false},
            {"offset 0", uhf, "txtOffsetSicep1", "0", true},
            {"offset 255", uhf, "txtOffsetSicep2", "255", true},
            {"offset 256", uhf, "txtOffsetSicep1", "256", false},
            {"VHF 160", vhf, "txtFrequenzaTX", "160", true},
            {"UHF 160", uhf, "txtFrequenzaTX", "160", false},
        };
        const Row decimal[] = {
            {"lock 0,05", vhf, "txtTempoAggancio", "0,05", false},
            {"lock 0,1", vhf, "txtTempoAggancio", "0,1", true},
            {"lock 25,5", vhf, "txtTempoAggancio", "25,5", true},
            {"lock 25,6", vhf, "txtTempoAggancio", "25,6", false},
            {"VHF 175,4", vhf, "txtFrequenzaTX", "175,4", true},
            {"VHF 175,5", vhf, "txtFrequenzaTX", "175,5", false},
            {"VHF 139,5", vhf, "txtFrequenzaTX", "139,5", true},
            {"VHF 139,4", vhf, "txtFrequenzaTX", "139,4", false},
            {"UHF 400,5", uhf, "txtFrequenzaTX", "400,5", true},
            {"UHF 399,5", uhf, "txtFrequenzaTX", "399,5", true},
            {"UHF 470,5", uhf, "txtFrequenzaTX", "470,5", true},
            {"UHF 470,6", uhf, "txtFrequenzaTX", "470,6", false},
        };
        for (const Row& row : whole)
            QTest::newRow(row.name) << kItalian << row.image << row.box << row.typed << row.valid;
        for (const auto& [name, loc] : {std::pair{"it", kItalian}, std::pair{"en", kEnglish}})
            for (const Row& row : decimal)
                QTest::newRow(qPrintable(
                    QStringLiteral("%1 %2").arg(QLatin1String(name), QLatin1String(row.name))))
                    << loc << row.image << row.box << row.typed << row.valid;
    }
    void leavingChecksTheRange() {
        QFETCH(QLocale, locale);
        QFETCH(Image, image);
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        QLocale::setDefault(locale);
        ModelRig r;
        r.read(image);
        const Ctl id = ::box(box);
        QVERIFY(r.enabled(id) && r.visible(id));
        r.type(id, local(typed));
        QCOMPARE(r.text(id), local(typed));
        QCOMPARE(r.colour(id), valid ? editor::kBlack : editor::kRed);
        QCOMPARE(r.focus == id, !valid);
        if (!valid) { // a second attempt to leave changes nothing
            r.focusOn(std::nullopt);
            QCOMPARE(r.focus, id);
            QCOMPARE(r.colour(id), editor::kRed);
        }
    }

    // Leaving judges the whole text, also one the program showed longer than keys could type.
    void leavingJudgesTheWholeText_data() {
        QTest::addColumn<int>("hours");
        QTest::addColumn<bool>("valid");
        QTest::newRow("cadence 120") << 120 << true;
        QTest::newRow("cadence 240") << 240 << true;
        QTest::newRow("cadence 355") << 355 << false;
    }
    void leavingJudgesTheWholeText() {
        QFETCH(int, hours);
        QFETCH(bool, valid);
        ModelRig r;
        const int minutes = hours * 60;
        r.read(with(sampleProteusX(), {{35, minutes >> 8}, {36, minutes & 0xFF}}));
        r.focusOn(Ctl::txtCadenzaSopravvivenza);
        r.focusOn(std::nullopt);
        QCOMPARE(r.colour(Ctl::txtCadenzaSopravvivenza), valid ? editor::kBlack : editor::kRed);
        QCOMPARE(r.focus == Ctl::txtCadenzaSopravvivenza, !valid);
    }

    // Pasted text is not typing: it stays, and leaving the box judges all of it.
    void pastedText_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("valid");
        const std::tuple<const char*, const char*, const char*, bool> rows[] = {
            {"digits", "txtTempoSirena", "42", true},
            {"letters", "txtTempoSirena", "4a", false},
            {"longer than keys could type", "txtTempoSirena", "0042", true},
            {"code digits", "txtCodicePeriferica", "777", true},
            {"code letters", "txtCodicePeriferica", "7x7", false},
            {"lock time with the other separator", "txtTempoAggancio", "2.5", false},
        };
        for (const auto& [name, box, clipboard, valid] : rows)
            QTest::newRow(name) << box << clipboard << valid;
    }
    void pastedText() {
        QFETCH(QString, box);
        QFETCH(QString, clipboard);
        QFETCH(bool, valid);
        ModelRig r;
        r.read(sampleProteusX());
        const Ctl id = ::box(box);
        r.type(id, QString(), false);
        r.clipboard = clipboard;
        r.press(id, QStringLiteral("Paste"));
        QCOMPARE(r.text(id), clipboard);
        r.focusOn(std::nullopt);
        QCOMPARE(r.colour(id), valid ? editor::kBlack : editor::kRed);
        QCOMPARE(r.focus == id, !valid);
        if (id == Ctl::txtCodicePeriferica)
            QCOMPARE(r.model.saveEnabled(), valid);
        QCOMPARE(r.model.collect().has_value(), !valid);
    }

    void offsetShowsHex_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hex");
        QTest::addColumn<bool>("valid");
        const std::tuple<const char*, const char*, bool> rows[] = {
            {"0", "00", true}, {"10", "0A", true}, {"255", "FF", true}, {"999", "E7", false}};
        for (const auto& [typed, hex, valid] : rows)
            QTest::newRow(typed) << typed << hex << valid;
    }
    void offsetShowsHex() {
        QFETCH(QString, typed);
        QFETCH(bool, valid);
        ModelRig r;
        r.read(sampleSicep());
        r.type(Ctl::txtOffsetSicep2, typed);
        QTEST(r.text(Ctl::txtOffsetSicepHex02), "hex");
        QCOMPARE(r.text(Ctl::txtOffsetSicepHex01), QStringLiteral("0A")); // the other one stays
        QCOMPARE(r.colour(Ctl::txtOffsetSicep2), valid ? editor::kBlack : editor::kRed);
        if (valid)
            QCOMPARE(r.written()[52], typed.toInt());
    }

    // An emptied offset shows 00 and cannot be left; its colour stays what it was.
    void emptiedOffsetKeepsTheFocus() {
        ModelRig r;
        r.read(sampleSicep());
        for (const std::uint32_t colour : {editor::kBlack, editor::kRed}) {
            r.type(Ctl::txtOffsetSicep1,
                   colour == editor::kRed ? QStringLiteral("300") : QStringLiteral("30"));
            QCOMPARE(r.colour(Ctl::txtOffsetSicep1), colour);
            r.type(Ctl::txtOffsetSicep1, QString());
            QCOMPARE(r.text(Ctl::txtOffsetSicepHex01), QStringLiteral("00"));
            QCOMPARE(r.focus, Ctl::txtOffsetSicep1);
            QCOMPARE(r.colour(Ctl::txtOffsetSicep1), colour);
        }
    }

    // ---- peripheral code and serial number ----

    void peripheralCodeRange_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("valid");
        const std::tuple<const char*, const char*, bool> proteus[] = {
            {"Proteus", "1023", true}, {"Proteus", "1024", false}, {"Proteus", "1", true}};
        for (const auto& [protocol, code, valid] : proteus)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(protocol, code)))
                << protocol << code << valid;
        for (const char* protocol : {"Proteus", "Proteus-X", "Sicep", "UPR", "UPR-52"}) {
            if (QLatin1String(protocol) != QLatin1String("Proteus")) {
                QTest::newRow(qPrintable(QStringLiteral("%1 9999").arg(protocol)))
                    << protocol << "9999" << true;
                QTest::newRow(qPrintable(QStringLiteral("%1 10000").arg(protocol)))
                    << protocol << "10000" << false;
            }
            QTest::newRow(qPrintable(QStringLiteral("%1 0").arg(protocol)))
                << protocol << "0" << false;
        }
    }
    void peripheralCodeRange() {
        QFETCH(QString, protocol);
        QFETCH(QString, code);
        QFETCH(bool, valid);
        ModelRig r;
        QVERIFY(r.read(sampleProteusX()));
        QVERIFY(r.choose(Ctl::cmbProtocollo, protocol));
        QVERIFY(r.model.saveEnabled());
        r.type(Ctl::txtCodicePeriferica, code);
        QCOMPARE(r.text(Ctl::txtCodicePeriferica), code);
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), valid ? editor::kBlack : editor::kRed);
        QCOMPARE(r.model.saveEnabled(), valid);
        QCOMPARE(r.model.writable(), valid);
        QCOMPARE(r.focus == Ctl::txtCodicePeriferica, !valid);
    }

    // No protocol selected (the lists rebuilt, nothing shown yet): every code is out of range.
    void codeWithoutProtocol() {
        ModelRig r;
        r.model.fillCombos();
        r.type(Ctl::txtCodicePeriferica, QStringLiteral("5"));
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), editor::kRed);
        QVERIFY(!r.model.saveEnabled());
    }

    // A letter never reaches the check: "SAVE" never goes off while typing a valid code.
    void letterInTheCode_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("valid");
        const std::tuple<const char*, const char*, const char*, bool> rows[] = {
            {"Proteus-X", "5a", "5", true},
            {"Proteus", "10a2b3", "1023", true},
            {"Proteus", "10a2b4", "1024", false},
        };
        for (const auto& [protocol, keys, expected, valid] : rows)
            QTest::newRow(keys) << protocol << keys << expected << valid;
    }
    void letterInTheCode() {
        QFETCH(QString, protocol);
        QFETCH(QString, keys);
        QFETCH(bool, valid);
        ModelRig r;
        QVERIFY(r.read(sampleProteusX()));
        QVERIFY(r.choose(Ctl::cmbProtocollo, protocol));
        r.type(Ctl::txtCodicePeriferica, QStringLiteral("1"), false);
        r.saveDecisions.clear();
        r.press(Ctl::txtCodicePeriferica, QStringLiteral("Backspace ") + keys);
        QTEST(r.text(Ctl::txtCodicePeriferica), "expected");
        QCOMPARE(r.colour(Ctl::txtCodicePeriferica), valid ? editor::kBlack : editor::kRed);
        QCOMPARE(r.model.saveEnabled(), valid);
        QCOMPARE(r.saveDecisions.count(false), valid ? 0 : 1);
        QCOMPARE(r.saveDecisions.last(), valid);
    }

    // The serial number box exists only before the first presentation; its length decides
    // "SAVE", and leaving it short says so.
    void serialNumber() {
        ModelRig r;
        QVERIFY(r.visible(Ctl::txtSerialNumber));
        QCOMPARE(r.text(Ctl::txtSerialNumber), QStringLiteral("Text1"));
        r.type(Ctl::txtSerialNumber, QString(), false);
        for (const QChar ch : QStringLiteral("12AB5-7")) {
            r.saveDecisions.clear();
            r.press(Ctl::txtSerialNumber, QString(ch));
            QCOMPARE(r.saveDecisions, QList<bool>{false});
        }
        QCOMPARE(r.text(Ctl::txtSerialNumber), QStringLiteral("12AB5-7"));
        QVERIFY(r.messages.isEmpty());
        r.saveDecisions.clear();
        r.focusOn(std::nullopt);
        QCOMPARE(r.messages, QStringList{QStringLiteral(
                                 "ATTENZIONE: il numero di serie deve essere di 8 cifre!")});
        QCOMPARE(r.focus, Ctl::txtSerialNumber);
        QCOMPARE(r.saveDecisions.last(), false);
        QVERIFY(!r.model.saveEnabled());

        r.saveDecisions.clear();
        r.press(Ctl::txtSerialNumber, QStringLiteral("x")); // any character counts
        QCOMPARE(r.saveDecisions, QList<bool>{true});
        r.press(Ctl::txtSerialNumber, QStringLiteral("9")); // no ninth one
        QCOMPARE(r.text(Ctl::txtSerialNumber), QStringLiteral("12AB5-7x"));
        r.saveDecisions.clear();
        r.focusOn(std::nullopt);
        QCOMPARE(r.messages.size(), 1);
        QVERIFY(r.focus != Ctl::txtSerialNumber);
        QVERIFY(!r.saveDecisions.isEmpty() && !r.saveDecisions.contains(false));

        r.read(sampleProteusX()); // presenting hides it
        QVERIFY(!r.visible(Ctl::txtSerialNumber));
        QVERIFY(!r.model.edit(Ctl::txtSerialNumber, QStringLiteral("x")));
        QCOMPARE(r.text(Ctl::lblSerialNumber), QStringLiteral("1234ABCD"));
        QVERIFY(r.model.saveEnabled());
    }

    // ---- focus ----

    // Two boxes out of range after a read: moving between them settles at once, and each box
    // shows its colour when it is left.
    void invalidBoxesDoNotFight_data() {
        QTest::addColumn<Image>("image");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("fix");
        struct Row {
            const char* name;
            Image image;
            const char* first;
            const char* second;
            const char* fix;
        };
        const Row rows[] = {
            {"siren 0, cadence 0", with(sampleProteusX(), {{45, 0}, {35, 0}, {36, 0}}),
             "txtTempoSirena", "txtCadenzaSopravvivenza", "5"},
            {"lock time 0, sampling 0", with(sampleProteusX(), {{11, 0}, {39, 0}, {40, 0}}),
             "txtTempoAggancio", "txtTempoCampionamentoMancanzaAC", "1"},
            {"code 0, siren 0", with(sampleProteusX(), {{26, 0}, {27, 0}, {45, 0}}),
             "txtCodicePeriferica", "txtTempoSirena", "9"},
            // Survival off shows a cadence of 0; the panel shows the entry time 0.
            {"Sicep: entry 0, cadence 0", with(sampleSicep(), {{37, 1}, {45, 5}, {46, 5}}),
             "txtTempoIngresso", "txtCadenzaSopravvivenza", "7"},
        };
        for (const Row& row : rows)
            QTest::newRow(row.name) << row.image << row.first << row.second << row.fix;
    }
    void invalidBoxesDoNotFight() {
        QFETCH(Image, image);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, fix);
        ModelRig r;
        r.read(image);
        const Ctl a = box(first);
        const Ctl b = box(second);
        r.focusOn(a);
        for (int round = 0; round < 3; ++round) {
            r.focusOn(b);
            r.focusOn(std::nullopt); // Tab
            r.focusOn(a);
        }
        QVERIFY(!r.bounced);
        QVERIFY2(r.focusChanges < 40, qPrintable(QString::number(r.focusChanges)));
        QCOMPARE(r.focus, a);
        QCOMPARE(r.colour(a), editor::kRed);

        // Corrected, the first lets the focus go; the second is judged when it is left.
        r.type(a, fix, false);
        r.focusOn(b);
        QCOMPARE(r.focus, b);
        QCOMPARE(r.colour(a), editor::kBlack);
        r.focusOn(a);
        QCOMPARE(r.focus, b);
        QCOMPARE(r.colour(b), editor::kRed);
        QCOMPARE(r.colour(a), editor::kBlack);
        r.type(b, QStringLiteral("2"));
        QCOMPARE(r.colour(b), editor::kBlack);
        QVERIFY(r.focus != b);
    }

    // A box that is hidden or disabled while it holds a wrong value cannot be corrected there:
    // it does not ask for the focus back.
    void focusNotReturnedToABoxOutOfReach_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("control"); // clicked to take the box away
        QTest::newRow("siren hidden with the panel") << "txtTempoSirena"
                                                     << "chkCentralinaIntegrata";
        QTest::newRow("sampling time disabled") << "txtTempoCampionamentoMancanzaAC"
                                                << "chkSpontaneaACOff";
    }
    void focusNotReturnedToABoxOutOfReach() {
        QFETCH(QString, box);
        QFETCH(QString, control);
        ModelRig r;
        r.read(sampleProteusX());
        const Ctl id = ::box(box);
        r.type(id, QStringLiteral("0"));
        QCOMPARE(r.focus, id);
        QVERIFY(r.click(::box(control)));
        QVERIFY(!r.visible(id) || !r.enabled(id));
        QVERIFY(r.focus != id);
        // The rest of the editor works normally.
        r.type(Ctl::txtTempoAggancio, QStringLiteral("3"));
        QCOMPARE(r.colour(Ctl::txtTempoAggancio), editor::kBlack);
        QVERIFY(r.focus != Ctl::txtTempoAggancio);
        QVERIFY(r.focus != id);
    }

    // Boxes the program fills while it presents are not being left: no check, no request.
    void presentingJudgesNothing() {
        ModelRig r;
        r.read(sampleProteusX());
        r.focusOn(Ctl::txtTempoSirena);
        r.type(Ctl::txtTempoSirena, QStringLiteral("0"), false);
        QVERIFY(r.read(sampleProteusX()));
        QCOMPARE(r.focus, Ctl::txtTempoSirena);
        QCOMPARE(r.colour(Ctl::txtTempoSirena), editor::kBlack);
        QVERIFY(!r.model.focusRequest());
    }

    // Texts the rules put into boxes after refused keys are whole, in and out of the box that
    // saw the keys.
    void refusedKeysLeaveNothingBehind_data() {
        QTest::addColumn<QString>("keys");
        for (const char* keys : {"Return", "Escape", "5 x", ","})
            QTest::newRow(keys) << keys;
    }
    void refusedKeysLeaveNothingBehind() {
        QFETCH(QString, keys);
        ModelRig r;
        QVERIFY(r.read(sampleProteusX()));
        r.type(Ctl::txtTempoSirena, QStringLiteral("12"), false);
        r.press(Ctl::txtTempoSirena, keys);
        QVERIFY(r.text(Ctl::txtTempoSirena).startsWith(QStringLiteral("12")));
        QVERIFY(r.click(Ctl::chkCentralinaIntegrata));
        QVERIFY(r.click(Ctl::chkCentralinaIntegrata));
        QCOMPARE(r.text(Ctl::txtTempoSirena), QStringLiteral("30"));
        QCOMPARE(r.text(Ctl::txtTempoIngresso), QStringLiteral("10"));
        QVERIFY(r.choose(Ctl::cmbViaTX, QStringLiteral("Bidirezionale")));
        QCOMPARE(r.text(Ctl::txtCodiceRep), QStringLiteral("1"));
        QVERIFY(r.choose(Ctl::cmbProtocollo, QStringLiteral("Sicep")));
        QCOMPARE(r.text(Ctl::txtOffsetSicep1), QStringLiteral("200"));
    }

    // Same with a decimal box that is full: neither digit nor separator changes the text.
    void refusedKeyInFullDecimalBox() {
        ModelRig r;
        QVERIFY(r.read(sampleProteusX()));
        QCOMPARE(r.text(Ctl::txtFrequenzaTX), QStringLiteral("156,0000")); // 8 characters
        r.type(Ctl::txtFrequenzaTX, QStringLiteral("156,0000"), false);
        r.press(Ctl::txtFrequenzaTX, QStringLiteral("1 ,"));
        QCOMPARE(r.text(Ctl::txtFrequenzaTX), QStringLiteral("156,0000"));
        QVERIFY(r.click(Ctl::chkInvioSopravvivenza));
        QCOMPARE(r.text(Ctl::txtCadenzaSopravvivenza), QStringLiteral("0"));
        QVERIFY(r.click(Ctl::chkInvioSopravvivenza));
        QCOMPARE(r.text(Ctl::txtCadenzaSopravvivenza), QStringLiteral("24"));
    }

    // ---- the verdict on one key ----

    void checkKeyAscii_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        for (const auto& [name, loc] : {std::pair{"it", kItalian}, std::pair{"en", kEnglish}}) {
            const QString n = QLatin1String(name);
            QTest::newRow(qPrintable(n + " I digit")) << loc << "I"
                                                      << "12" << int('7') << -1;
            QTest::newRow(qPrintable(n + " I minus")) << loc << "I"
                                                      << "" << int('-') << 0;
            QTest::newRow(qPrintable(n + " I point")) << loc << "I"
                                                      << "1" << int('.') << 0;
            QTest::newRow(qPrintable(n + " I letter")) << loc << "I"
                                                       << "1" << int('x') << 0;
            QTest::newRow(qPrintable(n + " L like I")) << loc << "L"
                                                       << "" << int('a') << 0;
            QTest::newRow(qPrintable(n + " long tag IX")) << loc << "IX"
                                                          << "" << int('a') << 0;
            QTest::newRow(qPrintable(n + " other tag")) << loc << "Z"
                                                        << "" << int('a') << -1;
            QTest::newRow(qPrintable(n + " empty tag")) << loc << ""
                                                        << "" << int('a') << -1;
            QTest::newRow(qPrintable(n + " lower d is other")) << loc << "d"
                                                               << "" << int('a') << -1;
            QTest::newRow(qPrintable(n + " D digit")) << loc << "D"
                                                      << "1,5" << int('3') << -1;
            QTest::newRow(qPrintable(n + " D letter")) << loc << "D"
                                                       << "1" << int('e') << 0;
        }
        // Decimal comma: the comma once, then never; the point never.
        QTest::newRow("it D comma") << kItalian << "D"
                                    << "12" << 44 << -1;
        QTest::newRow("it D second comma") << kItalian << "D"
                                           << "1,2" << 44 << 0;
        QTest::newRow("it D point") << kItalian << "D"
                                    << "12" << 46 << 44;
        QTest::newRow("it D point after comma") << kItalian << "D"
                                                << "1,2" << 46 << 0;
        QTest::newRow("en D point") << kEnglish << "D"
                                    << "12" << 46 << -1;
        QTest::newRow("en D second point") << kEnglish << "D"
                                           << "1.2" << 46 << 0;
        QTest::newRow("en D comma") << kEnglish << "D"
                                    << "12" << 44 << 46;
    }
    void checkKeyAscii() {
        QFETCH(QLocale, locale);
        QFETCH(QString, tag);
        QFETCH(QString, text);
        QFETCH(int, key);
        QLocale::setDefault(locale);
        QTEST(CheckKeyAscii(tag, text, key), "result");
    }

    // A typed character replaces the selected ones: the text it leaves must fit.
    void keyFitsTypingLimit_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("fits");
        QTest::newRow("room left") << 1 << 0 << 2 << true;
        QTest::newRow("full") << 2 << 0 << 2 << false;
        QTest::newRow("full, one selected") << 2 << 1 << 2 << true;
        QTest::newRow("longer than the limit, one selected") << 3 << 1 << 2 << false;
        QTest::newRow("longer than the limit, all selected") << 3 << 3 << 2 << true;
        QTest::newRow("no limit") << 40 << 0 << 0 << true;
    }
    void keyFitsTypingLimit() {
        QFETCH(int, length);
        QFETCH(int, selected);
        QFETCH(int, limit);
        QTEST(selvana::keyFitsTypingLimit(length, selected, limit), "fits");
    }
};

QTEST_APPLESS_MAIN(TestEditorEntry)
#include "tst_editor_entry.moc"
