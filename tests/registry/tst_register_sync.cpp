#include "common/test_main.h"
#include "register_rig.h"
#include "registry/programming_register.h"
#include "registry/register_sync.h"
#include "registry/unit_register.h"

#include <QElapsedTimer>
#include <QSqlQuery>

using namespace selvana;
using namespace selvana::registry;
using selvana::testing::PgServer;

namespace {

UnitRecord unit(const QString& serial, int code, const QString& installer) {
    UnitRecord r;
    r.serialNumber = serial;
    r.installer = installer;
    r.site = QStringLiteral("Condominio Aurora");
    r.description = QStringLiteral("Scala ") + serial.right(2);
    r.protocol = 1;
    r.network = 12;
    r.peripheralCode = code;
    r.frequencyMHz = 156.0;
    r.configuration = QByteArray(62, 'c');
    return r;
}

ServerAddress address(const QString& uri) {
    QString error;
    return *ServerAddress::parse(uri, &error);
}

// What a server holds: the number of records and of distinct ids.
std::pair<int, int> serverCounts(const QString& uri) {
    RegisterError error;
    auto server = UnitRegister::openServer(address(uri), &error);
    if (!server)
        return {-1, -1};
    QSqlQuery q(server->database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT id) FROM programmazioni")) ||
        !q.next())
        return {-1, -1};
    return {q.value(0).toInt(), q.value(1).toInt()};
}

QStringList idsOf(UnitRegister& reg) {
    QList<UnitRecord> all;
    if (reg.records({}, all))
        return {};
    QStringList ids;
    for (const UnitRecord& r : all)
        ids << r.id;
    ids.sort();
    return ids;
}

std::unique_ptr<UnitRegister> localFile(const QTemporaryDir& dir, const QString& name) {
    RegisterError error;
    return UnitRegister::openFile(dir.filePath(name + QStringLiteral(".sqlite")), &error);
}

int pendingOf(UnitRegister& reg) {
    int n = -1;
    return reg.pendingCount(n) ? -1 : n;
}

int duplicatesOf(UnitRegister& reg) {
    QList<DuplicateCode> found;
    return reg.duplicates(found) ? -1 : int(found.size());
}

} // namespace

Q_DECLARE_METATYPE(selvana::registry::ServerFault)

class TestRegisterSync : public QObject {
    Q_OBJECT

    QString server_; // an empty database of the test server, for each test

private slots:
    void init() {
        SELVANA_REQUIRE_POSTGRES();
        server_ = PgServer::freshDatabase(QStringLiteral("tst_register_sync"));
        QVERIFY(!server_.isEmpty());
    }

    void installersSeeEachOthersUnits() {
        QTemporaryDir dir;
        auto anna = localFile(dir, QStringLiteral("anna"));
        auto luca = localFile(dir, QStringLiteral("luca"));
        for (int i = 0; i < 3; ++i) {
            UnitRecord r =
                unit(QStringLiteral("A000000%1").arg(i), 100 + i, QStringLiteral("Anna"));
            QVERIFY(!anna->record(r));
        }
        for (int i = 0; i < 2; ++i) {
            UnitRecord r =
                unit(QStringLiteral("B000000%1").arg(i), 200 + i, QStringLiteral("Luca"));
            QVERIFY(!luca->record(r));
        }
        RegisterSync annaSync(*anna, address(server_));
        RegisterSync lucaSync(*luca, address(server_));
        SyncReport report;
        QVERIFY(!annaSync.run(report));
        QCOMPARE(report.sent, 3);
        QCOMPARE(report.received, 0); // its own records come back and are known
        report = {};
        QVERIFY(!lucaSync.run(report));
        QCOMPARE(report.sent, 2);
        QCOMPARE(report.received, 3);
        report = {};
        QVERIFY(!annaSync.run(report));
        QCOMPARE(report.sent, 0);
        QCOMPARE(report.received, 2);
        report = {};
        QVERIFY(!annaSync.run(report)); // nothing new either way
        QCOMPARE(report.sent + report.received, 0);

        QCOMPARE(serverCounts(server_), std::make_pair(5, 5));
        QCOMPARE(idsOf(*anna), idsOf(*luca));
        QCOMPARE(idsOf(*anna).size(), 5);
        QCOMPARE(pendingOf(*anna), 0);
        // Anna's check now sees Luca's unit, with who, where and when.
        std::optional<UnitRecord> other;
        QVERIFY(!anna->duplicateOf(QStringLiteral("A0000009"), 1, 12, 201, other));
        QVERIFY(other);
        QCOMPARE(other->serialNumber, QStringLiteral("B0000001"));
        QCOMPARE(other->installer, QStringLiteral("Luca"));
        QCOMPARE(other->site, QStringLiteral("Condominio Aurora"));
    }

    void eachRecordOnceWhateverFails_data() {
        QTest::addColumn<QString>("failure");   // empty: none
        QTest::addColumn<bool>("beforeCommit"); // where in the second batch it strikes
        // The unit of a record of the batch the strike meets, read back: "in flight", recorded
        // where the strike comes; "after", once the first exchange has ended.
        QTest::addColumn<QString>("verified");
        QTest::newRow("program dies before the server commits") << "die" << true << "";
        QTest::newRow("program dies after the server commits") << "die" << false << "";
        QTest::newRow("connection cut before the commit") << "cut" << true << "";
        QTest::newRow("server stopped before the commit") << "stop" << true << "";
        QTest::newRow("server stopped between batches") << "stop" << false << "";
        QTest::newRow("a verification once the server has its record")
            << "" << false << "in flight";
        QTest::newRow("a verification, then the program dies") << "die" << false << "in flight";
        QTest::newRow("a verification after the exchange") << "" << true << "after";
    }
    void eachRecordOnceWhateverFails() {
        QFETCH(QString, failure);
        QFETCH(bool, beforeCommit);
        QFETCH(QString, verified);
        constexpr int kRecords = 23;
        constexpr int kBatch = 5;
        QTemporaryDir dir;
        auto local = localFile(dir, QStringLiteral("locale"));
        // A record of the batch that the strike meets: the second before its commit, the first
        // after.
        const QString readBackSerial =
            QStringLiteral("C%1").arg(beforeCommit ? kBatch + 2 : 2, 7, 10, QLatin1Char('0'));
        QString readBack;
        for (int i = 0; i < kRecords; ++i) {
            UnitRecord r = unit(QStringLiteral("C%1").arg(i, 7, 10, QLatin1Char('0')), i + 1,
                                QStringLiteral("Anna"));
            QVERIFY(!local->record(r));
            if (r.serialNumber == readBackSerial)
                readBack = r.id;
        }
        const auto verify = [&] {
            return !local->recordVerification(readBack, Verification::Verified, {});
        };
        const QString dbName = QUrl(server_).path().mid(1);
        bool stopped = false;
        const auto strike = [&](int sentSoFar) {
            if (sentSoFar < kBatch || sentSoFar >= 2 * kBatch)
                return true; // not the second batch
            if (verified == QLatin1String("in flight") && !verify())
                return false;
            if (failure.isEmpty())
                return true;
            if (failure == QLatin1String("die"))
                return false;
            if (failure == QLatin1String("cut")) {
                const bool cut = PgServer::exec(
                    server_, QStringLiteral("SELECT pg_terminate_backend(pid) FROM "
                                            "pg_stat_activity WHERE application_name = "
                                            "'selvanam' AND datname = '%1'")
                                 .arg(dbName));
                return cut;
            }
            stopped = PgServer::stop(true);
            return true;
        };
        RegisterSync sync(*local, address(server_));
        sync.setBatchSize(kBatch);
        RegisterSync::Hooks hooks;
        if (beforeCommit)
            hooks.beforeServerCommit = strike;
        else
            hooks.afterServerCommit = strike;
        sync.setHooks(hooks);
        SyncReport report;
        const auto error = sync.run(report);
        if (stopped)
            QVERIFY(PgServer::start());
        if (!failure.isEmpty()) {
            QVERIFY(error);
            QVERIFY(report.sent < kRecords);
            QVERIFY(pendingOf(*local) > 0);
        } else {
            QVERIFY2(!error, qPrintable(error ? error->message + error->detail : QString()));
            QCOMPARE(pendingOf(*local), 0);
        }
        if (failure == QLatin1String("cut") || failure == QLatin1String("stop"))
            QVERIFY2(error->message.contains(QStringLiteral("saranno inviate appena il server "
                                                            "risponde")),
                     qPrintable(error->message));
        // Another installer's copy, read from the server now, reads on after the verification.
        auto luca = localFile(dir, QStringLiteral("luca"));
        QVERIFY(!RegisterSync(*luca, address(server_)).receive(report));
        if (verified == QLatin1String("after"))
            QVERIFY(verify());

        // The next exchange sends the rest; nothing twice, nothing lost.
        RegisterSync again(*local, address(server_));
        again.setBatchSize(kBatch);
        report = {};
        const auto second = again.run(report);
        QVERIFY2(!second, qPrintable(second ? second->message + second->detail : QString()));
        QCOMPARE(pendingOf(*local), 0);
        QCOMPARE(serverCounts(server_), std::make_pair(kRecords, kRecords));
        int records = 0;
        QVERIFY(!local->count(records));
        QCOMPARE(records, kRecords);
        QVERIFY(!RegisterSync(*luca, address(server_)).receive(report));
        QCOMPARE(idsOf(*luca).size(), kRecords);
        RegisterError failed;
        auto server = UnitRegister::openServer(address(server_), &failed);
        QVERIFY(server);
        for (UnitRegister* reg : {server.get(), luca.get()}) {
            QList<UnitRecord> found;
            QVERIFY(!reg->records({{}, std::nullopt, readBackSerial}, found));
            QCOMPARE(found.size(), 1);
            QCOMPARE(found[0].id, readBack);
            QCOMPARE(found[0].verification,
                     verified.isEmpty() ? Verification::NotAsked : Verification::Verified);
        }
    }

    // Two programs at once, each on a thread of its own, give three units each a code of one
    // range as `program --codici` does: the code is reserved, the write goes out, its outcome is
    // recorded. Then each exchanges with the server (the first twice, so that both copies hold
    // every record). What the row sets up strikes on the way. The register holding every unit
    // at the end (the server, or without one the file both programs share) has each record once
    // and each code written once, unless the row expects codes twice.
    void registerFaults_data() {
        // "test", "closed" (nothing listens), "refusing" (a wrong password) or "none"; the
        // programs share one file but on "test"
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("strike");    // what goes wrong: see registerFaults()
        QTest::addColumn<int>("last");          // the range: codes 1 to last
        QTest::addColumn<QList<int>>("given");  // codes of the units written, in order
        QTest::addColumn<int>("twice");         // codes each program's copy finds held twice
        QTest::addColumn<int>("reserved");      // rows of prenotazioni left in every register
        QTest::addColumn<bool>("localOnly");    // each program's guard covered its computer only
        QTest::addColumn<ServerFault>("fault"); // of each program's last exchange
        const auto row = [](const char* name, const char* server, const char* strike, int last,
                            const QList<int>& given, int twice, int reserved, bool localOnly,
                            ServerFault fault = ServerFault::None) {
            QTest::newRow(name) << QString::fromLatin1(server) << QString::fromLatin1(strike)
                                << last << given << twice << reserved << localOnly << fault;
        };
        const QList<int> six{1, 2, 3, 4, 5, 6};
        row("two programs on one file", "none", "", 6, six, 0, 0, false);
        row("two installers on one server", "test", "", 6, six, 0, 0, false);
        row("reservations of programs that ended, one expired", "test", "ended", 7,
            {1, 3, 4, 5, 6, 7}, 0, 1, false);
        row("a refused write and one that does not go out free their codes", "test",
            "refused, released", 4, {1, 2, 3, 4}, 0, 0, false);
        row("server killed mid-exchange", "test", "killed", 6, six, 0, 0, false);
        row("the answer to a COMMIT lost", "test", "answer lost", 6, six, 0, 0, false);
        row("two installers offline meet at the exchange", "test", "offline", 3, {1, 1, 2, 2, 3, 3},
            3, 0, true);
        row("an unreachable server", "closed", "", 6, six, 0, 0, true, ServerFault::Unreachable);
        row("a server refusing the password", "refusing", "", 6, six, 0, 0, true,
            ServerFault::Authentication);
        row("first use of one file by two programs", "none", "new file", 6, six, 0, 0, false);
    }
    void registerFaults() {
        // Strikes: "ended", reservations left in every register by programs that ended, code
        // 1's lifetime over, code 2's not; "refused, released", the first program's first write
        // is refused and its second does not go out; "killed", the server dies as in a power
        // cut while an exchange commits its second batch; "answer lost", that commit is done
        // but its answer never comes; "offline", the programs meet a closed port, and the
        // server again once they start anew for the exchanges.
        QFETCH(QString, server);
        QFETCH(QString, strike);
        QFETCH(int, last);
        constexpr int kUnits = 3;
        // Only the test server is checked afterwards; without it the programs share one file,
        // which then holds every unit.
        QUrl closed(server_);
        closed.setPort(1);
        QUrl refusing(server_);
        refusing.setUserName(QStringLiteral("selvana_password"));
        refusing.setPassword(QStringLiteral("sbagliata"));
        const auto serverFor = [&](const QString& kind) -> std::optional<ServerAddress> {
            if (kind == QLatin1String("test"))
                return address(server_);
            if (kind == QLatin1String("closed"))
                return address(closed.toString());
            if (kind == QLatin1String("refusing"))
                return address(refusing.toString());
            return std::nullopt;
        };
        const auto used = serverFor(server);
        const auto shared = server == QLatin1String("test") ? used : std::nullopt;
        QTemporaryDir dir;
        QStringList files{dir.filePath(QStringLiteral("anna.sqlite"))};
        if (shared)
            files << dir.filePath(QStringLiteral("luca.sqlite"));
        // Every register the programs use, for the set-up and the checks.
        // "new file": the programs make the file themselves, both at once.
        const bool newFile = strike == QLatin1String("new file");
        std::vector<std::unique_ptr<UnitRegister>> registers;
        for (const QString& file : files)
            if (!newFile)
                registers.push_back(localFile(dir, QFileInfo(file).baseName()));
        if (shared) {
            RegisterError error;
            registers.push_back(UnitRegister::openServer(*shared, &error));
        }
        for (const auto& reg : registers) {
            QVERIFY(reg);
            if (strike == QLatin1String("ended")) {
                QVERIFY(testing::leaveReservation(*reg, QStringLiteral("FFFF0001"), 1, true));
                QVERIFY(testing::leaveReservation(*reg, QStringLiteral("FFFF0002"), 2, false));
            }
        }
        const bool offline = strike == QLatin1String("offline");
        std::vector<std::unique_ptr<testing::ProgramOnThread>> programs;
        for (int p = 0; p < 2; ++p)
            programs.push_back(std::make_unique<testing::ProgramOnThread>(
                files[p % files.size()], offline ? serverFor(QStringLiteral("closed")) : used));

        // Both choose a code, then both write: the order in which two programs without
        // reservations give one code twice, every time.
        QSemaphore arrived[2];
        const auto meet = [&arrived](int p) {
            arrived[p].release();
            return arrived[1 - p].tryAcquire(1, 20000);
        };
        QSemaphore done;
        for (int p = 0; p < 2; ++p) {
            programs[p]->start(
                [&, p](ProgrammingRegister& reg) {
                    QSet<int> taken;
                    for (int i = 0; i < kUnits; ++i) {
                        const QString serial =
                            QStringLiteral("%1000000%2").arg(p ? 'B' : 'A').arg(i);
                        std::optional<int> code;
                        if (!meet(p) || reg.reserveFreeCode(1, 12, 1, last, taken, serial, code) ||
                            !code || !meet(p))
                            return;
                        const bool lost =
                            p == 0 && i < 2 && strike.startsWith(QStringLiteral("refused"));
                        if (lost && i == 1) {
                            reg.release(serial);
                            continue;
                        }
                        WriteFacts facts;
                        facts.serialNumber = serial;
                        facts.configuration = testing::configurationWithCode(*code);
                        facts.outcome = lost ? Outcome::Refused : Outcome::Written;
                        if (reg.record(facts))
                            return;
                        if (facts.outcome == Outcome::Written)
                            taken.insert(*code);
                    }
                },
                done);
        }
        QVERIFY(done.tryAcquire(2, 60000));
        if (newFile)
            registers.push_back(localFile(dir, QStringLiteral("anna")));
        QFETCH(bool, localOnly);
        for (auto& program : programs) {
            std::optional<QString> note;
            program->run([&note](ProgrammingRegister& reg) { note = reg.takeLocalOnlyNote(); });
            QCOMPARE(note.has_value(), localOnly);
        }

        if (strike == QLatin1String("killed") || strike == QLatin1String("answer lost")) {
            bool stopped = false;
            RegisterSync sync(*registers[0], *shared);
            sync.setBatchSize(1);
            RegisterSync::Hooks hooks;
            if (strike == QLatin1String("killed"))
                hooks.beforeServerCommit = [&stopped](int sent) {
                    if (sent == 1)
                        stopped = PgServer::stop(true);
                    return true;
                };
            else
                hooks.afterServerCommit = [](int sent) { return sent != 2; };
            sync.setHooks(hooks);
            SyncReport report;
            QVERIFY(sync.run(report));
            QCOMPARE(report.sent, 1);
            if (stopped)
                QVERIFY(PgServer::start());
            RegisterError error;
            registers.back() = UnitRegister::openServer(*shared, &error);
            QVERIFY(registers.back());
        }
        if (offline) {
            for (int p = 0; p < 2; ++p) {
                programs[p]->end();
                programs[p]->begin(files[p], shared);
            }
        }
        if (used) {
            for (int p : {0, 1, 0}) {
                bool ended = false;
                programs[p]->run([&ended](ProgrammingRegister& reg) {
                    reg.exchange();
                    ended = reg.waitForExchange(20000);
                });
                QVERIFY(ended);
            }
        }

        QFETCH(ServerFault, fault);
        QFETCH(int, twice);
        for (auto& program : programs) {
            RegisterError exchanged;
            int found = -1;
            program->run([&](ProgrammingRegister& reg) {
                exchanged = reg.lastExchangeFault();
                QList<DuplicateCode> duplicates;
                if (!reg.duplicates(duplicates))
                    found = int(duplicates.size());
            });
            QVERIFY2(exchanged.fault == fault, qPrintable(exchanged.message));
            QCOMPARE(found, twice);
        }
        UnitRegister& all = *registers.back();
        QSqlQuery q(all.database());
        QVERIFY(q.exec(QStringLiteral("SELECT codice FROM programmazioni WHERE esito = 'scritta' "
                                      "ORDER BY codice")));
        QList<int> given;
        while (q.next())
            given << q.value(0).toInt();
        QTEST(given, "given");
        QCOMPARE(duplicatesOf(all), twice);
        QVERIFY(
            q.exec(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT id) FROM programmazioni")) &&
            q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        // The records took the reservations' places, here and on the server.
        for (const auto& reg : registers) {
            QTEST(testing::rowsOf(*reg, "prenotazioni"), "reserved");
            if (shared && reg.get() != &all)
                QCOMPARE(pendingOf(*reg), 0);
        }
    }

    void aServerThatLostRecordsGetsThemAgain_data() {
        QTest::addColumn<QString>("loss");
        QTest::newRow("made anew, empty") << "anew";
        QTest::newRow("put back from an older backup") << "backup";
    }
    void aServerThatLostRecordsGetsThemAgain() {
        QFETCH(QString, loss);
        QTemporaryDir dir;
        auto anna = localFile(dir, QStringLiteral("anna"));
        auto luca = localFile(dir, QStringLiteral("luca"));
        const auto record = [](UnitRegister& reg, const QString& serial) {
            UnitRecord r = unit(serial, 1, QStringLiteral("x"));
            return !reg.record(r);
        };
        QVERIFY(record(*anna, QStringLiteral("J0000001")));
        QVERIFY(record(*luca, QStringLiteral("K0000001")));
        SyncReport report;
        QVERIFY(!RegisterSync(*luca, address(server_)).run(report));
        QVERIFY(record(*anna, QStringLiteral("J0000002")));
        QVERIFY(!RegisterSync(*anna, address(server_)).run(report));
        QCOMPARE(serverCounts(server_), std::make_pair(3, 3));

        if (loss == QLatin1String("anew")) {
            QCOMPARE(PgServer::freshDatabase(QStringLiteral("tst_register_sync")), server_);
        } else {
            // The backup was taken before Anna's exchange: her two records are not in it.
            QVERIFY(PgServer::exec(server_, QStringLiteral("DELETE FROM programmazioni WHERE "
                                                           "numero_di_serie LIKE 'J%'")));
        }
        QVERIFY(record(*anna, QStringLiteral("J0000003")));
        report = {};
        QVERIFY(!RegisterSync(*anna, address(server_)).run(report));
        QCOMPARE(pendingOf(*anna), 0);
        // Everything Anna's copy holds is on the server again, once.
        QCOMPARE(serverCounts(server_), std::make_pair(4, 4));
        QCOMPARE(idsOf(*anna).size(), 4);
    }

    void unreachableServerNeverStopsRecording() {
        QTemporaryDir dir;
        auto local = localFile(dir, QStringLiteral("isolato"));
        // A port nobody listens on: the test server's own, once it is stopped, would need a
        // stop; any closed port will do.
        QUrl closed(server_);
        closed.setPort(1);
        RegisterSync sync(*local, address(closed.toString()));
        UnitRecord r = unit(QStringLiteral("D0000001"), 1, QStringLiteral("Anna"));
        QVERIFY(!local->record(r));
        QElapsedTimer timer;
        timer.start();
        SyncReport report;
        const auto error = sync.run(report);
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(error);
        QVERIFY2(error->message.contains(QStringLiteral("non risponde")),
                 qPrintable(error->message));
        QVERIFY(error->message.contains(QStringLiteral("postgresql://")));
        QVERIFY(!error->message.contains(QStringLiteral("password")));
        QVERIFY(!sync.copied());
        UnitRecord more = unit(QStringLiteral("D0000002"), 2, QStringLiteral("Anna"));
        QVERIFY(!local->record(more));
        QCOMPARE(pendingOf(*local), 2);
    }

    void programsSendingAtOnce() {
        QTemporaryDir dir;
        constexpr int kEach = 60;
        QList<QProcess*> writers;
        for (const char* prefix : {"E", "F"}) {
            auto* p = new QProcess(this);
            p->start(QStringLiteral(REGISTER_WRITER),
                     {dir.filePath(QLatin1String(prefix) + QStringLiteral(".sqlite")),
                      QString::number(kEach), QLatin1String(prefix), QStringLiteral("--server"),
                      server_, QStringLiteral("--every"), QStringLiteral("7")});
            writers << p;
        }
        for (QProcess* p : writers) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardOutput().constData());
        }
        QCOMPARE(serverCounts(server_), std::make_pair(2 * kEach, 2 * kEach));
        // After one more exchange each copy holds both programs' records.
        for (const char* prefix : {"E", "F"}) {
            auto local = localFile(dir, QLatin1String(prefix));
            RegisterSync sync(*local, address(server_));
            SyncReport report;
            QVERIFY(!sync.run(report));
            QCOMPARE(idsOf(*local).size(), 2 * kEach);
            QCOMPARE(pendingOf(*local), 0);
        }
    }

    void ageOfTheCopy() {
        QTemporaryDir dir;
        auto local = localFile(dir, QStringLiteral("eta"));
        RegisterSync sync(*local, address(server_));
        QVERIFY(!sync.copied());
        QVERIFY(copyAgeText(sync.copied(), QDateTime::currentDateTimeUtc())
                    .contains(QStringLiteral("mai aggiornata")));
        const QDateTime before = QDateTime::currentDateTimeUtc();
        SyncReport report;
        QVERIFY(!sync.run(report));
        const auto copied = sync.copied();
        QVERIFY(copied);
        QVERIFY(*copied >= before.addMSecs(-1000) && *copied <= QDateTime::currentDateTimeUtc());
        QCOMPARE(*copied, report.copied);
        QCOMPARE(copyAgeText(copied, copied->addSecs(12 * 60)),
                 QStringLiteral("Copia del registro condiviso aggiornata 12 minuti fa"));
        // A failed exchange leaves the time of the last good one.
        QUrl closed(server_);
        closed.setPort(1);
        RegisterSync elsewhere(*local, address(closed.toString()));
        QVERIFY(elsewhere.run(report));
        QVERIFY(!elsewhere.copied()); // another server: its copy was never made
        QCOMPARE(sync.copied(), copied);
    }

    void anotherServerIsReadFromItsStart() {
        QTemporaryDir dir;
        const QString second = PgServer::freshDatabase(QStringLiteral("tst_register_sync_2"));
        QVERIFY(!second.isEmpty());
        for (const auto& [uri, prefix, n] :
             {std::tuple{server_, "G", 3}, std::tuple{second, "H", 4}}) {
            auto other = localFile(dir, QLatin1String(prefix));
            for (int i = 0; i < n; ++i) {
                UnitRecord r =
                    unit(QLatin1String(prefix) + QString::number(i).rightJustified(7, '0'), i + 1,
                         QStringLiteral("Luca"));
                QVERIFY(!other->record(r));
            }
            RegisterSync sync(*other, address(uri));
            SyncReport report;
            QVERIFY(!sync.run(report));
        }
        auto local = localFile(dir, QStringLiteral("nuovo"));
        SyncReport report;
        QVERIFY(!RegisterSync(*local, address(server_)).run(report));
        QCOMPARE(report.received, 3);
        report = {};
        QVERIFY(!RegisterSync(*local, address(second)).run(report));
        QCOMPARE(report.received, 4);
        QCOMPARE(idsOf(*local).size(), 7);
    }
};

SELVANA_TEST_MAIN(TestRegisterSync)
#include "tst_register_sync.moc"
