#include "UiTestSupport.h"
#include "WeftLookAndFeel.h"

#include <gtest/gtest.h>

using namespace weft;

namespace
{
bool isTextPixel (juce::Colour c)   // light grey text, as opposed to the blue tick or a dark fill
{
    return c.getAlpha() > 0 && c.getRed() > 90 && std::abs ((int) c.getRed() - (int) c.getBlue()) < 40;
}

int leftmostColumn (const juce::Image& image, bool (*test) (juce::Colour))
{
    for (int x = 0; x < image.getWidth(); ++x)
        if (uitest::countPixels (image, { x, 0, 1, image.getHeight() }, test) > 0)
            return x;
    return -1;
}

juce::Image menuItem (bool isActive, bool isHighlighted, bool isTicked)
{
    ui::WeftLookAndFeel laf;
    return uitest::renderWith (200, 26, [&] (juce::Graphics& g)
    {
        laf.drawPopupMenuItem (g, { 0, 0, 200, 26 }, false, isActive, isHighlighted, isTicked, false,
                               "Level", {}, nullptr, nullptr);
    }, kSurface);
}
} // namespace

TEST (WeftLookAndFeel, PopupMenuCornersArePaintedOverTheFrameworksWhiteFill)
{
    // An opaque menu window is filled with white before its background is drawn.
    ui::WeftLookAndFeel laf;
    const auto image = uitest::renderWith (160, 90, [&] (juce::Graphics& g) { laf.drawPopupMenuBackground (g, 160, 90); },
                                           juce::Colours::white);
    for (const auto corner : { juce::Point<int> { 0, 0 }, { 159, 0 }, { 0, 89 }, { 159, 89 } })
        EXPECT_EQ (image.getPixelAt (corner.x, corner.y), kBackground) << corner.toString();
    EXPECT_EQ (image.getPixelAt (80, 45), kSurface);
}

TEST (WeftTheme, FontsUseTheEmbeddedFacesWhateverTheSystemHas)
{
    EXPECT_EQ (theme::value().getTypefacePtr(), theme::typeface (theme::Face::sans));
    EXPECT_EQ (theme::wordmark().getTypefacePtr(), theme::typeface (theme::Face::sansBold));
    EXPECT_EQ (theme::tinyTag().getTypefacePtr(), theme::typeface (theme::Face::sansBold));
    EXPECT_FLOAT_EQ (theme::tinyTag().getHeight(), 10.5f);
    EXPECT_FLOAT_EQ (theme::tinyTag().getExtraKerningFactor(), 0.18f);
    EXPECT_EQ (theme::typeface (theme::Face::sans)->getName(), "DejaVu Sans");
    EXPECT_EQ (theme::typeface (theme::Face::mono)->getName(), "DejaVu Sans Mono");
}

TEST (WeftTheme, EveryFaceDrawsText)
{
    // Italics in particular: the system lookup asks for "Italic" and misses DejaVu's "Oblique".
    for (auto face : { theme::Face::sans, theme::Face::sansBold, theme::Face::sansOblique,
                       theme::Face::mono, theme::Face::monoBold })
    {
        const auto image = uitest::renderWith (80, 20, [&] (juce::Graphics& g)
        {
            g.setColour (juce::Colours::white);
            g.setFont (theme::font (face, 13.0f));
            g.drawText ("Tarn", 0, 0, 80, 20, juce::Justification::centredLeft);
        });
        EXPECT_GT (uitest::countPixels (image, image.getBounds(), [] (juce::Colour c) { return c.getAlpha() > 128; }), 20)
            << "face " << (int) face;
    }
}

TEST (WrappedText, MeasuringAndPaintingGiveTheSameHeight)
{
    const juce::String text = "Width comes from spreading the highs while keeping the lows tight and centred.";
    const auto font = theme::value();
    const auto measured = wrappedText (nullptr, text, font, kText, 0.0f, 0.0f, 120.0f);

    juce::Image image (juce::Image::ARGB, 120, 200, true);
    juce::Graphics g (image);
    const auto painted = wrappedText (&g, text, font, kText, 0.0f, 0.0f, 120.0f);

    EXPECT_EQ (measured, painted);
    EXPECT_GT (measured, 3.0f * font.getHeight());   // wraps onto several lines at this width
    EXPECT_LT (wrappedText (nullptr, text, font, kText, 0.0f, 0.0f, 600.0f), measured);
    EXPECT_GT (uitest::countPixels (image, image.getBounds(), [] (juce::Colour c) { return c.getAlpha() > 0; }), 0);
}

TEST (WeftLookAndFeel, TickedAndUntickedMenuItemsStartTheirTextAtTheSameX)
{
    const auto ticked = menuItem (true, false, true);
    const auto unticked = menuItem (true, false, false);

    const auto tickedX = leftmostColumn (ticked, isTextPixel);
    EXPECT_EQ (tickedX, leftmostColumn (unticked, isTextPixel));
    EXPECT_GE (tickedX, 34);        // text area starts at r.x + 30 = 34 with the tick column reserved
    EXPECT_LE (tickedX, 36);        // allowing for the first glyph's side bearing
    const auto isTick = [] (juce::Colour c) { return c.getBlue() > c.getRed() + 60; };
    EXPECT_GT (uitest::countPixels (ticked, { 10, 0, 20, 26 }, isTick), 0);
    EXPECT_EQ (uitest::countPixels (unticked, { 10, 0, 20, 26 }, isTick), 0);
}

TEST (WeftLookAndFeel, OnlyAnActiveHighlightedMenuItemGetsTheHighlightFill)
{
    const auto probe = juce::Point<int> (190, 13);   // inside the item rectangle, right of the text
    EXPECT_NE (menuItem (true, true, false).getPixelAt (probe.x, probe.y), kSurface);
    EXPECT_EQ (menuItem (false, true, false).getPixelAt (probe.x, probe.y), kSurface);
    EXPECT_EQ (menuItem (true, false, false).getPixelAt (probe.x, probe.y), kSurface);
}

TEST (WeftLookAndFeel, IdealMenuItemSize)
{
    ui::WeftLookAndFeel laf;
    int w = 0, h = 0;
    laf.getIdealPopupMenuItemSize ({}, true, 20, w, h);
    EXPECT_EQ (w, 50);
    EXPECT_EQ (h, 6);
    laf.getIdealPopupMenuItemSize ("K-18", false, 20, w, h);
    EXPECT_EQ (h, 26);
    EXPECT_EQ (w, juce::roundToInt (tarn::compat::stringWidth (theme::value(), "K-18") + 60.0f));
    laf.getIdealPopupMenuItemSize ("K-18", false, 31, w, h);
    EXPECT_EQ (h, 31);
}

TEST (WeftLookAndFeel, BipolarSliderAtCentreDrawsNoValueArcOrHalo)
{
    ui::WeftLookAndFeel laf;
    juce::Slider slider (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
    const auto pi = juce::MathConstants<float>::pi;
    const auto draw = [&] (float pos)
    {
        return uitest::renderWith (80, 80, [&] (juce::Graphics& g)
        {
            laf.drawRotarySlider (g, 0, 0, 80, 80, pos, 1.25f * pi, 2.75f * pi, slider);
        });
    };
    const auto isAccent = [] (juce::Colour c) { return uitest::sameColour (c, kAccent, 6); };

    slider.setRange (-1.0, 1.0);
    EXPECT_EQ (uitest::countPixels (draw (0.5f), { 0, 0, 80, 80 }, isAccent), 0);
    EXPECT_GT (uitest::countPixels (draw (0.9f), { 0, 0, 80, 80 }, isAccent), 0);

    slider.setEnabled (false);   // a disabled slider shows its value in muted grey
    EXPECT_EQ (uitest::countPixels (draw (0.9f), { 0, 0, 80, 80 }, isAccent), 0);
}

TEST (WeftLookAndFeel, LabelBeingEditedDrawsOnlyItsBackground)
{
    ui::WeftLookAndFeel laf;
    juce::Label label ({}, "PEAK");
    label.setBounds (0, 0, 80, 20);
    label.setColour (juce::Label::backgroundColourId, juce::Colours::red);
    const auto draw = [&] { return uitest::renderWith (80, 20, [&] (juce::Graphics& g) { laf.drawLabel (g, label); }); };
    const auto isRed = [] (juce::Colour c) { return c == juce::Colours::red; };

    EXPECT_LT (uitest::countPixels (draw(), { 0, 0, 80, 20 }, isRed), 80 * 20);   // text over the fill
    label.setEditable (true);
    label.showEditor();
    EXPECT_EQ (uitest::countPixels (draw(), { 0, 0, 80, 20 }, isRed), 80 * 20);
}
