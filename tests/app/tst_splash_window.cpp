#include "common/test_main.h"
#include "ui/embedded_image.h"
#include "ui/resources.h"
#include "ui/splash_window.h"

#include <QFile>
#include <QLabel>

using namespace selvana;

class TestSplashWindow : public QObject {
    Q_OBJECT
private slots:
    // First, while nothing else in this process has read a picture: the splash's first frame
    // loads no image reader (every installed one would be, for a PNG read without its format).
    void splashLoadsNoImageReader() {
#ifdef Q_OS_LINUX
        SplashWindow splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("/imageformats/"));
#else
        QSKIP("reads /proc/self/maps");
#endif
    }

    // The compiled-in logo is the icon's picture, pixel for pixel, and is what the splash shows.
    void logoIsTheIcon() {
        ensureResources();
        const QImage icon = QImage(QStringLiteral(":/icons/logo.png"))
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!icon.isNull());
        QCOMPARE(kSplashLogo.image(), icon);
        SplashWindow splash;
        const QPixmap shown = splash.findChild<QLabel*>("imgLogo")->pixmap();
        QCOMPARE(shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), icon);
    }

    void labelsAtLoad() {
        SplashWindow splash;
        QCOMPARE(splash.findChild<QLabel*>("lblProductName")->text(),
                 QStringLiteral("Programmatore Selvana M"));
        QCOMPARE(splash.findChild<QLabel*>("lblVersion")->text(),
                 QStringLiteral("Versione %1.%2.%3")
                     .arg(SELVANA_VERSION_MAJOR)
                     .arg(SELVANA_VERSION_MINOR)
                     .arg(SELVANA_VERSION_PATCH));
        QVERIFY(splash.findChild<QLabel*>("lblNota")->isHidden());
        QVERIFY(splash.findChild<QWidget*>("Frame1"));
        QCOMPARE(splash.tmrClock().interval(), 10000);
        QVERIFY(splash.tmrClock().isActive());
    }

    // Only a shorter wait, given as a whole number, replaces the installer's ten seconds.
    void scriptedRunsMayShortenTheWait_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("closeAfterMs");
        QTest::newRow("unset") << QByteArray() << 10000;
        QTest::newRow("shorter") << QByteArray("50") << 50;
        QTest::newRow("at once") << QByteArray("0") << 0;
        QTest::newRow("longer") << QByteArray("20000") << 10000;
        QTest::newRow("negative") << QByteArray("-5") << 10000;
        QTest::newRow("not a number") << QByteArray("presto") << 10000;
    }
    void scriptedRunsMayShortenTheWait() {
        QFETCH(QByteArray, value);
        if (value.isNull())
            qunsetenv("SELVANA_SPLASH_MS");
        else
            qputenv("SELVANA_SPLASH_MS", value);
        QTEST(SplashWindow::closeAfterMs(), "closeAfterMs");
        SplashWindow splash;
        QTEST(splash.tmrClock().interval(), "closeAfterMs");
        qunsetenv("SELVANA_SPLASH_MS");
    }

    void closesOnItsTimer() {
        SplashWindow splash;
        splash.tmrClock().setInterval(50);
        splash.tmrClock().start();
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(splash.exec(), int(QDialog::Accepted)); // returns only once the window closed
        QVERIFY(!splash.tmrClock().isActive());
        QVERIFY(elapsed.elapsed() < 5000);
    }

    void keyClosesAtOnceAndTimerStops() {
        SplashWindow splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QTest::keyClick(&splash, Qt::Key_Space);
        QVERIFY(!splash.isVisible());
        QVERIFY(!splash.tmrClock().isActive());
    }

    void clickOnFrameCloses() {
        SplashWindow splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QTest::mouseClick(splash.findChild<QWidget*>("Frame1"), Qt::LeftButton);
        QVERIFY(!splash.isVisible());
        QVERIFY(!splash.tmrClock().isActive());
    }
};

SELVANA_TEST_MAIN(TestSplashWindow)
#include "tst_splash_window.moc"
