// Smooth scaling of a picture held as 32-bit pixels (four bytes each: blue, green, red and
// one unused), rows top to bottom. Enlarging interpolates between the nearest pixels;
// shrinking averages every pixel a target pixel covers, in proportion to the part covered.
#pragma once

#include <cstdint>
#include <vector>

namespace dl {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // width * height, rows top to bottom
};

// The most pixels a scaled image may have (a picture larger than any screen).
inline constexpr long long kMaxScaledPixels = 1LL << 25;

// The image at width x height (an empty image when any size is not positive, the target
// has more than kMaxScaledPixels pixels, or the source's pixels do not match its size).
Image ScaleImage(const Image& source, int width, int height);

}  // namespace dl
