#pragma once

// Helpers for the interface-kit tests: synthetic mouse events, headless rendering, pixel reading
// and the gallery folder.

#include <juce_gui_basics/juce_gui_basics.h>

namespace uitest
{
/** A mouse event at `position` (component coordinates) on `target`, pressed at `downAt`. */
inline juce::MouseEvent mouseAt (juce::Component& target, juce::Point<float> position,
                                 juce::Point<float> downAt = {})
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), position, juce::ModifierKeys(),
             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY, &target, &target, now, downAt, now, 1, false };
}

/** The component painted on its own, on a transparent or given background, at scale 1. */
inline juce::Image render (juce::Component& c, juce::Colour background = juce::Colours::transparentBlack)
{
    juce::Image image (juce::Image::ARGB, juce::jmax (1, c.getWidth()), juce::jmax (1, c.getHeight()), true);
    juce::Graphics g (image);
    g.fillAll (background);
    c.paintEntireComponent (g, false);
    return image;
}

template <typename Paint>
juce::Image renderWith (int width, int height, Paint&& paint, juce::Colour background = juce::Colours::transparentBlack)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (background);
    paint (g);
    return image;
}

inline bool sameColour (juce::Colour a, juce::Colour b, int tolerance = 2)
{
    return std::abs (a.getRed() - b.getRed()) <= tolerance && std::abs (a.getGreen() - b.getGreen()) <= tolerance
        && std::abs (a.getBlue() - b.getBlue()) <= tolerance && std::abs (a.getAlpha() - b.getAlpha()) <= tolerance;
}

/** Counts pixels inside `area` that satisfy `test`. */
template <typename Test>
int countPixels (const juce::Image& image, juce::Rectangle<int> area, Test&& test)
{
    int count = 0;
    area = area.getIntersection (image.getBounds());
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (test (image.getPixelAt (x, y)))
                ++count;
    return count;
}

inline bool imagesEqual (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;
    return true;
}

/** The gallery folder, `gallery` in the build folder (the test program lives in <build>/tests). */
inline juce::File galleryDir()
{
    auto dir = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                   .getParentDirectory().getParentDirectory().getChildFile ("gallery");
    dir.createDirectory();
    return dir;
}

inline bool writePng (const juce::Image& image, const juce::String& name)
{
    auto file = galleryDir().getChildFile (name + ".png");
    file.deleteFile();
    juce::FileOutputStream out (file);
    return out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out);
}
} // namespace uitest
