// The dialog at the screen's scale: lengths that the launcher gives in pixels (the window's
// client area, the script's pictures) are pixels at 96 dots per inch and grow with the
// scale; the template's controls are in dialog units and grow with the dialog's font, but
// their texts do not grow in step with them (another font, a script's longer text), so
// each button is widened to its text and the controls of a row moved apart to make room.
#pragma once

#include <vector>

namespace dl {

inline constexpr int kBaseDpi = 96;

struct Size {
  int width = 0;
  int height = 0;
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const Rect&) const = default;
};

// A length in pixels at 96 dots per inch, at dpi (rounded to the nearest pixel, and held
// to the range of int).
int Scaled(int length, int dpi);

// A control as the layout sees it: where it is, and the size of its text in its own font.
struct LaidControl {
  enum Fit {
    kButton,  // widened to its text and the room a button's edges take
    kLabel,   // widened to its text
    kFixed,   // keeps its size (a field: its text scrolls)
  };
  int id = 0;
  Rect rect;
  Size text;
  Fit fit = kButton;
};

// Widens every button and label to its text, and makes it taller when its text is; then
// moves the controls of a row (those whose heights meet) apart, in their order from the
// left, so that none overlaps the one before it, and back inside the client width. A
// control that fits keeps its place.
void FitTexts(std::vector<LaidControl>* controls, Size client, int dpi);

}  // namespace dl
