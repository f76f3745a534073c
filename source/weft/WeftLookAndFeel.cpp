#include "WeftLookAndFeel.h"

#include "BinaryData.h"

#include <cmath>

namespace weft
{
float wrappedText (juce::Graphics* g, const juce::String& text, const juce::Font& font,
                   juce::Colour colour, float x, float y, float width)
{
    juce::AttributedString attributed;
    attributed.setJustification (juce::Justification::left);
    attributed.setWordWrap (juce::AttributedString::byWord);
    attributed.append (text, font, colour);
    attributed.setLineSpacing (2.0f);

    juce::TextLayout layout;
    layout.createLayout (attributed, width);

    const auto height = layout.getHeight();
    if (g != nullptr)
        layout.draw (*g, { x, y, width, height });
    return height;
}

namespace theme
{
namespace
{
juce::Typeface::Ptr loadFace (const char* data, int size)
{
    return juce::Typeface::createSystemTypefaceFor (data, static_cast<size_t> (size));
}
} // namespace

juce::Typeface::Ptr typeface (Face face)
{
    // Decoded once each, on first use; thread-safe function-local statics.
    switch (face)
    {
        case Face::sans:        { static auto t = loadFace (BinaryData::DejaVuSans_ttf, BinaryData::DejaVuSans_ttfSize); return t; }
        case Face::sansBold:    { static auto t = loadFace (BinaryData::DejaVuSansBold_ttf, BinaryData::DejaVuSansBold_ttfSize); return t; }
        case Face::sansOblique: { static auto t = loadFace (BinaryData::DejaVuSansOblique_ttf, BinaryData::DejaVuSansOblique_ttfSize); return t; }
        case Face::mono:        { static auto t = loadFace (BinaryData::DejaVuSansMono_ttf, BinaryData::DejaVuSansMono_ttfSize); return t; }
        case Face::monoBold:    { static auto t = loadFace (BinaryData::DejaVuSansMonoBold_ttf, BinaryData::DejaVuSansMonoBold_ttfSize); return t; }
    }
    return {};
}

juce::Font font (Face face, float height)
{
    return juce::Font (juce::FontOptions().withTypeface (typeface (face)).withHeight (height)
                                          .withMetricsKind (juce::TypefaceMetricsKind::legacy));
}

juce::Font value()    { return font (Face::sans, 13.0f); }
juce::Font tagline()  { return font (Face::sans, 13.0f); }
juce::Font wordmark() { return font (Face::sansBold, 26.0f); }
juce::Font tinyTag()  { return font (Face::sansBold, 10.5f).withExtraKerningFactor (0.18f); }
juce::Font badge()    { return font (Face::sansBold, 10.0f); }
} // namespace theme

namespace ui
{
juce::Rectangle<float> hairlineRect (juce::Rectangle<float> area)
{
    return { area.getX() + 0.5f, area.getY() + 0.5f,
             juce::jmax (area.getWidth() - 1.0f, 0.0f), juce::jmax (area.getHeight() - 1.0f, 0.0f) };
}

juce::PathStrokeType roundedStroke (float thickness)
{
    return { thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded };
}

void drawFittedLine (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area,
                     juce::Justification justification)
{
    g.drawFittedText (text, area.toNearestInt(), justification, 1);
}

namespace
{
void strokePolyline (juce::Graphics& g, std::initializer_list<juce::Point<float>> points, float thickness)
{
    juce::Path path;
    bool first = true;
    for (auto p : points)
    {
        if (first) path.startNewSubPath (p);
        else       path.lineTo (p);
        first = false;
    }
    g.strokePath (path, roundedStroke (thickness));
}

void fillRoundedBox (juce::Graphics& g, juce::Rectangle<float> area, float radius,
                     juce::Colour fill, juce::Colour outline)
{
    g.setColour (fill);
    g.fillRoundedRectangle (area, radius);
    g.setColour (outline);
    g.drawRoundedRectangle (hairlineRect (area), radius, 1.0f);
}

juce::Rectangle<float> shrinkLeft (juce::Rectangle<float> r, float amount)
{
    return r.withTrimmedLeft (juce::jmin (r.getWidth(), amount));
}

juce::Rectangle<float> shrinkRight (juce::Rectangle<float> r, float amount)
{
    return r.withTrimmedRight (juce::jmin (r.getWidth(), amount));
}

juce::Point<float> onCircle (juce::Point<float> centre, float radius, float angle)
{
    // JUCE's rotary convention: radians clockwise from 12 o'clock.
    return { centre.x + radius * std::sin (angle), centre.y - radius * std::cos (angle) };
}
} // namespace

WeftLookAndFeel::WeftLookAndFeel()
{
    setColour (juce::ResizableWindow::backgroundColourId, kBackground);
    setColour (juce::PopupMenu::backgroundColourId, kSurface);
    setColour (juce::PopupMenu::textColourId, kText);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, kAccent);
    setColour (juce::PopupMenu::highlightedTextColourId, kText);
    setColour (juce::TextButton::buttonColourId, kSurface);
    setColour (juce::TextButton::textColourOffId, kText);
    setColour (juce::TextButton::textColourOnId, kText);
    setColour (juce::Slider::textBoxBackgroundColourId, juce::Colours::transparentBlack);
    setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);
    setColour (juce::Slider::textBoxTextColourId, kText);
    setColour (juce::ComboBox::backgroundColourId, kSurface);
    setColour (juce::ComboBox::textColourId, kText);
    setColour (juce::ComboBox::outlineColourId, kOutline);
    setColour (juce::ComboBox::arrowColourId, kTextMuted);
    setColour (juce::ComboBox::focusedOutlineColourId, kAccent);
    setColour (juce::Label::textColourId, kTextMuted);
}

void WeftLookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    // The framework makes a menu with an opaque background colour an opaque window and fills it
    // with white first; the corners outside the rounded box get the window background instead.
    g.fillAll (kBackground);
    fillRoundedBox (g, { 0.0f, 0.0f, (float) width, (float) height }, 10.0f, kSurface, kOutline);
}

void WeftLookAndFeel::drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area, bool isSeparator,
                                         bool isActive, bool isHighlighted, bool isTicked, bool hasSubMenu,
                                         const juce::String& text, const juce::String& shortcutKeyText,
                                         const juce::Drawable*, const juce::Colour*)
{
    const auto a = area.toFloat();
    if (isSeparator)
    {
        g.setColour (kOutline.withAlpha (0.6f));
        const auto x0 = a.getX() + 10.0f;
        g.drawLine (x0, a.getCentreY(), x0 + juce::jmax (a.getWidth() - 20.0f, 0.0f), a.getCentreY(), 1.0f);
        return;
    }

    const juce::Rectangle<float> r { a.getX() + 4.0f, a.getY() + 1.0f,
                                     juce::jmax (a.getWidth() - 8.0f, 0.0f), juce::jmax (a.getHeight() - 2.0f, 0.0f) };
    if (isActive && isHighlighted)
    {
        g.setColour (kAccent.withAlpha (0.22f));
        g.fillRoundedRectangle (r, 6.0f);
    }

    const auto textColour = ! isActive     ? kTextMuted.withAlpha (0.55f)
                          : isHighlighted  ? kText
                                           : kText.withAlpha (0.92f);
    const auto font = theme::value();
    g.setFont (font);

    juce::Rectangle<float> t { r.getX() + 12.0f, r.getY(), juce::jmax (r.getWidth() - 24.0f, 0.0f), r.getHeight() };

    if (isTicked)
    {
        const auto bx = r.getX() + 10.0f, cy = r.getCentreY();
        g.setColour (kAccent);
        strokePolyline (g, { { bx + 1.0f, cy + 0.5f }, { bx + 4.0f, cy + 2.5f }, { bx + 9.0f, cy - 3.0f } }, 1.8f);
    }
    t = shrinkLeft (t, 18.0f);   // the tick column is reserved whether or not the item is ticked

    if (hasSubMenu)
    {
        const auto ax = t.getRight() - 14.0f, cy = t.getCentreY();
        g.setColour (textColour);
        strokePolyline (g, { { ax, cy - 6.0f }, { ax + 10.0f, cy }, { ax, cy + 6.0f } }, 1.4f);
        t = shrinkRight (t, 18.0f);
    }

    if (shortcutKeyText.isNotEmpty())
    {
        g.setColour (kTextMuted);
        g.drawText (shortcutKeyText, t, juce::Justification::centredRight, false);
        t = shrinkRight (t, tarn::compat::stringWidth (font, shortcutKeyText) + 12.0f);
    }

    g.setColour (textColour);
    g.drawText (text, t, juce::Justification::centredLeft, false);
}

void WeftLookAndFeel::drawPopupMenuSectionHeader (juce::Graphics& g, const juce::Rectangle<int>& area,
                                                  const juce::String& sectionName)
{
    g.setFont (theme::tinyTag());
    g.setColour (kAccent);
    const auto a = area.toFloat();
    g.drawText (sectionName.toUpperCase(),
                juce::Rectangle<float> { a.getX() + 12.0f, a.getY() + 2.0f,
                                         juce::jmax (a.getWidth() - 24.0f, 0.0f), juce::jmax (a.getHeight() - 4.0f, 0.0f) },
                juce::Justification::centredLeft, false);
}

juce::Font WeftLookAndFeel::getPopupMenuFont() { return theme::value(); }

void WeftLookAndFeel::getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                                 int& idealWidth, int& idealHeight)
{
    if (isSeparator)
    {
        idealWidth = 50;
        idealHeight = 6;
        return;
    }
    idealHeight = juce::jmax (standardMenuItemHeight, 26);
    idealWidth = juce::roundToInt (tarn::compat::stringWidth (theme::value(), text) + 60.0f);
}

void WeftLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int, int, int, int,
                                    juce::ComboBox& box)
{
    const juce::Rectangle<float> bounds { 0.0f, 0.0f, (float) width, (float) height };
    g.setColour (box.findColour (juce::ComboBox::backgroundColourId));
    g.fillRoundedRectangle (bounds, 10.0f);
    g.setColour (box.hasKeyboardFocus (false) ? kAccent : box.findColour (juce::ComboBox::outlineColourId));
    g.drawRoundedRectangle (hairlineRect (bounds), 10.0f, 1.0f);

    const auto ax = (float) width - 16.0f, cy = (float) height / 2.0f;
    g.setColour (box.findColour (juce::ComboBox::arrowColourId));
    strokePolyline (g, { { ax - 4.0f, cy - 2.5f }, { ax, cy + 2.5f }, { ax + 4.0f, cy - 2.5f } }, 1.6f);
}

juce::Font WeftLookAndFeel::getComboBoxFont (juce::ComboBox&) { return theme::value(); }

void WeftLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    label.setBounds (12, 0, box.getWidth() - 32, box.getHeight());
    label.setFont (getComboBoxFont (box));
    label.setColour (juce::Label::textColourId, box.findColour (juce::ComboBox::textColourId));
}

void WeftLookAndFeel::drawLabel (juce::Graphics& g, juce::Label& label)
{
    const auto background = label.findColour (juce::Label::backgroundColourId);
    if (! background.isTransparent())
        g.fillAll (background);

    if (label.isBeingEdited())
        return;

    const auto text = label.findColour (juce::Label::textColourId);
    g.setColour (text.withMultipliedAlpha (label.isEnabled() ? 1.0f : 0.5f));
    const auto font = label.getFont();
    g.setFont (font);
    const auto maxLines = juce::jmax (1, (int) ((float) label.getHeight() / font.getHeight()));
    g.drawFittedText (label.getText(), label.getLocalBounds(), label.getJustificationType(), maxLines,
                      label.getMinimumHorizontalScale());
}

juce::Font WeftLookAndFeel::getLabelFont (juce::Label& label) { return label.getFont(); }

void WeftLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                        float startAngle, float endAngle, juce::Slider& slider)
{
    const juce::Rectangle<float> area { (float) x + 4.0f, (float) y + 4.0f,
                                        (float) juce::jmax (width - 8, 0), (float) juce::jmax (height - 8, 0) };
    const auto centre = area.getCentre();
    const auto ringRadius = juce::jmin (area.getWidth(), area.getHeight()) / 2.0f - 2.0f;

    const auto minimum = slider.getMinimum(), maximum = slider.getMaximum();
    const bool bipolar = minimum < 0.0 && maximum > 0.0;
    const auto originPos = bipolar ? (float) ((0.0 - minimum) / (maximum - minimum)) : 0.0f;
    const auto originAngle = startAngle + originPos * (endAngle - startAngle);
    const auto valueAngle = startAngle + sliderPos * (endAngle - startAngle);
    const bool enabled = slider.isEnabled();
    const auto valueColour = enabled ? kAccent : kTextMuted;

    if (enabled && std::abs (sliderPos - originPos) > 0.001f)
    {
        g.setColour (valueColour.withAlpha (0.06f));
        g.fillEllipse (juce::Rectangle<float> (2.0f * (ringRadius + 6.0f), 2.0f * (ringRadius + 6.0f)).withCentre (centre));
    }

    juce::Path track;
    track.addCentredArc (centre.x, centre.y, ringRadius, ringRadius, 0.0f, startAngle, endAngle, true);
    g.setColour (kOutline);
    g.strokePath (track, roundedStroke (3.0f));

    if (std::abs (valueAngle - originAngle) > 0.001f)
    {
        juce::Path arc;
        arc.addCentredArc (centre.x, centre.y, ringRadius, ringRadius, 0.0f, originAngle, valueAngle, true);
        g.setColour (valueColour);
        g.strokePath (arc, roundedStroke (4.5f));
    }

    if (bipolar)
    {
        g.setColour (kTextMuted.withAlpha (0.7f));
        g.drawLine ({ onCircle (centre, ringRadius - 6.0f, originAngle), onCircle (centre, ringRadius + 4.0f, originAngle) }, 1.4f);
    }

    const auto knob = ringRadius - 8.0f;
    const auto knobBounds = juce::Rectangle<float> (2.0f * knob, 2.0f * knob).withCentre (centre);
    g.setColour (juce::Colours::black.withAlpha (110.0f / 255.0f));
    g.fillEllipse (knobBounds.translated (0.0f, 2.0f));

    g.setGradientFill (juce::ColourGradient (kSurface.brighter (0.18f), centre.x, centre.y - knob,
                                             kBackground.darker (0.25f), centre.x, centre.y + knob, false));
    g.fillEllipse (knobBounds);

    juce::Path rim;
    rim.addCentredArc (centre.x, centre.y, knob - 0.5f, knob - 0.5f, 0.0f,
                       1.2f * juce::MathConstants<float>::pi, 1.8f * juce::MathConstants<float>::pi, true);
    g.setColour (juce::Colours::white.withAlpha (0.07f));
    g.strokePath (rim, juce::PathStrokeType (1.4f));

    const auto outlineDiameter = juce::jmax (2.0f * knob - 1.0f, 0.0f);
    g.setColour (juce::Colours::black.withAlpha (120.0f / 255.0f));
    g.drawEllipse (juce::Rectangle<float> (outlineDiameter, outlineDiameter).withCentre (centre), 1.0f);

    g.setColour (enabled ? kText : kTextMuted);
    g.drawLine ({ onCircle (centre, 0.42f * knob, valueAngle), onCircle (centre, knob - 3.0f, valueAngle) }, 2.6f);
}

void WeftLookAndFeel::drawCallOutBoxBackground (juce::CallOutBox&, juce::Graphics& g, const juce::Path& path, juce::Image&)
{
    g.setColour (kCalloutFill);
    g.fillPath (path);
    g.setColour (kCalloutBorder);
    g.strokePath (path, juce::PathStrokeType (1.2f));
}
} // namespace ui
} // namespace weft
