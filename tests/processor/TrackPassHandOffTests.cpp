#include "TestSignals.h"
#include "TrackPassStats.h"

#include <gtest/gtest.h>

using namespace testing_signals;

// The hand-off from the processor: which blocks are audible, when a pass starts and freezes.
namespace
{
Generator level (double rmsDb, double peak = -1)
{
    // Full-scale-free square wave: RMS equals its amplitude.
    const float amplitude = dbToGain (rmsDb);
    const float spike = peak > 0 ? (float) peak : amplitude;
    return [=] (int, juce::int64 i) { return i % 480 == 0 ? spike : ((i / 24) % 2 == 0 ? amplitude : -amplitude); };
}
} // namespace

TEST (TrackPassHandOff, QuietBlocksPauseAPassAndThreeSecondsFreezeIt)
{
    Rig rig (48000, 480);
    auto& p = rig.processor;
    EXPECT_EQ (p.trackPassState.load(), 0);

    rig.play (level (-60, 0.005), 1.0);    // quiet: RMS below -55 and peak below 0.01
    EXPECT_EQ (p.trackPassState.load(), 0);

    rig.play (level (-20), 1.0);
    EXPECT_EQ (p.trackPassState.load(), 1);
    EXPECT_EQ (p.getTrackPassSnapshot().blockCount, 100u);

    rig.play (level (-60, 0.005), 2.0);    // two seconds of quiet add nothing ...
    EXPECT_EQ (p.getTrackPassSnapshot().blockCount, 100u);
    rig.play (level (-40), 0.5);           // ... and audio before 3 s resumes the same pass
    EXPECT_EQ (p.trackPassState.load(), 1);
    EXPECT_EQ (p.getTrackPassSnapshot().blockCount, 150u);

    rig.play (silence(), 2.98);
    EXPECT_EQ (p.trackPassState.load(), 1);
    rig.play (silence(), 0.04);   // 3 s of 10 ms blocks, give or take the float sum's rounding
    EXPECT_EQ (p.trackPassState.load(), 2);

    const auto frozen = p.getTrackPassSnapshot();
    rig.play (level (-10), 2.0);           // a finished pass takes nothing more
    EXPECT_EQ (p.trackPassState.load(), 2);
    EXPECT_EQ (p.getTrackPassSnapshot().blockCount, frozen.blockCount);
    EXPECT_NEAR (p.getTrackPassSnapshot().capturedSeconds, 1.5f, 1e-5f);

    p.trackPassResetRequested = true;      // RESET PASS starts a new one, keeping the readings
    const float peakBefore = p.peakDb.load();
    rig.play (level (-10), 0.01);
    EXPECT_EQ (p.trackPassState.load(), 1);
    EXPECT_EQ (p.getTrackPassSnapshot().blockCount, 1u);
    EXPECT_GE (p.peakDb.load(), peakBefore);
}
