#pragma once

// The header's hint line: the tagline, or the tooltip of whatever the mouse is over, always shown
// whole. A text that fits on one line is drawn in the one-line band as a label would draw it; a
// longer one is wrapped between words over the whole of the line's bounds, in the largest font,
// from the label's own down to minimumHeight, that holds all of it. No ellipsis, no word broken.

#include "WeftLookAndFeel.h"

class TarnHintLine : public juce::Label
{
public:
    static constexpr float minimumHeight = 9.5f;   // px; the smallest font a hint is set in

    /** Where a one-line text sits, in the line's own coordinates (the rest of the bounds is room
        for a longer text to wrap into). */
    void setOneLineBand (juce::Rectangle<int> band);
    juce::Rectangle<int> getOneLineBand() const noexcept { return oneLineBand; }

    struct Layout
    {
        juce::Font font { juce::FontOptions {} };
        bool wrapped = false;            // false: one line in the band
        juce::TextLayout lines;          // the wrapped lines, when wrapped
        bool fits = false;               // every word within the width, all lines within the height
    };

    /** How `text` is set in the current bounds. */
    Layout layoutFor (const juce::String& text) const;

    void paint (juce::Graphics&) override;

private:
    juce::Rectangle<int> oneLineBand;
};
