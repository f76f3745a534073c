#include "WeftControls.h"

#include "BinaryData.h"

#include <cmath>

namespace weft::ui
{
namespace
{
bool wantsNotification (juce::NotificationType notification)
{
    return notification != juce::dontSendNotification;
}

/** A release counts as a click only inside the component (right and bottom edges excluded). */
bool releasedInside (const juce::Component& c, const juce::MouseEvent& e)
{
    const auto p = e.position;
    return p.x >= 0.0f && p.y >= 0.0f && p.x < (float) c.getWidth() && p.y < (float) c.getHeight();
}

juce::Font pillFont()
{
    return theme::font (theme::Face::sansBold, 10.5f).withExtraKerningFactor (0.16f);
}

const juce::Image& fennickEmblemImage()
{
    // Decoded once; a failed decode stays invalid and the vector figure is drawn instead.
    static const juce::Image image = juce::ImageCache::getFromMemory (BinaryData::fennickfkmonogramribbontight_png,
                                                                      BinaryData::fennickfkmonogramribbontight_pngSize);
    return image;
}

juce::Path polyline (int pointCount, const std::function<juce::Point<float> (int)>& pointAt)
{
    juce::Path path;
    path.startNewSubPath (pointAt (0));
    for (int i = 1; i < pointCount; ++i)
        path.lineTo (pointAt (i));
    return path;
}
} // namespace

//==============================================================================
SegmentedControl::SegmentedControl (juce::StringArray segmentLabels)
    : labels (std::move (segmentLabels))
{
    setInterceptsMouseClicks (true, false);
}

void SegmentedControl::setSelectedIndex (int index, juce::NotificationType notification)
{
    index = juce::jlimit (0, lastIndex(), index);
    if (index == selectedIndex)
        return;

    selectedIndex = index;
    repaint();
    if (wantsNotification (notification) && onChange)
        onChange (selectedIndex);
}

juce::Rectangle<float> SegmentedControl::segmentRect (int index) const
{
    const auto s = segmentWidth();
    return { (float) index * s, 0.0f, s, (float) getHeight() };
}

int SegmentedControl::indexAt (juce::Point<int> position) const
{
    if (! getLocalBounds().contains (position))
        return -1;
    return juce::jlimit (0, lastIndex(), (int) std::floor ((float) position.x / segmentWidth()));
}

void SegmentedControl::mouseMove (const juce::MouseEvent& e)
{
    const auto index = indexAt (e.getPosition());
    if (index != hoverIndex)
    {
        hoverIndex = index;
        repaint();
    }
}

void SegmentedControl::mouseExit (const juce::MouseEvent&)
{
    if (hoverIndex != -1)
    {
        hoverIndex = -1;
        repaint();
    }
}

void SegmentedControl::mouseDown (const juce::MouseEvent& e)
{
    const auto index = indexAt (e.getPosition());
    if (index < 0 || index == selectedIndex || index >= labels.size())
        return;

    selectedIndex = index;
    repaint();
    if (onChange)
        onChange (selectedIndex);
}

void SegmentedControl::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const auto h = bounds.getHeight();
    const auto s = segmentWidth();
    const auto n = labels.size();

    g.setColour (kSurface);
    g.fillRoundedRectangle (bounds, h / 2.0f);
    g.setColour (kOutline);
    g.drawRoundedRectangle (hairlineRect (bounds), h / 2.0f, 1.0f);

    if (selectedIndex >= 0 && selectedIndex < n)
    {
        const juce::Rectangle<float> thumb { (float) selectedIndex * s + 3.0f, 3.0f,
                                             juce::jmax (s - 6.0f, 0.0f), juce::jmax (h - 6.0f, 0.0f) };
        g.setColour (kAccent);
        g.fillRoundedRectangle (thumb, thumb.getHeight() / 2.0f);
    }

    g.setFont (theme::value());
    for (int i = 0; i < n; ++i)
    {
        g.setColour (i == selectedIndex ? juce::Colours::white : i == hoverIndex ? kText : kTextMuted);
        drawFittedLine (g, labels[i], segmentRect (i), juce::Justification::centred);

        // No divider borders the thumb: skip the lines on its left and right edge.
        if (i >= 1 && i != selectedIndex && i != selectedIndex + 1)
        {
            g.setColour (kOutline.withAlpha (0.5f));
            g.drawLine ((float) i * s, 8.0f, (float) i * s, h - 8.0f, 1.0f);
        }
    }
}

//==============================================================================
TextPill::TextPill (juce::String pillLabel) : label (std::move (pillLabel)) {}

void TextPill::setLabel (juce::String newLabel)
{
    label = std::move (newLabel);
    repaint();
}

void TextPill::mouseEnter (const juce::MouseEvent&) { hovered = true;  repaint(); }
void TextPill::mouseExit (const juce::MouseEvent&)  { hovered = false; repaint(); }
void TextPill::mouseDown (const juce::MouseEvent&)  { pressed = true;  repaint(); }

void TextPill::mouseUp (const juce::MouseEvent& e)
{
    pressed = false;
    repaint();
    if (releasedInside (*this, e) && onClick)
        onClick();
}

void TextPill::paint (juce::Graphics& g)
{
    const auto b = getLocalBounds().toFloat();
    const auto radius = b.getHeight() / 2.0f;

    g.setColour (hovered ? kAccent.withAlpha (0.15f) : kSurface.withAlpha (0.8f));
    g.fillRoundedRectangle (b, radius);
    g.setColour (hovered ? kAccent : kOutline);
    g.drawRoundedRectangle (hairlineRect (b), radius, hovered ? 1.2f : 1.0f);

    if (pressed)
    {
        g.setColour (juce::Colours::black.withAlpha (0.2f));
        g.fillRoundedRectangle (b, radius);
    }

    g.setColour (hovered ? kText : kTextMuted);
    g.setFont (pillFont());
    drawFittedLine (g, label, b, juce::Justification::centred);
}

//==============================================================================
IconButton::IconButton (Glyph buttonGlyph, bool isToggleable) : glyph (buttonGlyph), toggleable (isToggleable) {}

void IconButton::setToggleState (bool on, juce::NotificationType notification)
{
    if (on == toggled)
        return;

    toggled = on;
    repaint();
    if (wantsNotification (notification) && onClick)
        onClick();
}

void IconButton::mouseEnter (const juce::MouseEvent&) { hovered = true;  repaint(); }
void IconButton::mouseExit (const juce::MouseEvent&)  { hovered = false; repaint(); }
void IconButton::mouseDown (const juce::MouseEvent&)  { pressed = true;  repaint(); }

void IconButton::mouseUp (const juce::MouseEvent& e)
{
    pressed = false;
    repaint();
    if (! releasedInside (*this, e))
        return;

    if (toggleable)
    {
        toggled = ! toggled;
        repaint();
    }
    if (onClick)
        onClick();
}

void IconButton::paint (juce::Graphics& g)
{
    const auto b = getLocalBounds().toFloat();
    const bool showToggled = toggleable && toggled;

    if (showToggled)
    {
        g.setColour (kAccent.withAlpha (0.15f));
        g.fillEllipse (b);
    }
    else if (hovered)
    {
        g.setColour (kSurface.withAlpha (0.8f));
        g.fillEllipse (b);
    }
    g.setColour (showToggled ? kAccent : kOutline);
    g.drawEllipse (hairlineRect (b), showToggled ? 1.2f : 1.0f);

    const auto glyphColour = showToggled ? kAccent : hovered ? kText : kTextMuted;
    switch (glyph)
    {
        case Glyph::power:        drawPowerGlyph (g, b, glyphColour); break;
        case Glyph::gear:         drawGearGlyph (g, b, glyphColour); break;
        case Glyph::chevronLeft:  drawChevronLeftGlyph (g, b, glyphColour); break;
        case Glyph::chevronRight: drawChevronRightGlyph (g, b, glyphColour); break;
        case Glyph::plus:         drawPlusGlyph (g, b, glyphColour); break;
        default: break;
    }

    if (pressed)
    {
        g.setColour (juce::Colours::black.withAlpha (0.18f));
        g.fillEllipse (b);
    }
}

//==============================================================================
void drawPowerGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour)
{
    const auto c = area.getCentre();
    const auto r = 0.34f * juce::jmin (area.getWidth(), area.getHeight());
    const auto t = juce::jmax (0.2f * r, 1.6f);
    const auto pi = juce::MathConstants<float>::pi;

    juce::Path ring;   // the 108 degree gap sits at the top
    ring.addCentredArc (c.x, c.y, r, r, 0.0f, 0.3f * pi, 1.7f * pi, true);
    g.setColour (colour);
    g.strokePath (ring, roundedStroke (t));
    g.drawLine (c.x, c.y - r - 0.7f * t, c.x, c.y - 0.35f * r, t);
}

void drawGearGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour)
{
    const auto c = area.getCentre();
    const auto outer = 0.42f * juce::jmin (area.getWidth(), area.getHeight());
    const auto root = 0.68f * outer;
    // Angles in degrees, counter-clockwise from the positive x axis with y up.
    const auto at = [c] (float radius, float degrees)
    {
        const auto a = juce::degreesToRadians (degrees);
        return juce::Point<float> { c.x + radius * std::cos (a), c.y - radius * std::sin (a) };
    };

    juce::Path gear;
    gear.startNewSubPath (at (root, 101.25f));
    for (int k = 0; k < 8; ++k)
    {
        // chord along the root to the next tooth, then up its flank, across its top and down
        const auto toothCentre = 135.0f + 45.0f * (float) k;
        gear.lineTo (at (root, toothCentre - 11.25f));
        gear.lineTo (at (outer, toothCentre - 11.25f));
        gear.lineTo (at (outer, toothCentre + 11.25f));
        gear.lineTo (at (root, toothCentre + 11.25f));
    }
    gear.closeSubPath();
    const auto hole = 0.3f * outer;
    gear.addEllipse (c.x - hole, c.y - hole, 2.0f * hole, 2.0f * hole);
    gear.setUsingNonZeroWinding (false);   // even-odd, so the centre hole stays open

    g.setColour (colour);
    g.fillPath (gear);
}

namespace
{
void drawChevron (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour, float direction)
{
    const auto c = area.getCentre();
    const auto a = 0.28f * juce::jmin (area.getWidth(), area.getHeight());
    juce::Path path;
    path.startNewSubPath (c.x - direction * 0.5f * a, c.y - a);
    path.lineTo (c.x + direction * 0.5f * a, c.y);
    path.lineTo (c.x - direction * 0.5f * a, c.y + a);
    g.setColour (colour);
    g.strokePath (path, roundedStroke (juce::jmax (0.32f * a, 1.8f)));
}
} // namespace

void drawChevronLeftGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour)
{
    drawChevron (g, area, colour, -1.0f);
}

void drawChevronRightGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour)
{
    drawChevron (g, area, colour, 1.0f);
}

void drawPlusGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour)
{
    const auto c = area.getCentre();
    const auto a = 0.3f * juce::jmin (area.getWidth(), area.getHeight());
    const auto t = juce::jmax (0.3f * a, 1.8f);
    g.setColour (colour);
    g.drawLine (c.x - a, c.y, c.x + a, c.y, t);
    g.drawLine (c.x, c.y - a, c.x, c.y + a, t);
}

//==============================================================================
void drawFennickEmblem (juce::Graphics& g, juce::Rectangle<float> area)
{
    const auto& image = fennickEmblemImage();
    if (image.isValid())
    {
        g.drawImage (image, area, juce::RectanglePlacement::centred, false);
        return;
    }
    drawFennickEmblemFallback (g, area);
}

void drawFennickEmblemFallback (juce::Graphics& g, juce::Rectangle<float> area)
{
    const auto twoPi = juce::MathConstants<float>::twoPi;
    const auto e = 0.16f * area.getWidth();
    const auto iw = juce::jmax (area.getWidth() - 2.0f * e, 0.0f);
    const auto ih = juce::jmax (area.getHeight() - 2.0f * e, 0.0f);
    const juce::Rectangle<float> inner { area.getX() + e, area.getY() + e, iw, ih };
    const auto c = inner.getCentre();

    const auto figureEight = polyline (129, [&] (int i)
    {
        const auto phi = (float) i / 128.0f * twoPi;
        return juce::Point<float> { c.x + iw / 2.0f * std::sin (phi), c.y + 0.42f * ih * std::sin (phi) * std::cos (phi) };
    });
    const auto strokeWidth = juce::jmax (0.1f * area.getWidth(), 2.4f);

    juce::DropShadow (kAccent.withAlpha (0.75f), (int) std::floor (juce::jmax (e, 5.0f)), {}).drawForPath (g, figureEight);
    g.setGradientFill (juce::ColourGradient (kAccent.brighter (0.35f), c.x, inner.getY(),
                                             kAccent.darker (0.08f), c.x, inner.getBottom(), false));
    g.strokePath (figureEight, roundedStroke (strokeWidth));

    const auto left = inner.getX() + 0.1f * iw, span = 0.8f * iw;
    const auto wave = polyline (81, [&] (int i)
    {
        const auto t = (float) i / 80.0f;
        return juce::Point<float> { left + t * span, c.y + 0.06f * ih * std::sin (t * twoPi * 2.5f + twoPi / 4.0f) };
    });
    g.setColour (juce::Colours::white.withAlpha (0.35f));
    g.strokePath (wave, roundedStroke (1.4f));

    const auto dot = 0.7f * strokeWidth;
    g.setColour (juce::Colours::white.withAlpha (0.85f));
    g.fillEllipse (c.x - dot / 2.0f, c.y - dot / 2.0f, dot, dot);
}
} // namespace weft::ui
