#pragma once

#include <QDialog>
#include <QTimer>

class QFrame;
class QLabel;

namespace selvana {

// frmSplash: product and version, closes after ten seconds or at the first key or click.
class SplashWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCloseAfterMs = 10000;
    // SELVANA_SPLASH_MS shortens the wait for scripted runs (tests, demos); the installer's
    // splash always stays its ten seconds.
    static int closeAfterMs();

    explicit SplashWindow(QWidget* parent = nullptr);

    static QString versionLine();
    QTimer& tmrClock() { return tmrClock_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void close_();

    QFrame* Frame1_;
    QLabel* lblProductName_;
    QLabel* lblVersion_;
    QLabel* lblNota_;
    QLabel* imgLogo_;
    QTimer tmrClock_;
};

} // namespace selvana
