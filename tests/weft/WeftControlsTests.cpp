#include "UiTestSupport.h"
#include "TarnRow.h"
#include "WeftControls.h"

#include <gtest/gtest.h>

using namespace weft;
using namespace weft::ui;

namespace
{
struct ThreeSegments : ::testing::Test
{
    ThreeSegments()
    {
        control.setBounds (0, 0, 300, 32);
        control.onChange = [this] (int index) { notified.push_back (index); };
    }

    void pressAt (float x) { control.mouseDown (uitest::mouseAt (control, { x, 16.0f }, { x, 16.0f })); }

    SegmentedControl control { juce::StringArray { "LIVE", "TRACK PASS", "GUIDE" } };
    std::vector<int> notified;
};

bool dividerAt (const juce::Image& image, int x)
{
    // A 1 px line centred on a whole-pixel x covers half of the pixels either side of it.
    const auto y = image.getHeight() / 2;
    return image.getPixelAt (x - 1, y) != kSurface || image.getPixelAt (x, y) != kSurface;
}
} // namespace

TEST_F (ThreeSegments, GeometrySplitsTheWidthEvenly)
{
    EXPECT_EQ (control.segmentRect (1), juce::Rectangle<float> (100.0f, 0.0f, 100.0f, 32.0f));

    const std::vector<std::pair<juce::Point<int>, int>> cases {
        { { 0, 0 }, 0 }, { { 99, 31 }, 0 }, { { 100, 5 }, 1 }, { { 299, 5 }, 2 },
        { { 300, 5 }, -1 }, { { -1, 5 }, -1 }, { { 50, 32 }, -1 }, { { 50, -1 }, -1 } };
    for (const auto& [point, expected] : cases)
        EXPECT_EQ (control.indexAt (point), expected) << point.toString();
}

TEST_F (ThreeSegments, SetSelectedIndexClampsAndNotifiesOnlyOnChange)
{
    struct Case { int request; juce::NotificationType notification; int selected; std::vector<int> notified; };
    const std::vector<Case> cases {
        { 7, juce::sendNotification, 2, { 2 } },
        { 2, juce::sendNotification, 2, {} },            // already selected
        { -3, juce::sendNotificationSync, 0, { 0 } },    // any notification type other than "don't" notifies
        { 1, juce::dontSendNotification, 1, {} },
    };
    for (const auto& c : cases)
    {
        notified.clear();
        control.setSelectedIndex (c.request, c.notification);
        EXPECT_EQ (control.getSelectedIndex(), c.selected) << "request " << c.request;
        EXPECT_EQ (notified, c.notified) << "request " << c.request;
    }
}

TEST_F (ThreeSegments, PressingASegmentSelectsItButTheSelectedOneIsIgnored)
{
    pressAt (150.0f);
    pressAt (150.0f);
    pressAt (10.0f);
    EXPECT_EQ (notified, (std::vector<int> { 1, 0 }));
    EXPECT_EQ (control.getSelectedIndex(), 0);
}

TEST_F (ThreeSegments, HoverFollowsTheMouseAndClearsOnExit)
{
    control.mouseMove (uitest::mouseAt (control, { 250.0f, 10.0f }));
    EXPECT_EQ (control.getHoverIndex(), 2);
    control.mouseExit (uitest::mouseAt (control, { 400.0f, 10.0f }));
    EXPECT_EQ (control.getHoverIndex(), -1);
}

TEST_F (ThreeSegments, NoDividerTouchesTheThumb)
{
    struct Case { int selected; bool dividerAt1, dividerAt2; };
    for (const auto& c : { Case { 0, false, true }, Case { 1, false, false }, Case { 2, true, false } })
    {
        control.setSelectedIndex (c.selected, juce::dontSendNotification);
        const auto image = uitest::render (control);
        EXPECT_EQ (dividerAt (image, 100), c.dividerAt1) << "selected " << c.selected;
        EXPECT_EQ (dividerAt (image, 200), c.dividerAt2) << "selected " << c.selected;
    }
}

TEST_F (ThreeSegments, SelectedLabelIsPureWhiteEvenWhenHovered)
{
    control.setSelectedIndex (1, juce::dontSendNotification);
    control.mouseMove (uitest::mouseAt (control, { 150.0f, 10.0f }));
    const auto image = uitest::render (control);
    const auto isWhite = [] (juce::Colour c) { return c == juce::Colours::white; };
    EXPECT_GT (uitest::countPixels (image, { 100, 0, 100, 32 }, isWhite), 5);
    // Idle labels never get brighter than the primary text colour.
    const auto brighterThanText = [] (juce::Colour c) { return c.getRed() > kText.getRed(); };
    EXPECT_EQ (uitest::countPixels (image, { 0, 0, 100, 32 }, brighterThanText), 0);
    EXPECT_EQ (uitest::countPixels (image, { 200, 0, 100, 32 }, brighterThanText), 0);
}

TEST (SegmentedControl, WithoutLabelsPaintsOnlyItsTrackAndStaysAtZero)
{
    SegmentedControl control { juce::StringArray() };
    control.setBounds (0, 0, 120, 30);
    int calls = 0;
    control.onChange = [&] (int) { ++calls; };
    control.setSelectedIndex (3, juce::sendNotification);
    EXPECT_EQ (control.getSelectedIndex(), 0);
    EXPECT_EQ (control.indexAt ({ 100, 10 }), 0);
    control.mouseDown (uitest::mouseAt (control, { 100.0f, 10.0f }));
    EXPECT_EQ (calls, 0);

    const auto image = uitest::render (control);
    const auto isAccent = [] (juce::Colour c) { return c == kAccent; };
    EXPECT_EQ (uitest::countPixels (image, image.getBounds(), isAccent), 0);
    EXPECT_EQ (image.getPixelAt (60, 15), kSurface);
}

//==============================================================================
// Everything clickable counts a click only when the press is released inside it.
template <typename Clickable>
struct ClickRelease : ::testing::Test
{
    static std::unique_ptr<Clickable> make();
};

template <> std::unique_ptr<TextPill> ClickRelease<TextPill>::make() { return std::make_unique<TextPill> ("RESET"); }
template <> std::unique_ptr<IconButton> ClickRelease<IconButton>::make() { return std::make_unique<IconButton> (IconButton::Glyph::gear, false); }
template <> std::unique_ptr<TarnRow> ClickRelease<TarnRow>::make() { return std::make_unique<TarnRow>(); }

using Clickables = ::testing::Types<TextPill, IconButton, TarnRow>;
TYPED_TEST_SUITE (ClickRelease, Clickables);

TYPED_TEST (ClickRelease, ReleaseInsideClicksDragOffCancels)
{
    auto c = TestFixture::make();
    c->setBounds (0, 0, 80, 24);
    int clicks = 0;
    c->onClick = [&] { ++clicks; };

    struct Case { juce::Point<float> release; int clicks; };
    const std::vector<Case> cases { { { 40.0f, 12.0f }, 1 }, { { 0.0f, 0.0f }, 1 }, { { 79.0f, 23.0f }, 1 },
                                    { { 80.0f, 12.0f }, 0 }, { { 40.0f, 24.0f }, 0 }, { { -1.0f, 12.0f }, 0 },
                                    { { 40.0f, -30.0f }, 0 } };
    for (const auto& k : cases)
    {
        clicks = 0;
        c->mouseDown (uitest::mouseAt (*c, { 40.0f, 12.0f }, { 40.0f, 12.0f }));
        c->mouseUp (uitest::mouseAt (*c, k.release, { 40.0f, 12.0f }));
        EXPECT_EQ (clicks, k.clicks) << k.release.toString();
    }

    c->onClick = nullptr;   // no callback: the click is simply ignored
    c->mouseUp (uitest::mouseAt (*c, { 40.0f, 12.0f }));
}

TEST (TextPill, PressedLookClearsOnReleaseEvenOutside)
{
    TextPill pill ("RESET PASS");
    pill.setBounds (0, 0, 90, 24);
    const auto idle = uitest::render (pill);
    pill.mouseDown (uitest::mouseAt (pill, { 10.0f, 10.0f }));
    EXPECT_TRUE (pill.isPressed());
    EXPECT_FALSE (uitest::imagesEqual (uitest::render (pill), idle));
    pill.mouseUp (uitest::mouseAt (pill, { 200.0f, 10.0f }));
    EXPECT_FALSE (pill.isPressed());
    EXPECT_TRUE (uitest::imagesEqual (uitest::render (pill), idle));
}

TEST (IconButton, ToggleNotifications)
{
    IconButton button (IconButton::Glyph::power, true);
    button.setBounds (0, 0, 28, 28);
    std::vector<bool> seen;
    button.onClick = [&] { seen.push_back (button.getToggleState()); };

    button.setToggleState (true, juce::sendNotification);     // change: notifies
    button.setToggleState (true, juce::sendNotification);     // same state: nothing
    button.setToggleState (false, juce::dontSendNotification); // silent change
    EXPECT_FALSE (button.getToggleState());
    EXPECT_EQ (seen, (std::vector<bool> { true }));

    // A click flips the state first, then reports it.
    button.mouseDown (uitest::mouseAt (button, { 14.0f, 14.0f }));
    button.mouseUp (uitest::mouseAt (button, { 14.0f, 14.0f }));
    EXPECT_EQ (seen, (std::vector<bool> { true, true }));
    button.mouseDown (uitest::mouseAt (button, { 14.0f, 14.0f }));
    button.mouseUp (uitest::mouseAt (button, { 40.0f, 14.0f }));   // dragged off: no flip
    EXPECT_TRUE (button.getToggleState());
    EXPECT_EQ (seen.size(), 2u);
}

TEST (IconButton, ToggledLookOnlyOnToggleableButtons)
{
    IconButton plain (IconButton::Glyph::gear, false);
    IconButton toggle (IconButton::Glyph::gear, true);
    for (auto* b : { &plain, &toggle })
        b->setBounds (0, 0, 28, 28);
    const auto plainIdle = uitest::render (plain);
    const auto toggleIdle = uitest::render (toggle);

    int calls = 0;
    plain.onClick = [&] { ++calls; };
    plain.setToggleState (true, juce::sendNotification);   // stored and notified, but never shown
    toggle.setToggleState (true, juce::dontSendNotification);

    EXPECT_TRUE (plain.getToggleState());
    EXPECT_EQ (calls, 1);
    EXPECT_TRUE (uitest::imagesEqual (uitest::render (plain), plainIdle));
    EXPECT_FALSE (uitest::imagesEqual (uitest::render (toggle), toggleIdle));
}

TEST (Glyphs, GearKeepsItsCentreHoleOpen)
{
    const auto image = uitest::renderWith (40, 40, [] (juce::Graphics& g)
    {
        drawGearGlyph (g, { 0.0f, 0.0f, 40.0f, 40.0f }, juce::Colours::white);
    });
    // R = 16.8: hole radius 5.04, root radius 11.4.
    EXPECT_EQ (image.getPixelAt (20, 20).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (20 + 8, 20).getAlpha(), 255);
    EXPECT_EQ (image.getPixelAt (20 + 15, 20).getAlpha(), 255);   // tooth at 0 degrees
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0);
}

TEST (Glyphs, PowerRingIsOpenAtTheTopWithTheStemInTheGap)
{
    const auto image = uitest::renderWith (50, 50, [] (juce::Graphics& g)
    {
        drawPowerGlyph (g, { 0.0f, 0.0f, 50.0f, 50.0f }, juce::Colours::white);
    });
    // r = 17: the ring passes through the bottom (25, 42); the stem runs from y = 5.6 to 19.
    EXPECT_GT (image.getPixelAt (25, 42).getAlpha(), 200);
    EXPECT_GT (image.getPixelAt (25, 12).getAlpha(), 200);
    EXPECT_EQ (image.getPixelAt (25, 25).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (25 - 7, 9).getAlpha(), 0);   // the gap beside the stem
}

TEST (FennickEmblem, IsDrawnFromTheEmbeddedImage)
{
    // The monogram fills a 506 x 581 area one to one: an opaque blue ribbon with a clear counter.
    const auto image = uitest::renderWith (506, 581, [] (juce::Graphics& g)
    {
        drawFennickEmblem (g, { 0.0f, 0.0f, 506.0f, 581.0f });
    });
    const auto stem = image.getPixelAt (120, 300);
    EXPECT_EQ (stem.getAlpha(), 255);
    EXPECT_GT (stem.getBlue(), stem.getRed() + 60);
    EXPECT_EQ (image.getPixelAt (215, 200).getAlpha(), 0);
    EXPECT_EQ (image.getPixelAt (5, 5).getAlpha(), 0);
    // The vector figure would put its white dot at the centre instead.
    const auto centre = image.getPixelAt (253, 290);
    EXPECT_FALSE (centre.getRed() > 200 && centre.getGreen() > 200);
}

TEST (FennickEmblem, VectorFallbackDrawsFigureAndCentreDot)
{
    const auto image = uitest::renderWith (100, 100, [] (juce::Graphics& g)
    {
        drawFennickEmblemFallback (g, { 0.0f, 0.0f, 100.0f, 100.0f });
    }, kBackground);
    const auto centre = image.getPixelAt (50, 50);
    EXPECT_GT (centre.getRed(), 200);   // the white dot
    const auto loop = image.getPixelAt (84, 50);   // the right end of the figure-eight, x = cx + iw/2
    EXPECT_GT (loop.getBlue(), loop.getRed() + 60);
    EXPECT_EQ (image.getPixelAt (2, 2), kBackground);
}

TEST (FennickEmblem, VectorFallbackOfZeroWidthStaysSmall)
{
    // Width 0: a zero inner box and the minimum stroke of 2.4 px; the glow radius is 5 px.
    const auto image = uitest::renderWith (60, 60, [] (juce::Graphics& g)
    {
        drawFennickEmblemFallback (g, { 30.0f, 10.0f, 0.0f, 40.0f });
    });
    const auto drawn = [] (juce::Colour c) { return c.getAlpha() > 0; };
    EXPECT_GT (uitest::countPixels (image, image.getBounds(), drawn), 0);
    EXPECT_EQ (uitest::countPixels (image, { 0, 0, 20, 60 }, drawn), 0);
    EXPECT_EQ (uitest::countPixels (image, { 41, 0, 19, 60 }, drawn), 0);
}
