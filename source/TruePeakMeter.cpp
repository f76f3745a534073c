#include "TruePeakMeter.h"

#include <algorithm>
#include <cmath>

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

    // The kernel always evaluates four lanes. At 2x the lanes carry phases 0 and 2 (half a sample
    // apart) twice; at 1x every lane is a plain one-sample delay, so only the samples count.
    for (int j = 0; j < numTaps; ++j)
        for (int lane = 0; lane < numPhases; ++lane)
        {
            if (factor == 4)
                taps[(size_t) j][(size_t) lane] = itu4x[j][lane];
            else if (factor == 2)
                taps[(size_t) j][(size_t) lane] = itu4x[j][(lane % 2) * 2];
            else
                taps[(size_t) j][(size_t) lane] = j == 0 ? 1.0f : 0.0f;
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

        for (int i = 0; i < count; ++i)
        {
            const float x = samples[start + i];
            buffer[(size_t) (history + i)] = std::isfinite (x) ? x : 0.0f;
        }

        for (int i = 0; i < count; ++i)
        {
            const float* newest = buffer.data() + history + i;
            float acc[numPhases] = {};

            for (int j = 0; j < numTaps; ++j)
                for (int lane = 0; lane < numPhases; ++lane)
                    acc[lane] += taps[(size_t) j][(size_t) lane] * newest[-j];

            for (int lane = 0; lane < numPhases; ++lane)
                peak = std::max (peak, std::abs (acc[lane]));
        }

        std::copy (buffer.begin() + count, buffer.begin() + count + history, buffer.begin());
    }

    return peak;
}
