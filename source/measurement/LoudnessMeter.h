#pragma once

#include "AnalysisCoefficients.h"
#include "AnalysisMath.h"

#include <cstdint>
#include <vector>

// Short-term and integrated loudness of channels 0 and 1: a light first-order weighting (a low-cut
// near 38 Hz and a +4 dB shelf above about 1.5 kHz), a 3-second window of block energies, and the
// energy average of every block above -70 LUFS since the last reset.
class LoudnessMeter
{
public:
    // Per-sample weighting of channels 0 and 1, side by side in lanes {left, right, left, right};
    // held by value in the stereo loop.
    struct Weighting
    {
        tarn::dsp::Float4 previousInput {}, lowCut {}, shelfLowPass {};
        tarn::dsp::Float4 runSquares {};   // weighted squares of the current run (see endRun)
        double energy = 0.0;               // this block's sum of weighted squares, both channels

        void process (tarn::dsp::Float4 leftRight, const AnalysisCoefficients& c) noexcept
        {
            // One-pole DC-blocking high-pass, then a one-pole shelf: unity gain below the corner,
            // 1 + 0.5849 (+4 dB) above it.
            lowCut = c.p38 * (lowCut + leftRight - previousInput);
            previousInput = leftRight;
            shelfLowPass = shelfLowPass + c.loudnessShelf * (lowCut - shelfLowPass);
            const tarn::dsp::Float4 w = lowCut + 0.5849f * (lowCut - shelfLowPass);
            runSquares += w * w;
        }

        // Adds a run of a few samples, summed in single precision, to the block's energy.
        void endRun() noexcept
        {
            energy += (double) runSquares[0] + (double) runSquares[1];
            runSquares = tarn::dsp::Float4 {};
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
