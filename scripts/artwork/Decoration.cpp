#include "Art.h"
#include "Canvas.h"

#include <QConicalGradient>
#include <QLinearGradient>
#include <QRadialGradient>

// Lies behind the toolbar and the tree on the black window, so everything stays a few shades above black.
namespace {
const QPointF origin(124, 112);
const QRect area(0, 0, 200, 161);

void rings(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    for (int r = 24; r <= 240; r += 24) {
        p.setPen(QPen(QColor(48, 46, 28), 1));
        p.drawEllipse(origin, r, r);
    }
    p.setPen(QPen(QColor(36, 34, 22), 1, Qt::DashLine));
    p.drawLine(QPointF(0, origin.y()), QPointF(200, origin.y()));
    p.drawLine(QPointF(origin.x(), 0), QPointF(origin.x(), 161));
}

void sweep(QPainter& p) {
    QConicalGradient beam(origin, 150);
    beam.setColorAt(0.0, QColor(255, 255, 192, 30));
    beam.setColorAt(0.12, QColor(255, 255, 192, 0));
    beam.setColorAt(1.0, QColor(255, 255, 192, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(beam);
    p.drawEllipse(origin, 240, 240);
}

void blips(QPainter& p) {
    const QPointF spots[] = {{92, 76}, {60, 96}, {150, 64}};
    p.setPen(Qt::NoPen);
    for (const QPointF& spot : spots) {
        QRadialGradient glow(spot, 4);
        glow.setColorAt(0.0, QColor(100, 92, 42));
        glow.setColorAt(1.0, QColor(100, 92, 42, 0));
        p.setBrush(glow);
        p.drawEllipse(spot, 4, 4);
    }
}

// Fades the picture out towards every edge so it has no visible border on the window.
void vignette(QPainter& p) {
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    const qreal margin = 28;
    for (const QLineF& inwards : {QLineF(0, 0, margin, 0), QLineF(200, 0, 200 - margin, 0),
                                  QLineF(0, 0, 0, margin), QLineF(0, 161, 0, 161 - margin)}) {
        QLinearGradient ramp(inwards.p1(), inwards.p2());
        ramp.setColorAt(0.0, Qt::transparent);
        ramp.setColorAt(1.0, Qt::black);
        p.fillRect(area, ramp);
    }
    QRadialGradient centreWeight(origin, 150);
    centreWeight.setColorAt(0.0, Qt::black);
    centreWeight.setColorAt(1.0, QColor(0, 0, 0, 60));
    p.fillRect(area, centreWeight);
    p.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    p.fillRect(area, Qt::black);
}
} // namespace

void drawDecoration(const QDir& out) {
    Canvas canvas(200, 161);
    QPainter& p = canvas.painter();
    rings(p);
    sweep(p);
    blips(p);
    vignette(p);
    canvas.save(out.filePath("decoration.png"));
}
