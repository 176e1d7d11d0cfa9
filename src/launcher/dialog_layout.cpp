#include "launcher/dialog_layout.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace dl {
namespace {

// A button's edges and the space around its text, at 96 dots per inch.
constexpr int kButtonPaddingX = 16;
constexpr int kButtonPaddingY = 6;
// The least space between two controls of a row, and between a control and the window's edge.
constexpr int kGap = 6;

bool SameRow(const Rect& a, const Rect& b) {
  return a.y < b.bottom() && b.y < a.bottom();
}

}  // namespace

int Scaled(int length, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(length) * dpi;
  const std::int64_t half = kBaseDpi / 2;
  const std::int64_t scaled =
      product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi);
  // A script's number may be any 32-bit value: the result stays one too.
  return static_cast<int>(std::clamp<std::int64_t>(scaled, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

void FitTexts(std::vector<LaidControl>* controls, Size client, int dpi) {
  std::vector<LaidControl*> laid;  // every control that exists, from the left
  for (LaidControl& c : *controls) {
    if (c.rect.empty()) continue;
    if (c.fit != LaidControl::kFixed) {
      const bool button = c.fit == LaidControl::kButton;
      c.rect.width =
          std::max(c.rect.width, c.text.width + (button ? Scaled(kButtonPaddingX, dpi) : 0));
      c.rect.height =
          std::max(c.rect.height, c.text.height + (button ? Scaled(kButtonPaddingY, dpi) : 0));
    }
    laid.push_back(&c);
  }
  std::stable_sort(laid.begin(), laid.end(), [](const LaidControl* a, const LaidControl* b) {
    return a->rect.x < b->rect.x;
  });
  const int gap = Scaled(kGap, dpi);
  std::vector<bool> placed(laid.size(), false);
  for (std::size_t first = 0; first < laid.size(); ++first) {
    if (placed[first]) continue;
    // The row of the leftmost control not placed yet, from the left.
    std::vector<LaidControl*> row;
    for (std::size_t i = first; i < laid.size(); ++i) {
      if (placed[i] || !SameRow(laid[first]->rect, laid[i]->rect)) continue;
      placed[i] = true;
      row.push_back(laid[i]);
    }
    for (std::size_t i = 1; i < row.size(); ++i)
      row[i]->rect.x = std::max(row[i]->rect.x, row[i - 1]->rect.right() + gap);
    // Back inside the window from the right; a row wider than the window starts at its edge.
    int limit = client.width - gap;
    for (std::size_t i = row.size(); i-- > 0;) {
      if (row[i]->rect.right() > limit) row[i]->rect.x = limit - row[i]->rect.width;
      limit = row[i]->rect.x - gap;
    }
    if (!row.empty() && row[0]->rect.x < gap) {
      // Wider than the window: one after the other from its left edge.
      int x = gap;
      for (LaidControl* c : row) {
        c->rect.x = std::max(c->rect.x, x);
        x = c->rect.right() + gap;
      }
    }
  }
}

}  // namespace dl
