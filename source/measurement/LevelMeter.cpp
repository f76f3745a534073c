#include "LevelMeter.h"

#include "AnalysisMath.h"

using namespace tarn::dsp;

namespace
{
// The VU reading from a band level in dB. The block's dB readings take their logarithms four at
// a time (bandLevelsDb) and then each reading's own limits.
float vuLevelFrom (float rawDb)
{
    const float u = std::max (rawDb, -100.0f);
    const float vu = std::isfinite (u) ? std::min (u, 12.0f) + 18.0f : -82.0f;
    return tarn::dsp::clampTo (vu, -100.0f, 30.0f);
}

int nextHeadroomState (int state, float clipRisk, float samplePeakDb)
{
    switch (state)
    {
        case 0:  return clipRisk > 78.0f ? 2 : (clipRisk > 25.0f || samplePeakDb > -0.8f ? 1 : 0);
        case 1:  return clipRisk > 78.0f ? 2 : (clipRisk >= 10.0f || samplePeakDb >= -1.5f ? 1 : 0);
        default: return clipRisk >= 48.0f ? 2 : 1;
    }
}

struct SquaresAndPeak
{
    double sumOfSquares;
    float peak;
};

// Sum of squares and largest magnitude of one channel, non-finite samples counting as 0. Eight
// running sums side by side: one sum would make every addition wait for the one before.
TARN_HOT_LOOP SquaresAndPeak squaresAndPeak (const float* x, int numSamples) noexcept
{
    Double4 sums {}, moreSums {};
    Float4 peaks {};
    int i = 0;

    for (; i + 8 <= numSamples; i += 8)
    {
        Float4 v, w;
        std::memcpy (&v, x + i, sizeof (v));
        std::memcpy (&w, x + i + 4, sizeof (w));
        v = finiteOrZero (v);
        w = finiteOrZero (w);
        peaks = largerLanes (peaks, magnitude (v));
        peaks = largerLanes (peaks, magnitude (w));
        sums += __builtin_convertvector (v * v, Double4);
        moreSums += __builtin_convertvector (w * w, Double4);
    }

    sums += moreSums;
    double sum = (sums[0] + sums[1]) + (sums[2] + sums[3]);
    float peak = largestLane (peaks);

    for (; i < numSamples; ++i)
    {
        const float v = finiteOrZero (x[i]);
        sum += v * v;
        peak = std::max (peak, std::abs (v));
    }

    return { sum, peak };
}
} // namespace

void LevelMeter::prepare (double rate)
{
    sampleRate = rate;
    truePeakMeter.prepare (rate);
    reset();
}

void LevelMeter::reset()
{
    truePeakMeter.reset();
    for (auto* follower : { &peakFollower, &rmsFollower, &vuLeft, &vuRight, &slowPeakFollower })
        *follower = 0.0f;
    truePeakDisplay = -100.0f;
    peakHold = -100.0f;
    peakHoldSamples = 0;
    clipRisk = 0.0f;
    current = {};
}

LevelMeter::Block LevelMeter::measure (const float* const* channels, int numChannels, int numSamples)
{
    Block block;
    block.numSamples = numSamples;
    block.seconds = (float) numSamples / (float) sampleRate;

    double sumOfSquares = 0.0, leftSum = 0.0, rightSum = 0.0;
    float peak = 0.0f, stereoPeak = 0.0f, interpolatedPeak = 0.0f;

    for (int c = 0; c < numChannels; ++c)
    {
        const float* x = channels[c];
        const auto [channelSum, channelPeak] = squaresAndPeak (x, numSamples);
        sumOfSquares += channelSum;

        peak = std::max (peak, channelPeak);

        if (c < 2)
        {
            (c == 0 ? leftSum : rightSum) = channelSum;
            stereoPeak = std::max (stereoPeak, channelPeak);
            interpolatedPeak = std::max (interpolatedPeak, truePeakMeter.processChannel (c, x, numSamples));
        }
    }

    block.samplePeak = peak;
    const double count = (double) numChannels * numSamples;
    block.rms = count > 0 ? (float) std::sqrt (sumOfSquares / count) : 0.0f;

    if (numChannels > 0 && numSamples > 0)
    {
        block.leftRms = (float) std::sqrt (leftSum / numSamples);
        block.rightRms = numChannels > 1 ? (float) std::sqrt (rightSum / numSamples) : block.leftRms;
    }

    block.truePeak = std::max (interpolatedPeak, stereoPeak);
    const Float4 raw = bandLevelsDb (Float4 { block.rms, block.samplePeak, block.truePeak, 0.0f });
    block.rmsDb = clampedLevelDb (raw[0]);
    block.samplePeakDb = clampedPeakLevelDb (block.samplePeak, raw[1]);
    block.truePeakDb = clampedLevelDb (raw[2]);
    block.hasSignal = block.samplePeak > 0.001f || block.rmsDb > -70.0f;
    return block;
}

void LevelMeter::update (const Block& block)
{
    const float dt = block.seconds;

    peakFollower.update (block.samplePeak, dt);
    rmsFollower.update (block.rms, dt);
    vuLeft.update (block.leftRms, dt);
    vuRight.update (block.rightRms, dt);
    slowPeakFollower.update (block.samplePeak, dt);

    const Float4 raw = bandLevelsDb (Float4 { peakFollower, rmsFollower, vuLeft, vuRight });
    current.peakDb = std::min (clampedLevelDb (raw[0]), 0.0f);
    current.rmsDb = clampedLevelDb (raw[1]);
    current.vuLeftDb = vuLevelFrom (raw[2]);
    current.vuRightDb = vuLevelFrom (raw[3]);
    current.crestDb = std::max (current.peakDb - current.rmsDb, 0.0f);

    truePeakDisplay.update (block.truePeakDb, dt);
    current.truePeakDisplayDb = truePeakDisplay;
    current.truePeakDb = clampTo (current.truePeakDisplayDb, -100.0f, 12.0f);

    // Peak hold: holds 1.5 s worth of samples, then falls at 12 dB/s, never below the current peak.
    if (! std::isfinite (peakHold))
    {
        peakHold = -100.0f;
        peakHoldSamples = 0;
    }

    const float p = std::min (block.samplePeakDb, 0.0f);

    if (p > peakHold)
    {
        peakHold = p;
        peakHoldSamples = (int) (sampleRate * 1.5);
    }
    else if (peakHoldSamples > 0)
    {
        peakHoldSamples = std::max (peakHoldSamples - block.numSamples, 0);
    }
    else
    {
        peakHold = std::max (peakHold - 12.0f * dt, p);
    }

    peakHold = std::min (peakHold, 0.0f);
    if (peakHold < -100.0f)
        peakHold = -100.0f;
    current.peakHoldDb = peakHold;

    const float s = block.samplePeakDb;
    const float riskTarget = s >= 0.0f ? 100.0f : s > -0.15f ? 70.0f : s > -0.5f ? 35.0f : s > -1.0f ? 15.0f : 0.0f;
    clipRisk.update (riskTarget, dt);
    current.headroomState = nextHeadroomState (current.headroomState, clipRisk, s);
}

