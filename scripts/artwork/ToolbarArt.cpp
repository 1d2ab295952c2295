#include "Art.h"
#include "Canvas.h"
#include "Glyphs.h"
#include "Palette.h"

#include <functional>
#include <QLinearGradient>
#include <QPainterPath>
#include <QtMath>

namespace {
const QRectF face(4, 3, 40, 40);
const QPen whiteStroke(QColor(255, 255, 255), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

void save(const QDir& out, const QString& name, const std::function<void(QPainter&)>& draw) {
    Canvas canvas(48, 48);
    draw(canvas.painter());
    canvas.save(out.filePath("toolbar/" + name + ".png"));
}

QPainterPath gearOutline(QPointF c, int teeth, qreal outer, qreal inner, qreal hole) {
    QPainterPath body;
    body.addEllipse(c, inner, inner);
    for (int i = 0; i < teeth; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-3.6, -outer, 7.2, outer - inner + 3), 1.2, 1.2);
        body = body.united(QTransform().translate(c.x(), c.y()).rotate(i * 360.0 / teeth).map(tooth));
    }
    QPainterPath centre;
    centre.addEllipse(c, hole, hole);
    return body.subtracted(centre);
}

void gear(QPainter& p) {
    const QPointF c(24, 24);
    const QPainterPath shape = gearOutline(c, 8, 20, 14, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(shape.translated(0, 1.5));
    QLinearGradient metal(0, 4, 0, 44);
    metal.setColorAt(0.0, QColor(245, 245, 240));
    metal.setColorAt(1.0, QColor(140, 140, 135));
    p.setPen(QPen(QColor(70, 70, 66), 1.5));
    p.setBrush(metal);
    p.drawPath(shape);
    // A yellow hub ties the tool to the agent's colours.
    p.setPen(QPen(QColor(150, 110, 0), 1.5));
    p.setBrush(palette::slabYellow);
    QPainterPath hub;
    hub.addEllipse(c, 9, 9);
    hub.addEllipse(c, 6, 6);
    p.drawPath(hub);
}

void plus(QPainter& p, QPointF c, qreal half) {
    p.drawLine(c - QPointF(half, 0), c + QPointF(half, 0));
    p.drawLine(c - QPointF(0, half), c + QPointF(0, half));
}

void cross(QPainter& p, QPointF c, qreal half) {
    p.drawLine(c - QPointF(half, half), c + QPointF(half, half));
    p.drawLine(c + QPointF(half, -half), c - QPointF(half, -half));
}

// A folder with a round sign in its lower right corner, for the add and delete commands.
void folderWithSign(QPainter& p, const QColor& signColour, void (*sign)(QPainter&, QPointF, qreal)) {
    glyph::folder(p, QRectF(3, 7, 36, 29), 1.5);
    const QRectF badge(24, 24, 21, 21);
    glyph::disc(p, badge, signColour);
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
    sign(p, badge.center(), 5);
}

void play(QPainter& p) {
    glyph::disc(p, face, palette::okGreen);
    QPainterPath triangle;
    triangle.moveTo(19.5, 14.5);
    triangle.lineTo(32, 23);
    triangle.lineTo(19.5, 31.5);
    triangle.closeSubpath();
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(triangle);
}

void stop(QPainter& p) {
    glyph::disc(p, face, palette::alertRed);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(16.5, 15.5, 15, 15), 2.5, 2.5);
}

// A clockwise circle open at the upper right, its arrowhead pointing into the gap: the usual sign for
// starting over.
void restart(QPainter& p) {
    glyph::disc(p, face, palette::calmBlue);
    const QPointF c = face.center();
    const qreal r = 10;
    const qreal startDegrees = 20;
    const qreal endDegrees = 95;
    QPainterPath arc;
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);
    arc.arcMoveTo(circle, startDegrees);
    arc.arcTo(circle, startDegrees, endDegrees - startDegrees - 360);
    p.setBrush(Qt::NoBrush);
    p.setPen(whiteStroke);
    p.drawPath(arc);

    const qreal a = qDegreesToRadians(endDegrees);
    const QPointF end(c.x() + r * qCos(a), c.y() - r * qSin(a));
    const QPointF along(qSin(a), qCos(a)); // clockwise tangent on screen
    const QPointF across(-along.y(), along.x());
    QPainterPath head;
    head.moveTo(end + along * 6);
    head.lineTo(end - along * 2 + across * 6);
    head.lineTo(end - along * 2 - across * 6);
    head.closeSubpath();
    p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(head);
}
} // namespace

void drawToolbarArt(const QDir& out) {
    save(out, "options", gear);
    save(out, "delete", [](QPainter& p) { folderWithSign(p, palette::alertRed, cross); });
    save(out, "add", [](QPainter& p) { folderWithSign(p, palette::okGreen, plus); });
    save(out, "start", play);
    save(out, "stop", stop);
    save(out, "reboot", restart);
}
