#pragma once

#include <array>

// Inter-sample ("true") peak estimate of channels 0 and 1: the largest magnitude after oversampling
// to at least 192 kHz with the 48-tap polyphase interpolator of ITU-R BS.1770 (4x below 96 kHz,
// 2x below 192 kHz, none above). Each channel keeps the last input samples so the interpolation
// runs across block boundaries; nothing is allocated.
class TruePeakMeter
{
public:
    static constexpr int numTaps = 12;      // input samples per output phase
    static constexpr int numPhases = 4;

    void prepare (double sampleRate);
    void reset();

    // Largest interpolated magnitude of this block of one channel (0 or 1). Non-finite samples
    // are taken as 0. The result is not floored at the sample peak; callers combine the two.
    float processChannel (int channel, const float* samples, int numSamples);

    int getOversamplingFactor() const noexcept { return factor; }

private:
    static constexpr int chunkSize = 256;

    // Largest interpolated magnitude over x[0..count), reading up to numTaps - 1 samples before x.
    float interpolatedPeak (const float* x, int count) const noexcept;

    // phaseTaps[p][j] multiplies the input j samples back for output phase p.
    std::array<std::array<float, numTaps>, numPhases> phaseTaps {};
    int numActivePhases = 4;

    // Mirror-pair form of the 4x filter: sums and differences of taps j and numTaps - 1 - j.
    bool folded = true;
    std::array<std::array<float, numTaps / 2>, 2> foldedSum {}, foldedDifference {};
    int factor = 4;

    // Per channel: the last numTaps - 1 inputs followed by the chunk being processed.
    std::array<std::array<float, numTaps - 1 + chunkSize>, 2> work {};
};
