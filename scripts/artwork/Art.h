#pragma once

#include <QDir>

// Each group writes its pictures below `out`, the agent's resources folder.
void drawTreeArt(const QDir& out);
void drawStatusArt(const QDir& out);
void drawTrayArt(const QDir& out);
void drawAppIcons(const QDir& out);
void drawToolbarArt(const QDir& out);
void drawLogo(const QDir& out);
void drawDecoration(const QDir& out);
void drawAbout(const QDir& out);
