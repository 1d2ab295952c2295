#include "Art.h"
#include "Canvas.h"
#include "Glyphs.h"
#include "Palette.h"

static void drawBallFile(const QDir& out, const QString& name, const QColor& colour) {
    Canvas canvas(16, 16);
    glyph::ball(canvas.painter(), QRectF(1.5, 1.5, 13, 13), colour);
    canvas.save(out.filePath("tree/" + name + ".png"));
}

void drawTreeArt(const QDir& out) {
    Canvas folder(16, 16);
    glyph::folder(folder.painter(), QRectF(1.5, 2.5, 13, 11), 1);
    folder.save(out.filePath("tree/folder.png"));

    drawBallFile(out, "blue", palette::calmBlue);
    drawBallFile(out, "red", palette::alertRed);
    drawBallFile(out, "green", palette::okGreen);
    drawBallFile(out, "yellow", QColor(250, 204, 20));
}
