#include "OutputFile.h"
#include "Snapshot.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

namespace
{
using View = tarn::snapshot::View;

// Pixels close to the accent colour inside the view switch's segment `index` (the switch sits at
// (32, 120, 280, 32); each segment is a third of it).
int accentPixelsInSegment (const juce::Image& image, int index)
{
    const juce::Rectangle<int> segment (32 + index * 280 / 3, 120, 280 / 3, 32);
    return uitest::countPixels (image, segment, [] (juce::Colour c) { return uitest::sameColour (c, weft::kAccent, 8); });
}
} // namespace

TEST (Snapshot, EachViewIsRenderedAtItsWindowSizeWithItsSegmentSelected)
{
    const auto programme = tarn::analyser::demoProgramme();
    const struct { View view; int height; int segment; } cases[] = {
        { View::live, 786, 0 }, { View::trackPass, 694, 1 }, { View::guide, 640, 2 } };

    juce::Image previous;
    for (const auto& c : cases)
    {
        juce::String error;
        const auto image = tarn::snapshot::render (programme, c.view, error);
        SCOPED_TRACE (tarn::snapshot::viewName (c.view).toStdString());
        ASSERT_TRUE (image.isValid()) << error;
        EXPECT_EQ (image.getWidth(), 740);
        EXPECT_EQ (image.getHeight(), c.height);

        for (int segment = 0; segment < 3; ++segment)
        {
            if (segment == c.segment)
                EXPECT_GT (accentPixelsInSegment (image, segment), 1000);
            else
                EXPECT_EQ (accentPixelsInSegment (image, segment), 0) << "segment " << segment;
        }

        // The PNG on disk holds exactly the rendered pixels.
        const auto file = juce::File::createTempFile (".png");
        ASSERT_TRUE (tarn::output::writePng (image, file.getFullPathName(), error)) << error;
        const auto reloaded = juce::ImageFileFormat::loadFrom (file);
        file.deleteFile();
        EXPECT_TRUE (uitest::imagesEqual (reloaded.convertedToFormat (juce::Image::ARGB), image.convertedToFormat (juce::Image::ARGB)));
        EXPECT_FALSE (previous.isValid() && uitest::imagesEqual (previous, image));
        previous = image;
    }
}

TEST (Snapshot, ViewNamesParseAndUnknownOnesAreRefused)
{
    for (const auto* name : { "live", "track-pass", "guide" })
    {
        View view {};
        ASSERT_TRUE (tarn::snapshot::parseView (name, view)) << name;
        EXPECT_EQ (tarn::snapshot::viewName (view), name);
    }
    View view = View::guide;
    EXPECT_FALSE (tarn::snapshot::parseView ("trackpass", view));
    EXPECT_EQ (view, View::guide);
}
