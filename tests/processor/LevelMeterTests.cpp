#include "LevelMeter.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace testing_signals;

namespace
{
LevelMeter::Block measureConstant (LevelMeter& meter, std::vector<float> left, std::vector<float> right)
{
    const float* channels[] = { left.data(), right.data() };
    return meter.measure (channels, 2, (int) left.size());
}
} // namespace

TEST (LevelMeter, FullScaleNeverReadsAboveZeroWhileOversReadAbove)
{
    LevelMeter meter;
    meter.prepare (48000);

    std::vector<float> square (512);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = i % 2 == 0 ? 1.0f : -1.0f;

    const auto fullScale = measureConstant (meter, square, square);
    EXPECT_EQ (fullScale.samplePeakDb, 0.0f);
    for (int i = 0; i < 50; ++i)
        meter.update (fullScale);
    EXPECT_EQ (meter.readings().peakDb, 0.0f);
    EXPECT_EQ (meter.readings().peakHoldDb, 0.0f);

    auto over = square;
    over[100] = 1.05f;
    const auto overBlock = measureConstant (meter, over, square);
    EXPECT_NEAR (overBlock.samplePeakDb, 20.0 * std::log10 (1.05), 1e-4);
    meter.update (overBlock);
    EXPECT_EQ (meter.readings().peakDb, 0.0f);
    EXPECT_EQ (meter.readings().peakHoldDb, 0.0f);
}

TEST (LevelMeter, PeakFallsHoldsThenDropsAt12dBPerSecond)
{
    const auto square = [] (int, juce::int64 i) { return i % 2 == 0 ? 1.0f : -1.0f; };
    {
        Rig rig (48000, 480);   // 10 ms blocks
        rig.play (square, 1.0);
        ASSERT_EQ (rig.processor.peakDb.load(), 0.0f);
        rig.play (silence(), 0.01);
        EXPECT_NEAR (rig.processor.peakDb.load(), 20.0 * std::log10 (std::exp (-0.01 / 0.45)), 1e-3);
    }

    // The hold counter starts at the rise: 1.5 s of samples (72000), then 12 dB per second.
    Rig rig (48000, 480);
    auto& p = rig.processor;
    rig.play (square, 0.01);
    EXPECT_EQ (p.peakHoldDb.load(), 0.0f);
    rig.play (silence(), 1.49);
    EXPECT_EQ (p.peakHoldDb.load(), 0.0f);
    rig.play (silence(), 0.01);   // the counter reaches 0 on this block
    EXPECT_EQ (p.peakHoldDb.load(), 0.0f);
    rig.play (silence(), 0.5);
    EXPECT_NEAR (p.peakHoldDb.load(), -6.0f, 1e-3);
}

TEST (LevelMeter, VuReadsZeroForARmsOfMinus18AndSilenceReadsMinus82)
{
    Rig rig;
    const double peak = dbToGain (-18.0) * std::sqrt (2.0);
    rig.play (sine (997, 48000, peak), 5.0);
    EXPECT_NEAR (rig.processor.vuLeftDb.load(), 0.0f, 0.05f);
    EXPECT_NEAR (rig.processor.vuRightDb.load(), 0.0f, 0.05f);
    EXPECT_NEAR (rig.processor.rmsDb.load(), -18.0f, 0.05f);
    EXPECT_NEAR (rig.processor.crestDb.load(), 3.01f, 0.1f);

    rig.play (silence(), 60.0);
    EXPECT_EQ (rig.processor.vuLeftDb.load(), -82.0f);
}

TEST (LevelMeter, HeadroomClimbsOnNearPeaksAndNeedsSustainedOversForClip)
{
    Rig rig (48000, 512);
    auto& p = rig.processor;
    const auto block = [] (double peakDb) { return [g = dbToGain (peakDb)] (int, juce::int64 i) { return i % 64 == 0 ? g : 0.0f; }; };

    rig.play (block (-0.1), 0.011);
    EXPECT_EQ (p.headroomState.load(), 1);   // s > -0.8 at once
    rig.play (block (-0.1), 20.0);
    EXPECT_EQ (p.headroomState.load(), 1);   // the clip risk settles at 70 and never passes 78

    rig.play (block (0.0), 3.0);
    EXPECT_EQ (p.headroomState.load(), 2);

    // Clean again: CLIP holds until the clip risk falls below 48 (tau 1.5 s from 100: about 1 s).
    rig.play (block (-6.0), 0.5);
    EXPECT_EQ (p.headroomState.load(), 2);
    rig.play (block (-6.0), 1.0);
    EXPECT_EQ (p.headroomState.load(), 1);
}

TEST (LevelMeter, NonFiniteSamplesCountAsSilence)
{
    LevelMeter meter;
    meter.prepare (48000);
    std::vector<float> left (256, 0.5f), right (256, 0.5f);
    left[10] = std::numeric_limits<float>::quiet_NaN();
    right[20] = std::numeric_limits<float>::infinity();
    left[30] = -std::numeric_limits<float>::infinity();

    const auto block = measureConstant (meter, left, right);
    EXPECT_EQ (block.samplePeak, 0.5f);
    EXPECT_TRUE (std::isfinite (block.rms));
    // The dropouts are steps, so the band-limited waveform overshoots a little between samples.
    EXPECT_TRUE (std::isfinite (block.truePeak));
    EXPECT_GE (block.truePeak, 0.5f);
    EXPECT_LT (block.truePeak, 0.7f);
}

TEST (LevelMeter, MonoInputGivesEqualVuLevels)
{
    Rig rig;
    rig.play (sine (440, 48000, 0.3), 2.0, 1);
    EXPECT_EQ (rig.processor.vuLeftDb.load(), rig.processor.vuRightDb.load());
    EXPECT_GT (rig.processor.vuLeftDb.load(), -10.0f);
}

// Inter-sample peaks: the EBU true-peak test signals (TestSignals.h).
TEST (TruePeak, EbuTestSignalsReadWithinTolerance)
{
    const double fs = 48000;
    const auto cases = truePeakCases();

    for (const auto& c : cases)
    {
        Rig rig (fs, 512);
        float highest = -200.0f;
        rig.afterBlock = [&] { highest = std::max (highest, rig.processor.truePeakMaxSinceRead.exchange (-200.0f)); };
        rig.play ([&c] (int, juce::int64 i) { return (size_t) i < c.signal.size() ? c.signal[(size_t) i] : 0.0f; },
                  (double) c.signal.size() / fs + 0.5);

        EXPECT_LE (highest, c.expectedDb + 0.2) << "case " << c.name;
        EXPECT_GE (highest, c.expectedDb - 0.4) << "case " << c.name;

        // The pass's true-peak maximum is the same unsmoothed estimate, never below its sample peak.
        const auto pass = rig.processor.getTrackPassSnapshot();
        EXPECT_FLOAT_EQ (pass.truePeakMaxDb, highest) << "case " << c.name;
        EXPECT_GE (pass.truePeakMaxDb, pass.peakMaxDb) << "case " << c.name;
    }
}

TEST (TruePeak, RatesAbove96kHzOversampleLessAndFindPeaksAcrossBlocks)
{
    struct Case { double rate; int factor; };
    for (const auto& c : { Case { 44100, 4 }, Case { 96000, 2 }, Case { 192000, 1 } })
    {
        TruePeakMeter meter;
        meter.prepare (c.rate);
        EXPECT_EQ (meter.getOversamplingFactor(), c.factor);
    }

    // A quarter-rate sine at 45 degrees has samples at 0.707 of its peak; the peak lies between.
    // Fed one sample per block, the estimate still finds it: the history crosses blocks.
    TruePeakMeter meter;
    meter.prepare (48000);
    float highest = 0;
    for (int i = 0; i < 2000; ++i)
    {
        const float x = (float) std::sin (pi / 2 * i + pi / 4);
        highest = std::max (highest, meter.processChannel (0, &x, 1));
    }
    EXPECT_NEAR (20 * std::log10 (highest), 0.0, 0.2);

    meter.reset();
    const float zero = 0.0f;
    EXPECT_EQ (meter.processChannel (0, &zero, 1), 0.0f);   // the reset cleared the history
}
