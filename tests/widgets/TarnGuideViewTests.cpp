#include "UiTestSupport.h"
#include "TarnGuideView.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (TarnGuideView, MeasuringAndPaintingAgreeAndIdealHeightRoundsUp)
{
    TarnGuideView guide;
    for (int width : { 100, 320, 676, 1000 })
    {
        const auto measured = guide.layoutWalk (nullptr, (float) width);
        juce::Image image (juce::Image::ARGB, width, 64, true);   // the walk paints past the image; only the height matters
        juce::Graphics g (image);
        EXPECT_EQ (guide.layoutWalk (&g, (float) width), measured) << width;

        const auto ideal = guide.idealHeight (width);
        EXPECT_EQ (ideal, (int) std::ceil (measured)) << width;
        EXPECT_GE ((float) ideal, measured);
        EXPECT_LT ((float) ideal - measured, 1.0f);
    }
}

TEST (TarnGuideView, NarrowerIsTaller)
{
    TarnGuideView guide;
    EXPECT_GT (guide.idealHeight (320), guide.idealHeight (676));
    EXPECT_GT (guide.idealHeight (676), guide.idealHeight (1000));
    // Smallest width the editor gives: cards 56, bottom line 68, definitions at no positive width.
    EXPECT_GT (guide.idealHeight (100), guide.idealHeight (320));
}

TEST (TarnGuideView, PaintedContentEndsWhereTheWalkSaysItDoes)
{
    TarnGuideView guide;
    const int width = 676;
    const auto height = guide.idealHeight (width);
    guide.setSize (width, height + 40);
    const auto image = uitest::render (guide);

    int lastInkedRow = -1;
    for (int y = image.getHeight() - 1; y >= 0 && lastInkedRow < 0; --y)
        if (uitest::countPixels (image, { 0, y, width, 1 }, [] (juce::Colour c) { return c.getAlpha() > 0; }) > 0)
            lastInkedRow = y;

    // The hint is the last block, followed by an 8 px margin; its descenders end a few px above that.
    EXPECT_LE (lastInkedRow, height - 8);
    EXPECT_GE (lastInkedRow, height - 8 - 8);
}
