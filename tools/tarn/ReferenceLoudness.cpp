#include "ReferenceLoudness.h"

#include "AnalysisMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace
{
double lufsOf (double energy) { return energy > 0 ? -0.691 + 10.0 * std::log10 (energy) : -HUGE_VAL; }
double energyOf (double lufs) { return std::isfinite (lufs) ? std::pow (10.0, (lufs + 0.691) / 10.0) : 0.0; }
} // namespace

ReferenceLoudness::ReferenceLoudness (double sampleRate)
{
    const auto rate = (unsigned long) std::lround (sampleRate);
    // The sample peak is taken here, on the way in, rather than in a second pass over the library's
    // copy: the same largest magnitude at less cost.
    if (sampleRate >= minimumLoudnessRate)
        state = ebur128_init (2, rate, EBUR128_MODE_I | EBUR128_MODE_LRA);
    subBlockFrames = (int) (rate * 10 / 1000);   // the same rounding the library applies to a 10 ms window
    pending.resize ((size_t) juce::jmax (1, subBlockFrames) * 2);
    recentEnergies.assign (2 * (size_t) shortTermBlocks, 0.0);
}

ReferenceLoudness::~ReferenceLoudness()
{
    if (state != nullptr)
        ebur128_destroy (&state);
}

void ReferenceLoudness::add (const float* left, const float* right, int numSamples)
{
    if (state == nullptr || subBlockFrames <= 0)
    {
        takePeak (left, right, numSamples);
        return;
    }

    for (int i = 0; i < numSamples;)
    {
        const int n = juce::jmin (numSamples - i, subBlockFrames - pendingFrames);
        interleave (left + i, right + i, n, pending.data() + 2 * pendingFrames);
        pendingFrames += n;
        i += n;

        if (pendingFrames == subBlockFrames)
            closeSubBlock();
    }
}

// Interleaves into the library's frame order and takes the sample peak on the way. A non-finite
// sample would stay in the library's filters for good: it counts as silence, as it does in Tarn's
// own readings.
void ReferenceLoudness::interleave (const float* left, const float* right, int numFrames, float* out) noexcept
{
    using tarn::dsp::Float4;
    Float4 peaks = { largestMagnitude, largestMagnitude, largestMagnitude, largestMagnitude };
    int k = 0;

    for (; k + 4 <= numFrames; k += 4)
    {
        Float4 l, r;
        std::memcpy (&l, left + k, sizeof (l));
        std::memcpy (&r, right + k, sizeof (r));
        l = tarn::dsp::finiteOrZero (l);
        r = tarn::dsp::finiteOrZero (r);
        const Float4 firstTwo = __builtin_shufflevector (l, r, 0, 4, 1, 5);
        const Float4 lastTwo = __builtin_shufflevector (l, r, 2, 6, 3, 7);
        std::memcpy (out + 2 * k, &firstTwo, sizeof (firstTwo));
        std::memcpy (out + 2 * k + 4, &lastTwo, sizeof (lastTwo));
        peaks = tarn::dsp::largerLanes (peaks, tarn::dsp::magnitude (l));
        peaks = tarn::dsp::largerLanes (peaks, tarn::dsp::magnitude (r));
    }

    float peak = tarn::dsp::largestLane (peaks);
    for (; k < numFrames; ++k)
    {
        const float l = tarn::dsp::finiteOrZero (left[k]), r = tarn::dsp::finiteOrZero (right[k]);
        out[2 * k] = l;
        out[2 * k + 1] = r;
        peak = std::max (peak, std::max (std::abs (l), std::abs (r)));
    }
    largestMagnitude = peak;
}

// The sample peak alone, where no loudness is measured.
void ReferenceLoudness::takePeak (const float* left, const float* right, int numFrames) noexcept
{
    for (int k = 0; k < numFrames; ++k)
        largestMagnitude = std::max (largestMagnitude, std::max (std::abs (tarn::dsp::finiteOrZero (left[k])),
                                                                 std::abs (tarn::dsp::finiteOrZero (right[k]))));
}

void ReferenceLoudness::closeSubBlock()
{
    ebur128_add_frames_float (state, pending.data(), (size_t) subBlockFrames);
    pendingFrames = 0;

    // The library weights and filters; the window sums over the last sub-blocks are ours, so the
    // momentary and short-term values can be read every 10 ms at little cost.
    double subBlockLufs = -HUGE_VAL;
    ebur128_loudness_window (state, 10, &subBlockLufs);
    // Each energy is written twice, shortTermBlocks apart, so every window is one contiguous run.
    newest = (newest + 1) % shortTermBlocks;
    const double energy = energyOf (subBlockLufs);
    recentEnergies[(size_t) newest] = energy;
    recentEnergies[(size_t) (newest + shortTermBlocks)] = energy;

    const auto windowMean = [this] (int blocks)
    {
        const auto end = recentEnergies.begin() + newest + shortTermBlocks + 1;
        return std::accumulate (end - blocks, end, 0.0) / blocks;
    };
    maxMomentaryEnergy = std::max (maxMomentaryEnergy, windowMean (momentaryBlocks));
    maxShortTermEnergy = std::max (maxShortTermEnergy, windowMean (shortTermBlocks));
}

void ReferenceLoudness::finish()
{
    // Too short for a 10 ms reading, but they count for the integrated loudness and the range.
    if (state != nullptr && pendingFrames > 0)
        ebur128_add_frames_float (state, pending.data(), (size_t) pendingFrames);
    pendingFrames = 0;
}

ReferenceLoudness::Figures ReferenceLoudness::figures() const
{
    Figures f;
    f.maxSamplePeakDbfs = largestMagnitude > 0 ? 20.0 * std::log10 ((double) largestMagnitude) : -HUGE_VAL;
    if (state == nullptr)
    {
        f.integratedLufs = f.loudnessRangeLu = f.maxMomentaryLufs = f.maxShortTermLufs = std::numeric_limits<double>::quiet_NaN();
        return f;
    }

    ebur128_loudness_global (state, &f.integratedLufs);
    ebur128_loudness_range (state, &f.loudnessRangeLu);
    f.maxMomentaryLufs = lufsOf (maxMomentaryEnergy);
    f.maxShortTermLufs = lufsOf (maxShortTermEnergy);
    return f;
}

double ReferenceLoudness::integratedOf (const std::vector<const ReferenceLoudness*>& programmes)
{
    std::vector<ebur128_state*> states;
    for (const auto* p : programmes)
        if (p != nullptr && p->state != nullptr)
            states.push_back (p->state);

    double lufs = -HUGE_VAL;
    if (! states.empty())
        ebur128_loudness_global_multiple (states.data(), states.size(), &lufs);
    return lufs;
}
