#pragma once

// Passive readout widgets: a labelled reading (a verdict tile or a grid line) and the header's
// status pill. They store what they are given, repaint and draw it; they never format numbers.

#include "WeftLookAndFeel.h"

#include <functional>

class TarnRow : public juce::Component,
                public juce::SettableTooltipClient
{
public:
    enum class Style { verdict = 0, diagnostic = 1 };

    ~TarnRow() override = default;

    void setStyle (Style newStyle);
    void setAlternate (bool shouldAlternate);
    /** Sets the whole triple at once; callers pass it on every refresh. */
    void setContent (const juce::String& newLabel, const juce::String& newValue, juce::Colour newValueColour);

    Style getStyle() const noexcept { return style; }
    const juce::String& getLabel() const noexcept { return label; }
    const juce::String& getValue() const noexcept { return value; }
    juce::Colour getValueColour() const noexcept { return valueColour; }

    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

    /** Called when a click is released inside the row. */
    std::function<void()> onClick;

private:
    void paintVerdict (juce::Graphics&, juce::Rectangle<float> frame);
    void paintDiagnostic (juce::Graphics&, juce::Rectangle<float> frame);

    Style style = Style::diagnostic;
    bool alternate = false;
    juce::String label;
    juce::String value;
    juce::Colour valueColour = weft::kLabelText;
};

class TarnStatusPill : public juce::Component
{
public:
    ~TarnStatusPill() override = default;

    void setStatus (const juce::String& newLabel, const juce::String& newValue, juce::Colour newColour);

    const juce::String& getLabel() const noexcept { return label; }
    const juce::String& getValue() const noexcept { return value; }
    juce::Colour getColour() const noexcept { return colour; }

    void paint (juce::Graphics&) override;

private:
    juce::String label;
    juce::String value;
    juce::Colour colour = weft::kStatusGood;
};
