#include "TruePeakMeter.h"

#include "AnalysisMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// ITU-R BS.1770 Annex 2: row j multiplies the input j samples back (row 0 the newest), one column
// per output phase.
constexpr float itu4x[TruePeakMeter::numTaps][TruePeakMeter::numPhases] = {
    { 0.0017089843750f, -0.0291748046875f, -0.0189208984375f, -0.0083007812500f },
    { 0.0109863281250f, 0.0292968750000f, 0.0330810546875f, 0.0148925781250f },
    { -0.0196533203125f, -0.0517578125000f, -0.0582275390625f, -0.0266113281250f },
    { 0.0332031250000f, 0.0891113281250f, 0.1015625000000f, 0.0476074218750f },
    { -0.0594482421875f, -0.1665039062500f, -0.2003173828125f, -0.1022949218750f },
    { 0.1373291015625f, 0.4650878906250f, 0.7797851562500f, 0.9721679687500f },
    { 0.9721679687500f, 0.7797851562500f, 0.4650878906250f, 0.1373291015625f },
    { -0.1022949218750f, -0.2003173828125f, -0.1665039062500f, -0.0594482421875f },
    { 0.0476074218750f, 0.1015625000000f, 0.0891113281250f, 0.0332031250000f },
    { -0.0266113281250f, -0.0582275390625f, -0.0517578125000f, -0.0196533203125f },
    { 0.0148925781250f, 0.0330810546875f, 0.0292968750000f, 0.0109863281250f },
    { -0.0083007812500f, -0.0189208984375f, -0.0291748046875f, 0.0017089843750f },
};
} // namespace

void TruePeakMeter::prepare (double sampleRate)
{
    factor = sampleRate < 96000.0 ? 4 : (sampleRate < 192000.0 ? 2 : 1);

    // 4x uses all four phases; 2x the two that lie half a sample apart; 1x none (the samples
    // themselves are the estimate, and callers floor it at the sample peak).
    numActivePhases = factor == 1 ? 0 : factor;
    for (int p = 0; p < numActivePhases; ++p)
        for (int j = 0; j < numTaps; ++j)
            phaseTaps[(size_t) p][(size_t) j] = itu4x[j][factor == 4 ? p : 2 * p];

    // At 4x the phases come in mirror pairs (phase 3 is phase 0 reversed, phase 2 is phase 1
    // reversed). With a and b the outputs of a pair, a + b and a - b take six products each on
    // folded taps, and max(|a|, |b|) = (|a + b| + |a - b|) / 2: half the work of four phases.
    folded = factor == 4;
    for (int pair = 0; pair < 2; ++pair)
        for (int j = 0; j < numTaps / 2; ++j)
        {
            foldedSum[(size_t) pair][(size_t) j] = itu4x[j][pair] + itu4x[numTaps - 1 - j][pair];
            foldedDifference[(size_t) pair][(size_t) j] = itu4x[j][pair] - itu4x[numTaps - 1 - j][pair];
        }

    reset();
}

void TruePeakMeter::reset()
{
    for (auto& channel : work)
        channel.fill (0.0f);
}

float TruePeakMeter::processChannel (int channel, const float* samples, int numSamples)
{
    auto& buffer = work[(size_t) channel];
    constexpr int history = numTaps - 1;
    float peak = 0.0f;

    for (int start = 0; start < numSamples; start += chunkSize)
    {
        const int count = std::min (chunkSize, numSamples - start);
        float* chunk = buffer.data() + history;

        for (int i = 0; i < count; ++i)
        {
            const float x = samples[start + i];
            chunk[i] = std::isfinite (x) ? x : 0.0f;
        }

        peak = std::max (peak, interpolatedPeak (chunk, count));

        // The chunk's last inputs become the next chunk's history: a copy of fixed size through
        // a local, which the compiler does in registers rather than by a library call.
        float last[history];
        std::memcpy (last, buffer.data() + count, sizeof (last));
        std::memcpy (buffer.data(), last, sizeof (last));
    }

    return peak;
}

namespace
{
// max(|a|, |b|) from a + b and a - b.
template <typename T>
T largerMagnitude (T sum, T difference)
{
    return (tarn::dsp::magnitude (sum) + tarn::dsp::magnitude (difference)) * 0.5f;
}
} // namespace

TARN_HOT_LOOP float TruePeakMeter::interpolatedPeak (const float* x, int count) const noexcept
{
    using tarn::dsp::Float8;
    constexpr int half = numTaps / 2;

    // Eight output samples at a time (one AVX register, two SSE ones). The taps are loaded as they
    // are needed rather than all at once, so the accumulators stay in registers.
    const auto load = [x] (int index)
    {
        Float8 v;
        std::memcpy (&v, x + index, sizeof (v));
        return v;
    };

    Float8 largest = {};
    int i = 0;

    for (; i + 8 <= count; i += 8)
    {
        if (folded)
        {
            Float8 sum[2], difference[2];
            for (int j = 0; j < half; ++j)
            {
                const Float8 newer = load (i - j), older = load (i - (numTaps - 1 - j));
                const Float8 tapSum = newer + older, tapDifference = newer - older;
                for (int pair = 0; pair < 2; ++pair)
                {
                    const Float8 s = foldedSum[(size_t) pair][(size_t) j] * tapSum;
                    const Float8 d = foldedDifference[(size_t) pair][(size_t) j] * tapDifference;
                    sum[pair] = j == 0 ? s : sum[pair] + s;
                    difference[pair] = j == 0 ? d : difference[pair] + d;
                }
            }

            for (int pair = 0; pair < 2; ++pair)
            {
                largest = tarn::dsp::largerLanes (largest, largerMagnitude (sum[pair], difference[pair]));
            }
            continue;
        }

        for (int p = 0; p < numActivePhases; ++p)
        {
            const auto& taps = phaseTaps[(size_t) p];
            Float8 acc = taps[0] * load (i);
            for (int j = 1; j < numTaps; ++j)
                acc += taps[(size_t) j] * load (i - j);
            largest = tarn::dsp::largerLanes (largest, tarn::dsp::magnitude (acc));
        }
    }

    float peak = tarn::dsp::largestLane (largest);

    // The last samples of the chunk, one at a time, with the same arithmetic.
    for (; i < count; ++i)
    {
        if (folded)
        {
            for (int pair = 0; pair < 2; ++pair)
            {
                float sum = foldedSum[(size_t) pair][0] * (x[i] + x[i - numTaps + 1]);
                float difference = foldedDifference[(size_t) pair][0] * (x[i] - x[i - numTaps + 1]);
                for (int j = 1; j < half; ++j)
                {
                    sum += foldedSum[(size_t) pair][(size_t) j] * (x[i - j] + x[i - numTaps + 1 + j]);
                    difference += foldedDifference[(size_t) pair][(size_t) j] * (x[i - j] - x[i - numTaps + 1 + j]);
                }
                peak = std::max (peak, largerMagnitude (sum, difference));
            }
            continue;
        }

        for (int p = 0; p < numActivePhases; ++p)
        {
            const auto& taps = phaseTaps[(size_t) p];
            float acc = taps[0] * x[i];
            for (int j = 1; j < numTaps; ++j)
                acc += taps[(size_t) j] * x[i - j];
            peak = std::max (peak, std::abs (acc));
        }
    }

    return peak;
}
