#include "common/fake_link.h"
#include "common/test_main.h"
#include "serial/traced_serial_link.h"

#include <QTemporaryDir>

using namespace selvana;
using namespace selvana::testing;

namespace {

// A clock that moves 1 ms at every reading, from a fixed moment.
TracedSerialLink::Clock steppingClock() {
    auto next = std::make_shared<QDateTime>(QDate(2026, 11, 1), QTime(9, 30, 0, 5));
    return [next] {
        const QDateTime now = *next;
        *next = next->addMSecs(1);
        return now;
    };
}

QByteArrayList traceLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestTracedSerialLink : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("trace-%1.txt").arg(++count_));
    }

    // The window must see exactly what it would see without the trace.
    void everythingPassesThrough() {
        FakeSerialLink inner;
        TracedSerialLink link(inner, path_);
        QVERIFY(link.tracing());

        inner.refuseOpen = true;
        const auto refused = link.open(QStringLiteral("/dev/ttyUSB3"));
        QVERIFY(refused);
        QCOMPARE(refused->message, QStringLiteral("assente"));
        QVERIFY(!link.isOpen());
        QVERIFY(!link.write("x"));

        inner.refuseOpen = false;
        QVERIFY(!link.open(QStringLiteral("/dev/ttyUSB0")));
        QVERIFY(link.isOpen());
        inner.incoming = QByteArray("\nK", 2);
        QCOMPARE(link.bytesAvailable(), 2);
        QCOMPARE(link.readAll(), QByteArray("\nK", 2));
        QCOMPARE(link.readAll(), QByteArray());
        QVERIFY(link.write(QByteArray("\nA\r", 3)));
        QCOMPARE(inner.writes, QList<QByteArray>{QByteArray("\nA\r", 3)});
        QVERIFY(!link.failure());
        inner.failure_ = PortError{PortError::Kind::Lost, "/dev/ttyUSB0", "scollegata"};
        QCOMPARE(link.failure()->message, QStringLiteral("scollegata"));
        link.close();
        QVERIFY(!inner.isOpen());
    }

    void linesWithTimeAndHex() {
        FakeSerialLink inner;
        {
            TracedSerialLink link(inner, path_, steppingClock());
            link.open(QStringLiteral("/dev/ttyUSB0"));
            QVERIFY(link.readAll().isEmpty()); // an empty read is no transfer
            inner.incoming = QByteArray("\nK", 2);
            link.readAll();
            link.write(QByteArray("\nA\r\nX\r", 6));
            inner.failure_ = PortError{PortError::Kind::Lost, "/dev/ttyUSB0", "scollegata"};
            link.failure();
            link.failure(); // told once
            link.close();
            link.close(); // already closed: nothing to tell
            inner.refuseOpen = true;
            link.open(QStringLiteral("/dev/ttyUSB1"));
            link.write("Z");
        }
        const QByteArrayList lines = traceLines(path_);
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines[0].startsWith("2026-11-01 09:30:00.005 START "));
        QCOMPARE(lines.mid(1), (QByteArrayList{
                                   "2026-11-01 09:30:00.006 OPEN /dev/ttyUSB0",
                                   "2026-11-01 09:30:00.007 RX 0A 4B",
                                   "2026-11-01 09:30:00.008 TX 0A 41 0D 0A 58 0D",
                                   "2026-11-01 09:30:00.009 LOST /dev/ttyUSB0: scollegata",
                                   "2026-11-01 09:30:00.010 CLOSE",
                                   "2026-11-01 09:30:00.011 OPEN-FAILED /dev/ttyUSB1: assente",
                                   "2026-11-01 09:30:00.012 TX-FAILED 5A",
                               }));
    }

    void everyByteValueInHex() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        FakeSerialLink inner;
        {
            TracedSerialLink link(inner, path_);
            link.open(QStringLiteral("/dev/pts/1"));
            inner.incoming = all;
            QCOMPARE(link.readAll(), all);
        }
        const QByteArray rx = traceLines(path_).at(2);
        const qsizetype at = rx.indexOf(" RX ");
        QVERIFY(at > 0);
        QCOMPARE(QByteArray::fromHex(rx.mid(at + 4)), all);
    }

    void appendsToAnEarlierTrace() {
        QFile earlier(path_);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier run\n");
        earlier.close();
        FakeSerialLink inner;
        {
            TracedSerialLink link(inner, path_);
            link.open(QStringLiteral("/dev/ttyUSB0"));
        }
        const QByteArrayList lines = traceLines(path_);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QByteArray("earlier run"));
        QVERIFY(lines[2].endsWith(" OPEN /dev/ttyUSB0"));
    }

    void unwritableTraceLeavesTheLinkWorking() {
        FakeSerialLink inner;
        TracedSerialLink link(inner, QStringLiteral("/proc/no-such-folder/trace.txt"));
        QVERIFY(!link.tracing());
        QVERIFY(!link.traceError().isEmpty());
        QVERIFY(!link.open(QStringLiteral("/dev/ttyUSB0")));
        inner.incoming = "\nW";
        QCOMPARE(link.readAll(), QByteArray("\nW"));
        QVERIFY(link.write("\nA\r"));
        QCOMPARE(inner.writes.size(), 1);
    }

    void traceOnlyWhenAFileIsNamed() {
        FakeSerialLink port;
        QVERIFY(!serialTrace(port, QString()));
        const auto traced = serialTrace(port, path_);
        QVERIFY(traced);
        QVERIFY(traced->tracing());
        QVERIFY(!traced->open(QStringLiteral("/dev/ttyUSB0")));
        QVERIFY(port.isOpen());
        QVERIFY(traceLines(path_).last().endsWith(" OPEN /dev/ttyUSB0"));
    }

private:
    QTemporaryDir dir_;
    QString path_;
    int count_ = 0;
};

SELVANA_TEST_MAIN(TestTracedSerialLink)
#include "tst_traced_serial_link.moc"
