#include "TarnVuPair.h"

#include <cmath>

namespace
{
using weft::theme::Face;

constexpr float scaleBottomVu = -20.0f;
constexpr float scaleTopVu = 3.0f;
constexpr float noReadingVu = -99.0f;           // shown levels at or below this have no reading yet
constexpr float caseCornerRadius = 10.0f;
constexpr float faceCornerRadius = 7.0f;

const juce::Colour kRedZone { 0xffef4444 };
const juce::Colour kLamp = juce::Colour::fromFloatRGBA (0.78f, 0.9f, 1.0f, 1.0f);

struct Mark { float levelVu; bool major; };
constexpr Mark marks[] { { -20, true }, { -16, false }, { -13, false }, { -10, true }, { -8.5f, false },
                         { -7, true }, { -6, false }, { -5, true }, { -4, false }, { -3, true }, { -2, false },
                         { -1, false }, { 0, true }, { 1, true }, { 2, true }, { 3, true } };

juce::Point<float> polar (juce::Point<float> centre, float radius, float angle)
{
    return { centre.x + radius * std::cos (angle), centre.y + radius * std::sin (angle) };
}

/** Path::addCentredArc counts clockwise from 12 o'clock; the scale counts from 3 o'clock. */
float arcAngle (float scaleAngle) { return scaleAngle + juce::MathConstants<float>::halfPi; }

juce::Path scaleArc (juce::Point<float> centre, float radius, float fromVu, float toVu)
{
    juce::Path arc;
    arc.addCentredArc (centre.x, centre.y, radius, radius, 0.0f,
                       arcAngle (TarnVuPair::scaleAngle (fromVu)), arcAngle (TarnVuPair::scaleAngle (toVu)), true);
    return arc;
}

void fillVertical (juce::Graphics& g, juce::Rectangle<float> area, float radius,
                   juce::Colour top, float topY, juce::Colour bottom, float bottomY)
{
    g.setGradientFill (juce::ColourGradient (top, 0.0f, topY, bottom, 0.0f, bottomY, false));
    g.fillRoundedRectangle (area, radius);
}

void drawCentredText (juce::Graphics& g, const juce::String& text, juce::Font font, juce::Colour colour,
                      juce::Rectangle<int> area)
{
    g.setFont (font);
    g.setColour (colour);
    g.drawFittedText (text, area, juce::Justification::centred, 1);
}

juce::String markNumber (float levelVu)
{
    const auto n = juce::roundToInt (levelVu);
    return (n > 0 ? "+" : "") + juce::String (n);
}
} // namespace

TarnVuPair::DialGeometry TarnVuPair::geometryFor (juce::Rectangle<float> d)
{
    DialGeometry geo;
    geo.face = { d.getX() + 5.0f, d.getY() + 4.0f, juce::jmax (d.getWidth() - 10.0f, 0.0f), juce::jmax (d.getHeight() - 8.0f, 0.0f) };
    const auto scaleWidth = juce::jmax (geo.face.getWidth() - 16.0f, 0.0f);
    const auto scaleHeight = juce::jmax (geo.face.getHeight() - 12.0f, 0.0f);
    geo.scaleRadius = juce::jmin (0.52f * scaleWidth, 1.14f * scaleHeight);
    geo.centreX = geo.face.getX() + 8.0f + scaleWidth / 2.0f;
    geo.scaleCentreY = geo.face.getY() + 6.0f + 1.06f * scaleHeight;
    geo.pivotY = geo.face.getY() + 6.0f + 1.04f * scaleHeight;
    return geo;
}

float TarnVuPair::scaleAngle (float levelVu)
{
    const auto left = juce::degreesToRadians (-160.0f);
    if (levelVu < scaleBottomVu)
        return left;
    return left + (juce::jmin (levelVu, scaleTopVu) - scaleBottomVu) * juce::degreesToRadians (140.0f) / 23.0f;
}

float TarnVuPair::lampBrightness (float levelVu)
{
    const auto t = (22.0f + juce::jmin (levelVu, scaleTopVu)) / 25.0f;
    if (t < 0.0f)
        return 0.072f;
    return 0.9f * (1.6f * std::pow (juce::jmin (t, 1.0f), 1.5f) + 0.08f);
}

float TarnVuPair::follow (float shownVu, float targetVu)
{
    if (shownVu <= noReadingVu)
        return targetVu;   // the first reading: jump, no swing up from the floor

    // Rises about twice as fast as falls; large gaps close faster. One step per refresh tick.
    const auto d = targetVu - shownVu;
    const bool largeGap = std::abs (d) > 4.0f;
    const auto fraction = d >= 0.0f ? (largeGap ? 0.34f : 0.26f) : (largeGap ? 0.18f : 0.12f);
    return shownVu + d * fraction;
}

void TarnVuPair::setLevels (float leftVu, float rightVu)
{
    shownLeft = follow (shownLeft, leftVu);
    shownRight = follow (shownRight, rightVu);
    repaint (leftDial.getUnion (rightDial));
}

void TarnVuPair::resized()
{
    auto area = getLocalBounds().reduced (1);
    const auto leftWidth = juce::jlimit (0, area.getWidth(), (area.getWidth() - 10) / 2);
    leftDial = area.removeFromLeft (leftWidth);
    area.removeFromLeft (juce::jmin (10, area.getWidth()));
    rightDial = area;
    rebuildStaticCache();
}

void TarnVuPair::rebuildStaticCache()
{
    if (getWidth() < 1 || getHeight() < 1)
        return;   // keep the previous faces until there is something to draw into

    juce::Image image (juce::Image::ARGB, getWidth(), getHeight(), true);
    {
        juce::Graphics g (image);
        paintDialStatic (g, leftDial.toFloat(), "VU L");
        paintDialStatic (g, rightDial.toFloat(), "VU R");
    }
    staticCache = image;
}

void TarnVuPair::paint (juce::Graphics& g)
{
    if (staticCache.isValid())
        g.drawImageAt (staticCache, 0, 0);
    paintNeedleOverlay (g, leftDial.toFloat(), shownLeft);
    paintNeedleOverlay (g, rightDial.toFloat(), shownRight);
}

void TarnVuPair::paintDialStatic (juce::Graphics& g, juce::Rectangle<float> d, const juce::String& label)
{
    const auto geo = geometryFor (d);
    const auto face = geo.face;
    const auto gx = face.getX(), gy = face.getY(), gw = face.getWidth(), gh = face.getHeight();
    const auto R = geo.scaleRadius;
    const juce::Point<float> scaleCentre { geo.centreX, geo.scaleCentreY };

    // Case and glass.
    g.setColour (juce::Colours::black.withAlpha (0.45f));
    g.fillRoundedRectangle (d.translated (0.0f, 3.0f), caseCornerRadius);
    fillVertical (g, d, caseCornerRadius, juce::Colour (0xff1a1d22), d.getY(), juce::Colour (0xff05070a), d.getBottom());
    g.setColour (juce::Colour (0xff2b3138));
    g.drawRoundedRectangle (weft::ui::hairlineRect (d), caseCornerRadius, 1.0f);

    fillVertical (g, face, faceCornerRadius, juce::Colour (0xff03060c), gy, juce::Colour (0xff010204), gy + gh);
    fillVertical (g, face, faceCornerRadius, juce::Colours::black.withAlpha (0.85f), gy - 4.0f,
                  juce::Colours::black.withAlpha (0.0f), gy + 0.62f * gh);
    for (auto corner : { juce::Point<float> { gx + 6.0f, gy + 6.0f }, juce::Point<float> { gx + gw - 6.0f, gy + 6.0f } })
    {
        const auto towardsMiddle = corner.x < face.getCentreX() ? 60.0f : -60.0f;
        g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.55f), corner,
                                                 juce::Colours::black.withAlpha (0.0f),
                                                 corner.translated (towardsMiddle, 60.0f), true));
        g.fillRoundedRectangle (face, faceCornerRadius);
    }
    g.setColour (juce::Colour (0xff0e1726));
    g.drawRoundedRectangle (weft::ui::hairlineRect (face), faceCornerRadius, 1.0f);
    g.setColour (juce::Colours::white.withAlpha (0.06f));
    g.drawLine (gx + 6.0f, gy + 1.0f, gx + gw - 6.0f, gy + 1.0f, 0.8f);

    drawCentredText (g, label, weft::theme::font (Face::sansBold, 10.5f).withExtraKerningFactor (0.2f),
                     juce::Colours::white.withAlpha (0.88f),
                     { (int) std::floor (gx), (int) std::floor (gy + 6.0f), (int) std::floor (gw), 14 });
    drawCentredText (g, "dB", weft::theme::font (Face::sansBold, 8.5f).withExtraKerningFactor (0.25f),
                     juce::Colours::white.withAlpha (0.55f),
                     { (int) std::floor (gx + gw) - 24, (int) std::floor (gy + gh) - 16, 18, 12 });

    // Printed scale.
    g.setColour (juce::Colours::white.withAlpha (0.55f));
    g.strokePath (scaleArc (scaleCentre, 0.82f * R, scaleBottomVu, scaleTopVu), juce::PathStrokeType (1.6f));
    g.setColour (kRedZone.withAlpha (0.95f));
    g.strokePath (scaleArc (scaleCentre, 0.82f * R, 0.0f, scaleTopVu), juce::PathStrokeType (3.6f));

    for (const auto& mark : marks)
    {
        const auto angle = scaleAngle (mark.levelVu);
        const auto inner = mark.major ? 0.61f : (mark.levelVu < -3.0f ? 0.72f : 0.67f);
        const auto thickness = mark.major ? (mark.levelVu < -3.0f ? 1.8f : 2.0f) : 0.9f;
        g.setColour (mark.levelVu > 0.0f ? kRedZone : juce::Colours::white.withAlpha (mark.major ? 0.95f : 0.55f));
        g.drawLine ({ polar (scaleCentre, inner * R, angle), polar (scaleCentre, 0.9f * R, angle) }, thickness);
    }

    const auto numberFont = weft::theme::font (Face::sansBold, 10.0f);
    for (const auto& mark : marks)
    {
        if (! mark.major)
            continue;
        const auto q = mark.levelVu >= 1.0f ? 0.47f : 0.49f;
        const auto topLeft = (polar (scaleCentre, R * q, scaleAngle (mark.levelVu)) - juce::Point<float> (15.0f, 7.0f)).roundToInt();
        drawCentredText (g, markNumber (mark.levelVu), numberFont,
                         mark.levelVu > 0.0f ? kRedZone : juce::Colours::white.withAlpha (0.92f),
                         { topLeft.x, topLeft.y, 30, 14 });
    }

    // Static hub and glass sheen.
    const auto hub = juce::Rectangle<float> (12.0f, 12.0f).withCentre ({ geo.centreX, geo.scaleCentreY - 0.05f * R });
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff646e7a), 0.0f, hub.getY(), juce::Colour (0xff0c1016), 0.0f, hub.getBottom(), false));
    g.fillEllipse (hub);
    g.setColour (juce::Colour (0xff0a0c10));
    g.drawEllipse (hub, 0.8f);

    const juce::Rectangle<float> sheen { gx + 2.0f, gy + 2.0f, juce::jmax (gw - 4.0f, 0.0f),
                                         juce::jmax (juce::jmax (gh - 4.0f, 0.0f) - 0.55f * gh, 0.0f) };
    fillVertical (g, sheen, 5.0f, juce::Colours::white.withAlpha (0.1f), gy, juce::Colours::white.withAlpha (0.0f), gy + 0.45f * gh);
}

void TarnVuPair::paintNeedleOverlay (juce::Graphics& g, juce::Rectangle<float> d, float levelVu)
{
    const auto geo = geometryFor (d);
    const auto face = geo.face;
    const auto gx = face.getX(), gy = face.getY(), gw = face.getWidth(), gh = face.getHeight();
    const auto b = lampBrightness (levelVu);

    {
        juce::Graphics::ScopedSaveState clip (g);
        juce::Path glass;
        glass.addRoundedRectangle (face, faceCornerRadius);
        g.reduceClipRegion (glass);

        for (auto lx : { gx + 0.25f * gw, gx + 0.75f * gw })
        {
            juce::ColourGradient wash (kLamp.withAlpha (0.62f * b), lx, gy + gh + 8.0f, kLamp.withAlpha (0.0f), lx, gy - 12.0f, true);
            wash.addColour (0.3, kLamp.withAlpha (0.32f * b));
            wash.addColour (0.6, kLamp.withAlpha (0.12f * b));
            g.setGradientFill (wash);
            g.fillRect (face);

            g.setGradientFill (juce::ColourGradient (kLamp.withAlpha (0.55f * b), lx, gy + gh - 1.0f,
                                                     kLamp.withAlpha (0.0f), lx + 34.0f, gy + gh - 36.0f, true));
            g.fillRect (face);
        }
    }

    const auto R = geo.scaleRadius;
    const juce::Point<float> base { geo.centreX, geo.pivotY - 0.05f * R };
    const auto tip = polar ({ geo.centreX, geo.pivotY }, 0.86f * R, scaleAngle (levelVu));
    const juce::Line<float> needle { base, tip };

    g.setColour (juce::Colours::black.withAlpha (0.55f));
    g.drawLine ({ base.translated (1.0f, 1.5f), tip.translated (1.0f, 1.5f) }, 3.8f);
    g.setColour (weft::kAccent.withAlpha (0.35f));
    g.drawLine (needle, 5.0f);
    g.setColour (juce::Colours::white);
    g.drawLine (needle, 2.4f);
    g.setColour (juce::Colours::white.withAlpha (0.95f));
    g.drawLine (needle, 0.9f);

    for (auto [diameter, colour] : { std::pair { 12.2f, juce::Colour (0xff121416) }, std::pair { 8.2f, juce::Colour (0xff050608) },
                                     std::pair { 3.0f, juce::Colour (0xff5f676b).withAlpha (0.35f) } })
    {
        g.setColour (colour);
        g.fillEllipse (juce::Rectangle<float> (diameter, diameter).withCentre (base));
    }
}
