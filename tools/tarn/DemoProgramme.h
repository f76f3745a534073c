#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// About 30 s of deterministic synthetic stereo music (drums, bass, a wide pad and an arpeggio),
// generated in code so the analyser can show a report with no input file.
namespace tarn::demo
{
constexpr double sampleRate = 48000.0;
constexpr double lengthSeconds = 30.0;

juce::AudioBuffer<float> render();
} // namespace tarn::demo
