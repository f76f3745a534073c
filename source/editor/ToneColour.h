#pragma once

#include "ReadingText.h"
#include "WeftLookAndFeel.h"

// The palette colour of each text tone: the window's and every picture the tool draws.
namespace tarn::ui
{
inline juce::Colour colourFor (tarn::text::Tone tone)
{
    switch (tone)
    {
        case tarn::text::Tone::label: return weft::kLabelText;
        case tarn::text::Tone::good:  return weft::kStatusGood;
        case tarn::text::Tone::warn:  return weft::kStatusWarn;
        case tarn::text::Tone::bad:   return weft::kStatusBad;
        case tarn::text::Tone::info:  break;
    }
    return weft::kInfo;
}
} // namespace tarn::ui
