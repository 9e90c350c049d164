#include "common/sample_images.h"
#include "common/test_main.h"
#include "core/files/backup_store.h"
#include "core/files/config_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace selvana;

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QDateTime kWhen(QDate(2026, 12, 8), QTime(14, 30, 5));

} // namespace

class TestBackupStore : public QObject {
    Q_OBJECT

private slots:
    void keepsTheImageAsRead_data() {
        QTest::addColumn<int>("firmwareM6");
        QTest::addColumn<int>("bandaUHF");
        QTest::addColumn<QByteArray>("markers");
        QTest::newRow("M6 VHF") << 1 << 0 << QByteArray("KV");
        QTest::newRow("before M6 UHF") << 0 << 1 << QByteArray("WU");
    }
    void keepsTheImageAsRead() {
        QFETCH(int, firmwareM6);
        QFETCH(int, bandaUHF);
        QFETCH(QByteArray, markers);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("dati/backup")); // made on demand
        Image image = testing::sampleProteusX();
        image[64] ^= 0x5A; // kept as read, even a wrong checksum

        QString path;
        const auto error = BackupStore(folder).save(image, static_cast<std::uint8_t>(firmwareM6),
                                                    static_cast<std::uint8_t>(bandaUHF),
                                                    QStringLiteral("1234ABCD"), kWhen, &path);
        QVERIFY2(!error, error ? qPrintable(error->message) : "");
        QCOMPARE(path, folder + QStringLiteral("/1234ABCD_20261208-143005.con"));
        const QByteArray content = contentOf(path);
        QCOMPARE(content.size(), 62);
        QCOMPARE(content.left(2), markers);
        for (int k = 5; k <= 64; ++k)
            QCOMPARE(static_cast<std::uint8_t>(content[k - 3]), image[k]);
    }

    void neverOverwritesAnOldBackup() {
        QTemporaryDir dir;
        const BackupStore store(dir.path());
        QFile old(dir.filePath(BackupStore::fileName(QStringLiteral("1234ABCD"), kWhen)));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older backup");
        old.close();

        QString second;
        QString third;
        QVERIFY(!store.save(testing::sampleProteusX(), 1, 0, QStringLiteral("1234ABCD"), kWhen,
                            &second));
        QVERIFY(
            !store.save(testing::sampleSicep(), 1, 1, QStringLiteral("1234ABCD"), kWhen, &third));
        QCOMPARE(contentOf(old.fileName()), QByteArray("older backup"));
        QCOMPARE(QFileInfo(second).fileName(), QStringLiteral("1234ABCD_20261208-143005_2.con"));
        QCOMPARE(QFileInfo(third).fileName(), QStringLiteral("1234ABCD_20261208-143005_3.con"));
        QCOMPARE(contentOf(second).mid(2),
                 conf::fileContent(1, 0, testing::sampleProteusX()).mid(2));
        QCOMPARE(contentOf(third).left(2), QByteArray("KU"));
    }

    void aFolderThatCannotBeMadeStopsTheWrite() {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QString path = QStringLiteral("untouched");
        const auto error =
            BackupStore(dir.filePath(QStringLiteral("file/backup")))
                .save(testing::sampleProteusX(), 1, 0, QStringLiteral("1234ABCD"), kWhen, &path);
        QVERIFY(error);
        QVERIFY2(error->message.contains(QStringLiteral("copia di sicurezza")) &&
                     error->message.contains(QStringLiteral("1234ABCD")) &&
                     error->message.contains(QStringLiteral("Nessun dato è stato scritto")),
                 qPrintable(error->message));
        QCOMPARE(path, QStringLiteral("untouched"));
    }

    void namesAreSafeFileNames() {
        QCOMPARE(BackupStore::fileName(QStringLiteral("../x:y"), kWhen, 1),
                 QStringLiteral("___x_y_20261208-143005.con"));
        QCOMPARE(BackupStore::fileName(QString(), kWhen, 4),
                 QStringLiteral("SENZA-NUMERO_20261208-143005_4.con"));
    }

    void theDefaultFolderIsTheApplicationsDataFolder() {
        const QString folder = BackupStore::defaultFolder();
        QCOMPARE(folder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                             QStringLiteral("/backup"));
        QVERIFY2(folder.contains(QStringLiteral("/SelvanaM/")), qPrintable(folder));
        QCOMPARE(BackupStore().folder(), folder);
    }
};

SELVANA_TEST_MAIN(TestBackupStore)
#include "tst_backup_store.moc"
