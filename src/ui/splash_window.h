#pragma once

#include "ui/splash_placement.h"

#include <QDialog>
#include <QList>
#include <QTimer>

#include <functional>

class QFrame;
class QLabel;

namespace selvana {

// frmSplash: product and version, closes after ten seconds or at the first key or click.
// Its first frame shows the frame and the logo; the texts are drawn in the frame after it, so
// that no font is looked for, opened or measured before the window is on the screen. Their place
// is kept from the start (splash_placement.h), so the window neither moves nor changes size when
// they come, unless a face much wider than expected needs more room.
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
    // Shows the splash and returns once it has closed, as a modal dialog does.
    int exec() override;

    // Called once, after the first frame and before the first text is laid out: the program
    // waits there for its font preparation (font_preparation.h).
    void setBeforeText(std::function<void()> beforeText) { beforeText_ = std::move(beforeText); }

signals:
    // The first frame, without the texts, has been drawn and handed to the window system.
    void firstFrameShown();
    // The frame that holds the texts has been drawn and handed to the window system.
    void textShown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void close_();
    QList<QLabel*> shownTexts() const;
    void place(const QList<QSize>& textSizes);
    void afterFirstFrame();

    QFrame* Frame1_;
    QLabel* lblProductName_;
    QLabel* lblVersion_;
    QLabel* lblUso_;
    QLabel* lblNota_;
    QLabel* imgLogo_;
    QTimer tmrClock_;
    SplashPlacement placement_;
    std::function<void()> beforeText_;
    bool firstFrameDrawn_ = false;
    bool textReleased_ = false;
    bool textDrawn_ = false;
};

} // namespace selvana
