// Paints what a platform canvas recorded (fills, texts, bitmaps) with a Qt painter.
#include "desktop/canvaspainter.h"

#include <QPainter>

#include <cstdlib>

#include "desktop/qtconvert.h"

namespace desktop {

namespace {

void PaintText(QPainter& painter, const platform::TCanvasOp& op) {
    platform::TCanvas measure;
    measure.SetFont(op.font);
    const int estimated = measure.TextWidth(op.text);
    const QRect rect(op.rect.Left, op.rect.Top, op.rect.Width(), op.rect.Height());
    const int leftGap = op.x - op.rect.Left;
    const int rightGap = op.rect.Right - (op.x + estimated);
    // The platform places left-aligned text at a small margin, right-aligned text at a small
    // margin from the right edge, centred text with equal gaps.
    Qt::Alignment horizontal = Qt::AlignLeft;
    QRect textRect = rect.adjusted(std::max(0, leftGap), 0, 0, 0);
    if (leftGap > 3 && std::abs(leftGap - rightGap) <= 2) {
        horizontal = Qt::AlignHCenter;
        textRect = rect;
    } else if (leftGap > 3 && rightGap >= 0 && rightGap <= 3) {
        horizontal = Qt::AlignRight;
        textRect = rect.adjusted(0, 0, -rightGap, 0);
    }
    QColor color = ToQColor(op.font.Color);
    painter.setPen(color.isValid() ? color : QColor(Qt::black));
    painter.setFont(ToQFont(op.font));
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(textRect, static_cast<int>(horizontal | Qt::AlignVCenter) | Qt::TextSingleLine,
                     DisplayText(op.text, op.font));
    painter.restore();
}

} // namespace

void PaintCanvasOps(QPainter& painter, const std::vector<platform::TCanvasOp>& ops) {
    for (const platform::TCanvasOp& op : ops) {
        switch (op.kind) {
        case platform::TCanvasOp::FillRect: {
            QColor color = ToQColor(op.brushColor);
            if (color.isValid())
                painter.fillRect(
                    QRect(op.rect.Left, op.rect.Top, op.rect.Width(), op.rect.Height()), color);
            break;
        }
        case platform::TCanvasOp::TextOut:
        case platform::TCanvasOp::TextRect: PaintText(painter, op); break;
        case platform::TCanvasOp::Draw:
            painter.drawImage(
                QPoint(op.x, op.y),
                ToQImage(op.bitmap, op.transparentColor != platform::clNone, op.transparentColor));
            break;
        }
    }
}

} // namespace desktop
