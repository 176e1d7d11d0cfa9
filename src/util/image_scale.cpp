#include "util/image_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace dl {
namespace {

// What each target index takes from the source along one axis: source indices with their
// weights, which add up to 1.
struct Tap {
  int index;
  double weight;
};

std::vector<std::vector<Tap>> Taps(int from, int to) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
  const double scale = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    std::vector<Tap>& t = taps[static_cast<std::size_t>(i)];
    if (scale <= 1.0) {
      // Enlarging: between the two source pixels whose centres are nearest.
      const double centre = (i + 0.5) * scale - 0.5;
      const int left = static_cast<int>(std::floor(centre));
      const double right = centre - left;
      const int a = std::clamp(left, 0, from - 1), b = std::clamp(left + 1, 0, from - 1);
      t.push_back({a, 1.0 - right});
      t.push_back({b, right});
    } else {
      // Shrinking: each source pixel in the footprint [start, end), by the part covered.
      const double start = i * scale, end = (i + 1) * scale;
      for (int s = static_cast<int>(std::floor(start)); s < end && s < from; ++s) {
        const double covered = std::min(end, s + 1.0) - std::max(start, static_cast<double>(s));
        if (covered > 0) t.push_back({s, covered / scale});
      }
    }
  }
  return taps;
}

}  // namespace

Image ScaleImage(const Image& source, int width, int height) {
  Image out;
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0 ||
      static_cast<long long>(width) * height > kMaxScaledPixels ||
      static_cast<long long>(source.width) * height > kMaxScaledPixels ||
      static_cast<long long>(source.height) * width > kMaxScaledPixels ||
      source.pixels.size() != static_cast<std::size_t>(source.width) * source.height)
    return out;
  const auto across = Taps(source.width, width);
  const auto down = Taps(source.height, height);
  // First across each source row, three channels in floating point, then down.
  std::vector<double> rows(static_cast<std::size_t>(source.height) * width * 3);
  for (int y = 0; y < source.height; ++y) {
    const std::uint32_t* row = &source.pixels[static_cast<std::size_t>(y) * source.width];
    for (int x = 0; x < width; ++x) {
      double sum[3] = {0, 0, 0};
      for (const Tap& t : across[static_cast<std::size_t>(x)])
        for (int c = 0; c < 3; ++c) sum[c] += t.weight * ((row[t.index] >> (8 * c)) & 0xFF);
      for (int c = 0; c < 3; ++c) rows[(static_cast<std::size_t>(y) * width + x) * 3 + c] = sum[c];
    }
  }
  out.width = width;
  out.height = height;
  out.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (const Tap& t : down[static_cast<std::size_t>(y)])
          sum += t.weight * rows[(static_cast<std::size_t>(t.index) * width + x) * 3 + c];
        const long value = std::lround(std::clamp(sum, 0.0, 255.0));
        pixel |= static_cast<std::uint32_t>(value) << (8 * c);
      }
      out.pixels[static_cast<std::size_t>(y) * width + x] = pixel;
    }
  }
  return out;
}

}  // namespace dl
