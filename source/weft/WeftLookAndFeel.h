#pragma once

// The maker's shared dark theme: palette, fonts, the measuring text routine and the look-and-feel
// that dresses JUCE's own widgets (menus, call-outs, labels, combo boxes, rotary sliders).

#include "JuceCompat.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace weft
{
// Kit palette.
inline const juce::Colour kBackground    { 0xff0b0c0e };   // window background, darkest shade
inline const juce::Colour kSurface       { 0xff1a1d24 };   // menus, combo boxes, buttons, tracks, hover fills
inline const juce::Colour kOutline       { 0xff2a2d36 };   // hairlines, dividers, separators
inline const juce::Colour kAccent        { 0xff3b82f6 };   // selection, focus, toggled state
inline const juce::Colour kText          { 0xffe8e8ec };   // primary and hovered text
inline const juce::Colour kTextMuted     { 0xff8a8fa8 };   // secondary and idle text, disabled state
inline const juce::Colour kCalloutFill   { 0xf2151d21 };   // call-out fill, slightly translucent
inline const juce::Colour kCalloutBorder { 0xff2e3e46 };   // call-out outline, guide scroll-bar thumb

// Status palette: colours of readings and verdict words.
inline const juce::Colour kStatusGood { 0xff8fd6ae };
inline const juce::Colour kStatusWarn { 0xffffc266 };
inline const juce::Colour kStatusBad  { 0xffff7777 };
inline const juce::Colour kInfo       { 0xff6f9fd9 };   // section labels, not-ready verdicts, rows without data
inline const juce::Colour kLabelText  { 0xffedf5f8 };   // plain reading text

/** Lays `text` out word-wrapped at `width` (line spacing 2) and returns its height in px. With a
    null `g` it only measures; the same text, font and width always give the same height, so one
    routine can size a view and paint it. */
float wrappedText (juce::Graphics* g, const juce::String& text, const juce::Font& font,
                   juce::Colour colour, float x, float y, float width);

namespace theme
{
/** The typefaces every picture is drawn with. They are compiled into the plug-in (DejaVu, taken
    from the Debian font packages at build time), so text looks the same on every machine, with or
    without fonts installed, and the oblique face gives italics that the system lookup misses. */
enum class Face { sans, sansBold, sansOblique, mono, monoBold };

juce::Typeface::Ptr typeface (Face face);

/** A font on one of the embedded faces, `height` in font height units. */
juce::Font font (Face face, float height);

juce::Font value();      // 13 plain: readout values, segment labels, menu and combo-box text
juce::Font tagline();    // 13 plain: header tagline
juce::Font wordmark();   // 26 bold: header wordmark
juce::Font tinyTag();    // 10.5 bold, kerning 0.18: maker tag, menu section headers
juce::Font badge();      // 10 bold: version badge
} // namespace theme

namespace ui
{
/** A shape's area for a 1 px outline: inset half a pixel so the line falls on pixel centres,
    sizes clamped at 0. */
juce::Rectangle<float> hairlineRect (juce::Rectangle<float> area);

/** A stroke with curved joints and rounded end caps. */
juce::PathStrokeType roundedStroke (float thickness);

/** Draws `text` on one line, fitted into `area` rounded to whole pixels. */
void drawFittedLine (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area,
                     juce::Justification justification);

class WeftLookAndFeel : public juce::LookAndFeel_V4
{
public:
    WeftLookAndFeel();

    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;
    void drawPopupMenuItem (juce::Graphics&, const juce::Rectangle<int>& area, bool isSeparator, bool isActive,
                            bool isHighlighted, bool isTicked, bool hasSubMenu, const juce::String& text,
                            const juce::String& shortcutKeyText, const juce::Drawable* icon,
                            const juce::Colour* textColour) override;
    void drawPopupMenuSectionHeader (juce::Graphics&, const juce::Rectangle<int>& area,
                                     const juce::String& sectionName) override;
    juce::Font getPopupMenuFont() override;
    void getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                    int& idealWidth, int& idealHeight) override;
    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown, int buttonX, int buttonY,
                       int buttonW, int buttonH, juce::ComboBox&) override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;
    void positionComboBoxText (juce::ComboBox&, juce::Label&) override;
    void drawLabel (juce::Graphics&, juce::Label&) override;
    juce::Font getLabelFont (juce::Label&) override;
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;
    void drawCallOutBoxBackground (juce::CallOutBox&, juce::Graphics&, const juce::Path&, juce::Image&) override;
};
} // namespace ui
} // namespace weft
