#include "common/test_main.h"
#include "ui/embedded_image.h"
#include "ui/resources.h"
#include "ui/splash_placement.h"
#include "ui/splash_window.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

#include <atomic>

#ifdef Q_OS_LINUX
#include <dlfcn.h>
#endif

using namespace selvana;

namespace {

// Font work seen in this process: Qt filling its font database, looking a face up, opening a
// font file. Qt reaches these functions of fontconfig and FreeType through the dynamic linker,
// which finds the test program's own definitions below first; they count the call and pass it on.
std::atomic<int> fontListings{0};
std::atomic<int> faceLookUps{0};
std::atomic<int> fontFilesOpened{0};

[[maybe_unused]] int fontWork() {
    return fontListings + faceLookUps + fontFilesOpened;
}

#ifdef Q_OS_LINUX
template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
#endif

} // namespace

#ifdef Q_OS_LINUX
// The libraries' own types do not matter here: pointers and integers are passed on untouched.
extern "C" {
void* FcFontList(void* config, void* pattern, void* objects) {
    ++fontListings;
    static const auto real = next<void* (*)(void*, void*, void*)>("FcFontList");
    return real(config, pattern, objects);
}
void* FcFontMatch(void* config, void* pattern, void* result) {
    ++faceLookUps;
    static const auto real = next<void* (*)(void*, void*, void*)>("FcFontMatch");
    return real(config, pattern, result);
}
void* FcFontSort(void* config, void* pattern, int trim, void* charsets, void* result) {
    ++faceLookUps;
    static const auto real = next<void* (*)(void*, void*, int, void*, void*)>("FcFontSort");
    return real(config, pattern, trim, charsets, result);
}
int FT_New_Face(void* library, const char* path, long index, void* face) {
    ++fontFilesOpened;
    static const auto real = next<int (*)(void*, const char*, long, void*)>("FT_New_Face");
    return real(library, path, index, face);
}
int FT_New_Memory_Face(void* library, const void* data, long size, long index, void* face) {
    ++fontFilesOpened;
    static const auto real =
        next<int (*)(void*, const void*, long, long, void*)>("FT_New_Memory_Face");
    return real(library, data, size, index, face);
}
}
#endif

namespace {

// Where the window and each of its parts are, relative to the screen.
QList<QRect> partsOf(const QWidget& splash) {
    QList<QRect> parts{splash.geometry()};
    for (const QWidget* part : splash.findChildren<QWidget*>())
        parts << QRect(part->mapToGlobal(QPoint(0, 0)), part->size());
    return parts;
}

QList<QLabel*> shownTexts(const QWidget& splash) {
    QList<QLabel*> texts;
    for (const char* name : {"lblProductName", "lblVersion", "lblUso"})
        texts << splash.findChild<QLabel*>(name);
    return texts;
}

// Every text shown whole: its label holds it, and the label lies inside the window.
void verifyTextsShownWhole(const QWidget& splash) {
    for (const QLabel* label : shownTexts(splash)) {
        QVERIFY2(label->isVisible(), qPrintable(label->objectName()));
        const QRect inWindow(label->mapTo(&splash, QPoint(0, 0)), label->size());
        QVERIFY2(splash.rect().contains(inWindow), qPrintable(label->objectName()));
        const QSize needed = label->sizeHint();
        QVERIFY2(needed.width() <= label->width() && needed.height() <= label->height(),
                 qPrintable(QStringLiteral("%1: %2x%3 in %4x%5")
                                .arg(label->objectName())
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(label->width())
                                .arg(label->height())));
    }
}

// The application's font for one test, the usual one again afterwards.
class ApplicationFont {
public:
    explicit ApplicationFont(const QFont& font) : saved_(QApplication::font()) {
        QApplication::setFont(font);
    }
    ~ApplicationFont() { QApplication::setFont(saved_); }

private:
    QFont saved_;
};

} // namespace

class TestSplashWindow : public QObject {
    Q_OBJECT
private slots:
    // First, while nothing in this process has used a font: the first frame looks no font up
    // and opens none; the texts, drawn after it, do.
    void noFontWorkBeforeTheFirstFrame() {
#ifdef Q_OS_LINUX
        if (fontWork() != 0)
            QSKIP("fonts were used in this process before this test");
        SplashWindow splash;
        int atFirstFrame = -1;
        connect(&splash, &SplashWindow::firstFrameShown, this,
                [&atFirstFrame] { atFirstFrame = fontWork(); });
        QSignalSpy textShown(&splash, &SplashWindow::textShown);
        splash.show();
        QVERIFY(textShown.wait(5000));
        QCOMPARE(atFirstFrame, 0);
        QVERIFY(fontListings > 0);
        QVERIFY(fontFilesOpened > 0);
#else
        QSKIP("counts calls into fontconfig and FreeType");
#endif
    }

    // Logo and texts stacked and centred; each text keeps the whole width and half the spacing
    // around it, so the frame's edge and the logo are the only fixed points.
    void placement_data() {
        QTest::addColumn<QSize>("logo");
        QTest::addColumn<QList<QSize>>("texts");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QRect>("logoPlace");
        QTest::addColumn<QList<QRect>>("textPlaces");
        QTest::newRow("the splash's texts at 9 points, 96 dpi")
            << QSize(128, 128) << QList<QSize>{{331, 26}, {86, 14}, {270, 14}} << QSize(397, 268)
            << QRect(1, 25, 395, 128)
            << QList<QRect>{{1, 159, 395, 38}, {1, 197, 395, 26}, {1, 223, 395, 26}};
        QTest::newRow("texts narrower than the logo")
            << QSize(128, 128) << QList<QSize>{{60, 14}} << QSize(194, 204)
            << QRect(1, 25, 192, 128) << QList<QRect>{{1, 159, 192, 26}};
        QTest::newRow("the widest text need not be the first")
            << QSize(128, 128) << QList<QSize>{{100, 20}, {500, 14}} << QSize(566, 236)
            << QRect(1, 25, 564, 128) << QList<QRect>{{1, 159, 564, 32}, {1, 191, 564, 26}};
        QTest::newRow("logo alone") << QSize(128, 128) << QList<QSize>{} << QSize(194, 178)
                                    << QRect(1, 25, 192, 128) << QList<QRect>{};
    }
    void placement() {
        QFETCH(QSize, logo);
        QFETCH(QList<QSize>, texts);
        const SplashPlacement placed = placeSplash(logo, texts);
        QTEST(placed.window, "window");
        QTEST(placed.logo, "logoPlace");
        QTEST(placed.texts, "textPlaces");
        QVERIFY(selvana::textsFit(placed, texts));
    }

    void textsFit_data() {
        QTest::addColumn<QList<QSize>>("texts");
        QTest::addColumn<bool>("fit");
        QTest::newRow("as expected") << QList<QSize>{{331, 26}, {86, 14}} << true;
        QTest::newRow("wider, within the margins") << QList<QSize>{{395, 26}, {86, 14}} << true;
        QTest::newRow("taller, within the spacing") << QList<QSize>{{331, 38}, {86, 26}} << true;
        QTest::newRow("wider than the frame") << QList<QSize>{{396, 26}, {86, 14}} << false;
        QTest::newRow("the second taller than its place")
            << QList<QSize>{{331, 26}, {86, 27}} << false;
        QTest::newRow("a text more than was placed")
            << QList<QSize>{{331, 26}, {86, 14}, {10, 10}} << false;
    }
    void textsFit() {
        QFETCH(QList<QSize>, texts);
        const SplashPlacement placed = placeSplash(QSize(128, 128), {{331, 26}, {86, 14}});
        QTEST(selvana::textsFit(placed, texts), "fit");
    }

    // In Debian's default face at the usual size the texts take exactly the room expected for
    // them: the splash looks as a layout measuring them would make it.
    void expectedSizeOfTheDefaultFace_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<bool>("bold");
        QTest::newRow("title") << "Programmatore Selvana M" << 1.8 << true;
        QTest::newRow("widest line")
            << "Programmazione periferiche radio via seriale" << 1.0 << false;
    }
    void expectedSizeOfTheDefaultFace() {
        QFETCH(QString, text);
        QFETCH(qreal, scale);
        QFETCH(bool, bold);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(9 * scale);
        font.setBold(bold);
        if (QFontInfo(font).family() != QLatin1String("DejaVu Sans"))
            QSKIP("DejaVu Sans is not installed");
#ifdef Q_OS_WIN
        QSKIP("the widths are Debian's rendering of its default face; Windows has another face");
#endif
        QLabel label(text);
        label.setFont(font);
        QCOMPARE(expectedTextSize(text, font, 96), label.sizeHint());
    }

    // The first frame already has the window's final size and place and the logo's; the texts
    // come into the room kept for them, whole, in the usual faces and sizes.
    void textsComeWithoutMovingAnything_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<qreal>("points");
        QTest::newRow("default face, 9 points") << QString() << 9.0;
        QTest::newRow("default face, 7 points") << QString() << 7.0;
        QTest::newRow("default face, 11 points") << QString() << 11.0;
        QTest::newRow("default face, 14 points") << QString() << 14.0;
        QTest::newRow("DejaVu Serif, 10 points") << "DejaVu Serif" << 10.0;
        QTest::newRow("Nimbus Sans, 10 points") << "Nimbus Sans" << 10.0;
        QTest::newRow("DejaVu Sans Mono, 9 points") << "DejaVu Sans Mono" << 9.0;
    }
    void textsComeWithoutMovingAnything() {
        QFETCH(QString, family);
        QFETCH(qreal, points);
        QFont font = QApplication::font();
        if (!family.isEmpty()) {
            font.setFamily(family);
            if (!QFontInfo(font).family().startsWith(family)) // "Nimbus Sans [urw]"
                QSKIP("face not installed");
        }
        font.setPointSizeF(points);
        const ApplicationFont using_(font);
        SplashWindow splash;
        QList<QRect> atFirstFrame;
        connect(&splash, &SplashWindow::firstFrameShown, this,
                [&] { atFirstFrame = partsOf(splash); });
        QSignalSpy textShown(&splash, &SplashWindow::textShown);
        splash.show();
        QVERIFY(textShown.wait(5000));
        QCOMPARE(partsOf(splash), atFirstFrame);
        verifyTextsShownWhole(splash);
    }

    // Texts much wider than any usual face makes them (here: letters spaced apart) are not cut:
    // the window grows around its centre to hold them.
    void textsTooWideForTheirRoomGrowTheWindow() {
        QFont font = QApplication::font();
        font.setLetterSpacing(QFont::AbsoluteSpacing, 12);
        const ApplicationFont using_(font);
        SplashWindow splash;
        QRect atFirstFrame;
        connect(&splash, &SplashWindow::firstFrameShown, this,
                [&] { atFirstFrame = splash.geometry(); });
        QSignalSpy textShown(&splash, &SplashWindow::textShown);
        splash.show();
        QVERIFY(textShown.wait(5000));
        QVERIFY(splash.width() > atFirstFrame.width());
        QVERIFY((splash.geometry().center() - atFirstFrame.center()).manhattanLength() <= 1);
        verifyTextsShownWhole(splash);
        const QLabel* logo = splash.findChild<QLabel*>("imgLogo");
        QCOMPARE(logo->mapTo(&splash, logo->rect().center()).x(), splash.rect().center().x());
    }

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

    // Run as the program runs it, the splash takes the keyboard once shown and returns
    // only after it has closed, however it is closed.
    void execReturnsOnceClosed_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("a key to the window that has the keyboard") << "key";
        QTest::newRow("a click on the frame") << "click";
        QTest::newRow("its timer") << "timer";
    }
    void execReturnsOnceClosed() {
        QFETCH(QString, how);
        SplashWindow splash;
        QTimer act;
        act.setInterval(10);
        connect(&act, &QTimer::timeout, this, [&] {
            if (how == QLatin1String("key")) {
                if (QApplication::activeWindow() == &splash)
                    QTest::keyClick(QApplication::activeWindow(), Qt::Key_A);
            } else if (how == QLatin1String("click")) {
                if (splash.isVisible())
                    QTest::mouseClick(splash.findChild<QWidget*>("Frame1"), Qt::LeftButton);
            } else if (splash.isVisible()) {
                splash.tmrClock().start(1);
            }
        });
        act.start();
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(splash.exec(), int(QDialog::Accepted));
        QVERIFY(!splash.isVisible());
        QVERIFY(!splash.tmrClock().isActive());
        QVERIFY(elapsed.elapsed() < SplashWindow::kCloseAfterMs / 2);
    }

    void centredIn_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("place");
        QTest::newRow("whole screen")
            << QRect(0, 0, 1280, 1024) << QSize(397, 268) << QPoint(442, 378);
        QTest::newRow("odd sizes round down")
            << QRect(0, 0, 1365, 767) << QSize(397, 269) << QPoint(484, 249);
        QTest::newRow("screen right of another, panel on top")
            << QRect(1920, 32, 1280, 992) << QSize(400, 270) << QPoint(2360, 393);
        QTest::newRow("window larger than the screen")
            << QRect(0, 0, 300, 200) << QSize(400, 270) << QPoint(-50, -35);
    }
    void centredIn() {
        QFETCH(QRect, area);
        QFETCH(QSize, window);
        QTEST(selvana::centredIn(area, window), "place");
    }

    // The window is at its place before it is shown, centred on the screen: it is not moved
    // once on the screen, neither for its first frame nor when its texts come.
    void placedBeforeItIsShown() {
        SplashWindow splash;
        const QRect before = splash.geometry();
        QCOMPARE(before.topLeft(),
                 selvana::centredIn(QGuiApplication::primaryScreen()->availableGeometry(),
                                    before.size()));
        QRect atFirstFrame;
        connect(&splash, &SplashWindow::firstFrameShown, this,
                [&] { atFirstFrame = splash.geometry(); });
        QSignalSpy textShown(&splash, &SplashWindow::textShown);
        splash.show();
        QVERIFY(textShown.wait(5000));
        QCOMPARE(atFirstFrame, before);
        QCOMPARE(splash.geometry(), before);
    }
};

SELVANA_TEST_MAIN(TestSplashWindow)
#include "tst_splash_window.moc"
