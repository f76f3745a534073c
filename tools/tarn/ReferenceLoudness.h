#pragma once

#include <juce_core/juce_core.h>

#include <memory>
#include <vector>

#include <ebur128.h>

// The standard loudness figures of a programme (ITU-R BS.1770 / EBU R 128), measured with
// libebur128 beside Tarn's own readings: integrated loudness with the relative gate, loudness
// range, and the largest momentary and short-term loudness, evaluated every 10 ms of audio.
// The K-weighting's high shelf sits at 1.68 kHz: below 8 kHz the file cannot hold the band the
// weighting is defined over (below about 3.4 kHz the library's filter even diverges), so at such
// rates only the sample peak is measured and the loudness figures are not defined (NaN).
class ReferenceLoudness
{
public:
    static constexpr double minimumLoudnessRate = 8000.0;   // Hz

    struct Figures
    {
        double integratedLufs = -HUGE_VAL;
        double loudnessRangeLu = 0;
        double maxMomentaryLufs = -HUGE_VAL;
        double maxShortTermLufs = -HUGE_VAL;
        double maxSamplePeakDbfs = -HUGE_VAL;
    };

    explicit ReferenceLoudness (double sampleRate);
    ~ReferenceLoudness();

    bool measuresLoudness() const noexcept { return state != nullptr; }

    // Adds stereo audio; any block length.
    void add (const float* left, const float* right, int numSamples);

    // Adds the frames still waiting for a full 10 ms sub-block; call once after the last add.
    void finish();

    Figures figures() const;

    // Integrated loudness of several programmes taken together (an album).
    static double integratedOf (const std::vector<const ReferenceLoudness*>& programmes);

private:
    void interleave (const float* left, const float* right, int numFrames, float* out) noexcept;
    void takePeak (const float* left, const float* right, int numFrames) noexcept;
    void closeSubBlock();

    ebur128_state* state = nullptr;
    int subBlockFrames = 0;                   // 10 ms of audio
    std::vector<float> pending;               // interleaved frames of the sub-block being filled
    int pendingFrames = 0;

    // Weighted energies of the most recent 10 ms sub-blocks: 40 make the momentary window (400 ms),
    // 300 the short-term window (3 s).
    static constexpr int momentaryBlocks = 40, shortTermBlocks = 300;
    std::vector<double> recentEnergies;       // ring of shortTermBlocks, held twice over
    int newest = -1;
    double maxMomentaryEnergy = 0, maxShortTermEnergy = 0;
    float largestMagnitude = 0;               // sample peak of both channels

    JUCE_DECLARE_NON_COPYABLE (ReferenceLoudness)
};
