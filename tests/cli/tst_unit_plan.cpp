#include "cli/unit_plan.h"
#include "common/sample_images.h"
#include "common/test_main.h"
#include "core/editor/editor_model.h"
#include "core/image/config_decoder.h"
#include "core/image/memory_map.h"
#include "registry/programming_register.h"
#include "registry/unit_register.h"

#include <QTemporaryDir>
#include <QTest>

using namespace selvana;
using namespace selvana::cli;
using namespace selvana::testing;

namespace {

// A row as "code|zone|network", the network empty when the row names none.
QString rowText(const PlanRow& row) {
    return QStringLiteral("%1:%2|%3|%4")
        .arg(row.line)
        .arg(row.unit.code)
        .arg(row.unit.zone, row.unit.network ? QString::number(*row.unit.network) : QString());
}

Image withProtocol(Image image, int protocol) {
    image[map::kOptions] =
        static_cast<std::uint8_t>((image[map::kOptions] & ~map::kOptionsProtocolMask) | protocol);
    image[64] = CalcolaCKSSave(image);
    return image;
}

// "SERIAL NETWORK CODE OUTCOME" as a Proteus-X record of the register.
registry::UnitRecord heldRecord(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '));
    registry::UnitRecord record;
    record.serialNumber = parts[0];
    record.protocol = 1;
    record.network = parts[1].toInt();
    record.peripheralCode = parts[2].toInt();
    record.outcome = registry::outcomeFromKey(parts[3]).value_or(registry::Outcome::Written);
    return record;
}

} // namespace

class TestUnitPlan : public QObject {
    Q_OBJECT

private slots:
    void codeRanges_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("error");
        QTest::newRow("range") << "101-120" << 101 << 120 << "";
        QTest::newRow("blanks around") << " 5 - 9 " << 5 << 9 << "";
        QTest::newRow("one code") << "7" << 7 << 7 << "";
        QTest::newRow("reversed") << "120-101" << 0 << 0 << "maggiore dell'ultimo";
        QTest::newRow("code 0") << "0-5" << 0 << 0 << "vanno da 1 a 65535";
        QTest::newRow("beyond 16 bits") << "1-65536" << 0 << 0 << "vanno da 1 a 65535";
        QTest::newRow("open end") << "101-" << 0 << 0 << "per esempio 101-120";
        QTest::newRow("words") << "cento" << 0 << 0 << "per esempio 101-120";
        QTest::newRow("negative") << "-5" << 0 << 0 << "per esempio 101-120";
    }
    void codeRanges() {
        QFETCH(QString, text);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QString, error);
        CodeRange range{-1, -1};
        const auto refusal = parseCodeRange(text, range);
        if (error.isEmpty()) {
            QVERIFY2(!refusal, qPrintable(refusal.value_or(QString())));
            QCOMPARE(range.first, first);
            QCOMPARE(range.last, last);
        } else {
            QVERIFY(refusal);
            QVERIFY2(refusal->contains(error), qPrintable(*refusal));
            QCOMPARE(range.first, -1); // untouched
        }
    }

    void plans_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("error");
        QTest::newRow("semicolons, no header")
            << QByteArray("101;Ingresso\n102;Magazzino\n")
            << QStringList{"1:101|Ingresso|", "2:102|Magazzino|"} << "";
        QTest::newRow("commas with a header and networks")
            << QByteArray("codice,descrizione,rete\n7,Cancello,12\n8,,\n")
            << QStringList{"2:7|Cancello|12", "3:8||"} << "";
        QTest::newRow("header in another order, zona")
            << QByteArray("Rete;Codice;Zona\n12;5;Tetto\n") << QStringList{"2:5|Tetto|12"} << "";
        QTest::newRow("commas inside a semicolon file")
            << QByteArray("101;Scala A, piano 2\n") << QStringList{"1:101|Scala A, piano 2|"} << "";
        QTest::newRow("quoted separator and quote") << QByteArray("101,\"Uffici, \"\"nord\"\"\"\n")
                                                    << QStringList{"1:101|Uffici, \"nord\"|"} << "";
        QTest::newRow("mark, CRLF, blank and empty rows keep line numbers")
            << QByteArray("\xEF\xBB\xBF"
                          "codice;zona\r\n\r\n;;\r\n101;Atrio\r\n")
            << QStringList{"4:101|Atrio|"} << "";
        QTest::newRow("older spreadsheet code page")
            << QByteArray("3;Caff\xE8\n") << QStringList{QStringLiteral("1:3|Caffè|")} << "";
        QTest::newRow("older code page, its own signs")
            << QByteArray("4;Bar \x80 \x93\n") << QStringList{QStringLiteral("1:4|Bar € \u201C|")}
            << "";
        QTest::newRow("a control character, one of the code page's gaps")
            << QByteArray("4;Bar \x81\n") << QStringList{}
            << "riga 1: la descrizione contiene un "
               "carattere di controllo";
        QTest::newRow("same code in two networks")
            << QByteArray("5;a;12\n5;b;13\n") << QStringList{"1:5|a|12", "2:5|b|13"} << "";

        QTest::newRow("code not a number")
            << QByteArray("101;a\n\n10x;b\n") << QStringList{} << "riga 3: il codice \"10x\"";
        QTest::newRow("negative code")
            << QByteArray("1;a\n-4;b\n") << QStringList{} << "riga 2: il codice \"-4\"";
        QTest::newRow("no code") << QByteArray("codice;zona\n;Atrio\n") << QStringList{}
                                 << "riga 2: manca il codice";
        QTest::newRow("too many columns")
            << QByteArray("1;a;12;x\n") << QStringList{} << "riga 1: 4 colonne, al massimo 3";
        QTest::newRow("network not a number")
            << QByteArray("1;a;dodici\n") << QStringList{} << "riga 1: la rete \"dodici\"";
        QTest::newRow("network beyond 16 bits")
            << QByteArray("1;a;65536\n") << QStringList{} << "riga 1: la rete \"65536\"";
        QTest::newRow("unknown column") << QByteArray("codice;piano\n1;2\n") << QStringList{}
                                        << "riga 1: la colonna \"piano\" non è prevista";
        QTest::newRow("column twice") << QByteArray("codice;zona;descrizione\n") << QStringList{}
                                      << "riga 1: la colonna \"descrizione\" compare due volte";
        QTest::newRow("header without code")
            << QByteArray("zona;rete\n") << QStringList{} << "riga 1: manca la colonna";
        QTest::newRow("quote left open")
            << QByteArray("1;a\n2;\"b\n") << QStringList{} << "riga 2: virgolette";
        QTest::newRow("a code twice in one network")
            << QByteArray("5;a\n6;b\n5;c\n") << QStringList{}
            << "riga 3: il codice 5 è già alla riga 1";
        QTest::newRow("a code twice in a named network")
            << QByteArray("5;a;12\n5;c;12\n") << QStringList{}
            << "riga 2: il codice 5 è già alla riga 1 nella rete 00012";
        QTest::newRow("header only")
            << QByteArray("codice;zona\n") << QStringList{} << "non contiene righe";
        QTest::newRow("empty") << QByteArray("\n\n") << QStringList{} << "non contiene righe";
    }
    void plans() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, rows);
        QFETCH(QString, error);
        QList<PlanRow> read{PlanRow{99, PlannedUnit{1, std::nullopt, QStringLiteral("kept")}}};
        const auto refusal = parsePlan(content, read);
        if (!error.isEmpty()) {
            QVERIFY(refusal);
            QVERIFY2(refusal->contains(error), qPrintable(*refusal));
            QCOMPARE(read.size(), 1); // nothing kept from a piano that is refused
            return;
        }
        QVERIFY2(!refusal, qPrintable(refusal.value_or(QString())));
        QStringList got;
        for (const PlanRow& row : read)
            got << rowText(row);
        QCOMPARE(got, rows);
    }

    void readPlanTellsAnUnreadableFile() {
        QTemporaryDir dir;
        QList<PlanRow> rows;
        bool unreadable = false;
        auto error = readPlan(dir.filePath(QStringLiteral("manca.csv")), rows, &unreadable);
        QVERIFY(error && error->contains(QStringLiteral("il file non esiste")));
        QVERIFY(unreadable);
        QFile file(dir.filePath(QStringLiteral("piano.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1;a\nx;b\n");
        file.close();
        error = readPlan(file.fileName(), rows, &unreadable);
        QVERIFY(error && error->contains(QStringLiteral("riga 2")));
        QVERIFY(!unreadable);
    }

    // A unit applied to the editor as the installer's edits, then collected: what the window
    // refuses is refused, and what it takes is written.
    void unitsOnTheEditor_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("network");        // -1: none planned
        QTest::addColumn<int>("writtenNetwork"); // -1: the model's own rule
        QTest::addColumn<QString>("error");
        // The sample holds network 12; networks 12 and 40 are listed.
        QTest::newRow("Proteus-X code") << 1 << 101 << -1 << 12 << "";
        QTest::newRow("Proteus-X largest code") << 1 << 9999 << -1 << 12 << "";
        QTest::newRow("Proteus-X code too large")
            << 1 << 10000 << -1 << 0 << "per il protocollo Proteus-X va da 1 a 9999";
        QTest::newRow("code 0") << 1 << 0 << -1 << 0 << "va da 1 a 9999";
        QTest::newRow("more digits than the box takes")
            << 1 << 123456 << -1 << 0 << "non entra nel campo \"Codice Periferica\"";
        QTest::newRow("Proteus code above its largest")
            << 0 << 1024 << -1 << 0 << "per il protocollo Proteus va da 1 a 1023";
        QTest::newRow("Proteus largest code") << 0 << 1023 << -1 << -1 << "";
        QTest::newRow("listed network chosen") << 1 << 7 << 40 << 40 << "";
        QTest::newRow("no network chosen") << 1 << 7 << 0 << 0 << "";
        QTest::newRow("network not listed")
            << 1 << 7 << 55 << 0 << "La rete 00055 non è nell'elenco delle reti";
        QTest::newRow("network with Sicep")
            << 2 << 7 << 40 << 0 << "il protocollo Sicep non ha reti";
        QTest::newRow("network with Proteus")
            << 0 << 7 << 0 << 0 << "il protocollo Proteus non ha reti";
    }
    void unitsOnTheEditor() {
        QFETCH(int, protocol);
        QFETCH(int, code);
        QFETCH(int, network);
        QFETCH(int, writtenNetwork);
        QFETCH(QString, error);
        SessionData session;
        session.FirmwareM6 = 1;
        session.networkList[1] = "00012Dodici";
        session.networkList[2] = "00040Quaranta";
        editor::EditorModel model(session);
        model.fillCombos();
        model.presentRead(withProtocol(sampleProteusX(), protocol));
        const PlannedUnit unit{code, network >= 0 ? std::optional<int>(network) : std::nullopt,
                               QStringLiteral("Atrio")};
        const auto refusal = applyPlannedUnit(model, unit);
        if (!error.isEmpty()) {
            QVERIFY(refusal);
            QVERIFY2(refusal->contains(error), qPrintable(*refusal));
            return;
        }
        QVERIFY2(!refusal, qPrintable(refusal.value_or(QString())));
        QVERIFY(model.saveEnabled());
        QVERIFY(!model.collect());
        ConfigRecord written;
        Analyze2(session.SaveImage, QString(), written);
        QCOMPARE(written.CodicePeriferica, code);
        if (writtenNetwork >= 0)
            QCOMPARE(written.CodiceRete, writtenNetwork);
        QCOMPARE(written.Protocollo, protocol);
    }

    // Codes of a range, one peripheral after another. Steps: a serial number whose peripheral
    // takes its code, or "SERIAL?" for one that does not (refused, nothing sent). 0: none left.
    void codesOfARange_data() {
        QTest::addColumn<QStringList>("held");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<bool>("exhausted");
        QTest::newRow("lowest free, past the register's")
            << QStringList{"AAAA0001 77 101 scritta", "AAAA0002 77 102 nessuna_risposta"}
            << "101-104" << QStringList{"B1", "B2"} << QList<int>{103, 104} << true;
        QTest::newRow("refused writes and other networks hold nothing")
            << QStringList{"AAAA0001 77 101 rifiutata", "AAAA0002 12 101 scritta"} << "101-102"
            << QStringList{"B1"} << QList<int>{101} << false;
        QTest::newRow("a later write frees a code")
            << QStringList{"AAAA0001 77 5 scritta", "AAAA0001 77 9 scritta"} << "5-6"
            << QStringList{"B1", "B2"} << QList<int>{5, 6} << true;
        QTest::newRow("codes given in this run")
            << QStringList{} << "5-6" << QStringList{"B1", "B2", "B3"} << QList<int>{5, 6, 0}
            << true;
        QTest::newRow("a code not taken is given again")
            << QStringList{} << "5-6" << QStringList{"B1?", "B2"} << QList<int>{5, 5} << false;
        QTest::newRow("a peripheral seen again keeps its code")
            << QStringList{} << "5-7" << QStringList{"B1", "B2", "B1"} << QList<int>{5, 6, 5}
            << false;
        QTest::newRow("its own code in the register is free to it")
            << QStringList{"B0000001 77 5 scritta"} << "5-6" << QStringList{"B0000001", "B2"}
            << QList<int>{5, 6} << true;
        QTest::newRow("a code another program is writing now")
            << QStringList{"AAAA0001 77 5 prenotata"} << "5-6" << QStringList{"B1"} << QList<int>{6}
            << true;
        QTest::newRow("a lost port holds nothing")
            << QStringList{"AAAA0001 77 5 scritta", "AAAA0002 77 6 porta_persa",
                           "AAAA0003 77 7 scritta"}
            << "5-7" << QStringList{"B1"} << QList<int>{6} << true;
    }
    void codesOfARange() {
        QFETCH(QStringList, held);
        QFETCH(QString, range);
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, codes);
        QFETCH(bool, exhausted);
        QTemporaryDir dir;
        registry::RegisterError error;
        auto reg = std::make_unique<registry::ProgrammingRegister>(
            dir.filePath(QStringLiteral("r.sqlite")), std::nullopt);
        QVERIFY2(reg->local(&error), qPrintable(error.message));
        // A minute apart, in the order given: "later" must not hang on a clock tick.
        QDateTime time(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
        for (const QString& text : held) {
            registry::UnitRecord record = heldRecord(text);
            if (text.endsWith(QStringLiteral(" prenotata"))) { // by a program writing it now
                registry::Reservation r;
                r.protocol = record.protocol;
                r.network = record.network;
                r.peripheralCode = record.peripheralCode;
                r.serialNumber = record.serialNumber;
                r.owner = QStringLiteral("altro programma");
                std::optional<registry::CodeHolder> holder;
                QVERIFY(!reg->local()->reserve(r, holder) && !holder);
                continue;
            }
            record.time = time;
            time = time.addSecs(60);
            QVERIFY(!reg->local()->record(record));
        }
        CodeRange codeRange;
        QVERIFY(!parseCodeRange(range, codeRange));
        UnitPlan plan(codeRange, 1, 77);
        QVERIFY(plan.active() && plan.byRange());
        for (int i = 0; i < steps.size(); ++i) {
            QString serial = steps[i];
            const bool takes = !serial.endsWith(QLatin1Char('?'));
            serial.remove(QLatin1Char('?'));
            PlannedUnit unit;
            const auto none = plan.unitFor(serial, reg.get(), unit);
            if (codes[i] == 0) {
                QVERIFY(none);
                QVERIFY2(none->contains(QStringLiteral("nessun codice libero nell'intervallo ") +
                                        range +
                                        QStringLiteral(" per il protocollo Proteus-X, "
                                                       "rete 00077")),
                         qPrintable(*none));
                continue;
            }
            QVERIFY2(!none, qPrintable(none.value_or(QString())));
            QCOMPARE(unit.code, codes[i]);
            QVERIFY(!unit.network);
            if (takes)
                plan.taken(serial, unit);
            else
                reg->release(serial); // as a write that did not go out
        }
        QCOMPARE(plan.exhausted(reg.get()).has_value(), exhausted);
    }

    // Rows of a piano in order; a row is given for good once its peripheral took it.
    void rowsOfAPiano_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<bool>("exhausted");
        QTest::newRow("in order") << QStringList{"S1", "S2", "S3"} << QList<int>{11, 12, 13}
                                  << true;
        QTest::newRow("a row not taken goes to the next peripheral")
            << QStringList{"S1", "S2?", "S3"} << QList<int>{11, 12, 12} << false;
        QTest::newRow("a peripheral seen again keeps its row")
            << QStringList{"S1", "S2", "S1", "S3"} << QList<int>{11, 12, 11, 13} << true;
        QTest::newRow("none left")
            << QStringList{"S1", "S2", "S3", "S4"} << QList<int>{11, 12, 13, 0} << true;
    }
    void rowsOfAPiano() {
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, codes);
        QFETCH(bool, exhausted);
        QList<PlanRow> rows;
        QVERIFY(!parsePlan("11;Atrio;12\n12;Scala\n13;Tetto\n", rows));
        UnitPlan plan(rows);
        QVERIFY(plan.active() && !plan.byRange());
        const QHash<int, QString> zones{{11, QStringLiteral("Atrio")},
                                        {12, QStringLiteral("Scala")},
                                        {13, QStringLiteral("Tetto")}};
        for (int i = 0; i < steps.size(); ++i) {
            QString serial = steps[i];
            const bool takes = !serial.endsWith(QLatin1Char('?'));
            serial.remove(QLatin1Char('?'));
            PlannedUnit unit;
            const auto none = plan.unitFor(serial, nullptr, unit);
            if (codes[i] == 0) {
                QVERIFY(none && none->contains(QStringLiteral("tutte le 3 righe")));
                continue;
            }
            QVERIFY(!none);
            QCOMPARE(unit.code, codes[i]);
            QCOMPARE(unit.network.has_value(), codes[i] == 11);
            QCOMPARE(unit.zone, zones.value(codes[i]));
            if (takes)
                plan.taken(serial, unit);
        }
        QCOMPARE(plan.exhausted(nullptr).has_value(), exhausted);
    }

    void noPlanGivesNothing() {
        UnitPlan plan;
        PlannedUnit unit{5, 3, QStringLiteral("x")};
        QVERIFY(!plan.active());
        QVERIFY(!plan.unitFor(QStringLiteral("S1"), nullptr, unit));
        QCOMPARE(unit.code, 0);
        QVERIFY(!plan.exhausted(nullptr));
    }
};

SELVANA_TEST_MAIN(TestUnitPlan)
#include "tst_unit_plan.moc"
