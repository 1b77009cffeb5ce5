// Paints what a platform canvas recorded (fills, texts, bitmaps) with a Qt painter.
#pragma once

#include <vector>

#include "platform/graphics.h"

class QPainter;

namespace desktop {

/// Replays the operations in order. Texts are placed with Qt's own font metrics: a text the
/// platform placed against the right edge of its rectangle (or centred in it) keeps that
/// alignment, since the platform's width estimate differs from the real one; texts are centred
/// vertically in their rectangle.
void PaintCanvasOps(QPainter& painter, const std::vector<platform::TCanvasOp>& ops);

} // namespace desktop
