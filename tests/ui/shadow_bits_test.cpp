// The computed shadow: its size, the kernel's fall-off at chosen pixels, the erosion by the
// sharpness, the solid centre and the window's own area left clear.
#include "ui/shadow_bits.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ui {
namespace {

using toolkit::WindowRegion;

// The kernel's alpha at distance r: trunc((1 - (r - C) / (h + 1)) * d), C the inner radius.
int KernelAlpha(double r, int inner, int sharpness, int darkness) {
    return static_cast<int>((1.0 - (r - inner) / (sharpness + 1)) * darkness);
}

uint32_t Alpha(uint32_t pixel) {
    return pixel >> 24;
}

// The shadow of a width x height window with corners rounded by `corner` (below 2: square).
ShadowBits ShadowOf(int width, int height, int corner, const ShadowShape& shape) {
    const WindowRegion region = WindowRegion::RoundRect(width, height, corner, corner);
    return ComputeShadowBits(RegionSpans(&region, width, height), width, shape);
}

TEST(ShadowBitsTest, RoundedWindowFallsOffByTheKernelAndKeepsItsOwnAreaClear) {
    // 20 x 16 with round corners; size 4 = sharpness 4, so no erosion and no inner radius.
    // Red 0x40, green 0x80, blue 0xFF.
    const ShadowShape shape{.size = 4,
                            .sharpness = 4,
                            .darkness = 200,
                            .xOffset = 0,
                            .yOffset = 0,
                            .color = 0x00FF8040};
    const ShadowBits bits = ShadowOf(20, 16, 6, shape);
    ASSERT_EQ(bits.width, 28);
    ASSERT_EQ(bits.height, 24);

    // Straight above the middle of the top edge (shadow row 4) the distance is the row gap.
    for (int r = 1; r <= 4; ++r) {
        SCOPED_TRACE(r);
        const int alpha = KernelAlpha(r, 0, 4, 200);
        EXPECT_EQ(bits.At(14, 4 - r), ShadowPixel(shape.color, alpha));
        EXPECT_EQ(bits.At(14, 19 + r), ShadowPixel(shape.color, alpha));  // below the bottom
    }
    // Premultiplied: each channel scaled by alpha / 255.
    const uint32_t pixel = bits.At(14, 3);
    EXPECT_EQ(Alpha(pixel), 160u);
    EXPECT_EQ((pixel >> 16) & 0xFF, 0x40u * 160 / 255);
    EXPECT_EQ((pixel >> 8) & 0xFF, 0x80u * 160 / 255);
    EXPECT_EQ(pixel & 0xFF, 0xFFu * 160 / 255);
    // Under the window itself the shadow is clear.
    EXPECT_EQ(bits.At(14, 12), 0u);
    EXPECT_EQ(bits.At(14, 5), 0u);
    // The rounded corner pulls the shadow in: the nearest edge pixels of (2, 2) are (5, 4)
    // and (4, 5), where a square corner would have had (4, 4).
    EXPECT_EQ(static_cast<int>(Alpha(bits.At(2, 2))), KernelAlpha(std::sqrt(13.0), 0, 4, 200));
}

TEST(ShadowBitsTest, SquareCornerUsesTheEuclideanDistance) {
    const ShadowBits bits = ShadowOf(
        10, 10, 0, {.size = 4, .sharpness = 4, .darkness = 255, .xOffset = 0, .yOffset = 0});
    // The window's top-left pixel sits at (4, 4).
    EXPECT_EQ(Alpha(bits.At(2, 2)), static_cast<uint32_t>(KernelAlpha(std::sqrt(8.0), 0, 4, 255)));
    EXPECT_EQ(Alpha(bits.At(1, 1)), 0u);  // sqrt(18) lies beyond the radius of 4
}

TEST(ShadowBitsTest, ShippedValuesErodeBySharpnessAndShowTheCentreOnlyPastTheOffset) {
    // Size 6, sharpness 10, darkness 20, position (1, 1): the edges move 4 pixels in, the
    // kernel has radius 10 and no inner part, the window sits at (5, 5) in the shadow.
    const ShadowBits bits = ShadowOf(40, 30, 0,
                                     {.size = 6,
                                      .sharpness = 10,
                                      .darkness = 20,
                                      .xOffset = 1,
                                      .yOffset = 1,
                                      .color = 0x26003B76});
    ASSERT_EQ(bits.width, 52);
    ASSERT_EQ(bits.height, 42);
    const int row = 20;
    // The left edge is stamped at column 6 + 4 = 10; pixels left of the window see it from
    // a distance of 10 - x.
    const struct {
        int x;
        uint32_t alpha;
    } cases[] = {{0, 1}, {2, 5}, {4, 9}, {5, 0}, {25, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(Alpha(bits.At(c.x, row)), c.alpha);
    }
    EXPECT_EQ(static_cast<int>(Alpha(bits.At(4, row))), KernelAlpha(6, 0, 10, 20));
    // Right of the window (its last column is 44) the shadow reaches one pixel further.
    EXPECT_GT(Alpha(bits.At(45, row)), 0u);
    EXPECT_EQ(Alpha(bits.At(44, row)), 0u);
    // The colour's top byte plays no part: red 0x76, green 0x3B, blue 0x00.
    EXPECT_EQ(ShadowPixel(0x26003B76, 255), 0xFF763B00u);
}

TEST(ShadowBitsTest, OffsetShowsTheSolidCentreBesideTheWindow) {
    const ShadowBits bits = ShadowOf(
        20, 20, 0, {.size = 4, .sharpness = 4, .darkness = 100, .xOffset = 3, .yOffset = 3});
    // The window covers columns and rows 1..20; the shadow's solid part 4..23.
    EXPECT_EQ(Alpha(bits.At(22, 12)), 100u);
    EXPECT_EQ(Alpha(bits.At(12, 22)), 100u);
    EXPECT_EQ(bits.At(12, 12), 0u);
    EXPECT_EQ(bits.At(20, 12), 0u);
}

TEST(ShadowBitsTest, WindowWithoutARegionHasAnEmptyShadow) {
    const ShadowBits bits = ComputeShadowBits(RegionSpans(nullptr, 30, 20), 30, {.size = 6});
    EXPECT_EQ(bits.width, 42);
    EXPECT_EQ(bits.height, 32);
    for (uint32_t pixel : bits.pixels)
        ASSERT_EQ(pixel, 0u);
}

}  // namespace
}  // namespace ui
