#include "ui/splash_window.h"
#include "ui/embedded_image.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace selvana {

SplashWindow::SplashWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Programmatore Selvana M"));
    setWindowFlag(Qt::FramelessWindowHint);
    setModal(true);

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
    // Larger, in the same face as the other labels: a bold face would be one more font file to
    // open and prepare before the first frame.
    QFont big = lblProductName_->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    lblProductName_->setFont(big);
    lblProductName_->setAlignment(Qt::AlignCenter);

    lblVersion_ = new QLabel(Frame1_);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblVersion_->setAlignment(Qt::AlignCenter);

    auto* lblUso =
        new QLabel(QStringLiteral("Programmazione periferiche radio via seriale"), Frame1_);
    lblUso->setObjectName(QStringLiteral("lblUso"));
    lblUso->setAlignment(Qt::AlignCenter);

    lblNota_ = new QLabel(QStringLiteral("Premere un tasto per continuare"), Frame1_);
    lblNota_->setObjectName(QStringLiteral("lblNota"));
    lblNota_->setAlignment(Qt::AlignCenter);

    auto* inner = new QVBoxLayout(Frame1_);
    inner->setContentsMargins(32, 24, 32, 24);
    inner->setSpacing(12);
    inner->addWidget(imgLogo_);
    inner->addWidget(lblProductName_);
    inner->addWidget(lblVersion_);
    inner->addWidget(lblUso);
    inner->addWidget(lblNota_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Frame1_);

    tmrClock_.setObjectName(QStringLiteral("tmrClock"));
    connect(&tmrClock_, &QTimer::timeout, this, [this] {
        tmrClock_.stop();
        close_();
    });
    Form_Load();
}

QString SplashWindow::versionLine() {
    return QStringLiteral("Versione %1.%2.%3")
        .arg(SELVANA_VERSION_MAJOR)
        .arg(SELVANA_VERSION_MINOR)
        .arg(SELVANA_VERSION_PATCH);
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

void SplashWindow::keyPressEvent(QKeyEvent*) {
    close_();
}

void SplashWindow::mousePressEvent(QMouseEvent*) {
    close_();
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1_ && event->type() == QEvent::MouseButtonPress) {
        close_();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace selvana
