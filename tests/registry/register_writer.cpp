// Records writes into a register file as another program would, for the tests of programs
// writing at once and of a program dying in the middle of a write.
//   register_writer FILE COUNT PREFIX [--server URI] [--every N] [--die-inside]
// Prints "recorded N" after each record; with --die-inside, after COUNT records it starts one
// more, inserts it, prints "inside" and waits to be killed before committing.
#include "registry/register_sync.h"
#include "registry/unit_register.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QThread>

using namespace selvana::registry;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    const QString path = args[1];
    const int count = args[2].toInt();
    const QString prefix = args[3];
    QString server;
    int every = 10;
    bool dieInside = false;
    for (int i = 4; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--server") && i + 1 < args.size())
            server = args[++i];
        else if (args[i] == QLatin1String("--every") && i + 1 < args.size())
            every = args[++i].toInt();
        else if (args[i] == QLatin1String("--die-inside"))
            dieInside = true;
    }
    QTextStream out(stdout);
    RegisterError error;
    auto reg = UnitRegister::openFile(path, &error);
    if (!reg) {
        out << "error " << error.message << ' ' << error.detail << Qt::endl;
        return 1;
    }
    std::unique_ptr<RegisterSync> sync;
    if (!server.isEmpty()) {
        QString parseError;
        sync = std::make_unique<RegisterSync>(*reg, *ServerAddress::parse(server, &parseError));
    }
    const auto unit = [&prefix](int i) {
        UnitRecord r;
        r.serialNumber = prefix + QString::number(i, 16).rightJustified(8 - prefix.size(), '0');
        r.installer = QStringLiteral("scrittore");
        r.site = QStringLiteral("Cantiere %1").arg(prefix);
        r.description = QStringLiteral("Zona %1").arg(i);
        r.protocol = 1;
        r.network = 7;
        r.peripheralCode = i + 1;
        r.frequencyMHz = 156.0;
        r.configuration = QByteArray(62, 'x');
        return r;
    };
    for (int i = 0; i < count; ++i) {
        UnitRecord r = unit(i);
        if (auto e = reg->record(r)) {
            out << "error " << e->message << ' ' << e->detail << Qt::endl;
            return 1;
        }
        out << "recorded " << i + 1 << Qt::endl;
        if (sync && (i + 1) % every == 0) {
            SyncReport report;
            if (auto e = sync->run(report))
                out << "sync failed " << e->message << Qt::endl;
        }
    }
    if (sync) {
        SyncReport report;
        if (auto e = sync->run(report)) {
            out << "error " << e->message << ' ' << e->detail << Qt::endl;
            return 1;
        }
    }
    if (dieInside) {
        UnitRecord r = unit(count);
        r.id = QStringLiteral("unfinished");
        r.time = QDateTime::currentDateTimeUtc();
        if (auto e = reg->begin(); e || (e = reg->insert(r, true))) {
            out << "error " << e->message << ' ' << e->detail << Qt::endl;
            return 1;
        }
        out << "inside" << Qt::endl;
        for (;;)
            QThread::sleep(1);
    }
    return 0;
}
