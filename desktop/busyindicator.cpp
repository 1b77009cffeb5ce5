// The busy animation shown around long operations (the host's kinds 0, 1 and 6).
#include "desktop/busyindicator.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "host/busyguard.h"

namespace desktop {

TBusyIndicator::TBusyIndicator(QWidget* anchor)
    : QFrame(anchor, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      anchor_(anchor) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(48, 12, 16, 12);
    label_ = new QLabel(this);
    QFont font = label_->font();
    font.setBold(true);
    label_->setFont(font);
    layout->addWidget(label_);
    setFixedSize(260, 56);
    timer_ = new QTimer(this);
    timer_->setInterval(80);
    connect(timer_, &QTimer::timeout, this, [this] {
        angle_ = (angle_ + 30) % 360;
        update();
    });
}

QString TBusyIndicator::KindText(int kind) {
    switch (static_cast<host::TBusyKind>(kind)) {
    case host::TBusyKind::Opening: return QStringLiteral("Aguarde, abrindo a tela...");
    case host::TBusyKind::Processing: return QStringLiteral("Aguarde, processando...");
    case host::TBusyKind::Searching: return QStringLiteral("Aguarde, pesquisando...");
    }
    return QStringLiteral("Aguarde...");
}

QString TBusyIndicator::Text() const {
    return label_->text();
}

void TBusyIndicator::On(int kind) {
    kinds_.push_back(kind);
    label_->setText(KindText(kind));
    Place();
    if (!isVisible()) {
        paintedFrames_ = 0;
        paintedAngle_ = -1;
        show();
        timer_->start();
    }
    raise();
    repaint();
    // Painted now: the operation that follows keeps the event loop busy.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TBusyIndicator::Off() {
    if (kinds_.empty()) return;
    kinds_.pop_back();
    if (kinds_.empty()) {
        timer_->stop();
        hide();
    } else {
        label_->setText(KindText(kinds_.back()));
    }
}

void TBusyIndicator::Place() {
    QRect area;
    if (anchor_ && anchor_->isVisible())
        area = QRect(anchor_->mapToGlobal(QPoint(0, 0)), anchor_->size());
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TBusyIndicator::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (angle_ != paintedAngle_) {
        paintedAngle_ = angle_;
        ++paintedFrames_;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(26, height() / 2.0);
    for (int spoke = 0; spoke < 12; ++spoke) {
        int shade = (spoke * 30 + angle_) % 360;
        QColor color(0, 0, 128);
        color.setAlpha(40 + shade * 215 / 360);
        painter.save();
        painter.translate(centre);
        painter.rotate(spoke * 30);
        painter.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, 7), QPointF(0, 13));
        painter.restore();
    }
}

} // namespace desktop
