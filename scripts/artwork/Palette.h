#pragma once

#include <QColor>

// The few colours every picture shares, so the set reads as one family.
namespace palette {
inline const QColor labelYellow{255, 255, 192};
inline const QColor amber{255, 179, 0};
inline const QColor alertRed{229, 57, 53};
inline const QColor okGreen{67, 160, 71};
inline const QColor calmBlue{30, 136, 229};
inline const QColor slabYellow{255, 214, 74};
inline const QColor tileDark{30, 30, 28};
inline const QColor ink{20, 18, 10};
} // namespace palette
