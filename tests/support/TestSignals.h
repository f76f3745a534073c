#pragma once

#include "PluginProcessor.h"
#include "Signals.h"

// A small rig that plays test signals through the processor in blocks.
namespace testing_signals
{
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
