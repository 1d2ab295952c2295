#include "Art.h"
#include "Canvas.h"
#include "Glyphs.h"
#include "Palette.h"

#include <QConicalGradient>

// The about window's emblem: the agent's server glyph inside a calm yellow ring, the ring of the alert icon
// at rest.
void drawAbout(const QDir& out) {
    Canvas canvas(96, 96);
    QPainter& p = canvas.painter();
    const QPointF c(48, 48);
    QConicalGradient ringFace(c, 90);
    ringFace.setColorAt(0.0, QColor(255, 255, 225));
    ringFace.setColorAt(0.5, palette::amber);
    ringFace.setColorAt(1.0, QColor(255, 255, 225));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(ringFace), 6));
    p.drawEllipse(c, 42, 42);
    glyph::darkPlate(p, QRectF(11.5, 11.5, 73, 73));
    glyph::serverStack(p, QRect(27, 26, 42, 44), QColor(120, 230, 110));
    canvas.save(out.filePath("about.png"));
}
