#include "common/sample_images.h"
#include "core/link/link_receiver.h"

#include <QTest>

using namespace selvana;
using namespace selvana::testing;
using Kind = LinkMessage::Kind;

Q_DECLARE_METATYPE(LinkMessage::Kind)

class TestLinkReceiver : public QObject {
    Q_OBJECT
private slots:
    void oneTick_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<LinkMessage::Kind>("kind");
        QTest::addColumn<char>("letter");
        QTest::newRow("W") << QByteArray("\nW\r") << Kind::Announce << 'W';
        QTest::newRow("K") << QByteArray("\nK") << Kind::Announce << 'K';
        QTest::newRow("A") << QByteArray("\nA\r") << Kind::Acknowledge << 'A';
        QTest::newRow("N") << QByteArray("\nN\r") << Kind::Refuse << 'N';
        QTest::newRow("noise before") << QByteArray("\x01\xFFzz\r\nK\r") << Kind::Announce << 'K';
        QTest::newRow("no line feed") << QByteArray("WKAN") << Kind::None << char(0);
        QTest::newRow("unknown letter") << QByteArray("\nQ") << Kind::None << char(0);
        QTest::newRow("a line of noise, then a message")
            << QByteArray("\nQ\x01\n\x7F\nW") << Kind::Announce << 'W';
        QTest::newRow("two messages: first wins")
            << QByteArray("\nN\r\nA\r") << Kind::Refuse << 'N';
        QTest::newRow("X frame") << readFrame(sampleProteusX(), 'X') << Kind::Frame << 'X';
        QTest::newRow("D frame") << readFrame(sampleProteusX(), 'D') << Kind::Frame << 'D';
        QTest::newRow("empty") << QByteArray() << Kind::None << char(0);
    }
    void oneTick() {
        QFETCH(QByteArray, input);
        LinkReceiver receiver;
        const LinkMessage m = receiver.feed(input, 0);
        QTEST(m.kind, "kind");
        QTEST(m.letter, "letter");
        if (m.kind != Kind::None)
            QVERIFY(m.bytes.startsWith('\n'));
        QVERIFY(!receiver.waitingForFrame());
    }

    void xAndDInOneTickAnalyseOnlyTheFirst() {
        LinkReceiver receiver;
        const QByteArray both = readFrame(sampleProteusX(), 'X') + readFrame(sampleSicep(), 'D');
        const LinkMessage m = receiver.feed(both, 0);
        QCOMPARE(m.kind, Kind::Frame);
        QCOMPARE(m.letter, 'X');
        QCOMPARE(receiver.feed({}, 500).kind, Kind::None); // the D frame was discarded
    }

    // A message cut right after its line feed is completed by the next tick.
    void lineFeedAtTickEndIsKept() {
        LinkReceiver receiver;
        QCOMPARE(receiver.feed("zz\n", 0).kind, Kind::Pending);
        const LinkMessage m = receiver.feed("K\r", 500);
        QCOMPARE(m.kind, Kind::Announce);
        QCOMPARE(m.letter, 'K');
    }

    void frameSplitAcrossTicks() {
        LinkReceiver receiver;
        const QByteArray frame = readFrame(sampleProteusX(), 'X');
        QCOMPARE(receiver.feed(frame.left(10), 0).kind, Kind::Pending);
        QVERIFY(receiver.waitingForFrame());
        QCOMPARE(receiver.feed(frame.mid(10, 40), 500).kind, Kind::Pending);
        const LinkMessage m = receiver.feed(frame.mid(50), 1000);
        QCOMPARE(m.kind, Kind::Frame);
        QCOMPARE(m.bytes, frame);
        QVERIFY(!receiver.waitingForFrame());
    }

    void incompleteFrameExpires() {
        LinkReceiver receiver;
        const QByteArray frame = readFrame(sampleProteusX(), 'D');
        QCOMPARE(receiver.feed(frame.left(30), 1000).kind, Kind::Pending);
        QCOMPARE(receiver.feed({}, 1000 + LinkTiming{}.frameBoundMs).kind, Kind::Pending);
        QCOMPARE(receiver.feed({}, 1001 + LinkTiming{}.frameBoundMs).kind, Kind::Expired);
        QVERIFY(!receiver.waitingForFrame());
        // What comes next is read afresh.
        QCOMPARE(receiver.feed("\nW", 4000).kind, Kind::Announce);
    }

    void bytesAbove127AndZeroKeptInFrame() {
        Image image{};
        for (int k = 1; k <= 64; ++k)
            image[k] = static_cast<std::uint8_t>(k % 2 ? 0 : 0x80 + k);
        image[3] = '\n';
        image[4] = '\r';
        LinkReceiver receiver;
        const LinkMessage m = receiver.feed(readFrame(image, 'X'), 0);
        QCOMPARE(m.kind, Kind::Frame);
        for (int k = 1; k <= 64; ++k)
            QCOMPARE(static_cast<std::uint8_t>(m.bytes[1 + k]), image[k]);
    }
};

QTEST_APPLESS_MAIN(TestLinkReceiver)
#include "tst_link_receiver.moc"
