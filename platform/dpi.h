// Sizes laid out in pixels at 96 DPI, carried to a display of another density as a whole.
#pragma once

#include <climits>
#include <cstdint>

namespace mv {

inline constexpr int kLayoutDpi = 96;

// px pixels measured at fromDpi, in pixels at toDpi: rounded to the nearest, halves away from
// zero (as MulDiv does), held to the int range. A density that is not positive leaves px as it is.
constexpr int RescalePixels(int px, int fromDpi, int toDpi) {
  if (fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi) return px;
  const int64_t product = int64_t{px} * toDpi;
  const int64_t half = fromDpi / 2;
  const int64_t q = product >= 0 ? (product + half) / fromDpi : -((-product + half) / fromDpi);
  return q > INT_MAX ? INT_MAX : q < INT_MIN ? INT_MIN : static_cast<int>(q);
}

// The layout's pixels on one display, fixed when a window is made: Scale(12) is the font
// height, Scale(578) the main window's width.
class DpiScale {
 public:
  constexpr DpiScale() = default;
  explicit constexpr DpiScale(int dpi) : dpi_(dpi > 0 ? dpi : kLayoutDpi) {}
  constexpr int Dpi() const { return dpi_; }
  constexpr int Scale(int px) const { return RescalePixels(px, kLayoutDpi, dpi_); }
  constexpr int operator()(int px) const { return Scale(px); }

 private:
  int dpi_ = kLayoutDpi;
};

}  // namespace mv
