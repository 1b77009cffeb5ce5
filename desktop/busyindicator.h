// The busy animation shown around long operations (the host's kinds 0, 1 and 6).
#pragma once

#include <QFrame>
#include <QPointer>

#include <vector>

class QLabel;
class QTimer;

namespace desktop {

/// A small window over the main window with a turning wheel and the text of the kind shown
/// last. Shows nest: each On is matched by an Off; the window hides when the last one ends.
/// Showing paints the window at once; the wheel turns on a timer, also while a server call
/// waits (the call waits off the user-interface thread, see replywaiter.h).
class TBusyIndicator : public QFrame {
    Q_OBJECT
public:
    explicit TBusyIndicator(QWidget* anchor);

    void On(int kind);
    void Off();
    int Depth() const { return static_cast<int>(kinds_.size()); }
    /// The text shown for a kind.
    static QString KindText(int kind);
    QString Text() const;
    /// Frames of the wheel painted since the window last appeared (each a different angle).
    int PaintedFrames() const { return paintedFrames_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Place();
    QPointer<QWidget> anchor_;
    std::vector<int> kinds_;
    QLabel* label_;
    QTimer* timer_;
    int angle_ = 0;
    int paintedAngle_ = -1;
    int paintedFrames_ = 0;
};

} // namespace desktop
