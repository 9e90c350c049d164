#include "ui/splash_window.h"
#include "ui/embedded_image.h"

#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

#include <algorithm>

namespace selvana {

SplashWindow::SplashWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Programmatore Selvana M"));
    setWindowFlag(Qt::FramelessWindowHint);

    // No layout: a layout asks every label for its size, which opens and measures the fonts
    // before the first frame.
    Frame1_ = new QFrame(this);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setFrameShape(QFrame::Box);
    Frame1_->installEventFilter(this);

    imgLogo_ = new QLabel(Frame1_);
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    // Pixels compiled in: the first frame decodes no file and loads no image reader.
    imgLogo_->setPixmap(QPixmap::fromImage(kSplashLogo.image()));
    imgLogo_->setAlignment(Qt::AlignCenter);

    lblProductName_ = new QLabel(Frame1_);
    lblProductName_->setObjectName(QStringLiteral("lblProductName"));
    QFont big = lblProductName_->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    lblProductName_->setFont(big);

    lblVersion_ = new QLabel(Frame1_);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));

    lblUso_ = new QLabel(QStringLiteral("Programmazione periferiche radio via seriale"), Frame1_);
    lblUso_->setObjectName(QStringLiteral("lblUso"));

    lblNota_ = new QLabel(QStringLiteral("Premere un tasto per continuare"), Frame1_);
    lblNota_->setObjectName(QStringLiteral("lblNota"));

    for (QLabel* label : {lblProductName_, lblVersion_, lblUso_, lblNota_}) {
        label->setAlignment(Qt::AlignCenter);
        label->installEventFilter(this);
    }

    tmrClock_.setObjectName(QStringLiteral("tmrClock"));
    connect(&tmrClock_, &QTimer::timeout, this, [this] {
        tmrClock_.stop();
        close_();
    });
    Form_Load();

    QList<QSize> expected;
    for (QLabel* label : shownTexts())
        expected << expectedTextSize(label->text(), label->font(), logicalDpiY());
    place(expected);
}

int SplashWindow::exec() {
    // Shown before any other window of the program, the splash has nothing to block; shown as a
    // modal window it would take the keyboard before its first frame, at the cost of round trips
    // to the window system. It takes the keyboard right after its first frame instead.
    show();
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
    return result();
}

QString SplashWindow::versionLine() {
    return QStringLiteral("Versione " SELVANA_VERSION_TEXT);
}

int SplashWindow::closeAfterMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("SELVANA_SPLASH_MS", &ok);
    return ok && ms >= 0 && ms < kCloseAfterMs ? ms : kCloseAfterMs;
}

void SplashWindow::Form_Load() {
    lblVersion_->setText(versionLine());
    lblProductName_->setText(QStringLiteral("Programmatore Selvana M"));
    lblNota_->hide();
    tmrClock_.setInterval(closeAfterMs());
    tmrClock_.start();
}

void SplashWindow::close_() {
    tmrClock_.stop();
    accept();
}

QList<QLabel*> SplashWindow::shownTexts() const {
    QList<QLabel*> shown;
    for (QLabel* label : {lblProductName_, lblVersion_, lblUso_, lblNota_}) {
        if (!label->isHidden())
            shown << label;
    }
    return shown;
}

void SplashWindow::place(const QList<QSize>& textSizes) {
    placement_ = placeSplash(kSplashLogo.image().size(), textSizes,
                             SplashMargins{.frame = Frame1_->frameWidth()});
    const QPoint centre = geometry().center();
    setFixedSize(placement_.window);
    if (isVisible()) {
        move(pos() + centre - geometry().center());
    } else if (!parentWidget()) {
        // Placed before it is shown, where the dialog would centre itself: moved once shown, the
        // window would cost round trips to the window system before its first frame.
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen && screen->virtualSiblings().size() > 1)
            screen = QGuiApplication::screenAt(QCursor::pos());
        if (screen)
            move(centredIn(screen->availableGeometry(), placement_.window));
    }
    Frame1_->setGeometry(QRect(QPoint(0, 0), placement_.window));
    imgLogo_->setGeometry(placement_.logo);
    const QList<QLabel*> shown = shownTexts();
    for (qsizetype i = 0; i < shown.size(); ++i)
        shown[i]->setGeometry(placement_.texts[i]);
}

void SplashWindow::afterFirstFrame() {
    emit firstFrameShown();
    activateWindow();
    if (beforeText_)
        beforeText_();
    textReleased_ = true;
    QList<QSize> measured;
    const QList<QLabel*> shown = shownTexts();
    for (QLabel* label : shown)
        measured << label->sizeHint();
    if (!textsFit(placement_, measured)) {
        // Rather a larger window than a cut text.
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const QSize expected =
                expectedTextSize(shown[i]->text(), shown[i]->font(), logicalDpiY());
            measured[i] = measured[i].expandedTo(expected);
        }
        place(measured);
    }
    for (QLabel* label : shown)
        label->update();
}

void SplashWindow::keyPressEvent(QKeyEvent*) {
    close_();
}

void SplashWindow::mousePressEvent(QMouseEvent*) {
    close_();
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1_) {
        if (event->type() == QEvent::MouseButtonPress) {
            close_();
            return true;
        }
        // The frame is drawn first, its children after it, then the whole frame is handed to
        // the window system: a queued call runs once all that is done.
        if (event->type() == QEvent::Paint && !firstFrameDrawn_) {
            firstFrameDrawn_ = true;
            QMetaObject::invokeMethod(this, &SplashWindow::afterFirstFrame, Qt::QueuedConnection);
        }
    } else if (event->type() == QEvent::Paint) { // one of the texts
        if (!textReleased_)
            return true; // the frame behind stays as it is until the texts come
        if (!textDrawn_) {
            textDrawn_ = true;
            QMetaObject::invokeMethod(this, &SplashWindow::textShown, Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace selvana
