#include "common/test_files.h"
#include "core/networks/ansi_codec.h"
#include "core/networks/cell_edit.h"
#include "core/networks/network_list.h"
#include "core/networks/networks_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace selvana;
using namespace selvana::testing;

namespace {

QByteArray defaultContent() {
    QByteArray c;
    for (int i = 0; i < kNetworkCount; ++i)
        c += "00000Rete non assegnata\r\n";
    return c;
}

} // namespace

class TestNetworksFile : public QObject {
    Q_OBJECT
private slots:
    void missingOrEmptyFileGetsDefault_data() {
        QTest::addColumn<bool>("createEmpty");
        QTest::newRow("no file") << false;
        QTest::newRow("0 bytes") << true;
    }
    void missingOrEmptyFileGetsDefault() {
        QFETCH(bool, createEmpty);
        QTemporaryDir dir;
        const QString path = dir.filePath("Reti.cfg");
        if (createEmpty)
            writeAll(path, {});
        NetworkList list;
        QVERIFY(!LoadReti(dir.path(), list));
        QCOMPARE(readAll(path), defaultContent());
        QCOMPARE(list, defaultNetworkList());
        QCOMPARE(list[100], QByteArray("00000Rete non assegnata"));
    }

    void shortFileThenWriteThenGetReti() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Reti.cfg");
        writeAll(path, "00012Nord\r\n00345Est\r\n007\r\n");
        NetworkList list;
        QVERIFY(!LoadReti(dir.path(), list));
        QCOMPARE(list[1], QByteArray("00012Nord"));
        QCOMPARE(list[3], QByteArray("007"));
        QVERIFY(list[4].isEmpty() && list[100].isEmpty());

        QVERIFY(!ScriviReti(dir.path(), list));
        QByteArray expected = "00012Nord\r\n00345Est\r\n007\r\n";
        for (int i = 4; i <= kNetworkCount; ++i)
            expected += "\r\n";
        QCOMPARE(readAll(path), expected);

        // What the grid hands back for rows 4..100: empty ID and description.
        for (int i = 4; i <= kNetworkCount; ++i)
            list[i] = GetRetiEntry("", "");
        QVERIFY(!ScriviReti(dir.path(), list));
        const QByteArrayList lines = splitNetworkLines(readAll(path));
        QCOMPARE(lines.size(), kNetworkCount);
        QCOMPARE(lines[3], QByteArray("00000"));
        QCOMPARE(lines[99], QByteArray("00000"));
    }

    void entriesAfterLastLineKeepWhatTheyHeld() {
        QTemporaryDir dir;
        writeAll(dir.filePath("Reti.cfg"), "00001A\r\n");
        NetworkList list = listOf({"x", "00002B"});
        QVERIFY(!LoadReti(dir.path(), list));
        QCOMPARE(list[1], QByteArray("00001A"));
        QCOMPARE(list[2], QByteArray("00002B"));
    }

    void lineEnds_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArrayList{"a", "b"};
        QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArrayList{"a", "b"};
        QTest::newRow("CR") << QByteArray("a\rb") << QByteArrayList{"a", "b"};
        QTest::newRow("no last end") << QByteArray("a\r\nb") << QByteArrayList{"a", "b"};
        QTest::newRow("empty lines") << QByteArray("\r\n\r\na\n") << QByteArrayList{"", "", "a"};
        QTest::newRow("mixed") << QByteArray("a\n\rb\r\r\n") << QByteArrayList{"a", "", "b", ""};
    }
    void lineEnds() {
        QFETCH(QByteArray, content);
        QTEST(splitNetworkLines(content), "lines");
    }

    void everyByteRoundTrips() {
        // All values but the line ends, spread over descriptions of lines of 30 bytes.
        QByteArray content;
        int line = 0;
        for (int b = 0; b < 256;) {
            QByteArray text = QByteArray::number(++line).rightJustified(5, '0');
            for (; b < 256 && text.size() < 30; ++b) {
                if (b != '\r' && b != '\n')
                    text.append(char(b));
            }
            content += text + "\r\n";
        }
        for (; line < kNetworkCount; ++line)
            content += "00000Rete non assegnata\r\n";

        QTemporaryDir dir;
        const QString path = dir.filePath("Reti.cfg");
        writeAll(path, content);
        NetworkList list;
        QVERIFY(!LoadReti(dir.path(), list));
        QVERIFY(!ScriviReti(dir.path(), list));
        QCOMPARE(readAll(path), content);
    }

    void linesBeyond100AreKept() {
        QByteArray content = defaultContent();
        content += "00101Extra uno\r\n\r\nriga libera\r\n";
        QTemporaryDir dir;
        const QString path = dir.filePath("Reti.cfg");
        writeAll(path, content);
        NetworkList list;
        QVERIFY(!LoadReti(dir.path(), list));
        QCOMPARE(list.beyondLast, (QByteArrayList{"00101Extra uno", "", "riga libera"}));
        list[1] = "00007Sud";
        QVERIFY(!ScriviReti(dir.path(), list));
        content.replace(0, 23, "00007Sud");
        QCOMPARE(readAll(path), content);

        // A file of 100 lines or fewer carries nothing beyond.
        writeAll(path, "00001A\r\n");
        QVERIFY(!LoadReti(dir.path(), list));
        QVERIFY(list.beyondLast.isEmpty());
    }

    void failedLoadLeavesListAlone_data() {
        QTest::addColumn<int>("how"); // 0: Reti.cfg is a folder, 1: folder cannot be written
        QTest::newRow("Reti.cfg is a folder") << 0;
        QTest::newRow("cannot create in /proc") << 1;
    }
    void failedLoadLeavesListAlone() {
        QFETCH(int, how);
        QTemporaryDir dir;
        QString folder = dir.path();
        if (how == 0)
            QVERIFY(QDir(folder).mkdir("Reti.cfg"));
        else
            folder = QStringLiteral("/proc");
        const NetworkList before = listOf({"00012Nord", "00345Est"});
        NetworkList list = before;
        const auto error = LoadReti(folder, list);
        QVERIFY(error);
        QCOMPARE(list, before);
        QCOMPARE(error->operation, how == 0 ? NetworksFileError::Operation::Read
                                            : NetworksFileError::Operation::Create);
        QVERIFY(error->message.contains("file delle reti"));
        QVERIFY(error->message.contains("Reti.cfg"));
    }

    // Read without writing: the list LoadReti would give, and the folder as it was.
    void readOnly_data() {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QByteArrayList>("first");
        QTest::addColumn<int>("beyondLast");
        const QByteArray full = defaultContent() + "00077Oltre\r\n";
        QTest::newRow("no file") << QByteArray() << QByteArrayList{kDefaultNetworkEntry} << 0;
        QTest::newRow("0 bytes") << QByteArray("") << QByteArrayList{kDefaultNetworkEntry} << 0;
        QTest::newRow("short file") << QByteArray("00012Nord\n00345Est")
                                    << QByteArrayList{"00012Nord", "00345Est", ""} << 0;
        QTest::newRow("a line after the 100th")
            << full << QByteArrayList{kDefaultNetworkEntry} << 1;
    }
    void readOnly() {
        QFETCH(QByteArray, content);
        QFETCH(QByteArrayList, first);
        QTemporaryDir dir;
        const QString path = dir.filePath("Reti.cfg");
        if (!content.isNull())
            writeAll(path, content);
        NetworkList list;
        QVERIFY(!readNetworkList(dir.path(), list));
        for (int i = 0; i < first.size(); ++i)
            QCOMPARE(list[i + 1], first[i]);
        QTEST(int(list.beyondLast.size()), "beyondLast");
        QCOMPARE(QFileInfo::exists(path), !content.isNull());
        if (!content.isNull())
            QCOMPARE(readAll(path), content);
    }

    void readOnlyFailure() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("Reti.cfg"));
        NetworkList list = listOf({"00012Nord"});
        const auto error = readNetworkList(dir.path(), list);
        QVERIFY(error);
        QCOMPARE(error->operation, NetworksFileError::Operation::Read);
        QCOMPARE(list, listOf({"00012Nord"}));
    }

    void failedWriteKeepsOldFile_data() {
        QTest::addColumn<int>("how"); // 0: Reti.cfg is a folder, 1: read-only folder, 2: full,
                                      // 3: read-only file
        QTest::newRow("Reti.cfg is a folder") << 0;
        QTest::newRow("read-only folder") << 1;
        QTest::newRow("disk full") << 2;
        QTest::newRow("read-only file") << 3;
    }
    void failedWriteKeepsOldFile() {
        QFETCH(int, how);
        QTemporaryDir dir;
        const QString path = dir.filePath("Reti.cfg");
        const QByteArray old = "00001Vecchio\r\n";
        if (how == 0)
            QVERIFY(QDir(dir.path()).mkdir("Reti.cfg"));
        else
            writeAll(path, old);
        NetworkList list = defaultNetworkList();
        list[1] = "00099Nuovo";
        const NetworkList before = list;

        std::optional<NetworksFileError> error;
        if (how == 1 || how == 3) {
#ifdef Q_OS_UNIX
            if (::geteuid() == 0)
                QSKIP("root writes whatever the permissions say");
#else
            if (how == 1)
                QSKIP("a folder's read-only attribute does not stop Windows from adding files");
#endif
            const QString locked = how == 1 ? dir.path() : path;
            const auto permissions = QFile::permissions(locked);
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
            error = ScriviReti(dir.path(), list);
            QFile::setPermissions(locked, permissions);
        } else if (how == 2) {
#ifdef Q_OS_UNIX
            // A file-size limit fails the write part way, as a full disk does.
            const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit saved{};
            ::getrlimit(RLIMIT_FSIZE, &saved);
            rlimit small = saved;
            small.rlim_cur = 100;
            ::setrlimit(RLIMIT_FSIZE, &small);
            error = ScriviReti(dir.path(), list);
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, previousHandler);
#else
            QSKIP("needs a file-size limit");
#endif
        } else {
            error = ScriviReti(dir.path(), list);
        }

        QVERIFY(error);
        QCOMPARE(error->operation, NetworksFileError::Operation::Write);
        QVERIFY(error->message.startsWith("Impossibile salvare il file delle reti"));
        QVERIFY(error->message.contains("non è stato modificato"));
        QCOMPARE(list, before);
        if (how != 0)
            QCOMPARE(readAll(path), old);
        // No temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(),
                 how == 0 ? 0 : 1);
    }

    void getRetiEntry_data() {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("padded") << QByteArray("12") << QByteArray("Nord")
                                << QByteArray("00012Nord");
        QTest::newRow("empty id") << QByteArray() << QByteArray() << QByteArray("00000");
        QTest::newRow("zero") << QByteArray("0") << QByteArray("x") << QByteArray("00000x");
        QTest::newRow("long zeros") << QByteArray("0000012") << QByteArray() << QByteArray("00012");
        QTest::newRow("65535") << QByteArray("65535") << QByteArray(" ") << QByteArray("65535 ");
    }
    void getRetiEntry() {
        QFETCH(QByteArray, id);
        QFETCH(QByteArray, description);
        QTEST(GetRetiEntry(id, description), "entry");
    }

    void lookupReti_data() {
        QTest::addColumn<QByteArrayList>("entries");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("position");
        const QByteArrayList unassignedFirst{"00000Rete non assegnata", "00000x", "00012Nord"};
        const QByteArrayList allAssigned{"00001A", "00002B", "00012Nord"};
        QTest::newRow("code 0") << allAssigned << 0 << 0;
        QTest::newRow("unassigned skipped") << unassignedFirst << 12 << 1;
        QTest::newRow("all assigned") << allAssigned << 12 << 3;
        QTest::newRow("first of two wins")
            << QByteArrayList{"00012A", "00005B", "00012C"} << 12 << 1;
        QTest::newRow("not present") << allAssigned << 7 << 0;
        QTest::newRow("six digits") << QByteArrayList{"12345X", "00001A"} << 123456 << 0;
        QTest::newRow("negative") << allAssigned << -1 << 0;
        QTest::newRow("non-digit ID neither counts nor matches")
            << QByteArrayList{"ABCDE", "0001x", "   12", "00012Nord"} << 12 << 1;
        QTest::newRow("short ID") << QByteArrayList{"12", "00012"} << 12 << 1;
        QTest::newRow("65535") << QByteArrayList{"65535"} << 65535 << 1;
    }
    void lookupReti() {
        QFETCH(QByteArrayList, entries);
        QFETCH(int, code);
        QTEST(LookupReti(code, listOf(entries)), "position");
    }

    // A code a person types where a network is asked for (-1: refused).
    void networkCodeFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("leading zeros") << "00012" << 12;
        QTest::newRow("spaces around") << " 77 " << 77;
        QTest::newRow("largest") << "65535" << 65535;
        QTest::newRow("one over") << "65536" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("letters") << "12a" << -1;
        QTest::newRow("decimal") << "1.5" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void networkCodeFromText() {
        QFETCH(QString, text);
        QFETCH(int, code);
        QCOMPARE(selvana::networkCodeFromText(text).value_or(-1), code);
    }

    void ansiCodecIsLossless() {
        for (int b = 0; b < 256; ++b) {
            const QChar c = ansi::toUnicode(char(b));
            QCOMPARE(ansi::fromUnicode(c), std::optional<char>(char(b)));
        }
        QCOMPARE(ansi::toUnicode(QByteArray("\x80\xE8\x9F\x81")), QStringLiteral("€èŸ\u0081"));
        QCOMPARE(ansi::fromUnicode(u"Città €"), std::optional<QByteArray>("Citt\xE0 \x80"));
        QVERIFY(!ansi::fromUnicode(QChar(0x0080)));
        QVERIFY(!ansi::fromUnicode(QChar(u'ł')));
        QVERIFY(!ansi::fromUnicode(u"Łódź"));
    }

    void editCellText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<char>("mode");
        QTest::addColumn<QString>("result");
        const QString bs(QChar(8));
        QTest::newRow("65535") << ""
                               << "65535" << '9' << "65535";
        QTest::newRow("70000 refused") << ""
                                       << "70000" << '9' << "7000";
        QTest::newRow("65536 refused") << "6553"
                                       << "6" << '9' << "6553";
        QTest::newRow("letters ignored") << "1"
                                         << "a-B 2" << '9' << "12";
        QTest::newRow("leading zeros free") << ""
                                            << "0000000" << '9' << "0000000";
        QTest::newRow("zeros then value") << "0000006553"
                                          << "5" << '9' << "00000065535";
        QTest::newRow("zeros then too big") << "0000006553"
                                            << "6" << '9' << "0000006553";
        QTest::newRow("backspace id") << "123" << bs << '9' << "12";
        QTest::newRow("backspace empty") << "" << bs << '9' << "";
        QTest::newRow("hand-edited id takes no digit") << "AB"
                                                       << "1" << '9' << "AB";
        QTest::newRow("hand-edited id backspace") << "AB" << bs << '9' << "A";
        QTest::newRow("description") << ""
                                     << "Nord è €" << 'A' << "Nord è €";
        QTest::newRow("26th refused") << QString(24, 'x') << "ab" << 'A' << QString(24, 'x') + 'a';
        QTest::newRow("long from file") << QString(30, 'x') << "a" << 'A' << QString(30, 'x');
        QTest::newRow("long backspace") << QString(30, 'x') << bs << 'A' << QString(29, 'x');
        QTest::newRow("backspace text") << "ab" << bs + bs + bs << 'A' << "";
        QTest::newRow("controls refused")
            << "a" << QStringLiteral("\r\n\t\u001b\u007f\u0080\u0090") << 'A' << "a";
        QTest::newRow("outside code page") << "a" << QStringLiteral("łЖ✓") << 'A' << "a";
    }
    void editCellText() {
        QFETCH(QString, text);
        QFETCH(QString, keys);
        QFETCH(char, mode);
        for (const QChar k : keys)
            text = EditCellText(text, k, CellMode(mode));
        QTEST(text, "result");
    }
};

QTEST_GUILESS_MAIN(TestNetworksFile)
#include "tst_networks_file.moc"
