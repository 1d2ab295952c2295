#pragma once

#include <QRect>

// Window geometry is laid down in twips (1/1440 inch); the screen's twips per pixel turns it into pixels
// (15 at 96 dots per inch).
int twipsPerPixel();
int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);
