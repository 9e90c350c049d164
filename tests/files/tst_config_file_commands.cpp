#include "common/fake_link.h"
#include "common/recording_dialogs.h"
#include "common/sample_images.h"
#include "common/test_files.h"
#include "common/test_main.h"
#include "serial/settings_store.h"
#include "ui/config_file_commands.h"
#include "ui/editor.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace selvana;
using testing::configBytes;
using testing::readAll;
using testing::RecordingDialogs;
using testing::writeAll;

namespace {

const QString kFilter = QStringLiteral("File di configurazione (*.con)");
const QString kBand = QStringLiteral("Attenzione: file di configurazione non adatto per Radio ");

// Another VHF configuration: network 77, code 4321, siren 90 s, serial 0000BEEF.
Image otherVhf() {
    Image image = testing::sampleProteusX();
    image[1] = 0x00, image[2] = 0x00, image[3] = 0xBE, image[4] = 0xEF;
    image[24] = 0x00, image[25] = 77;
    image[26] = 0x10, image[27] = 0xE1;
    image[45] = 90;
    image[64] = CalcolaCKSSave(image);
    return image;
}

// Everything an import may change, to prove that a refused one changed nothing.
struct Snapshot {
    Image configImage{};
    ConfigRecord record;
    QStringList editor;
    bool save = false;
    bool operator==(const Snapshot&) const = default;
};

QStringList editorState(const QWidget* area) {
    QStringList out;
    for (const auto* w : area->findChildren<QWidget*>()) {
        QString value;
        if (const auto* edit = qobject_cast<const QLineEdit*>(w))
            value = edit->text();
        else if (const auto* combo = qobject_cast<const QComboBox*>(w))
            value = QString::number(combo->currentIndex());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            value = QString::number(button->isChecked());
        else
            continue;
        out << QStringLiteral("%1=%2 %3%4")
                   .arg(w->objectName(), value)
                   .arg(w->isEnabled())
                   .arg(!w->isHidden());
    }
    return out;
}

struct Rig {
    ProgramState state;
    testing::FakeSerialLink link;
    SettingsStore settings;
    RecordingDialogs dialogs;
    QTemporaryDir files;
    QTemporaryDir programFolder;
    std::unique_ptr<MainWindow> window;

    Rig() {
        window = std::make_unique<MainWindow>(state, link, settings, dialogs, programFolder.path());
    }

    Editor& editor() { return window->editor(); }
    QString path(const QString& name) const { return files.filePath(name); }
    bool saveEnabled() const { return window->command(QStringLiteral("SAVE"))->isEnabled(); }

    // A read from a peripheral: "LOAD", its announcement, its frame.
    void read(const Image& image, std::uint8_t firmwareM6 = 1) {
        window->run().tlbMain_ButtonClick(Command::Load);
        link.incoming = firmwareM6 ? QByteArray("\nK\r") : QByteArray("\nW\r");
        window->run().tmrClock_Timer();
        link.incoming = testing::readFrame(image);
        window->run().tmrClock_Timer();
        QCOMPARE(state.FirmwareM6, firmwareM6);
        QVERIFY(saveEnabled());
    }

    void exportTo(const QString& file) {
        dialogs.savePath = file;
        editor().widget<QPushButton>(editor::Ctl::btnEsporta)->click();
    }
    void importFrom(const QString& file) {
        dialogs.openPath = file;
        editor().widget<QPushButton>(editor::Ctl::btnImporta)->click();
    }

    Snapshot snapshot() const {
        return {state.ConfigImage, state.record, editorState(window->editorArea()), saveEnabled()};
    }
};

} // namespace

class TestConfigFileCommands : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

    void exportVhfM6() {
        Rig r;
        r.read(testing::sampleProteusX());
        r.exportTo(r.path("p.con"));
        QCOMPARE(r.dialogs.saveRequests.size(), 1);
        QCOMPARE(r.dialogs.saveRequests[0].filter, kFilter);
        QCOMPARE(r.dialogs.messages, QStringList());

        const QByteArray bytes = readAll(r.path("p.con"));
        QCOMPARE(bytes.size(), 62);
        QCOMPARE(bytes.left(2), QByteArray("KV"));
        for (int k = 5; k <= 64; ++k)
            QCOMPARE(std::uint8_t(bytes[k - 3]), r.state.SaveImage[k]);
        QCOMPARE(std::uint8_t(bytes[61]), CalcolaCKSSave(r.state.SaveImage));
        QCOMPARE(QDir(r.files.path()).entryList(QDir::Files), QStringList{"p.con"});
    }

    void exportKeepsTailAndImportReadsOnly62Bytes() {
        Rig r;
        r.read(testing::sampleProteusX());
        QByteArray old(300, '\0');
        for (int i = 0; i < old.size(); ++i)
            old[i] = char(255 - i);
        writeAll(r.path("long.con"), old);
#ifndef Q_OS_WIN // Windows files have no mode bits to keep
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(r.path("long.con"), permissions));
#endif
        r.exportTo(r.path("long.con"));
        QCOMPARE(r.dialogs.messages, QStringList());
#ifndef Q_OS_WIN
        QCOMPARE(QFile::permissions(r.path("long.con")) & 0x7077,
                 permissions); // owner, group, others
#endif
        const QByteArray bytes = readAll(r.path("long.con"));
        QCOMPARE(bytes.size(), 300);
        QCOMPARE(bytes.mid(62), old.mid(62));
        QCOMPARE(bytes.left(62), configBytes('K', 'V', r.state.SaveImage));

        r.read(otherVhf());
        r.importFrom(r.path("long.con"));
        QCOMPARE(r.dialogs.openRequests.size(), 1);
        QCOMPARE(r.dialogs.openRequests[0].filter, kFilter);
        QCOMPARE(r.dialogs.openRequests[0].startPath, r.path("long.con")); // the name chosen last
        QCOMPARE(r.dialogs.messages, QStringList());
        QVERIFY(std::equal(r.state.ConfigImage.begin() + 5, r.state.ConfigImage.end(),
                           r.state.SaveImage.begin() + 5));
    }

    void refused_data() {
        QTest::addColumn<QByteArray>("content"); // empty: the file is not created
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // the message, or the start of it
        const Image vhf = testing::sampleProteusX();
        // The editor's own refusals, shown in the message box.
        QTest::newRow("U file, VHF editor")
            << configBytes('K', 'U', vhf) << "u.con" << kBand + "VHF !";
        QTest::newRow("61 bytes") << configBytes('K', 'V', vhf).left(61) << "short.con"
                                  << "Il file \"%1\" non è un file di configurazione valido: "
                                     "contiene 61 byte";
        QTest::newRow("empty file")
            << QByteArray("") << "empty.con"
            << "Il file \"%1\" non è un file di configurazione valido: contiene 0 byte";
        QTest::newRow("missing file") << QByteArray() << "none.con"
                                      << "Impossibile leggere il file di configurazione \"%1\": "
                                         "il file non esiste";
        QTest::newRow("a folder") << QByteArray() << "folder.con"
                                  << "Impossibile leggere il file di configurazione \"%1\": il "
                                     "nome scelto è quello di una cartella";
    }
    void refused() {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QString, message);
        Rig r;
        r.read(otherVhf());
        if (name == QLatin1String("folder.con"))
            QVERIFY(QDir(r.files.path()).mkdir(name));
        else if (!content.isNull())
            writeAll(r.path(name), content);
        const Snapshot before = r.snapshot();
        r.importFrom(r.path(name));
        QCOMPARE(r.dialogs.messages.size(), 1);
        const QString expected = message.contains(QLatin1String("%1"))
                                     ? message.arg(QDir::toNativeSeparators(r.path(name)))
                                     : message;
        QVERIFY2(r.dialogs.messages[0].startsWith(expected), qPrintable(r.dialogs.messages[0]));
        if (!message.contains(QLatin1String("%1")))
            QCOMPARE(r.dialogs.messages[0], message);
        QVERIFY(r.snapshot() == before);
    }

    void cancel() {
        Rig r;
        r.read(testing::sampleProteusX());
        r.editor().widget<QLineEdit>(editor::Ctl::txtTempoSirena)->setText(QStringLiteral("44"));
        r.exportTo(QString());
        QCOMPARE(r.dialogs.saveRequests.size(), 1);
        QCOMPARE(r.state.SaveImage[45], 44); // collected before the dialog
        QCOMPARE(QDir(r.files.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());

        const Snapshot before = r.snapshot();
        r.importFrom(QString());
        QCOMPARE(r.dialogs.openRequests.size(), 1);
        QVERIFY(r.snapshot() == before);
        QCOMPARE(r.dialogs.messages, QStringList());
    }

    void collectionFailureStopsBeforeTheDialog() {
        Rig r;
        r.read(testing::sampleProteusX());
        r.window->show();
        QVERIFY(QTest::qWaitForWindowActive(r.window.get()));
        writeAll(r.path("p.con"), "old");
        const Image saveImage = r.state.SaveImage;
        r.editor().widget<QLineEdit>(editor::Ctl::txtTempoSirena)->clear();
        r.exportTo(r.path("p.con"));
        QVERIFY(r.dialogs.saveRequests.isEmpty());
        QCOMPARE(r.dialogs.messages.size(), 1);
        QVERIFY(r.dialogs.messages[0].contains(QStringLiteral("Tempo Sirena")));
        QTRY_COMPARE(
            QApplication::focusWidget(),
            static_cast<QWidget*>(r.editor().widget<QLineEdit>(editor::Ctl::txtTempoSirena)));
        QVERIFY(r.state.SaveImage == saveImage);
        QCOMPARE(readAll(r.path("p.con")), QByteArray("old"));
    }

    void failingExport_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "missing/p.con"
                                        << "la cartella non esiste o non è raggiungibile";
        QTest::newRow("a folder") << "folder.con"
                                  << "il nome scelto è quello di una cartella";
        QTest::newRow("disk full")
            << "full.con"
            << "la scrittura si è interrotta (disco pieno o non disponibile)";
    }
    void failingExport() {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        Rig r;
        r.read(testing::sampleProteusX());
        QByteArray old(4000, 'o');
        if (name == QLatin1String("folder.con"))
            QVERIFY(QDir(r.files.path()).mkdir(name));
        else if (name == QLatin1String("full.con"))
            writeAll(r.path(name), old);
        const QStringList entries =
            QDir(r.files.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

        // A file size limit makes the disk "full" after 1000 bytes.
#ifdef Q_OS_UNIX
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (name == QLatin1String("full.con")) {
            rlimit limited = saved;
            limited.rlim_cur = 1000;
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        }
        r.exportTo(r.path(name));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
#else
        if (name == QLatin1String("full.con"))
            QSKIP("Windows has no file-size limit of a process to stand for a full disk");
        r.exportTo(r.path(name));
#endif

        QCOMPARE(r.dialogs.messages.size(), 1);
        const QString expected =
            QStringLiteral("Impossibile esportare la configurazione nel file \"%1\": %2. ")
                .arg(QDir::toNativeSeparators(r.path(name)), reason);
        QVERIFY2(r.dialogs.messages[0].startsWith(expected), qPrintable(r.dialogs.messages[0]));
        // No temporary file left behind, an existing file whole.
        QCOMPARE(QDir(r.files.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), entries);
        if (name == QLatin1String("full.con"))
            QCOMPARE(readAll(r.path(name)), old);
    }
};

SELVANA_TEST_MAIN(TestConfigFileCommands)
#include "tst_config_file_commands.moc"
