#include "Canvas.h"

#include <cstdio>
#include <cstdlib>
#include <QDir>
#include <QFileInfo>

Canvas::Canvas(int width, int height) : image_(width, height, QImage::Format_ARGB32_Premultiplied) {
    image_.fill(Qt::transparent);
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing);
}

void Canvas::save(const QString& path) {
    painter_.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image_.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}
