#pragma once

// Colours and fonts of the guide view and the reading-help call-out, shared by the guide view and
// the editor (they are used by nothing else).

#include "WeftLookAndFeel.h"

inline const juce::Colour kGuideCardBg     { 0xff151d21 };   // card fill
inline const juce::Colour kGuideCardBorder { 0xff26343b };   // card border
inline const juce::Colour kGuideHeading    { 0xffd9e6ec };   // headings, titles, remedy lines
inline const juce::Colour kGuideBody       { 0xffa9bac3 };   // body text
inline const juce::Colour kGuideMuted      { 0xff80939c };   // muted text, subtitles, footer
inline const juce::Colour kDepthAccent     { 0xfff0b35c };   // DEPTH, amber
inline const juce::Colour kWidthAccent     { 0xff5cc8f0 };   // WIDTH, cyan
inline const juce::Colour kClarityAccent   { 0xff8fd6ae };   // CLARITY, green

inline juce::Font guideBodyFont()   { return weft::theme::font (weft::theme::Face::sans, 12.5f); }
inline juce::Font guideWatchFont()  { return weft::theme::font (weft::theme::Face::mono, 11.0f); }
inline juce::Font guideKickerFont() { return weft::theme::font (weft::theme::Face::sansBold, 12.5f).withExtraKerningFactor (0.14f); }
/** The body font in italics: the embedded oblique face (a synthesised slant would not match). */
inline juce::Font guideHintFont()   { return weft::theme::font (weft::theme::Face::sansOblique, 12.5f); }
