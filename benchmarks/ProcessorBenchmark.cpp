// Cost of processBlock per stereo frame, and the real-time factor, for common rates and block sizes;
// small blocks against large ones side by side; the analyser's standard loudness meter.
// Run: build/benchmarks/tarn_benchmarks

#include "PluginProcessor.h"
#include "StandardLoudnessMeter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <vector>

// The benchmarks' programme: a noisy two-tone signal, played round and round.
static juce::AudioBuffer<float> noisyTwoTones (int length)
{
    juce::AudioBuffer<float> programme (2, length);
    std::mt19937 rng (1);
    std::uniform_real_distribution<float> noise (-0.05f, 0.05f);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < length; ++i)
            programme.setSample (c, i, (float) (0.4 * std::sin (0.02 * i + c) + 0.2 * std::sin (0.31 * i)) + noise (rng));
    return programme;
}

static void processBlock (benchmark::State& state)
{
    const double rate = (double) state.range (0);
    const int blockSize = (int) state.range (1);

    TarnAudioProcessor processor;
    processor.prepareToPlay (rate, blockSize);

    // Ten seconds of it.
    const int length = (int) rate * 10 / blockSize * blockSize;
    auto programme = noisyTwoTones (length);

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

// The per-frame cost of 64-sample blocks against 512-sample blocks, measured side by side: the same
// 4096 samples as 64 blocks of 64 and as 8 of 512, each on a processor of its own, timed one after
// the other in every iteration, so both see the same machine at the same moment. On a shared
// machine whose speed drifts by several per cent between runs, separate runs cannot resolve a few
// per cent between the two; the median of the paired ratios can.
static void smallBlockCost (benchmark::State& state)
{
    constexpr double rate = 48000;
    constexpr int small = 64, large = 512;
    TarnAudioProcessor smallBlocks, largeBlocks;
    smallBlocks.prepareToPlay (rate, small);
    largeBlocks.prepareToPlay (rate, large);

    const int length = (int) rate * 10 / large * large;
    auto programme = noisyTwoTones (length);

    juce::AudioBuffer<float> block;
    juce::MidiBuffer midi;
    std::vector<double> ratios;
    double smallTotal = 0, largeTotal = 0;
    int position = 0;
    using Clock = std::chrono::steady_clock;

    constexpr int stretch = 8 * large;   // each side runs this much audio before the other takes over
    for (auto _ : state)
    {
        const auto start = Clock::now();
        for (int offset = 0; offset < stretch; offset += small)
        {
            block.setDataToReferTo (programme.getArrayOfWritePointers(), 2, position + offset, small);
            smallBlocks.processBlock (block, midi);
        }
        const auto middle = Clock::now();
        for (int offset = 0; offset < stretch; offset += large)
        {
            block.setDataToReferTo (programme.getArrayOfWritePointers(), 2, position + offset, large);
            largeBlocks.processBlock (block, midi);
        }
        const auto end = Clock::now();
        benchmark::ClobberMemory();

        const double smallTime = std::chrono::duration<double> (middle - start).count(), largeTime = std::chrono::duration<double> (end - middle).count();
        smallTotal += smallTime;
        largeTotal += largeTime;
        ratios.push_back (smallTime / largeTime);
        position = (position + stretch) % (length - stretch + 1);
    }

    std::sort (ratios.begin(), ratios.end());
    state.counters["ratio"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
    state.counters["small"] = benchmark::Counter (smallTotal / (double) stretch, benchmark::Counter::kAvgIterations);
    state.counters["large"] = benchmark::Counter (largeTotal / (double) stretch, benchmark::Counter::kAvgIterations);
}

BENCHMARK (smallBlockCost)->Unit (benchmark::kMicrosecond);

static void standardLoudness (benchmark::State& state)
{
    const double rate = (double) state.range (0);
    const int blockSize = (int) state.range (1);

    StandardLoudnessMeter meter;
    meter.prepare (rate);

    const int length = (int) rate * 10 / blockSize * blockSize;
    const auto programme = noisyTwoTones (length);
    const float* left = programme.getReadPointer (0);
    const float* right = programme.getReadPointer (1);

    int position = 0;
    for (auto _ : state)
    {
        meter.process (left + position, right + position, blockSize);
        position = (position + blockSize) % length;
        benchmark::ClobberMemory();
    }

    const double frames = (double) state.iterations() * blockSize;
    state.counters["frame"] = benchmark::Counter (frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime"] = benchmark::Counter (frames / rate, benchmark::Counter::kIsRate);
}

BENCHMARK (standardLoudness)->ArgsProduct ({ { 48000 }, { 64, 512 } })->Unit (benchmark::kMicrosecond);

BENCHMARK_MAIN();
