#include "TrackPassStats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace
{
// addBlock with every argument valid unless overridden.
struct BlockArgs
{
    float seconds = 0.01f, peakDb = -3, truePeakDb = -2.5f, rmsDb = -20, crestDb = 9, lufsShort = -14,
          lufsIntegrated = -15, punch = 40, silk = 50, centreWeight = 60, sideAir = 45, forwardMid = 35;
    int push = 0, width = 0, band = 3;

    void addTo (TrackPassStats& s) const
    {
        s.addBlock (seconds, peakDb, truePeakDb, rmsDb, crestDb, lufsShort, lufsIntegrated, punch, silk,
                    centreWeight, sideAir, forwardMid, push, width, band);
    }
};

bool operator== (const TrackPassSnapshot::Summary& a, const TrackPassSnapshot::Summary& b)
{
    return a.valid == b.valid && a.avg == b.avg && a.min == b.min && a.max == b.max;
}

bool snapshotsEqual (const TrackPassSnapshot& a, const TrackPassSnapshot& b)
{
    return a.capturedSeconds == b.capturedSeconds && a.blockCount == b.blockCount && a.hasPeak == b.hasPeak
        && a.peakMaxDb == b.peakMaxDb && a.hasTruePeak == b.hasTruePeak && a.truePeakMaxDb == b.truePeakMaxDb
        && a.hasRms == b.hasRms && a.rmsAvgDb == b.rmsAvgDb && a.crestSummary == b.crestSummary
        && a.lufsShortSummary == b.lufsShortSummary && a.hasLufsIntegrated == b.hasLufsIntegrated
        && a.lufsIntegratedFinal == b.lufsIntegratedFinal && a.punchSummary == b.punchSummary
        && a.silkSummary == b.silkSummary && a.centreWeightSummary == b.centreWeightSummary
        && a.sideAirSummary == b.sideAirSummary && a.forwardMidSummary == b.forwardMidSummary
        && a.pushDamageCounts == b.pushDamageCounts && a.worstPushDamage == b.worstPushDamage
        && a.widthRiskCounts == b.widthRiskCounts && a.worstWidthRisk == b.worstWidthRisk
        && a.translationCounts == b.translationCounts && a.lastTranslationBand == b.lastTranslationBand;
}
} // namespace

TEST (TrackPassStats, OneBlockGivesItsOwnValues)
{
    TrackPassStats stats;
    BlockArgs {}.addTo (stats);
    const auto s = stats.toSnapshot();

    EXPECT_EQ (s.blockCount, 1u);
    EXPECT_FLOAT_EQ (s.capturedSeconds, 0.01f);
    EXPECT_EQ (s.peakMaxDb, -3.0f);
    EXPECT_EQ (s.truePeakMaxDb, -2.5f);
    EXPECT_EQ (s.rmsAvgDb, -20.0f);
    for (const auto* summary : { &s.crestSummary, &s.punchSummary })
    {
        EXPECT_TRUE (summary->valid);
        EXPECT_EQ (summary->avg, summary->min);
        EXPECT_EQ (summary->avg, summary->max);
    }
    EXPECT_EQ (s.crestSummary.avg, 9.0f);
    EXPECT_EQ (s.punchSummary.avg, 40.0f);
    EXPECT_EQ (s.lufsIntegratedFinal, -15.0f);
    EXPECT_EQ (s.translationCounts[3], 1u);
    EXPECT_EQ (s.lastTranslationBand, 3);
}

TEST (TrackPassStats, InvalidValuesAreSkippedButTheBlockCounts)
{
    TrackPassStats stats;
    BlockArgs quiet;
    quiet.rmsDb = -95;                 // no RMS, and so no crest either
    quiet.peakDb = -90;                // -90 is not above the validity floor
    quiet.punch = 0.5f;                // exactly 0.5 is not taken ...
    quiet.silk = 0.51f;                // ... 0.51 is
    quiet.lufsShort = std::numeric_limits<float>::quiet_NaN();
    quiet.addTo (stats);

    const auto s = stats.toSnapshot();
    EXPECT_EQ (s.blockCount, 1u);
    EXPECT_FLOAT_EQ (s.capturedSeconds, 0.01f);
    EXPECT_FALSE (s.hasRms);
    EXPECT_FALSE (s.crestSummary.valid);
    EXPECT_FALSE (s.hasPeak);
    EXPECT_EQ (s.peakMaxDb, -100.0f);
    EXPECT_FALSE (s.punchSummary.valid);
    EXPECT_TRUE (s.silkSummary.valid);
    EXPECT_FALSE (s.lufsShortSummary.valid);
    EXPECT_EQ (s.lufsShortSummary.avg, -100.0f);
}

TEST (TrackPassStats, LevelsAndBandsAreClampedAndTheWorstIsKept)
{
    TrackPassStats stats;
    for (auto [push, width, band] : { std::tuple { 5, -1, 9 }, std::tuple { -1, 1, -2 }, std::tuple { 1, 0, 2 } })
    {
        BlockArgs a;
        a.push = push;
        a.width = width;
        a.band = band;
        a.addTo (stats);
    }
    const auto s = stats.toSnapshot();
    EXPECT_EQ (s.pushDamageCounts, (std::array<std::uint64_t, 3> { 1, 1, 1 }));
    EXPECT_EQ (s.worstPushDamage, 2);
    EXPECT_EQ (s.widthRiskCounts, (std::array<std::uint64_t, 3> { 2, 1, 0 }));
    EXPECT_EQ (s.worstWidthRisk, 1);
    EXPECT_EQ (s.translationCounts, (std::array<std::uint64_t, 5> { 1, 0, 1, 0, 1 }));
    EXPECT_EQ (s.lastTranslationBand, 2);
}

TEST (TrackPassStats, CapturedTimeStaysExactOverHours)
{
    // Three hours of 512-sample blocks at 48 kHz: a float running sum would be about a minute off.
    TrackPassStats stats;
    BlockArgs a;
    a.seconds = 512.0f / 48000.0f;
    for (int i = 0; i < 1012500; ++i)
        a.addTo (stats);
    EXPECT_NEAR (stats.toSnapshot().capturedSeconds, 10800.0f, 0.01f);
}

TEST (TrackPassStats, PeakOnlyRisesAndIntegratedFollowsTheLastValue)
{
    TrackPassStats stats;
    BlockArgs a;
    for (auto [peak, integrated] : { std::pair { -6.0f, -12.0f }, std::pair { -1.0f, -10.0f }, std::pair { -4.0f, -13.0f } })
    {
        a.peakDb = peak;
        a.lufsIntegrated = integrated;
        a.addTo (stats);
    }
    const auto s = stats.toSnapshot();
    EXPECT_EQ (s.peakMaxDb, -1.0f);
    EXPECT_EQ (s.lufsIntegratedFinal, -13.0f);
    EXPECT_FLOAT_EQ (s.rmsAvgDb, -20.0f);
}

TEST (TrackPassStats, EmptySnapshotIsTheDefaultAndPublicationRoundTrips)
{
    EXPECT_TRUE (snapshotsEqual (TrackPassStats {}.toSnapshot(), TrackPassSnapshot {}));
    const TrackPassSnapshot defaults;
    EXPECT_EQ (defaults.lufsShortSummary.avg, -100.0f);
    EXPECT_EQ (defaults.crestSummary.avg, 0.0f);
    EXPECT_EQ (defaults.lastTranslationBand, 2);

    TrackPassStats stats;
    BlockArgs a;
    a.push = 2;
    a.addTo (stats);
    a.rmsDb = -30;
    a.addTo (stats);

    PublishedTrackPass published;
    TrackPassStats read;
    read.blockCount = 99;
    ASSERT_TRUE (published.read (read));
    EXPECT_TRUE (snapshotsEqual (read.toSnapshot(), TrackPassSnapshot {}));
    published.publish (stats);
    ASSERT_TRUE (published.read (read));
    EXPECT_TRUE (snapshotsEqual (read.toSnapshot(), stats.toSnapshot()));
}

// A reader racing the writer keeps only whole publications: every field of a copy it keeps comes
// from the same one (here every publication k sets its fields to k).
TEST (TrackPassStats, ReadsRacingTheWriterAreNeverTorn)
{
    PublishedTrackPass published;
    TrackPassStats stats;
    const auto publishNumber = [&] (std::uint64_t k)
    {
        stats.blockCount = k;
        stats.capturedSeconds = (double) k;
        stats.rmsStat.count = k;
        stats.forwardMidStat.sum = (double) k;
        stats.translationCounts.fill (k);
        stats.lastTranslationBand = (int) (k % 1000);
        published.publish (stats);
    };
    publishNumber (0);   // before the writer starts, so that the reader never sees the default

    std::atomic<bool> stop { false };
    std::thread writer ([&]
    {
        for (std::uint64_t k = 1; ! stop.load (std::memory_order_relaxed); ++k)
            publishNumber (k);
    });

    int kept = 0, torn = 0, wentBack = 0;
    std::uint64_t newest = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds (300);
    while (std::chrono::steady_clock::now() < deadline)
    {
        TrackPassStats copy;
        if (! published.read (copy))
            continue;
        ++kept;
        const auto k = copy.blockCount;
        const bool whole = copy.capturedSeconds == (double) k && copy.rmsStat.count == k
                        && copy.forwardMidStat.sum == (double) k && copy.translationCounts[0] == k
                        && copy.translationCounts[4] == k && copy.lastTranslationBand == (int) (k % 1000);
        torn += whole ? 0 : 1;
        wentBack += k < newest ? 1 : 0;   // a later read never goes back to an older publication
        newest = std::max (newest, k);
    }
    stop = true;
    writer.join();

    EXPECT_GT (kept, 1000);
    EXPECT_GT (newest, 1000u) << "the writer hardly ran";
    EXPECT_EQ (torn, 0);
    EXPECT_EQ (wentBack, 0);
}
