#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QRect;
class QWidget;

// The look that the agent's windows share.
inline const QColor kLabelColour(255, 255, 192);

inline constexpr double kButtonPoints = 8.25;
inline constexpr double kHeadingPoints = 9.75;

// "Century Gothic", or the closest face this machine has.
QFont gothicFont(double points, bool bold = false);

// font, made smaller by half points (to 6 at the least) until text takes at most room pixels: faces
// that stand in for "Century Gothic" run wider, and a heading must not run under what follows it.
QFont fittingFont(QFont font, const QString& text, int room);

// Black behind everything drawn on area, light yellow for its labels' text.
void paintBlack(QWidget* area);

// Undoes paintBlack for a control on such an area that draws its own parts (scroll bars, frames).
void paintStandard(QWidget* control);

void centreOnScreen(QWidget* window);

// A word-wrapped label anchored at its top left, as the agent's windows lay out their texts.
QLabel* wrappedLabel(const QString& text, const QRect& geometry, const QFont& font, QWidget* parent);
