#include "UiTestSupport.h"
#include "TarnVuPair.h"

#include <gtest/gtest.h>

namespace
{
float degrees (float radians) { return juce::radiansToDegrees (radians); }

struct VuPair : ::testing::Test
{
    VuPair() { vu.setSize (676, 168); }
    TarnVuPair vu;
};
} // namespace

TEST (TarnVuPairScale, AnglesAcrossAndBeyondTheScale)
{
    const std::vector<std::pair<float, float>> cases { { -20.0f, -160.0f }, { -8.5f, -90.0f }, { 0.0f, -38.26087f },
                                                       { 3.0f, -20.0f }, { 6.0f, -20.0f }, { -40.0f, -160.0f },
                                                       { -20.5f, -160.0f } };
    for (const auto& [level, expected] : cases)
        EXPECT_NEAR (degrees (TarnVuPair::scaleAngle (level)), expected, 1e-3) << level << " VU";
}

TEST (TarnVuPairScale, LampBrightness)
{
    const std::vector<std::pair<float, float>> cases { { -40.0f, 0.072f }, { -22.0f, 0.072f }, { 0.0f, 1.26080f },
                                                       { 3.0f, 1.512f }, { 10.0f, 1.512f } };
    for (const auto& [level, expected] : cases)
        EXPECT_NEAR (TarnVuPair::lampBrightness (level), expected, 1e-4) << level << " VU";
}

TEST_F (VuPair, FirstReadingJumpsThenNeedlesFollow)
{
    vu.setLevels (-10.0f, 0.0f);   // no swing up from -100
    EXPECT_FLOAT_EQ (vu.getShownLeft(), -10.0f);
    EXPECT_FLOAT_EQ (vu.getShownRight(), 0.0f);

    // Left rises -10 -> 0 (0.34 while the gap is over 4 dB, then 0.26); right falls 0 -> -10 (0.18).
    vu.setLevels (0.0f, -10.0f);
    EXPECT_NEAR (vu.getShownLeft(), -6.6f, 1e-4);
    EXPECT_NEAR (vu.getShownRight(), -1.8f, 1e-4);
    vu.setLevels (0.0f, -10.0f);
    EXPECT_NEAR (vu.getShownLeft(), -4.356f, 1e-4);    // gap 6.6
    vu.setLevels (0.0f, -10.0f);
    EXPECT_NEAR (vu.getShownLeft(), -2.87496f, 1e-4);  // gap 4.356, still over 4
    vu.setLevels (0.0f, -10.0f);
    EXPECT_NEAR (vu.getShownLeft(), -2.12747f, 1e-4);  // gap 2.875: the small-gap fraction 0.26

    TarnVuPair small;   // a small fall uses 0.12
    small.setLevels (0.0f, 0.0f);
    small.setLevels (-2.0f, 0.0f);
    EXPECT_NEAR (small.getShownLeft(), -0.24f, 1e-5);
}

TEST_F (VuPair, LayoutSplitsTheWidthIntoTwoDials)
{
    EXPECT_EQ (vu.getLeftDial(), juce::Rectangle<int> (1, 1, 332, 166));
    EXPECT_EQ (vu.getRightDial(), juce::Rectangle<int> (343, 1, 332, 166));
    vu.setSize (677, 168);   // odd: the right dial gets the extra pixel
    EXPECT_EQ (vu.getRightDial().getWidth(), 333);

    TarnVuPair tiny;
    tiny.setSize (22, 40);
    EXPECT_EQ (tiny.getLeftDial().getWidth(), 5);
    EXPECT_EQ (tiny.getRightDial().getWidth(), 5);
    EXPECT_EQ (TarnVuPair::geometryFor (tiny.getLeftDial().toFloat()).scaleRadius, 0.0f);
    uitest::render (tiny);   // marks collapse onto the centre; nothing to fail but the drawing itself
}

TEST_F (VuPair, CacheSurvivesAZeroSizeResize)
{
    const auto before = vu.getStaticCache();
    ASSERT_TRUE (before.isValid());
    EXPECT_EQ (before.getBounds(), juce::Rectangle<int> (0, 0, 676, 168));

    vu.setSize (0, 168);
    EXPECT_TRUE (vu.getStaticCache() == before);   // the very same image
    vu.setSize (676, 0);
    EXPECT_TRUE (vu.getStaticCache() == before);

    vu.setSize (400, 120);
    EXPECT_EQ (vu.getStaticCache().getBounds(), juce::Rectangle<int> (0, 0, 400, 120));
}

TEST_F (VuPair, RedZoneIsRedAndNeedlesRestAtTheScaleEnds)
{
    vu.setLevels (-30.0f, -30.0f);
    const auto image = uitest::render (vu);
    // Left dial at 676 x 168: R = 159.12, scale centre (167, 165.76); the red arc (radius 130.48)
    // crosses +1.5 VU (-29.13 degrees) at (281.0, 102.3).
    const auto red = image.getPixelAt (281, 102);
    EXPECT_GT (red.getRed(), 200);
    EXPECT_LT (red.getGreen(), 100);
    EXPECT_LT (red.getBlue(), 100);
    // ... and the white scale line at -10 VU (-99.13 degrees) at (146.3, 36.9).
    const auto white = image.getPixelAt (146, 37);
    EXPECT_GT (white.getGreen(), 80);
    EXPECT_NEAR (white.getRed(), white.getBlue(), 40);

    const auto pinned = [] (float level)
    {
        TarnVuPair pair;
        pair.setSize (676, 168);
        pair.setLevels (level, level);
        return uitest::render (pair);
    };
    EXPECT_TRUE (uitest::imagesEqual (pinned (6.0f), pinned (3.0f)));      // over the top: on the +3 mark
    EXPECT_FALSE (uitest::imagesEqual (pinned (2.0f), pinned (3.0f)));
}
