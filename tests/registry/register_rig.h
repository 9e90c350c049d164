#pragma once

#include "common/sample_images.h"
#include "core/files/config_file.h"
#include "core/image/memory_map.h"
#include "registry/programming_register.h"
#include "registry/server_address.h"
#include "registry/unit_register.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <functional>
#include <memory>

namespace selvana::testing {

// A throwaway PostgreSQL server of the tests (tests/CMakeLists.txt starts them): its folder in
// SELVANA_PG_DIR, its URI in the file uri there, unless SELVANA_PG_URI names another server.
struct PgServer {
    static QString uri() {
        const QString given = qEnvironmentVariable("SELVANA_PG_URI");
        if (!given.isEmpty() || folder().isEmpty())
            return given;
        QFile file(folder() + QStringLiteral("/uri"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    }
    static QString folder() { return qEnvironmentVariable("SELVANA_PG_DIR"); }
    static QString script() {
        return QStringLiteral(SELVANA_SOURCE_DIR "/scripts/lib/postgres.sh");
    }
    static const char* howToRun() {
        return "no PostgreSQL test server: run the test through ctest, which starts one (package "
               "postgresql), or set SELVANA_PG_DIR and SELVANA_PG_URI to one of yours";
    }

    // Stops the server (now: as a power cut would) or starts it again on its port.
    static bool stop(bool now) {
        return control(now ? QStringList{QStringLiteral("stop"), QStringLiteral("--now")}
                           : QStringList{QStringLiteral("stop")});
    }
    static bool start() { return control({QStringLiteral("start")}); }
#ifdef Q_OS_WIN
    // A program under Wine cannot run this machine's bash: the tests' helper there does it
    // (postgres_control.sh), asked through a file.
    static bool control(const QStringList& what) {
        static int asked = 0;
        const QString name =
            folder() +
            QStringLiteral("/control/%1-%2").arg(QCoreApplication::applicationPid()).arg(++asked);
        {
            QFile request(name + QStringLiteral(".request.new"));
            if (!request.open(QIODevice::WriteOnly) ||
                request.write(what.join(QLatin1Char(' ')).toUtf8() + '\n') < 0)
                return false;
        }
        if (!QFile::rename(name + QStringLiteral(".request.new"),
                           name + QStringLiteral(".request")))
            return false;
        QFile done(name + QStringLiteral(".done"));
        for (int waited = 0; !done.exists() && waited < 60000; waited += 20)
            QThread::msleep(20);
        return done.open(QIODevice::ReadOnly) && done.readAll().trimmed() == "0";
    }
#else
    static bool control(const QStringList& what) {
        QProcess p;
        p.start(QStringLiteral("bash"), QStringList{script(), what[0], folder()} + what.mid(1));
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }
#endif

    // An empty database of that name on the server; its URI. Made once per test program, then
    // emptied, which is quicker; `keepTables`: a register of the current version is emptied
    // row by row, quicker still than making its tables again.
    static QString freshDatabase(const QString& name, bool keepTables = false) {
        static QSet<QString> made;
        QUrl url(uri());
        url.setPath(QLatin1Char('/') + name);
        if (made.contains(name) && keepTables &&
            exec(url.toString(), QStringLiteral("TRUNCATE programmazioni, da_inviare, stato, "
                                                "prenotazioni RESTART IDENTITY")))
            return url.toString();
        if (made.contains(name))
            return exec(url.toString(), QStringLiteral("DROP SCHEMA public CASCADE; CREATE SCHEMA "
                                                       "public"))
                       ? url.toString()
                       : QString();
        made.insert(name);
        QString error;
        const auto admin = registry::ServerAddress::parse(uri(), &error);
        if (!admin)
            return {};
        QString result;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg_rig_admin"));
            db.setHostName(admin->host);
            db.setPort(admin->port);
            db.setUserName(admin->user);
            db.setDatabaseName(admin->database);
            if (db.open()) {
                QSqlQuery q(db);
                q.exec(QStringLiteral("SET client_min_messages TO warning"));
                if (q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)) &&
                    q.exec(QStringLiteral("CREATE DATABASE %1").arg(name))) {
                    QUrl url(uri());
                    url.setPath(QLatin1Char('/') + name);
                    result = url.toString();
                } else {
                    qWarning() << q.lastError().text();
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pg_rig_admin"));
        return result;
    }

    // Runs a statement on a database of the server, outside the program under test. The
    // connection stays for the next statement (connections are the slow part of the tests); one
    // lost meanwhile, to a server stopped and started again, is made anew.
    static bool exec(const QString& databaseUri, const QString& statement) {
        const QString name = QStringLiteral("pg_rig_exec ") + databaseUri;
        for (int attempt = 0; attempt < 2; ++attempt) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (!db.isOpen()) {
                QString error;
                const auto a = registry::ServerAddress::parse(databaseUri, &error);
                if (!db.isValid())
                    db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
                db.setHostName(a->host);
                db.setPort(a->port);
                db.setUserName(a->user);
                db.setDatabaseName(a->database);
                if (!db.open() ||
                    !QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning")))
                    return false;
            }
            if (QSqlQuery(db).exec(statement))
                return true;
            db.close();
        }
        return false;
    }
};

// Skips a PostgreSQL case only when the tests run by hand without the server; under CI
// (CI set) a missing server is a failure.
#define SELVANA_REQUIRE_POSTGRES()                                                                 \
    do {                                                                                           \
        if (selvana::testing::PgServer::uri().isEmpty()) {                                         \
            if (!qEnvironmentVariableIsEmpty("CI"))                                                \
                QFAIL("no PostgreSQL test server: ctest's postgres_servers starts it");            \
            QSKIP(selvana::testing::PgServer::howToRun());                                         \
        }                                                                                          \
    } while (false)

// A register on either database, empty, for one test.
inline std::unique_ptr<registry::UnitRegister> emptyRegister(const QString& backend,
                                                             const QTemporaryDir& dir,
                                                             const QString& name, int version = 0) {
    registry::RegisterError error;
    std::unique_ptr<registry::UnitRegister> reg;
    const int target = version > 0 ? version : registry::schema::kCurrentVersion;
    if (backend == QLatin1String("sqlite")) {
        reg = registry::UnitRegister::openFile(dir.filePath(name + QStringLiteral(".sqlite")),
                                               &error, target);
    } else {
        QString parseError;
        const auto address = registry::ServerAddress::parse(
            PgServer::freshDatabase(name, version == 0), &parseError);
        if (address)
            reg = registry::UnitRegister::openServer(*address, &error, 3, target);
    }
    if (!reg)
        qWarning() << error.message << error.detail;
    return reg;
}

// The sample Proteus-X configuration (network 12) with another peripheral code.
inline QByteArray configurationWithCode(int code) {
    Image image = sampleProteusX();
    image[map::kCodeHigh] = static_cast<std::uint8_t>(code >> 8);
    image[map::kCodeLow] = static_cast<std::uint8_t>(code & 0xFF);
    return conf::fileContent(1, 0, image);
}

// A reservation as a program that ended without releasing it leaves it (protocol 1, network
// 12); `expired`: its lifetime is over.
inline bool leaveReservation(registry::UnitRegister& reg, const QString& serial, int code,
                             bool expired, const QString& owner = QStringLiteral("finito")) {
    const registry::Reservation r{
        1, 12, code, serial, owner, QStringLiteral("Luca"), QStringLiteral("PC-VECCHIO"), {}};
    std::optional<registry::CodeHolder> holder;
    if (reg.reserve(r, holder) || holder)
        return false;
    return !expired || QSqlQuery(reg.database())
                           .exec(QStringLiteral("UPDATE prenotazioni SET scadenza = "
                                                "'2000-01-01T00:00:00.000Z' WHERE codice = %1")
                                     .arg(code));
}

// Rows of a table, expired reservations included.
inline int rowsOf(registry::UnitRegister& reg, const char* table) {
    QSqlQuery q(reg.database());
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))) && q.next()
               ? q.value(0).toInt()
               : -1;
}

// A program run on a thread of its own, as another program or another installer's would be: its
// ProgrammingRegister is made, used and ended on that thread, which runs an event loop.
class ProgramOnThread {
public:
    using Task = std::function<void(registry::ProgrammingRegister&)>;

    ProgramOnThread(const QString& file, const std::optional<registry::ServerAddress>& server) {
        thread_.start();
        context_.moveToThread(&thread_);
        begin(file, server);
    }
    ~ProgramOnThread() {
        end();
        thread_.quit();
        thread_.wait();
    }
    void begin(const QString& file, const std::optional<registry::ServerAddress>& server) {
        call([&] { program_ = std::make_unique<registry::ProgrammingRegister>(file, server); });
    }
    void end() {
        call([&] { program_.reset(); });
    }
    // Runs the task there and waits for it.
    void run(const Task& task) {
        call([&] { task(*program_); });
    }
    // Starts the task there; `done` is released when it returns.
    void start(Task task, QSemaphore& done) {
        QMetaObject::invokeMethod(
            &context_,
            [this, task = std::move(task), &done] {
                task(*program_);
                done.release();
            },
            Qt::QueuedConnection);
    }

private:
    void call(const std::function<void()>& f) {
        QMetaObject::invokeMethod(&context_, f, Qt::BlockingQueuedConnection);
    }

    QThread thread_;
    QObject context_;
    std::unique_ptr<registry::ProgrammingRegister> program_;
};

} // namespace selvana::testing
