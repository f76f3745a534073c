#pragma once

// The kit's small custom controls (segmented control, text pill, icon button), the glyph painters
// and the maker's emblem. Each control reports through a public std::function and repaints itself
// on every state change.

#include "WeftLookAndFeel.h"

#include <functional>

namespace weft::ui
{
/** A row of equal segments, one of them selected (the view switch). */
class SegmentedControl : public juce::Component,
                         public juce::SettableTooltipClient
{
public:
    explicit SegmentedControl (juce::StringArray labels);

    /** Clamps `index` into range; notifies only when the selection really changes. */
    void setSelectedIndex (int index, juce::NotificationType notification);
    int getSelectedIndex() const noexcept { return selectedIndex; }
    int getHoverIndex() const noexcept { return hoverIndex; }

    juce::Rectangle<float> segmentRect (int index) const;
    /** The segment under `position`, or -1 outside the control. */
    int indexAt (juce::Point<int> position) const;

    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

    std::function<void (int)> onChange;

private:
    int lastIndex() const noexcept { return juce::jmax (labels.size(), 1) - 1; }
    float segmentWidth() const noexcept { return (float) getWidth() / (float) juce::jmax (labels.size(), 1); }

    juce::StringArray labels;
    int selectedIndex = 0;
    int hoverIndex = -1;
};

/** A pill-shaped text button; a click counts only when released inside the pill. */
class TextPill : public juce::Component,
                 public juce::SettableTooltipClient
{
public:
    explicit TextPill (juce::String label);

    void setLabel (juce::String newLabel);
    const juce::String& getLabel() const noexcept { return label; }
    bool isHovered() const noexcept { return hovered; }
    bool isPressed() const noexcept { return pressed; }

    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

    std::function<void()> onClick;

private:
    juce::String label;
    bool hovered = false;
    bool pressed = false;
};

/** A round button showing a vector glyph, optionally a toggle. */
class IconButton : public juce::Component,
                   public juce::SettableTooltipClient
{
public:
    enum class Glyph { power = 0, gear = 1, chevronLeft = 2, chevronRight = 3, plus = 4 };

    IconButton (Glyph glyph, bool toggleable);

    /** Stores the state even on a button that is not toggleable; notifies only on a change. */
    void setToggleState (bool on, juce::NotificationType notification);
    bool getToggleState() const noexcept { return toggled; }
    bool isHovered() const noexcept { return hovered; }
    bool isPressed() const noexcept { return pressed; }

    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;

    /** Called on a completed click and on notified toggle changes. */
    std::function<void()> onClick;

private:
    Glyph glyph;
    bool toggleable;
    bool toggled = false;
    bool hovered = false;
    bool pressed = false;
};

// Glyph painters: each draws its figure centred in `area`, sized by the area's smaller side.
void drawPowerGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour);
void drawGearGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour);
void drawChevronLeftGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour);
void drawChevronRightGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour);
void drawPlusGlyph (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour);

/** The maker's monogram from the embedded image, scaled to fit and centred in `area`. */
void drawFennickEmblem (juce::Graphics& g, juce::Rectangle<float> area);

/** The vector figure drawn in place of the monogram when the image does not decode. */
void drawFennickEmblemFallback (juce::Graphics& g, juce::Rectangle<float> area);
} // namespace weft::ui
