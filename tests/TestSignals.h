#pragma once

#include "PluginProcessor.h"

#include <cmath>
#include <functional>
#include <random>

// Signals and a small rig that plays them through the processor in blocks.
namespace testing_signals
{
constexpr double pi = 3.14159265358979323846;

inline float dbToGain (double db) { return (float) std::pow (10.0, db / 20.0); }

// A sample generator: (channel, sample index since the start) -> value.
using Generator = std::function<float (int channel, juce::int64 index)>;

inline Generator sine (double hz, double rate, double peak, double phaseRadians = 0.0)
{
    return [=] (int, juce::int64 i) { return (float) (peak * std::sin (2.0 * pi * hz * (double) i / rate + phaseRadians)); };
}

inline Generator silence() { return [] (int, juce::int64) { return 0.0f; }; }

struct Rig
{
    explicit Rig (double rate = 48000.0, int block = 512) : sampleRate (rate), blockSize (block)
    {
        processor.setRateAndBufferSizeDetails (rate, block);
        processor.prepareToPlay (rate, block);
    }

    // Plays `seconds` of the generator in blocks of blockSize (the last one shorter).
    void play (const Generator& g, double seconds, int channels = 2)
    {
        playSamples (g, (juce::int64) std::llround (seconds * sampleRate), channels);
    }

    void playSamples (const Generator& g, juce::int64 samples, int channels = 2)
    {
        juce::AudioBuffer<float> buffer (channels, blockSize);
        juce::MidiBuffer midi;
        for (juce::int64 done = 0; done < samples;)
        {
            const int n = (int) std::min<juce::int64> (blockSize, samples - done);
            buffer.setSize (channels, n, false, false, true);
            for (int c = 0; c < channels; ++c)
                for (int i = 0; i < n; ++i)
                    buffer.setSample (c, i, g (c, position + i));
            processor.processBlock (buffer, midi);
            if (afterBlock)
                afterBlock();
            position += n;
            done += n;
        }
    }

    double sampleRate;
    int blockSize;
    juce::int64 position = 0;
    std::function<void()> afterBlock;
    TarnAudioProcessor processor;
};
} // namespace testing_signals
