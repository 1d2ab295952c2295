#include "Art.h"
#include "Canvas.h"
#include "Glyphs.h"
#include "Palette.h"

#include <QtMath>

namespace {
constexpr int frameCount = 17;
constexpr QPointF centre(24, 24);
constexpr qreal ringRadius = 19.5;

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t,
                            a.alphaF() + (b.alphaF() - a.alphaF()) * t);
}

// The ring's colour breathes from red towards amber and back once per pass; it stays reddish to read as an
// alert.
void ring(QPainter& p, qreal pulse) {
    QColor glow = mix(palette::alertRed, palette::amber, pulse);
    glow.setAlphaF(0.25 + 0.6 * pulse);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(glow, 8));
    p.drawEllipse(centre, ringRadius, ringRadius);
    p.setPen(QPen(mix(palette::alertRed.darker(130), palette::amber, pulse), 4.5));
    p.drawEllipse(centre, ringRadius, ringRadius);
}

// Three bright arcs turn a third of a circle per pass; with threefold symmetry the last frame meets the
// first.
void sweep(QPainter& p, qreal phase) {
    const QRectF box(centre.x() - ringRadius, centre.y() - ringRadius, 2 * ringRadius, 2 * ringRadius);
    p.setPen(QPen(QColor(255, 236, 160), 3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const qreal startDegrees = -phase * 120.0 + i * 120.0;
        p.drawArc(box, qRound(startDegrees * 16), 40 * 16);
    }
}

void frame(const QDir& out, int number) {
    const qreal phase = (number - 1) / qreal(frameCount);
    const qreal pulse = 0.35 - 0.35 * qCos(2 * M_PI * phase);
    Canvas canvas(48, 48);
    QPainter& p = canvas.painter();
    ring(p, pulse);
    sweep(p, phase);
    glyph::darkPlate(p, QRectF(8.5, 8.5, 31, 31));
    glyph::serverStack(p, QRect(15, 14, 18, 20), palette::alertRed);
    canvas.save(out.filePath(QString("tray/frame%1.png").arg(number, 2, 10, QChar('0'))));
}
} // namespace

void drawTrayArt(const QDir& out) {
    for (int n = 1; n <= frameCount; ++n) {
        frame(out, n);
    }
}
