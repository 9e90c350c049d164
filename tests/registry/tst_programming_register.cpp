#include "register_rig.h"
#include "registry/installer.h"
#include "registry/programming_register.h"

#include "common/sample_images.h"
#include "common/test_main.h"
#include "core/files/config_file.h"

#include <QRegularExpression>
#include <QSignalSpy>

using namespace selvana;
using namespace selvana::registry;
using selvana::testing::PgServer;

Q_DECLARE_METATYPE(selvana::registry::Outcome)

namespace {

QByteArray configuration() {
    return conf::fileContent(1, 0, testing::sampleProteusX());
}

WriteFacts facts(const QString& serial, Outcome outcome = Outcome::Written) {
    WriteFacts f;
    f.serialNumber = serial;
    f.configuration = configuration();
    f.outcome = outcome;
    f.site = QStringLiteral(" Le Querce ");
    f.description = QStringLiteral("Ingresso");
    return f;
}

} // namespace

// The register as the front ends use it around a write.
class TestProgrammingRegister : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

private slots:
    void duplicatesAsTheRegisterCountsThem_data() {
        QTest::addColumn<Outcome>("earlier");
        QTest::addColumn<QString>("asking"); // serial number about to be written
        QTest::addColumn<bool>("duplicate");
        QTest::newRow("another unit, written") << Outcome::Written << "2222000B" << true;
        QTest::newRow("another unit, no answer") << Outcome::NoAnswer << "2222000B" << true;
        QTest::newRow("another unit, refused") << Outcome::Refused << "2222000B" << false;
        QTest::newRow("another unit, port lost") << Outcome::PortLost << "2222000B" << false;
        QTest::newRow("the same unit again") << Outcome::Written << "1111000a" << false;
    }
    void duplicatesAsTheRegisterCountsThem() {
        QFETCH(Outcome, earlier);
        QFETCH(QString, asking);
        QFETCH(bool, duplicate);
        ProgrammingRegister reg(folder.filePath(QLatin1String(QTest::currentDataTag())),
                                std::nullopt);
        UnitRecord made;
        QVERIFY(!reg.record(facts(QStringLiteral("1111000A"), earlier), &made));
        QCOMPARE(made.site, QStringLiteral("Le Querce"));
        QCOMPARE(made.installer, installerName());
        std::optional<UnitRecord> other;
        QVERIFY(!reg.duplicateOf(asking, configuration(), other));
        QCOMPARE(other.has_value(), duplicate);
        if (duplicate) {
            QCOMPARE(other->serialNumber, QStringLiteral("1111000A"));
            const QString text = duplicateText(*other);
            QVERIFY2(text.startsWith(QStringLiteral("La periferica 1111000A (impianto \"Le "
                                                    "Querce\", programmata il ")),
                     qPrintable(text));
            QVERIFY(text.contains(installerName()));
            QVERIFY(text.contains(QStringLiteral("ha già il codice %1 nella rete %2")
                                      .arg(other->peripheralCode)
                                      .arg(networkText(other->network))));
        }
    }

    void unreachableServerNeverHoldsUpTheWork() {
        QString error;
        // Nothing listens on port 1: the connection is refused at once.
        ProgrammingRegister reg(
            folder.filePath(QStringLiteral("offline.sqlite")),
            ServerAddress::parse(QStringLiteral("postgresql://a@127.0.0.1:1/r"), &error));
        QVERIFY(reg.shared());
        QSignalSpy exchanged(&reg, &ProgrammingRegister::exchanged);
        reg.exchange();
        reg.exchange(); // asked again while one runs: one more follows
        QVERIFY(!reg.record(facts(QStringLiteral("1111000A"))));
        QVERIFY(exchanged.wait(10000));
        QVERIFY(!reg.lastExchangeError().isEmpty());
        QVERIFY(reg.copyAge().contains(QStringLiteral("mai aggiornata")));
        QVERIFY(reg.waitForExchange(10000));
        QVERIFY(!reg.exchanging());
        int pending = 0;
        QVERIFY(!reg.local()->pendingCount(pending));
        QCOMPARE(pending, 1); // waits for the server
    }

    // The guard before a write: the server first, then this computer's register.
    void guardBeforeAWrite_data() {
        QTest::addColumn<QString>("server"); // "test" or "closed" (nothing listens)
        QTest::addColumn<QString>("before"); // what holds code 101 for unit 1111000A already
        QTest::addColumn<bool>("freeCode");  // reserveFreeCode(101-110), else reserve(101)
        QTest::addColumn<int>("code");       // reserved for 2222000B; -1: none
        QTest::addColumn<QString>("holder"); // how the holder's text begins; empty: none
        QTest::addColumn<int>("onServer");   // reservations on the server then
        QTest::addColumn<int>("here");       // in the local register then
        QTest::addColumn<bool>("note");      // the guard covered this computer only
        const QString unit = QStringLiteral("La periferica 1111000A (impianto \"Le Querce\", "
                                            "programmata il ");
        const QString reserved = QStringLiteral("La periferica 1111000A è in programmazione ora "
                                                "(Luca, computer PC-VECCHIO, dalle ");
        const auto row = [](const char* name, const char* server, const char* before, bool freeCode,
                            int code, const QString& holder, int onServer, int here, bool note) {
            QTest::newRow(name) << QString::fromLatin1(server) << QString::fromLatin1(before)
                                << freeCode << code << holder << onServer << here << note;
        };
        row("free: reserved on both", "test", "", false, 101, "", 1, 1, false);
        row("a unit on the server", "test", "server unit", false, -1, unit, 0, 0, false);
        row("another installer's reservation", "test", "server reservation", false, -1, reserved, 1,
            0, false);
        row("a unit this computer alone knows: the server's reservation goes", "test", "local unit",
            false, -1, unit, 0, 0, false);
        row("free code past a unit this computer alone knows", "test", "local unit", true, 102, "",
            1, 1, false);
        row("server unreachable: this computer only", "closed", "", false, 101, "", -1, 1, true);
    }
    void guardBeforeAWrite() {
        QFETCH(QString, server);
        QFETCH(QString, before);
        QFETCH(bool, freeCode);
        QString error;
        RegisterError why;
        std::unique_ptr<UnitRegister> shared;
        if (server == QLatin1String("test")) {
            SELVANA_REQUIRE_POSTGRES();
            shared = testing::emptyRegister(QStringLiteral("postgresql"), folder,
                                            QStringLiteral("tst_programming_register"));
            QVERIFY(shared);
        }
        const auto address = ServerAddress::parse(
            shared ? shared->location() : QStringLiteral("postgresql://a@127.0.0.1:1/r"), &error);
        const QString file = folder.filePath(
            QString::fromUtf8(QTest::currentDataTag())
                .replace(QRegularExpression(QStringLiteral("\\W")), QStringLiteral("_")));
        UnitRecord other = recordOfConfiguration(
            QStringLiteral("1111000A"), testing::configurationWithCode(101), Outcome::Written);
        other.site = QStringLiteral("Le Querce");
        other.installer = QStringLiteral("Luca");
        if (before == QLatin1String("server unit"))
            QVERIFY(!shared->record(other));
        else if (before == QLatin1String("server reservation"))
            QVERIFY(testing::leaveReservation(*shared, other.serialNumber, 101, false));
        else if (before == QLatin1String("local unit"))
            QVERIFY(!UnitRegister::openFile(file, &why)->record(other));
        const auto reservedHere = [&file] {
            RegisterError why;
            return testing::rowsOf(*UnitRegister::openFile(file, &why), "prenotazioni");
        };
        {
            ProgrammingRegister reg(file, address);
            const QString serial = QStringLiteral("2222000B");
            std::optional<CodeHolder> asked;
            QVERIFY(!reg.holderOf(serial, 1, 12, 101, asked));
            std::optional<int> code;
            std::optional<CodeHolder> found;
            if (freeCode) {
                QVERIFY(!reg.reserveFreeCode(1, 12, 101, 110, {}, serial, code));
            } else {
                QVERIFY(!reg.reserve(serial, testing::configurationWithCode(101), found));
                if (!found)
                    code = 101;
                QCOMPARE(asked.has_value(), found.has_value());
            }
            QTEST(code.value_or(-1), "code");
            QFETCH(QString, holder);
            const QString said = found ? holderText(*found) : QString();
            QVERIFY2(holder.isEmpty() ? !found : said.startsWith(holder), qPrintable(said));
            if (shared)
                QTEST(testing::rowsOf(*shared, "prenotazioni"), "onServer");
            QTEST(reservedHere(), "here");
            QTEST(reg.takeLocalOnlyNote().has_value(), "note");
            // Once per run: the next unit, whatever the guard meets, says nothing more.
            QVERIFY(!reg.reserve(QStringLiteral("3333000C"), testing::configurationWithCode(120),
                                 found));
            QVERIFY(!reg.takeLocalOnlyNote());
        }
        // The run's reservations end with it; another installer's stays.
        QCOMPARE(reservedHere(), 0);
        if (shared)
            QCOMPARE(testing::rowsOf(*shared, "prenotazioni"),
                     before == QLatin1String("server reservation") ? 1 : 0);
    }

    // One installer's write reaches another installer's duplicate check through the server, and
    // its read-back, recorded later, the other installer's copy.
    void anotherInstallersUnitIsSeen() {
        SELVANA_REQUIRE_POSTGRES();
        const QString uri = PgServer::freshDatabase(QStringLiteral("tst_programming_register"));
        QVERIFY(!uri.isEmpty());
        QString error;
        const auto server = ServerAddress::parse(uri, &error);
        ProgrammingRegister first(folder.filePath(QStringLiteral("first.sqlite")), server);
        ProgrammingRegister second(folder.filePath(QStringLiteral("second.sqlite")), server);
        WriteFacts written = facts(QStringLiteral("1111000A"));
        written.changes = QStringList{"Codice Periferica: 101 → 300"};
        UnitRecord made;
        QVERIFY(!first.record(written, &made));
        first.exchange();
        QVERIFY(first.waitForExchange(20000));
        QCOMPARE(first.lastExchangeError(), QString());
        std::optional<UnitRecord> other;
        QVERIFY(!second.duplicateOf(QStringLiteral("2222000B"), configuration(), other));
        QVERIFY(!other); // not yet in its copy
        second.exchange();
        QVERIFY(second.waitForExchange(20000));
        QVERIFY(!second.duplicateOf(QStringLiteral("2222000B"), configuration(), other));
        QVERIFY(other);
        QCOMPARE(other->serialNumber, QStringLiteral("1111000A"));
        QCOMPARE(other->changes, written.changes);
        QCOMPARE(other->verification, Verification::NotAsked);
        QVERIFY(second.copyAge().contains(QStringLiteral("aggiornata adesso")));

        const ReadBack differs{Verification::Differs, {"Tempo Sirena (s): 45 → 0"}};
        QVERIFY(!first.recordVerification(made.id, differs));
        first.exchange();
        QVERIFY(first.waitForExchange(20000));
        second.exchange();
        QVERIFY(second.waitForExchange(20000));
        QList<UnitRecord> seen;
        QVERIFY(!second.local()->records({}, seen));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].verification, Verification::Differs);
        QCOMPARE(seen[0].verificationDifferences, differs.differences);
        QCOMPARE(seen[0].changes, written.changes);
    }
};

SELVANA_TEST_MAIN(TestProgrammingRegister)
#include "tst_programming_register.moc"
