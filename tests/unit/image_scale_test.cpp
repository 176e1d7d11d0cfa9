#include "util/image_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace dl {
namespace {

Image Filled(int width, int height, std::uint32_t (*pixel)(int x, int y)) {
  Image image{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.pixels.push_back(pixel(x, y));
  return image;
}

int Channel(std::uint32_t pixel, int c) {
  return static_cast<int>((pixel >> (8 * c)) & 0xFF);
}

TEST(ScaleImage, AnEvenColourStaysEvenAtEveryRatioUpAndDown) {
  const Image source = Filled(200, 150, [](int, int) -> std::uint32_t { return 0x00C08040; });
  const int sizes[][2] = {{400, 300}, {300, 225}, {133, 99}, {1, 1}, {201, 149}, {7, 600}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
    const Image scaled = ScaleImage(source, size[0], size[1]);
    ASSERT_EQ(scaled.pixels.size(), static_cast<std::size_t>(size[0] * size[1]));
    for (std::uint32_t p : scaled.pixels) ASSERT_EQ(p, 0x00C08040u);
  }
}

// A fine pattern shrinks to its mean (what the eye sees), not to whichever pixel a nearest
// pick lands on; enlarging a ramp keeps its ends and stays in order, channel by channel.
TEST(ScaleImage, ShrinkingAveragesWhatItCoversAndEnlargingInterpolates) {
  const Image checker = Filled(6, 6, [](int x, int y) -> std::uint32_t {
    return (x + y) % 2 == 0 ? 0x00FFFFFF : 0x00000000;
  });
  for (std::uint32_t p : ScaleImage(checker, 3, 3).pixels)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(Channel(p, c), 128, 1);
  // Blocks of 2 x 2 shrink by two to exactly their own colour.
  const Image blocks =
      Filled(4, 2, [](int x, int) -> std::uint32_t { return x < 2 ? 0x00102030 : 0x00F0E0D0; });
  const Image halved = ScaleImage(blocks, 2, 1);
  EXPECT_EQ(halved.pixels, (std::vector<std::uint32_t>{0x00102030, 0x00F0E0D0}));
  // Three to two: the middle source pixel is shared half and half.
  const Image three = Filled(3, 1, [](int x, int) -> std::uint32_t {
    return static_cast<std::uint32_t>(x * 90);  // blue 0, 90, 180
  });
  const Image two = ScaleImage(three, 2, 1);
  EXPECT_EQ(Channel(two.pixels[0], 0), 30);   // (0 + 90 / 2) / 1.5
  EXPECT_EQ(Channel(two.pixels[1], 0), 150);  // (90 / 2 + 180) / 1.5

  const Image ramp = Filled(10, 1, [](int x, int) -> std::uint32_t {
    return static_cast<std::uint32_t>(x * 25) | (static_cast<std::uint32_t>(250 - x * 25) << 16);
  });
  const Image wide = ScaleImage(ramp, 37, 3);
  for (int y = 0; y < 3; ++y) {
    const std::uint32_t* row = &wide.pixels[static_cast<std::size_t>(y) * 37];
    EXPECT_EQ(Channel(row[0], 0), 0);
    EXPECT_EQ(Channel(row[36], 0), 225);
    EXPECT_EQ(Channel(row[0], 2), 250);
    for (int x = 1; x < 37; ++x) {
      EXPECT_GE(Channel(row[x], 0), Channel(row[x - 1], 0));
      EXPECT_LE(Channel(row[x], 2), Channel(row[x - 1], 2));
      EXPECT_EQ(Channel(row[x], 1), 0);
    }
  }
}

TEST(ScaleImage, NoSizeOrAMismatchedSourceGivesNothing) {
  const Image source = Filled(2, 2, [](int, int) -> std::uint32_t { return 1; });
  EXPECT_TRUE(ScaleImage(source, 0, 5).pixels.empty());
  EXPECT_TRUE(ScaleImage(source, 5, -1).pixels.empty());
  // A script's picture spec may ask for any size: one larger than any screen is refused
  // before anything is allocated for it.
  EXPECT_TRUE(ScaleImage(source, 100000, 100000).pixels.empty());
  EXPECT_TRUE(ScaleImage(source, 1 << 30, 1).pixels.empty());
  Image broken = source;
  broken.pixels.pop_back();
  EXPECT_TRUE(ScaleImage(broken, 4, 4).pixels.empty());
}

}  // namespace
}  // namespace dl
