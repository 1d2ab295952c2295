#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

// Shapes that appear in more than one picture.
namespace glyph {
// A shaded ball lit from the upper left.
void ball(QPainter& p, const QRectF& box, const QColor& base);
// A closed yellow folder; `pen` is the outline width in pixels, so small and large sizes stay crisp.
void folder(QPainter& p, const QRectF& box, qreal pen);
// A round, softly lit button face with a thin rim and a drop shadow.
void disc(QPainter& p, const QRectF& box, const QColor& base);
// Three stacked server units in yellow, each with one status lamp; `box` is whole pixels so slabs align.
void serverStack(QPainter& p, const QRect& box, const QColor& lamp);
// A round dark plate that separates a glyph from whatever lies behind it.
void darkPlate(QPainter& p, const QRectF& box);
} // namespace glyph
