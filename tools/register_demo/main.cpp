// Fills the register of this user (the default file, or FILE) with the writes of one day on one
// site, as the programmer records them: each unit's configuration is the simulator's built-in
// one with the unit's code, assembled by the program's own rules. For the site sheet's picture.
//   selvanam-register-demo [FILE]
#include "core/files/config_file.h"
#include "core/image/config_assembler.h"
#include "core/image/config_decoder.h"
#include "registry/installer.h"
#include "registry/unit_register.h"
#include "simulator/image_source.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace selvana;
using namespace selvana::registry;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("SelvanaM"));
    QTextStream err(stderr);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : defaultRegisterPath();
    RegisterError error;
    auto reg = UnitRegister::openFile(path, &error);
    if (!reg) {
        err << error.message << Qt::endl;
        return 1;
    }
    const QStringList zones = {
        "Ingresso scala A",      "Ingresso scala B",  "Box auto 1-6",     "Box auto 7-12",
        "Locale caldaia",        "Cantina",           "Portineria",       "Terrazzo condominiale",
        "Ascensore scala A",     "Ascensore scala B", "Cancello carraio", "Sala riunioni",
        "Magazzino piano terra", "Vano contatori"};
    const QDateTime start(QDate(2026, 12, 8), QTime(9, 12));
    for (int i = 0; i < zones.size(); ++i) {
        Image image = sim::builtInImage();
        sim::setSerialNumber(image, 0x51E70000u + 0x13u * static_cast<quint32>(i + 1));
        ConfigRecord rec;
        Analyze2(image, QString(), rec);
        rec.CodiceRete = 412;
        rec.CodicePeriferica = static_cast<std::int16_t>(101 + i);
        Image written{};
        if (auto e = assembleSaveImage(rec, image, written)) {
            err << e->message << Qt::endl;
            return 1;
        }
        Outcome outcome = Outcome::Written;
        if (i == 5)
            outcome = Outcome::NoAnswer;
        UnitRecord r = recordOfConfiguration(
            QString::number(sim::serialNumber(image), 16).toUpper(),
            conf::fileContent(1, 0, written), outcome, QStringLiteral("backup/%1.con").arg(i));
        r.time = start.addSecs(60LL * 7 * i).toUTC();
        r.installer = i < 9 ? QStringLiteral("Marco Bellini") : QStringLiteral("Sara Ferretti");
        r.site = QStringLiteral("Condominio Le Querce, via Roma 12 - Bergamo");
        r.description = zones[i];
        if (auto e = reg->record(r)) {
            err << e->message << Qt::endl;
            return 1;
        }
    }
    err << "Registrate " << zones.size() << " programmazioni in " << path << Qt::endl;
    return 0;
}
