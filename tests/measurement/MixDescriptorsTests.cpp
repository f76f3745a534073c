#include "MixDescriptors.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_signals;

namespace
{
// Runs (mid, side) generators through the descriptor filters in 512-sample blocks at 48 kHz.
struct DescriptorRig
{
    DescriptorRig() : coefficients (AnalysisCoefficients::forSampleRate (48000)), filterCoefficients (coefficients) {}

    void play (const std::function<float (std::int64_t)>& mid, const std::function<float (std::int64_t)>& side, double seconds)
    {
        const int n = 512;
        const auto blocks = (int) (seconds * 48000 / n);
        for (int b = 0; b < blocks; ++b)
        {
            for (int i = 0; i < n; ++i, ++position)
                descriptors.filters.process (mid (position), side (position), filterCoefficients, descriptors.sums);
            descriptors.endBlock (n, n / 48000.0f, coefficients);
        }
    }

    AnalysisCoefficients coefficients;
    MixDescriptors::FilterCoefficients filterCoefficients;
    MixDescriptors descriptors;
    std::int64_t position = 0;
};

auto tone (double hz, double peak) { return [=] (std::int64_t i) { return (float) (peak * std::sin (2 * pi * hz * (double) i / 48000.0)); }; }
auto zero() { return [] (std::int64_t) { return 0.0f; }; }
} // namespace

TEST (MixDescriptors, IdenticalChannelsHaveNoSideAndNoSideTargets)
{
    DescriptorRig rig;
    rig.play ([] (std::int64_t i) { return (float) (0.3 * std::sin (i * 0.01) + 0.1 * std::sin (i * 1.9)); }, zero(), 1.0);
    const auto& l = rig.descriptors.levels();
    EXPECT_EQ (l.sideHf10, -120.0f);
    EXPECT_EQ (l.sideHf12, -120.0f);
    EXPECT_EQ (l.lowSide, -120.0f);
    EXPECT_EQ (rig.descriptors.targets().sideAir, 0.0f);   // g = 0 with no side above 12 kHz
    EXPECT_EQ (rig.descriptors.targets().lowWidth, 0.0f);
}

TEST (MixDescriptors, DigitalSilenceGivesFloorLevelsAndZeroTargets)
{
    DescriptorRig rig;
    rig.play (zero(), zero(), 0.1);
    const auto& l = rig.descriptors.levels();
    for (float level : { l.sideHf10, l.midHf10, l.sideHf12, l.midHf12, l.hf12, l.sub, l.lowMid, l.lowSide, l.mid, l.b1, l.b5 })
        EXPECT_EQ (level, -120.0f);
    const auto& t = rig.descriptors.targets();
    // Centre: subScore 0 and focus 18 * max(1 - |0 + 14| / 8, 0) = 0, less subExcess 14 * 0.75 and
    // lowWidth 22 * 0.875: clamped to 0.
    for (float target : { t.sideAir, t.forwardMid, t.silk, t.lowWidth, t.centreWeight })
        EXPECT_EQ (target, 0.0f);
}

TEST (MixDescriptors, SideOnlyHighToneDrivesSideAirToTheTopWhenItsRmsIsMinus60)
{
    // A 15 kHz tone with left = -right: mid 0, side the tone. The four-stage 12 kHz high-pass
    // passes 15 kHz weakly, so the tone needs an RMS of -60 dBFS (not a peak) for g to carry the
    // target through its clamp to 100.
    DescriptorRig loud;
    loud.play (zero(), tone (15000, dbToGain (-60) * std::sqrt (2.0)), 0.5);
    EXPECT_EQ (loud.descriptors.targets().sideAir, 100.0f);

    DescriptorRig quieter;
    quieter.play (zero(), tone (15000, dbToGain (-60)), 0.5);
    const float sideHf12 = quieter.descriptors.levels().sideHf12;
    EXPECT_LT (sideHf12, -98.0f);   // g = (sideHf12 + 112) / 14 below 1
    EXPECT_GT (sideHf12, -106.0f);
    EXPECT_LT (quieter.descriptors.targets().sideAir, 100.0f);
    EXPECT_GT (quieter.descriptors.targets().sideAir, 50.0f);
}

TEST (MixDescriptors, LowWidthLevelClimbsAndFallsWithHysteresis)
{
    DescriptorRig rig;
    auto& d = rig.descriptors;
    // With dt = 0 the score does not move, so each step applies only the level table.
    const auto step = [&] (float score)
    {
        d.lowWidthScore = score;
        d.endBlock (1, 0.0f, rig.coefficients);
        return d.lowWidthLevel;
    };
    struct Step { float score; int level; };
    const Step steps[] = { { 56.9f, 0 }, { 57, 1 }, { 39, 1 }, { 38.9f, 0 }, { 85, 2 }, { 67, 2 }, { 66.9f, 1 }, { 84.9f, 1 }, { 85, 2 }, { 10, 0 } };
    for (const auto& s : steps)
        EXPECT_EQ (step (s.score), s.level) << s.score;
}

TEST (MixDescriptors, WideLowEndRaisesTheScoreWithItsTimeConstant)
{
    // Bass in one channel only: side as strong as mid in the low end, so the target is 100, and the
    // score rises with tau 4.5 s: 100 (1 - e^(-t/4.5)) passes 57 at 3.8 s and 85 at 8.5 s.
    DescriptorRig rig;
    const auto bass = tone (60, 0.25);
    rig.play (bass, bass, 3.5);
    EXPECT_NEAR (rig.descriptors.targets().lowWidth, 100.0f, 1e-3);
    EXPECT_EQ (rig.descriptors.lowWidthLevel, 0);
    rig.play (bass, bass, 0.5);
    EXPECT_EQ (rig.descriptors.lowWidthLevel, 1);
    rig.play (bass, bass, 5.0);
    EXPECT_EQ (rig.descriptors.lowWidthLevel, 2);
    EXPECT_NEAR (rig.descriptors.lowWidthScore, 100.0f * (1.0f - std::exp (-9.0f / 4.5f)), 1.0f);
}

TEST (MixDescriptors, AntiPhaseBassIsAHighWidthRiskAndCentredBassReadsAsBefore)
{
    // L = -R below 120 Hz: all side, nothing left in mono.
    DescriptorRig antiPhase;
    antiPhase.play (zero(), tone (60, 0.25), 10.0);
    EXPECT_NEAR (antiPhase.descriptors.targets().lowWidth, 100.0f, 1e-3);
    EXPECT_EQ (antiPhase.descriptors.lowWidthLevel, 2);

    // Centred bass with wide highs: the mid bass is the louder, so the gate is the mid's, as it
    // always was.
    DescriptorRig centred;
    const auto bass = tone (60, 0.25), air = tone (9000, 0.05);
    centred.play ([&] (std::int64_t i) { return bass (i) + 0.5f * air (i); }, air, 10.0);
    const auto& l = centred.descriptors.levels();
    ASSERT_GT (l.lowMid, l.lowSide);
    const float risk = std::clamp ((l.lowSide - l.lowMid + 22.0f) * 100.0f / 16.0f, 0.0f, 100.0f);
    const float midGated = std::clamp ((l.lowMid + 62.0f) / 18.0f, 0.0f, 1.0f) * risk * std::clamp ((l.lowSide + 72.0f) / 18.0f, 0.0f, 1.0f);
    EXPECT_EQ (centred.descriptors.targets().lowWidth, midGated);
    EXPECT_EQ (centred.descriptors.lowWidthLevel, 0);
}

TEST (MixDescriptors, SmoothingDependsOnElapsedTimeNotOnBlockCount)
{
    // One second in one block, or in pieces whose lengths repeat (each smoother keeps the factor of
    // the last block length and must recompute it whenever the length changes).
    MixDescriptors::TwoSpeed once { 1.5f, 4.0f }, inPieces { 1.5f, 4.0f };
    once.update (80.0f, 1.0f);
    for (float dt : { 0.1f, 0.25f, 0.25f, 0.05f, 0.1f, 0.25f })
        inPieces.update (80.0f, dt);
    EXPECT_NEAR (once.fast, inPieces.fast, 1e-4);
    EXPECT_NEAR (once.slow, inPieces.slow, 1e-4);
    EXPECT_NEAR (once.value(), 0.3f * 80 * (1 - std::exp (-1 / 1.5f)) + 0.7f * 80 * (1 - std::exp (-1 / 4.0f)), 1e-4);
}
