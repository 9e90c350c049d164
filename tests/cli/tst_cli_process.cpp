#include "cli/peripheral_rig.h"
#include "common/sample_images.h"
#include "common/test_main.h"

#include <csignal>

using namespace selvana;
using namespace selvana::testing;

// What only the program as a process shows: its exit status to the shell, its help, the version
// in its trace, Qt's own messages kept off the console, the signals that stop it and an output
// nobody reads any more. Everything else the command line does is tested in the test process
// (tst_cli_e2e).
class TestCliProcess : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    QString file(const char* name) const { return home.filePath(QLatin1String(name)); }
    QString siteFile() const {
        return writeFile(file("impianto.con"), conf::fileContent(1, 0, sampleProteusX()));
    }

private slots:
    void exitStatusReachesTheShell_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("wrong command line") << QStringList{} << 1;
        QTest::newRow("file unreadable") << QStringList{"decode", "@missing"} << 2;
        QTest::newRow("port unavailable")
            << QStringList{"write", "@site", "--port", "/dev/selvana-none"} << 3;
    }
    void exitStatusReachesTheShell() {
        QFETCH(QStringList, arguments);
        arguments.replaceInStrings(QStringLiteral("@missing"), file("mancante.con"));
        arguments.replaceInStrings(QStringLiteral("@site"), siteFile());
        CliProcess cli(home.path());
        QTEST(cli.run(arguments), "status");
        QVERIFY(!cli.err().isEmpty());
    }

    void helpIsItalian() {
        CliProcess cli(home.path());
        QCOMPARE(cli.run({QStringLiteral("--help")}), 0);
        for (const char* text :
             {"Uso: selvanam-cli COMANDO", "Stato di uscita:", "program FILE", "copia di sicurezza",
              "programmazioni.csv", "\n  porte\n", "auto (l'unico adattatore seriale collegato)",
              "diff A.con B.con", "--prova", "--verifica", "\n  17  "})
            QVERIFY2(cli.out().contains(QLatin1String(text)), text);
        QVERIFY(!cli.out().contains(QLatin1String("Usage")));
        QVERIFY(!cli.out().contains(QLatin1String("Options:")));
    }

    // The trace's first line names the program and its version, as the window's does.
    void traceNamesTheVersion() {
        CliProcess cli(home.path());
        cli.setEnvironment(QStringLiteral("SELVANA_TRACE"), file("traccia.txt"));
        QCOMPARE(
            cli.run({QStringLiteral("read"), QStringLiteral("--port"),
                     QStringLiteral("/dev/selvana-none"), QStringLiteral("-o"), file("x.con")}),
            3);
        const QStringList trace = QString::fromUtf8(contentOf(file("traccia.txt")))
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(!trace.isEmpty());
        QVERIFY2(trace.first().endsWith(QStringLiteral(" START SelvanaM %1.%2.%3")
                                            .arg(SELVANA_VERSION_MAJOR)
                                            .arg(SELVANA_VERSION_MINOR)
                                            .arg(SELVANA_VERSION_PATCH)),
                 qPrintable(trace.first()));
    }

    // Qt's own English warnings (here: the site sheet's offscreen platform without a runtime
    // folder) never reach the console; the trace keeps them when there is one.
    void qtWarningsStayOffTheConsole_data() {
        QTest::addColumn<bool>("traced");
        QTest::newRow("no trace") << false;
        QTest::newRow("trace") << true;
    }
    void qtWarningsStayOffTheConsole() {
        QFETCH(bool, traced);
        const QString trace = file(traced ? "qt-traccia.txt" : "nessuna-traccia.txt");
        QFile::remove(trace);
        CliProcess cli(home.path());
        cli.setEnvironment(QStringLiteral("XDG_RUNTIME_DIR"), QString());
        if (traced)
            cli.setEnvironment(QStringLiteral("SELVANA_TRACE"), trace);
        QCOMPARE(cli.run({QStringLiteral("registro"), QStringLiteral("--pdf"), file("s.pdf")}), 0);
        QVERIFY2(!cli.err().contains(QStringLiteral("XDG_RUNTIME_DIR")), qPrintable(cli.err()));
        QCOMPARE(contentOf(trace).contains(" QT-WARNING QStandardPaths: XDG_RUNTIME_DIR"), traced);
    }

    // Ctrl+C (SIGINT) or SIGTERM while waiting for the peripheral ends the command with its
    // own status, nothing written.
    void aSignalEndsAWait_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void aSignalEndsAWait() {
        QFETCH(int, signal);
        SimulatedPeripheral p;
        sim::SimulatorOptions options;
        options.faults.silent = true;
        QVERIFY(p.start(options));
        CliProcess cli(home.path());
        cli.start({QStringLiteral("write"), siteFile(), QStringLiteral("--port"), p.device(),
                   QStringLiteral("--timeout"), QStringLiteral("0")});
        QVERIFY(cli.waitForErr(QStringLiteral("premere il tasto RESET")));
        QVERIFY(!cli.err().contains(QStringLiteral("attesa massima")));
        QCOMPARE(::kill(static_cast<pid_t>(cli.process().processId()), signal), 0);
        QCOMPARE(cli.finish(), 10);
        QVERIFY2(cli.err().contains(QStringLiteral("nulla è stato scritto")),
                 qPrintable(cli.err()));
        QVERIFY(!p.receivedWrite());
    }

    // An output whose reader has gone (a closed pipe) neither kills the program nor changes
    // its status.
    void aClosedOutputDoesNotEndTheProgram() {
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        ::close(fds[0]);
        CliProcess cli(home.path());
        cli.process().setChildProcessModifier([fds] { ::dup2(fds[1], STDOUT_FILENO); });
        QCOMPARE(cli.run({QStringLiteral("decode"), siteFile()}), 0);
        ::close(fds[1]);
    }
};

SELVANA_TEST_MAIN(TestCliProcess)
#include "tst_cli_process.moc"
