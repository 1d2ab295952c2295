#include "Art.h"
#include "Canvas.h"
#include "Palette.h"

#include <QLinearGradient>
#include <QPainterPath>

// The name is drawn from strokes rather than a font, so the logo looks the same wherever it is regenerated.
namespace {
constexpr qreal capTop = 7;
constexpr qreal xTop = 15;
constexpr qreal baseline = 31;
constexpr qreal capMiddle = (capTop + baseline) / 2;

QPainterPath letterK(qreal x) {
    QPainterPath k;
    k.moveTo(x, capTop);
    k.lineTo(x, baseline);
    k.moveTo(x + 15, capTop);
    k.lineTo(x + 1, capMiddle + 1);
    k.moveTo(x + 6.5, capMiddle - 1.5);
    k.lineTo(x + 16, baseline);
    return k;
}

QPainterPath letterO(qreal x) {
    QPainterPath o;
    o.addEllipse(QPointF(x + 12, capMiddle), 12, 12);
    return o;
}

QPainterPath letterV(qreal x) {
    QPainterPath v;
    v.moveTo(x, capTop);
    v.lineTo(x + 9.5, baseline);
    v.lineTo(x + 19, capTop);
    return v;
}

QPainterPath letterA(qreal x) {
    QPainterPath a;
    a.moveTo(x, baseline);
    a.lineTo(x + 9.5, capTop);
    a.lineTo(x + 19, baseline);
    a.moveTo(x + 5, 23.5);
    a.lineTo(x + 14, 23.5);
    return a;
}

QPainterPath letterR(qreal x) {
    QPainterPath r;
    r.moveTo(x, xTop);
    r.lineTo(x, baseline);
    r.moveTo(x, 22);
    r.cubicTo(x, 17.5, x + 3.5, xTop, x + 9.5, xTop);
    return r;
}

QPainterPath letterU(qreal x) {
    QPainterPath u;
    u.moveTo(x, xTop);
    u.lineTo(x, 24.5);
    u.cubicTo(x, 29, x + 2.5, baseline, x + 6.5, baseline);
    u.cubicTo(x + 10.5, baseline, x + 13, 29, x + 13, 24.5);
    u.moveTo(x + 13, xTop);
    u.lineTo(x + 13, baseline);
    return u;
}

void stroke(QPainter& p, const QPainterPath& path, qreal width) {
    QLinearGradient face(0, capTop, 0, baseline);
    face.setColorAt(0.0, QColor(255, 255, 225));
    face.setColorAt(1.0, palette::labelYellow.darker(112));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(face), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

// A heartbeat trace trailing off to the right: the agent keeps a pulse on the server.
void pulseTrace(QPainter& p, qreal from, qreal to) {
    const qreal y = capMiddle + 3;
    QPainterPath trace;
    trace.moveTo(from, y);
    trace.lineTo(from + 8, y);
    trace.lineTo(from + 11, y - 4);
    trace.lineTo(from + 14, y);
    trace.lineTo(from + 17, y);
    trace.lineTo(from + 21, capTop - 2);
    trace.lineTo(from + 26, baseline + 3);
    trace.lineTo(from + 30, y);
    trace.lineTo(to, y);
    QLinearGradient fade(from, 0, to, 0);
    fade.setColorAt(0.0, palette::amber);
    fade.setColorAt(0.55, QColor(255, 179, 0, 150));
    fade.setColorAt(1.0, QColor(255, 179, 0, 0));
    p.setPen(QPen(QBrush(fade), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(trace);
}
} // namespace

void drawLogo(const QDir& out) {
    Canvas canvas(250, 38);
    QPainter& p = canvas.painter();
    const qreal heavy = 5;
    const qreal light = 3.6;
    stroke(p, letterK(5), heavy);
    stroke(p, letterO(27), heavy);
    stroke(p, letterV(58), heavy);
    stroke(p, letterA(82), heavy);
    // An amber dot in the first O, like a lamp on a front panel.
    p.setPen(Qt::NoPen);
    p.setBrush(palette::amber);
    p.drawEllipse(QPointF(39, capMiddle), 3.2, 3.2);
    stroke(p, letterO(117), light);
    stroke(p, letterR(148), light);
    stroke(p, letterU(163), light);
    pulseTrace(p, 186, 246);
    canvas.save(out.filePath("logo.png"));
}
