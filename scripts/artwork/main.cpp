#include "Art.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <agent/resources folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    drawTreeArt(out);
    drawStatusArt(out);
    drawTrayArt(out);
    drawAppIcons(out);
    drawToolbarArt(out);
    drawLogo(out);
    drawDecoration(out);
    drawAbout(out);
    return 0;
}
