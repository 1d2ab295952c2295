#pragma once

#include <QImage>
#include <QPainter>
#include <QString>

// One picture being drawn: a transparent image with an antialiased painter on it.
class Canvas {
public:
    Canvas(int width, int height);
    QPainter& painter() { return painter_; }
    // Ends painting and writes the image as PNG; the program stops on failure so no stale file survives.
    void save(const QString& path);

private:
    QImage image_;
    QPainter painter_;
};
