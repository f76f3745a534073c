// Cost of processBlock per stereo frame, and the real-time factor, for common rates and block sizes;
// the same for the analyser's standard loudness meter.
// Run: build/benchmarks/tarn_benchmarks

#include "PluginProcessor.h"
#include "StandardLoudnessMeter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

static void processBlock (benchmark::State& state)
{
    const double rate = (double) state.range (0);
    const int blockSize = (int) state.range (1);

    TarnAudioProcessor processor;
    processor.prepareToPlay (rate, blockSize);

    // Ten seconds of a noisy two-tone programme, played round and round.
    const int length = (int) rate * 10 / blockSize * blockSize;
    juce::AudioBuffer<float> programme (2, length);
    std::mt19937 rng (1);
    std::uniform_real_distribution<float> noise (-0.05f, 0.05f);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < length; ++i)
            programme.setSample (c, i, (float) (0.4 * std::sin (0.02 * i + c) + 0.2 * std::sin (0.31 * i)) + noise (rng));

    // Each block refers to the programme in place: the processor passes audio through untouched,
    // so a copy per block would time the host's memcpy, not processBlock.
    juce::AudioBuffer<float> block;
    juce::MidiBuffer midi;
    int position = 0;

    for (auto _ : state)
    {
        block.setDataToReferTo (programme.getArrayOfWritePointers(), 2, position, blockSize);
        processor.processBlock (block, midi);
        position = (position + blockSize) % length;
        benchmark::ClobberMemory();
    }

    const double frames = (double) state.iterations() * blockSize;
    state.counters["frame"] = benchmark::Counter (frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter (frames / rate, benchmark::Counter::kIsRate);
}

BENCHMARK (processBlock)->ArgsProduct ({ { 44100, 48000, 96000 }, { 1, 16, 64, 512, 4096 } })->Unit (benchmark::kMicrosecond);

static void standardLoudness (benchmark::State& state)
{
    const double rate = (double) state.range (0);
    const int blockSize = (int) state.range (1);

    StandardLoudnessMeter meter;
    meter.prepare (rate);

    const int length = (int) rate * 10 / blockSize * blockSize;
    std::vector<float> left ((size_t) length), right ((size_t) length);
    std::mt19937 rng (1);
    std::uniform_real_distribution<float> noise (-0.05f, 0.05f);
    for (int i = 0; i < length; ++i)
    {
        left[(size_t) i] = (float) (0.4 * std::sin (0.02 * i) + 0.2 * std::sin (0.31 * i)) + noise (rng);
        right[(size_t) i] = (float) (0.4 * std::sin (0.02 * i + 1) + 0.2 * std::sin (0.31 * i)) + noise (rng);
    }

    int position = 0;
    for (auto _ : state)
    {
        meter.process (left.data() + position, right.data() + position, blockSize);
        position = (position + blockSize) % length;
        benchmark::ClobberMemory();
    }

    const double frames = (double) state.iterations() * blockSize;
    state.counters["frame"] = benchmark::Counter (frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter (frames / rate, benchmark::Counter::kIsRate);
}

BENCHMARK (standardLoudness)->ArgsProduct ({ { 48000 }, { 64, 512 } })->Unit (benchmark::kMicrosecond);

BENCHMARK_MAIN();
