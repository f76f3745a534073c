// Renders every widget in its states to PNG files in <build>/gallery, and checks a few pixels that
// prove the drawing rules on the pictures themselves.

#include "UiTestSupport.h"
#include "TarnGuideView.h"
#include "TarnRow.h"
#include "TarnVuPair.h"
#include "WeftControls.h"

#include <gtest/gtest.h>

using namespace weft;
using namespace weft::ui;

namespace
{
/** Lays components out in a column on the window background and snapshots them. */
struct Sheet
{
    explicit Sheet (int widthPx) : width (widthPx) {}

    void add (juce::Component& c, int height, int x = 16)
    {
        c.setBounds (x, y, juce::jmin (c.getWidth() > 0 ? c.getWidth() : width - 32, width - 32), height);
        items.push_back (&c);
        y += height + 12;
    }

    juce::Image render() const
    {
        juce::Image image (juce::Image::ARGB, width, y + 4, true);
        juce::Graphics g (image);
        g.fillAll (kBackground);
        for (auto* c : items)
        {
            juce::Graphics::ScopedSaveState state (g);
            g.setOrigin (c->getPosition());
            c->paintEntireComponent (g, false);
        }
        return image;
    }

    int width;
    int y = 12;
    std::vector<juce::Component*> items;
};
} // namespace

TEST (WidgetGallery, Controls)
{
    Sheet sheet (520);
    juce::OwnedArray<juce::Component> owned;
    const auto segmented = [&] (int selected, int hover)
    {
        auto* c = new SegmentedControl (juce::StringArray { "LIVE", "TRACK PASS", "GUIDE" });
        owned.add (c);
        c->setSize (300, 30);
        c->setSelectedIndex (selected, juce::dontSendNotification);
        if (hover >= 0)
            c->mouseMove (uitest::mouseAt (*c, c->segmentRect (hover).getCentre()));
        sheet.add (*c, 30);
        return c;
    };
    auto* firstSegmented = segmented (0, -1);
    segmented (1, 1);
    segmented (2, 0);

    for (int state = 0; state < 3; ++state)   // idle, hovered, hovered + pressed
    {
        auto* pill = new TextPill ("RESET PASS");
        owned.add (pill);
        pill->setSize (110, 24);
        if (state >= 1) pill->mouseEnter (uitest::mouseAt (*pill, {}));
        if (state == 2) pill->mouseDown (uitest::mouseAt (*pill, {}));
        sheet.add (*pill, 24);
    }

    int x = 16;
    const int rowY = sheet.y;
    for (int glyph = 0; glyph < 5; ++glyph)
    {
        for (int state = 0; state < 3; ++state)   // idle, hovered, toggled
        {
            auto* button = new IconButton ((IconButton::Glyph) glyph, state == 2);
            owned.add (button);
            button->setBounds (x, rowY, 28, 28);
            if (state == 1) button->mouseEnter (uitest::mouseAt (*button, {}));
            if (state == 2) button->setToggleState (true, juce::dontSendNotification);
            sheet.items.push_back (button);
            x += 32;
        }
    }
    sheet.y += 40;

    struct Emblem : juce::Component
    {
        void paint (juce::Graphics& g) override { drawFennickEmblem (g, getLocalBounds().toFloat()); }
    } emblem;
    struct Fallback : juce::Component
    {
        void paint (juce::Graphics& g) override { drawFennickEmblemFallback (g, getLocalBounds().toFloat()); }
    } fallback;
    emblem.setSize (70, 80);
    sheet.add (emblem, 80);
    fallback.setBounds (100, emblem.getY(), 80, 80);
    sheet.items.push_back (&fallback);

    const auto image = sheet.render();
    EXPECT_TRUE (uitest::writePng (image, "controls"));

    // The selected segment's label is pure white.
    const auto thumb = firstSegmented->getBounds().withWidth (100);
    EXPECT_GT (uitest::countPixels (image, thumb, [] (juce::Colour c) { return c == juce::Colours::white; }), 5);
}

TEST (WidgetGallery, RowsAndStatusPill)
{
    Sheet sheet (400);
    TarnRow tile, tileWarn, line, lineAlt;
    tile.setStyle (TarnRow::Style::verdict);
    tileWarn.setStyle (TarnRow::Style::verdict);
    tile.setContent ("TRANSLATION", "STRONG  78", kStatusGood);
    tileWarn.setContent ("PUSH DAMAGE", "MED", kStatusWarn);
    line.setContent ("PEAK", " -3.2 dBFS", kLabelText);
    lineAlt.setAlternate (true);
    lineAlt.setContent ("TRUE PEAK", " +0.4 dBTP", kStatusBad);
    sheet.add (tile, 58);
    sheet.add (tileWarn, 58);
    sheet.add (line, 26);
    sheet.add (lineAlt, 26);

    TarnStatusPill ok, hot, clip;
    ok.setStatus ("HEADROOM", "OK", kStatusGood);
    hot.setStatus ("HEADROOM", "HOT", kStatusWarn);
    clip.setStatus ("HEADROOM", "CLIP", kStatusBad);
    for (auto* pill : { &ok, &hot, &clip })
    {
        pill->setSize (150, 24);
        sheet.add (*pill, 24);
    }

    const auto image = sheet.render();
    EXPECT_TRUE (uitest::writePng (image, "rows"));
    const auto isBad = [] (juce::Colour c) { return uitest::sameColour (c, kStatusBad, 10); };
    EXPECT_GT (uitest::countPixels (image, clip.getBounds(), isBad), 5);
    EXPECT_EQ (uitest::countPixels (image, ok.getBounds(), isBad), 0);
}

TEST (WidgetGallery, VuPairAtSeveralLevels)
{
    for (float level : { -40.0f, -10.0f, 0.0f, 3.0f, 6.0f })
    {
        TarnVuPair vu;
        vu.setSize (676, 168);
        vu.setLevels (level, level - 6.0f);
        const auto image = uitest::render (vu, kBackground);
        EXPECT_TRUE (uitest::writePng (image, "vu_" + juce::String (level, 0).replace ("-", "minus")));

        // The red zone is red on the left dial (see TarnVuPairTests for the point's derivation);
        // at high levels the pale lamp glow washes over it.
        const auto red = image.getPixelAt (281, 102);
        EXPECT_GT (red.getRed(), 200) << level;
        if (level <= -10.0f)
            EXPECT_GT (red.getRed(), red.getGreen() + 100) << level;
        else
            EXPECT_GT (red.getRed(), red.getBlue()) << level;
    }
}

TEST (WidgetGallery, GuideAt676)
{
    TarnGuideView guide;
    guide.setSize (676, guide.idealHeight (676));
    const auto image = uitest::render (guide, kBackground);
    EXPECT_TRUE (uitest::writePng (image, "guide_676"));

    // DEPTH's accent bar is amber.
    const auto bar = image.getPixelAt (14, juce::roundToInt (24.0f + weft::wrappedText (nullptr,
        "A finished mix has three dimensions. Tarn tells you which one is slipping - and which plugin in the chain fixes it.",
        guideBodyFont(), {}, 0.0f, 0.0f, 676.0f) + 14.0f + 30.0f));
    EXPECT_GT (bar.getRed(), 180);
    EXPECT_GT (bar.getRed(), bar.getBlue() + 80);
}
