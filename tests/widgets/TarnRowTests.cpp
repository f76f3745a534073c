#include "UiTestSupport.h"
#include "TarnRow.h"

#include <gtest/gtest.h>

namespace
{
bool nearColour (juce::Colour a, juce::Colour b) { return uitest::sameColour (a, b, 12); }

int pixelsNear (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour)
{
    return uitest::countPixels (image, area, [colour] (juce::Colour c) { return nearColour (c, colour); });
}
} // namespace

TEST (TarnRow, DiagnosticRowDrawsCaptionLeftAndValueFromColumn136)
{
    TarnRow row;
    row.setBounds (0, 0, 320, 26);
    row.setContent ("PEAK", " -3.2 dBFS", juce::Colour (0xffff7777));
    const auto image = uitest::render (row);

    EXPECT_GT (pixelsNear (image, { 14, 0, 122, 26 }, juce::Colour (0xff80939c)), 10);     // caption colour
    EXPECT_EQ (pixelsNear (image, { 0, 0, 136, 26 }, juce::Colour (0xffff7777)), 0);       // no value left of 136
    EXPECT_GT (pixelsNear (image, { 136, 0, 170, 26 }, juce::Colour (0xffff7777)), 10);
}

TEST (TarnRow, PaddedValuesKeepTheirLeadingSpacesSoDecimalPointsLineUp)
{
    const auto firstValueColumn = [] (const juce::String& value)
    {
        TarnRow row;
        row.setBounds (0, 0, 331, 32);
        row.setContent ("CREST", value, juce::Colour (0xffff7777));
        const auto image = uitest::render (row);
        for (int x = 136; x < image.getWidth(); ++x)
            if (pixelsNear (image, { x, 0, 1, image.getHeight() }, juce::Colour (0xffff7777)) > 0)
                return x;
        return -1;
    };
    const float advance = tarn::compat::stringWidth (weft::theme::font (weft::theme::Face::monoBold, 16.0f), "0");
    const int unpadded = firstValueColumn ("6.7 dB");
    ASSERT_GT (unpadded, 0);
    EXPECT_NEAR (firstValueColumn ("    6.7 dB") - unpadded, 4.0f * advance, 1.0f);   // "  -10.4 dBFS" above it
}

TEST (TarnRow, NarrowDiagnosticRowGivesTheValueNoRoom)
{
    TarnRow row;
    row.setBounds (0, 0, 140, 26);   // available 112 < 122: all of it goes to the caption
    row.setContent ("PEAK", "-3.2", juce::Colour (0xffff7777));
    EXPECT_EQ (pixelsNear (uitest::render (row), row.getLocalBounds(), juce::Colour (0xffff7777)), 0);
}

TEST (TarnRow, VerdictTileIsTintedByItsValueColour)
{
    TarnRow row;
    row.setStyle (TarnRow::Style::verdict);
    row.setBounds (0, 0, 200, 60);
    row.setContent ("TRANSLATION", "STRONG", weft::kStatusGood);
    const auto image = uitest::render (row);

    // Caption in the upper text box, value below it in the value colour.
    EXPECT_GT (pixelsNear (image, { 14, 8, 172, 15 }, juce::Colour (0xff8fa2ab)), 10);
    EXPECT_GT (pixelsNear (image, { 14, 26, 172, 26 }, weft::kStatusGood), 10);
    EXPECT_EQ (pixelsNear (image, { 14, 8, 172, 15 }, weft::kStatusGood), 0);
    // Gradient fill: darker at the bottom-right than at the top-left.
    EXPECT_GT (image.getPixelAt (4, 4).getBrightness(), image.getPixelAt (195, 55).getBrightness());
}

TEST (TarnRow, RowsSmallerThanTheirMarginsStillDrawTheirFrame)
{
    for (auto style : { TarnRow::Style::verdict, TarnRow::Style::diagnostic })
    {
        TarnRow row;
        row.setStyle (style);
        row.setBounds (0, 0, 20, 12);
        row.setContent ("PEAK", "-3.2", juce::Colours::red);
        const auto image = uitest::render (row);
        EXPECT_GT (uitest::countPixels (image, image.getBounds(), [] (juce::Colour c) { return c.getAlpha() > 0; }), 100);
        EXPECT_EQ (uitest::countPixels (image, image.getBounds(), [] (juce::Colour c) { return nearColour (c, juce::Colours::red); }), 0);
    }
}

TEST (TarnStatusPill, StatesColourTheWholePill)
{
    TarnStatusPill pill;
    pill.setBounds (0, 0, 150, 24);
    for (auto colour : { weft::kStatusGood, weft::kStatusWarn, weft::kStatusBad })
    {
        pill.setStatus ("HEADROOM", "CLIP", colour);
        const auto image = uitest::render (pill);
        // The value word is right-aligned in the last 38 % of the inner width: x from 12 + 78 + 6.
        EXPECT_GT (pixelsNear (image, { 96, 0, 42, 24 }, colour), 5);
        EXPECT_EQ (pixelsNear (image, { 0, 0, 90, 24 }, colour), 0);   // the caption is drawn at alpha 0.78
        // The fill is the state colour, darkened: its hue shows in the middle of the pill.
        const auto fill = image.getPixelAt (75, 12);
        EXPECT_NEAR (fill.getHue(), colour.getHue(), 0.05f);
    }
}
