#include "Glyphs.h"

#include "Palette.h"

#include <algorithm>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace glyph {

void ball(QPainter& p, const QRectF& box, const QColor& base) {
    const QPointF light = box.topLeft() + QPointF(box.width() * 0.35, box.height() * 0.3);
    QRadialGradient shade(box.center(), box.width() * 0.5, light);
    shade.setColorAt(0.0, base.lighter(185));
    shade.setColorAt(0.45, base);
    shade.setColorAt(1.0, base.darker(170));
    p.setPen(QPen(base.darker(250), std::max(1.0, box.width() / 14)));
    p.setBrush(shade);
    p.drawEllipse(box);
}

static QPainterPath folderBack(const QRectF& r) {
    const qreal tabEnd = r.left() + r.width() * 0.4;
    const qreal tabDrop = r.height() * 0.16;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(tabEnd, r.top());
    path.lineTo(tabEnd + tabDrop, r.top() + tabDrop);
    path.lineTo(r.right(), r.top() + tabDrop);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    return path;
}

void folder(QPainter& p, const QRectF& box, qreal pen) {
    const QColor outline(138, 90, 10);
    p.setPen(QPen(outline, pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(226, 168, 46));
    p.drawPath(folderBack(box));

    const QRectF front(box.left(), box.top() + box.height() * 0.32, box.width(), box.height() * 0.68);
    QLinearGradient face(front.topLeft(), front.bottomLeft());
    face.setColorAt(0.0, QColor(255, 228, 130));
    face.setColorAt(1.0, QColor(242, 185, 55));
    p.setBrush(face);
    p.drawRect(front);

    // A light edge under the front's top line gives the flap some depth.
    p.setPen(QPen(QColor(255, 246, 200), pen));
    const qreal y = front.top() + pen;
    p.drawLine(QPointF(front.left() + pen, y), QPointF(front.right() - pen, y));
}

static void dropShadow(QPainter& p, const QRectF& box) {
    const QRectF shadow = box.translated(0, box.height() * 0.04).adjusted(-1, -1, 1, 1);
    QRadialGradient soft(shadow.center(), shadow.width() * 0.5);
    soft.setColorAt(0.85, QColor(0, 0, 0, 110));
    soft.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(soft);
    p.drawEllipse(shadow);
}

static void gloss(QPainter& p, const QRectF& box) {
    const QRectF shine(box.left() + box.width() * 0.18, box.top() + box.height() * 0.06, box.width() * 0.64,
                       box.height() * 0.42);
    QLinearGradient fade(shine.topLeft(), shine.bottomLeft());
    fade.setColorAt(0.0, QColor(255, 255, 255, 120));
    fade.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(fade);
    p.drawEllipse(shine);
}

void disc(QPainter& p, const QRectF& box, const QColor& base) {
    dropShadow(p, box);
    QLinearGradient face(box.topLeft(), box.bottomLeft());
    face.setColorAt(0.0, base.lighter(135));
    face.setColorAt(1.0, base.darker(125));
    p.setPen(QPen(base.darker(190), 1.5));
    p.setBrush(face);
    p.drawEllipse(box);
    gloss(p, box);
}

static void lamp(QPainter& p, const QRect& slab, const QColor& colour) {
    p.setPen(Qt::NoPen);
    if (slab.height() < 5) {
        // Too small for a round lamp: one dark pixel reads better than a blur.
        p.setBrush(palette::ink);
        p.drawRect(QRect(slab.left() + 1, slab.top() + 1, 1, slab.height() - 2));
        return;
    }
    const qreal d = slab.height() * 0.45;
    p.setBrush(colour);
    p.drawEllipse(QPointF(slab.left() + slab.height() * 0.55, slab.center().y() + 0.5), d / 2, d / 2);
}

static void vents(QPainter& p, const QRect& slab) {
    if (slab.height() < 5) {
        return;
    }
    const qreal inset = slab.height() * 0.3;
    const qreal step = std::max(2.0, slab.height() * 0.4);
    p.setPen(QPen(QColor(120, 88, 0), std::max(1.0, slab.height() / 7.0)));
    for (int i = 0; i < 3; ++i) {
        const qreal x = slab.right() + 1 - slab.height() * 0.5 - i * step;
        p.drawLine(QPointF(x, slab.top() + inset), QPointF(x, slab.bottom() + 1 - inset));
    }
}

static void slab(QPainter& p, const QRect& r, const QColor& lampColour) {
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0.0, palette::slabYellow.lighter(118));
    face.setColorAt(1.0, palette::slabYellow.darker(118));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    const qreal radius = r.height() < 5 ? 0.0 : r.height() * 0.22;
    p.drawRoundedRect(QRectF(r), radius, radius);
    lamp(p, r, lampColour);
    vents(p, r);
}

void serverStack(QPainter& p, const QRect& box, const QColor& lamp) {
    const int gap = std::max(1, box.height() / 10);
    const int slabHeight = (box.height() - 2 * gap) / 3;
    const int top = box.top() + (box.height() - 3 * slabHeight - 2 * gap) / 2;
    for (int i = 0; i < 3; ++i) {
        slab(p, QRect(box.left(), top + i * (slabHeight + gap), box.width(), slabHeight), lamp);
    }
}

void darkPlate(QPainter& p, const QRectF& box) {
    QLinearGradient face(box.topLeft(), box.bottomLeft());
    face.setColorAt(0.0, QColor(52, 50, 44));
    face.setColorAt(1.0, QColor(14, 14, 12));
    p.setPen(QPen(QColor(0, 0, 0, 200), 1));
    p.setBrush(face);
    p.drawEllipse(box);
}

} // namespace glyph
