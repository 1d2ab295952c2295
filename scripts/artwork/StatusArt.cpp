#include "Art.h"
#include "Canvas.h"

#include <QLinearGradient>
#include <QPainterPath>

// Drawn opaque on the window's black: GIF keeps only on/off transparency, which would fray the smooth edges.
static void drawMark(const QDir& out, const QString& name, const QPainterPath& strokes, const QColor& light,
                     const QColor& dark) {
    Canvas canvas(50, 50);
    QPainter& p = canvas.painter();
    p.fillRect(0, 0, 50, 50, Qt::black);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(dark.darker(200), 11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(strokes);
    QLinearGradient face(0, 8, 0, 42);
    face.setColorAt(0.0, light);
    face.setColorAt(1.0, dark);
    p.setPen(QPen(QBrush(face), 7.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(strokes);
    canvas.save(out.filePath(name + ".png"));
}

void drawStatusArt(const QDir& out) {
    QPainterPath check;
    check.moveTo(10, 26);
    check.lineTo(20, 36);
    check.lineTo(40, 13);
    drawMark(out, "CheckMark", check, QColor(140, 230, 120), QColor(40, 150, 50));

    QPainterPath cross;
    cross.moveTo(14, 14);
    cross.lineTo(36, 36);
    cross.moveTo(36, 14);
    cross.lineTo(14, 36);
    drawMark(out, "XMark", cross, QColor(255, 120, 100), QColor(200, 30, 30));
}
