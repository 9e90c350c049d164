#include "core/files/config_file.h"
#include "core/files/config_file_io.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace selvana;
using namespace selvana::conf;

namespace {

QByteArray fileOf(char first, char second, char fill = '\x5A', int size = kFileSize) {
    QByteArray bytes(size, fill);
    bytes[0] = first;
    if (size > 1)
        bytes[1] = second;
    return bytes;
}

} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT
private slots:
    // Only "W" means before M6 and only "U" means UHF; anything else, any byte, is the other.
    void markers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("firmwareM6");
        QTest::addColumn<int>("bandaUHF");
        QTest::newRow("W U") << fileOf('W', 'U') << 0 << 1;
        QTest::newRow("K V") << fileOf('K', 'V') << 1 << 0;
        QTest::newRow("lower case w u") << fileOf('w', 'u') << 1 << 0;
        QTest::newRow("other letters") << fileOf('X', 'Q') << 1 << 0;
        QTest::newRow("zero bytes") << fileOf('\0', '\0') << 1 << 0;
        QTest::newRow("high bytes") << fileOf('\xD7', '\xD5') << 1 << 0;
    }
    void markers() {
        QFETCH(QByteArray, bytes);
        const auto file = parse(bytes);
        QVERIFY(file);
        QTEST(int(file->firmwareM6), "firmwareM6");
        QTEST(int(file->bandaUHF), "bandaUHF");
    }

    void lengths_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("accepted");
        for (int size : {0, 1, 2, 61})
            QTest::newRow(qPrintable(QString::number(size))) << size << false;
        for (int size : {62, 63, 4096})
            QTest::newRow(qPrintable(QString::number(size))) << size << true;
    }
    void lengths() {
        QFETCH(int, size);
        QFETCH(bool, accepted);
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + 3);
        const auto file = parse(bytes);
        QCOMPARE(file.has_value(), accepted);
        if (!file)
            return;
        // Bytes after 61 never reach the image.
        Image image{};
        image.fill(0xEE);
        storeInto(*file, image);
        for (int k = 0; k <= 4; ++k)
            QCOMPARE(image[k], std::uint8_t(0xEE));
        for (int k = 5; k <= 64; ++k)
            QCOMPARE(image[k], std::uint8_t(bytes[k - 3]));
    }

    void mismatch_data() {
        QTest::addColumn<QByteArray>("markers");
        QTest::addColumn<int>("firmwareM6");
        QTest::addColumn<int>("bandaUHF");
        QTest::addColumn<QString>("message");
        const QString firmware =
            QStringLiteral("Attenzione: file di configurazione adatto per versioni firmware ");
        const QString band =
            QStringLiteral("Attenzione: file di configurazione non adatto per Radio ");
        QTest::newRow("fits M6 VHF") << QByteArray("KV") << 1 << 0 << QString();
        QTest::newRow("fits before M6 UHF") << QByteArray("WU") << 0 << 1 << QString();
        QTest::newRow("W file, M6 program")
            << QByteArray("WV") << 1 << 0 << firmware + QStringLiteral("precedenti alla M6 !");
        QTest::newRow("K file, program before M6")
            << QByteArray("KV") << 0 << 0 << firmware + QStringLiteral("M6 e successive!");
        QTest::newRow("U file, VHF radio")
            << QByteArray("KU") << 1 << 0 << band + QStringLiteral("VHF !");
        QTest::newRow("V file, UHF radio")
            << QByteArray("KV") << 1 << 1 << band + QStringLiteral("UHF !");
        QTest::newRow("both differ: firmware only")
            << QByteArray("WU") << 1 << 0 << firmware + QStringLiteral("precedenti alla M6 !");
    }
    void mismatch() {
        QFETCH(QByteArray, markers);
        QFETCH(int, firmwareM6);
        QFETCH(int, bandaUHF);
        QFETCH(QString, message);
        const auto file = parse(fileOf(markers[0], markers[1]));
        QVERIFY(file);
        QCOMPARE(mismatchMessage(*file, std::uint8_t(firmwareM6), std::uint8_t(bandaUHF))
                     .value_or(QString()),
                 message);
    }

    // The export writes over the start of a longer file and keeps the rest; a read saved by the
    // command line leaves the configuration alone. An existing shorter file is replaced either way.
    void existingFileTail_data() {
        QTest::addColumn<int>("existing");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<int>("size");
        QTest::newRow("longer, kept") << 100 << true << 100;
        QTest::newRow("longer, dropped") << 100 << false << kFileSize;
        QTest::newRow("shorter, kept") << 10 << true << kFileSize;
        QTest::newRow("none, dropped") << -1 << false << kFileSize;
    }
    void existingFileTail() {
        QFETCH(int, existing);
        QFETCH(bool, keep);
        const QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("a.con"));
        if (existing >= 0) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(existing, 'x'));
        }
        const QByteArray content = fileOf('K', 'V');
        QVERIFY(!writeConfigFile(path, content, keep ? ExistingTail::Keep : ExistingTail::Drop));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QTEST(int(bytes.size()), "size");
        QCOMPARE(bytes.left(kFileSize), content);
        QCOMPARE(bytes.mid(kFileSize), QByteArray(bytes.size() - kFileSize, 'x')); // old tail
    }
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_config_file.moc"
