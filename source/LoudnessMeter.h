#pragma once

#include "AnalysisCoefficients.h"

#include <cstdint>
#include <vector>

// Short-term and integrated loudness of channels 0 and 1: a light first-order weighting (a low-cut
// near 38 Hz and a +4 dB shelf above about 1.5 kHz), a 3-second window of block energies, and the
// energy average of every block above -70 LUFS since the last reset.
class LoudnessMeter
{
public:
    // Per-sample weighting of one channel; held by value in the stereo loop.
    struct ChannelWeighting
    {
        float previousInput = 0.0f, lowCut = 0.0f, shelfLowPass = 0.0f;

        float process (float x, float p38, float shelf) noexcept
        {
            lowCut = p38 * (lowCut + x - previousInput);
            previousInput = x;
            shelfLowPass = shelfLowPass + shelf * (lowCut - shelfLowPass);
            return lowCut + 0.5849f * (lowCut - shelfLowPass);
        }
    };

    struct Weighting
    {
        ChannelWeighting left, right;
        double energy = 0.0;     // this block's sum of weighted squares, both channels

        void process (float l, float r, const AnalysisCoefficients& c) noexcept
        {
            const float wl = left.process (l, c.p38, c.loudnessShelf);
            const float wr = right.process (r, c.p38, c.loudnessShelf);
            energy += wl * wl + wr * wr;
        }
    };

    static constexpr int windowCapacity = 2048;   // blocks

    void prepare (double sampleRate) noexcept { rate = sampleRate; }

    // Allocates the window on the first call; later calls reuse it.
    void reset();

    Weighting weighting;   // filter state carried from block to block; energy is per block

    // Closes the block whose energy `weighting` has gathered over `numSamples` samples, then clears
    // that energy. Does nothing before the first reset.
    void endBlock (int numSamples);

    float shortTermLufs() const noexcept { return shortTerm; }
    float integratedLufs() const noexcept { return integrated; }
    int windowBlockCount() const noexcept { return count; }
    int windowSampleTotal() const noexcept { return sampleTotal; }

private:
    void dropOldest() noexcept;

    double rate = 44100.0;

    std::vector<double> energies;
    std::vector<int> sampleCounts;
    int head = 0, tail = 0, count = 0;
    double energySum = 0.0;
    int sampleTotal = 0;

    double integratedEnergy = 0.0;
    std::int64_t integratedSamples = 0;

    float shortTerm = -100.0f, integrated = -100.0f;
};
