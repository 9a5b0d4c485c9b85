#pragma once

#include <cmath>

namespace qrkgui {

// The window's layout rules are written in twips (1/1440 inch); the screen's
// logical DPI turns them into pixels, so the proportions hold on any screen.
class Twips {
 public:
  explicit Twips(double logicalDpi) : pixelsPerTwip_(logicalDpi / 1440.0) {}
  int px(int twips) const { return static_cast<int>(std::lround(twips * pixelsPerTwip_)); }
  int twips(int pixels) const { return static_cast<int>(std::lround(pixels / pixelsPerTwip_)); }

 private:
  double pixelsPerTwip_;
};

}  // namespace qrkgui
