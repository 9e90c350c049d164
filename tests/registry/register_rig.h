#pragma once

#include "registry/server_address.h"
#include "registry/unit_register.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

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
        QStringList args{script(), QStringLiteral("stop"), folder()};
        if (now)
            args << QStringLiteral("--now");
        return QProcess::execute(QStringLiteral("bash"), args) == 0;
    }
    static bool start() {
        QProcess p;
        p.start(QStringLiteral("bash"), {script(), QStringLiteral("start"), folder()});
        return p.waitForFinished(60000) && p.exitCode() == 0;
    }

    // An empty database of that name on the server; its URI. Made once per test program, then
    // emptied, which is quicker.
    static QString freshDatabase(const QString& name) {
        static QSet<QString> made;
        QUrl url(uri());
        url.setPath(QLatin1Char('/') + name);
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

    // Runs a statement on a database of the server, outside the program under test.
    static bool exec(const QString& databaseUri, const QString& statement) {
        QString error;
        const auto a = registry::ServerAddress::parse(databaseUri, &error);
        bool ok = false;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg_rig_exec"));
            db.setHostName(a->host);
            db.setPort(a->port);
            db.setUserName(a->user);
            db.setDatabaseName(a->database);
            ok = db.open() &&
                 QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning")) &&
                 QSqlQuery(db).exec(statement);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pg_rig_exec"));
        return ok;
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
        const auto address =
            registry::ServerAddress::parse(PgServer::freshDatabase(name), &parseError);
        if (address)
            reg = registry::UnitRegister::openServer(*address, &error, 3, target);
    }
    if (!reg)
        qWarning() << error.message << error.detail;
    return reg;
}

} // namespace selvana::testing
