#pragma once

#include <QRect>
#include <QSize>

namespace ui {

// The windows are laid out in twips, as their tables give them; at 96 dpi 15 twips make one
// pixel, and every position and size in the tables is a whole number of pixels.
inline constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) { return twips / kTwipsPerPixel; }

inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

inline QSize TwipsSize(int width, int height) { return QSize(Px(width), Px(height)); }

}  // namespace ui
