#include "Art.h"
#include "Canvas.h"
#include "Glyphs.h"
#include "Palette.h"

#include <QLinearGradient>

// The agent's own icon: yellow server units on a dark rounded tile; the slab box is whole pixels per size.
static void drawAppIcon(const QDir& out, const QString& name, int size, const QRect& slabs) {
    Canvas canvas(size, size);
    QPainter& p = canvas.painter();
    const qreal radius = size * 0.2;
    QLinearGradient face(0, 0, 0, size);
    face.setColorAt(0.0, QColor(62, 60, 52));
    face.setColorAt(1.0, QColor(16, 16, 14));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0, 0, size, size), radius, radius);
    p.setPen(QPen(QColor(255, 255, 192, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), radius - 0.5, radius - 0.5);
    glyph::serverStack(p, slabs, QColor(120, 230, 110));
    canvas.save(out.filePath(name));
}

void drawAppIcons(const QDir& out) {
    drawAppIcon(out, "app.png", 16, QRect(3, 3, 10, 11));
    drawAppIcon(out, "app32.png", 32, QRect(6, 5, 20, 22));
    drawAppIcon(out, "app48.png", 48, QRect(9, 8, 30, 32));
}
