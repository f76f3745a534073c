#pragma once

// Twin analogue VU meters ("VU L", "VU R"): backlit dials painted once per size into a cached image,
// needles and lamp glow drawn over it on every refresh.

#include "WeftLookAndFeel.h"

class TarnVuPair : public juce::Component
{
public:
    /** Where one dial's parts sit, all in component coordinates (px). */
    struct DialGeometry
    {
        juce::Rectangle<float> face;   // the glass, G
        float scaleRadius = 0.0f;      // R
        float centreX = 0.0f;          // centre column of the scale and the needle
        float scaleCentreY = 0.0f;     // centre of the printed scale and the static hub
        float pivotY = 0.0f;           // centre the needle swings about
    };

    static DialGeometry geometryFor (juce::Rectangle<float> dial);

    /** Scale angle of a level (VU dB), radians, 0 along +x, clockwise on screen (y down):
        -20 VU at -160 degrees, -8.5 VU straight up, +3 VU at -20 degrees; clamped at both ends. */
    static float scaleAngle (float levelVu);

    /** Brightness of the lamps behind a dial for a level (VU dB): 0.072 below -22 VU, rising to
        1.512 at +3 VU and constant above. */
    static float lampBrightness (float levelVu);

    /** Moves both needles towards the levels (VU dB); called once per refresh tick. */
    void setLevels (float leftVu, float rightVu);

    float getShownLeft() const noexcept { return shownLeft; }
    float getShownRight() const noexcept { return shownRight; }
    const juce::Image& getStaticCache() const noexcept { return staticCache; }
    juce::Rectangle<int> getLeftDial() const noexcept { return leftDial; }
    juce::Rectangle<int> getRightDial() const noexcept { return rightDial; }

    void paint (juce::Graphics&) override;
    void resized() override;

    void rebuildStaticCache();
    void paintDialStatic (juce::Graphics& g, juce::Rectangle<float> dial, const juce::String& label);
    void paintNeedleOverlay (juce::Graphics& g, juce::Rectangle<float> dial, float levelVu);

private:
    static float follow (float shownVu, float targetVu);

    juce::Image staticCache;            // dial faces at the current size, one pixel per logical px
    juce::Rectangle<int> leftDial, rightDial;
    float shownLeft = -100.0f;          // VU dB the left needle shows; -99 or below: no reading yet
    float shownRight = -100.0f;         // VU dB
};
