#include "LoudnessMeter.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

using namespace testing_signals;

namespace
{
// The weighted energy of a block whose loudness is `lufs` over n samples.
double energyFor (double lufs, int n) { return std::pow (10.0, (lufs + 0.691) / 10.0) * n; }

void feedBlock (LoudnessMeter& meter, double energy, int n)
{
    meter.weighting.energy = energy;
    meter.endBlock (n);
}
} // namespace

TEST (LoudnessMeter, WindowHoldsThreeSecondsOfBlocksAndAtMost2048)
{
    struct Case { int block, blocks, samples; };
    // 512 at 48 kHz: 144000 / 512 = 281.25, so 281 blocks (143872 samples) fit in 3 s.
    // 32 at 48 kHz: 4500 blocks would fit; the ring caps it at 2048 (65536 samples, about 1.4 s).
    for (const auto& c : { Case { 512, 281, 143872 }, Case { 32, 2048, 65536 }, Case { 200000, 1, 200000 } })
    {
        LoudnessMeter meter;
        meter.prepare (48000);
        meter.reset();
        for (int i = 0; i < 5000; ++i)
            feedBlock (meter, 1.0, c.block);
        EXPECT_EQ (meter.windowBlockCount(), c.blocks) << c.block;
        EXPECT_EQ (meter.windowSampleTotal(), c.samples) << c.block;
    }
}

TEST (LoudnessMeter, IntegratedGatesBlocksAtMinus70AndSilenceChangesNothing)
{
    LoudnessMeter meter;
    meter.prepare (48000);
    meter.reset();
    EXPECT_EQ (meter.integratedLufs(), -100.0f);

    feedBlock (meter, energyFor (-20, 4800), 4800);
    EXPECT_NEAR (meter.integratedLufs(), -20.0f, 1e-4);
    EXPECT_NEAR (meter.shortTermLufs(), -20.0f, 1e-4);

    feedBlock (meter, energyFor (-75, 4800), 4800);   // below the gate: short-term moves, integrated not
    EXPECT_NEAR (meter.integratedLufs(), -20.0f, 1e-4);
    EXPECT_NEAR (meter.shortTermLufs(), -20.0f - 10.0f * std::log10 (2.0f), 1e-3);

    for (int i = 0; i < 40; ++i)
        feedBlock (meter, 0.0, 4800);
    EXPECT_NEAR (meter.integratedLufs(), -20.0f, 1e-4);
    EXPECT_EQ (meter.shortTermLufs(), -100.0f);   // the window holds only silent blocks
}

// At the gate itself a block counts exactly when its loudness, rounded to a float as the reading
// is, lies above -70: mean squares around the gate, a few float steps of -70 apart.
TEST (LoudnessMeter, TheGateDecidesAsTheBlockLoudnessReads)
{
    const double gateDb = -70.0;
    for (const double offsetDb : { -1.0, -1e-4, -4e-6, -2e-6, 0.0, 2e-6, 4e-6, 1e-5, 1e-4, 1.0 })
    {
        const int n = 4800;
        const double energy = energyFor (gateDb + offsetDb, n);
        const float blockLoudness = (float) (-0.691 + 10.0 * std::log10 (energy / n));

        LoudnessMeter meter;
        meter.prepare (48000);
        meter.reset();
        feedBlock (meter, energy, n);
        EXPECT_EQ (meter.integratedLufs() > -100.0f, blockLoudness > -70.0f) << offsetDb;
    }
}

TEST (LoudnessMeter, BeforeTheFirstResetNothingIsMeasured)
{
    LoudnessMeter meter;
    meter.prepare (48000);
    feedBlock (meter, energyFor (-10, 512), 512);
    EXPECT_EQ (meter.shortTermLufs(), -100.0f);
    EXPECT_EQ (meter.windowBlockCount(), 0);

    TarnAudioProcessor unprepared;   // processBlock before prepareToPlay: no loudness, no failure
    juce::AudioBuffer<float> buffer (2, 512);
    for (int i = 0; i < 512; ++i)
        buffer.setSample (0, i, 0.5f), buffer.setSample (1, i, -0.5f);
    juce::MidiBuffer midi;
    unprepared.processBlock (buffer, midi);
    EXPECT_EQ (unprepared.lufsShort.load(), -100.0f);
    EXPECT_GT (unprepared.peakDb.load(), -100.0f);
}

TEST (Loudness, EqualStereoReadsAsThreeDecibelsHotterMono)
{
    const double a = 0.1;
    Rig both, one;
    both.play (sine (1000, 48000, a), 4.0);
    one.play ([s = sine (1000, 48000, a * std::sqrt (2.0))] (int c, juce::int64 i) { return c == 0 ? s (c, i) : 0.0f; }, 4.0);
    EXPECT_NEAR (both.processor.lufsShort.load(), one.processor.lufsShort.load(), 0.01f);
    EXPECT_NEAR (both.processor.lufsIntegrated.load(), one.processor.lufsIntegrated.load(), 0.01f);
    EXPECT_GT (both.processor.lufsShort.load(), -30.0f);
}

TEST (Loudness, DcDecaysToNoLoudnessAndSilenceFromAResetStaysAtTheFloor)
{
    Rig dc;
    dc.play ([] (int, juce::int64) { return 0.5f; }, 5.0);
    EXPECT_EQ (dc.processor.lufsShort.load(), -100.0f);

    Rig quiet;
    quiet.play (silence(), 5.0);
    EXPECT_EQ (quiet.processor.lufsShort.load(), -100.0f);
    EXPECT_EQ (quiet.processor.lufsIntegrated.load(), -100.0f);
}
