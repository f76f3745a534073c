#pragma once

#include "Analyser.h"
#include "Delivery.h"

#include <juce_graphics/juce_graphics.h>

// `tarn analyse --plot`: a programme's loudness history as a picture, drawn with JUCE's software
// renderer, the plug-in's palette and its embedded fonts, so the same programme gives the same
// PNG bytes on every machine and every run.
namespace tarn::plot
{
constexpr int minWidth = 640, minHeight = 360, maxWidth = 8000, maxHeight = 4000;

struct Options
{
    int width = 1200, height = 600;
    const delivery::Target* target = nullptr;   // the line drawn as the target; -14 LUFS when none
};

// Needs a result with its history and standard figures (analysed with recordHistory).
juce::Image render (const analyser::Result& result, const Options& options);
} // namespace tarn::plot
