// The register's two operations an installer waits for, with 100,000 units in it: the
// duplicate check before a write and the recording of a write. On an SQLite file, and on a
// PostgreSQL server when one is given.
//   selvanam-register-bench [postgresql://...]
#include "registry/unit_register.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUuid>

#include <algorithm>

using namespace selvana::registry;

namespace {

constexpr int kUnits = 100000;
constexpr int kNetworks = 50; // 2,000 units per network
constexpr int kChecks = 300;
constexpr int kRecords = 100;

UnitRecord unitNumber(int i) {
    UnitRecord r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.serialNumber = QString::number(0x10000000 + i, 16).toUpper();
    r.time = QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC).addSecs(60LL * i);
    r.installer = QStringLiteral("Installatore %1").arg(i % 40);
    r.site = QStringLiteral("Sito %1").arg(i / 25);
    r.description = QStringLiteral("Zona %1").arg(i % 25);
    r.protocol = 1;
    r.network = i % kNetworks;
    r.peripheralCode = 1 + i / kNetworks;
    r.frequencyMHz = 156.0;
    r.configuration = QByteArray(62, 'b');
    return r;
}

struct Figures {
    double medianMs;
    double p95Ms;
};

Figures figures(QList<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100]};
}

bool measure(UnitRegister& reg, const QString& name, QTextStream& out) {
    QElapsedTimer fill;
    fill.start();
    for (int i = 0; i < kUnits; i += 5000) {
        if (reg.begin())
            return false;
        for (int k = i; k < i + 5000; ++k) {
            if (reg.insert(unitNumber(k), false))
                return false;
        }
        if (reg.commit())
            return false;
    }
    int count = 0;
    if (reg.count(count) || count != kUnits)
        return false;
    out << name << ": " << count << " units written in " << fill.elapsed() / 1000.0 << " s"
        << Qt::endl;

    QRandomGenerator random(7);
    QList<double> checks;
    int found = 0;
    for (int i = 0; i < kChecks; ++i) {
        const int network = random.bounded(kNetworks);
        const int code = 1 + random.bounded(2 * kUnits / kNetworks); // half are free
        QElapsedTimer t;
        t.start();
        std::optional<UnitRecord> other;
        if (reg.duplicateOf(QStringLiteral("FFFFFFFF"), 1, network, code, other))
            return false;
        checks << t.nsecsElapsed() / 1e6;
        found += other ? 1 : 0;
    }
    QList<double> records;
    for (int i = 0; i < kRecords; ++i) {
        UnitRecord r = unitNumber(kUnits + i);
        r.id.clear();
        r.time = {};
        QElapsedTimer t;
        t.start();
        if (reg.record(r))
            return false;
        records << t.nsecsElapsed() / 1e6;
    }
    const Figures c = figures(checks);
    const Figures r = figures(records);
    out << QStringLiteral("%1: duplicate check median %2 ms, 95th percentile %3 ms (%4 of %5 "
                          "found a unit)")
               .arg(name)
               .arg(c.medianMs, 0, 'f', 2)
               .arg(c.p95Ms, 0, 'f', 2)
               .arg(found)
               .arg(kChecks)
        << Qt::endl;
    out << QStringLiteral("%1: recording a write median %2 ms, 95th percentile %3 ms")
               .arg(name)
               .arg(r.medianMs, 0, 'f', 2)
               .arg(r.p95Ms, 0, 'f', 2)
        << Qt::endl;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    RegisterError error;
    {
        auto file = UnitRegister::openFile(dir.filePath(QStringLiteral("registro.sqlite")), &error);
        if (!file || !measure(*file, QStringLiteral("SQLite"), out)) {
            out << "SQLite: " << error.message << Qt::endl;
            return 1;
        }
    }
    if (argc > 1) {
        QString why;
        const auto address = ServerAddress::parse(QString::fromLocal8Bit(argv[1]), &why);
        auto server = address ? UnitRegister::openServer(*address, &error) : nullptr;
        if (!server || !measure(*server, QStringLiteral("PostgreSQL"), out)) {
            out << "PostgreSQL: " << why << error.message << error.detail << Qt::endl;
            return 1;
        }
    }
    return 0;
}
