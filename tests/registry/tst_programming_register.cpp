#include "register_rig.h"
#include "registry/installer.h"
#include "registry/programming_register.h"

#include "common/sample_images.h"
#include "common/test_main.h"
#include "core/files/config_file.h"

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

    // One installer's write reaches another installer's duplicate check through the server.
    void anotherInstallersUnitIsSeen() {
        SELVANA_REQUIRE_POSTGRES();
        const QString uri = PgServer::freshDatabase(QStringLiteral("tst_programming_register"));
        QVERIFY(!uri.isEmpty());
        QString error;
        const auto server = ServerAddress::parse(uri, &error);
        ProgrammingRegister first(folder.filePath(QStringLiteral("first.sqlite")), server);
        ProgrammingRegister second(folder.filePath(QStringLiteral("second.sqlite")), server);
        QVERIFY(!first.record(facts(QStringLiteral("1111000A"))));
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
        QVERIFY(second.copyAge().contains(QStringLiteral("aggiornata adesso")));
    }
};

SELVANA_TEST_MAIN(TestProgrammingRegister)
#include "tst_programming_register.moc"
