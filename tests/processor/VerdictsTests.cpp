#include "ReadingText.h"
#include "TestSignals.h"
#include "Verdicts.h"

#include <gtest/gtest.h>

using namespace testing_signals;

// The verdicts of whole programmes played through the processor.
namespace
{
// A steady stereo programme: a 1 kHz tone and optional 60 Hz in the mid, at the given peak.
Generator centredTones (double toneLevel, double bassLevel)
{
    return [=] (int, juce::int64 i)
    {
        const double t = (double) i / 48000.0;
        return (float) (toneLevel * std::sin (2 * pi * 1000 * t) + bassLevel * std::sin (2 * pi * 60 * t));
    };
}

struct ReadyMoment
{
    double seconds = -1;       // audio time at the end of the first block with signalState 2
    float translation = 0;     // the published translation of that block
};

ReadyMoment playUntilReady (Rig& rig, const Generator& g, double limit)
{
    ReadyMoment moment;
    rig.afterBlock = [&]
    {
        if (moment.seconds < 0 && rig.processor.signalState.load() == 2)
            moment = { (double) (rig.position + rig.blockSize) / rig.sampleRate, rig.processor.translation.load() };
    };
    rig.play (g, limit);
    rig.afterBlock = nullptr;
    return moment;
}

double secondsUntilReady (Rig& rig, const Generator& g, double limit) { return playUntilReady (rig, g, limit).seconds; }

// Deterministic white noise, independent per channel.
float noiseSample (int channel, juce::int64 i)
{
    auto x = (std::uint32_t) (i * 2 + channel) * 2654435761u;
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return (float) ((double) x / 4294967296.0 * 2.0 - 1.0);
}
} // namespace

TEST (Verdicts, ReadyAfterTenSecondsOfSettledSignalAndAGapUnderTwoAndAHalfSecondsKeepsIt)
{
    Rig rig (48000, 480);
    const auto programme = centredTones (0.1, 0.1);
    EXPECT_EQ (rig.processor.signalState.load(), 0);
    const double ready = secondsUntilReady (rig, programme, 16.0);
    EXPECT_GE (ready, 10.0);
    EXPECT_LE (ready, 10.02);

    rig.play (silence(), 2.0);
    EXPECT_EQ (rig.processor.signalState.load(), 0);
    rig.play (programme, 0.01);
    EXPECT_EQ (rig.processor.signalState.load(), 2);

    rig.play (silence(), 3.0);
    rig.play (programme, 0.01);
    EXPECT_EQ (rig.processor.signalState.load(), 1);   // settling starts again
    EXPECT_EQ (tarn::text::translationText (rig.processor.signalState.load(), rig.processor.translation.load()), "ANALYSING...");
}

TEST (Verdicts, ReadinessComesByFourteenSecondsEvenWhenTheLevelsKeepChanging)
{
    // Alternating every 1.5 s between a wide, loud bass and a quiet centred tone keeps the width
    // level from settling for 2 s, so only the 14-second rule makes the verdicts ready.
    Rig rig (48000, 480);
    const Generator restless = [] (int c, juce::int64 i)
    {
        const double t = (double) i / 48000.0;
        const bool wide = std::fmod (t, 3.0) < 1.5;
        return wide ? (float) (c == 0 ? 0.5 * std::sin (2 * pi * 55 * t) : 0.0) : (float) (0.05 * std::sin (2 * pi * 1000 * t));
    };
    const double ready = secondsUntilReady (rig, restless, 16.0);
    EXPECT_GE (ready, 10.0);
    EXPECT_LE (ready, 14.01);
}

TEST (Verdicts, ALowTranslationIsRevealedAfterFourSecondsUnlessSevere)
{
    // A mono 1 kHz tone under quiet, uncorrelated noise: the noise gives as much side as mid above
    // 10 kHz (side air target 100, no thin-air penalty) but no sub (centre about 0, weak centre
    // -8), so the target is 56 + 14 - 8 = 62. The smoothers (3, 7 and 15 s) reach about 76 % of
    // it at 10 s and 85 % at 14 s: Tr stays between 35 and 58, so at readiness the tile holds 58
    // (ACCEPTABLE) for 4 s, then shows the real, lower value.
    const Generator airy = [] (int c, juce::int64 i)
    {
        return (float) (0.1 * std::sin (2 * pi * 1000 * (double) i / 48000.0)) + 0.01f * noiseSample (c, i);
    };
    {
        Rig rig (48000, 480);
        const auto ready = playUntilReady (rig, airy, 10.5);
        ASSERT_GT (ready.seconds, 0);
        EXPECT_EQ (ready.translation, 58.0f);
        auto& p = rig.processor;
        rig.play (airy, ready.seconds + 3.95 - 10.5);
        EXPECT_EQ (p.translation.load(), 58.0f);
        rig.play (airy, 0.1);
        EXPECT_LT (p.translation.load(), 58.0f);
        EXPECT_GE (p.translation.load(), 35.0f);
        EXPECT_EQ (tarn::text::translationText (2, p.translation.load()), "COMPROMISED");
    }

    // Bass in the left channel only under a centred tone: the width level climbs to HIGH by about
    // 8.5 s and holds it, which makes the low translation severe at readiness (the width has been
    // HIGH for 2 s): it shows at once. The target is 56 + 0.22 * centre (about 70) - 6 (thin air)
    // - 22 (wide low end) = 43, and Tr is lower still at readiness.
    {
        Rig rig (48000, 480);
        const Generator wideBass = [] (int c, juce::int64 i)
        {
            const double t = (double) i / 48000.0;
            return (float) ((c == 0 ? 0.2 * std::sin (2 * pi * 50 * t) : 0.0) + 0.05 * std::sin (2 * pi * 1000 * t));
        };
        const auto ready = playUntilReady (rig, wideBass, 14.5);
        ASSERT_GT (ready.seconds, 0);
        EXPECT_EQ (rig.processor.lowWidthRiskLevel.load(), 2);
        EXPECT_LT (ready.translation, 58.0f);
    }
}

namespace
{
// A brick-walled master at the given ceiling: a dense chord driven hard into a soft clipper, so
// the crest factor is about 3 dB and the RMS sits close to the peak.
Generator squashed (double ceiling)
{
    return [=] (int c, juce::int64 i)
    {
        const double t = (double) i / 48000.0;
        const double x = 6.0 * (std::sin (2 * pi * 55 * t) + 0.7 * std::sin (2 * pi * 440 * t + c) + 0.5 * std::sin (2 * pi * 3100 * t));
        return (float) (ceiling * std::tanh (x));
    };
}
} // namespace

TEST (Verdicts, PushDamageNeedsPeaksNearFullScaleAndClubTargetsForgiveLoudness)
{
    // With the slow peak at or below -10 dBFS the push target is 0, however dense the signal.
    Rig quiet;
    quiet.play (squashed (dbToGain (-10.5)), 20.0);
    EXPECT_EQ (quiet.processor.pushDamageScore.load(), 0.0f);
    EXPECT_EQ (quiet.processor.pushDamageLevel.load(), 0);

    // Club / DJ halves the loudness and crest contributions and raises the thresholds.
    const auto hot = squashed (dbToGain (-1.0));
    Rig stream, club;
    club.processor.destinationMode = 2;
    stream.play (hot, 20.0);
    club.play (hot, 20.0);
    EXPECT_LT (club.processor.pushDamageScore.load(), stream.processor.pushDamageScore.load() - 10.0f);
    EXPECT_LE (club.processor.pushDamageLevel.load(), stream.processor.pushDamageLevel.load());
    EXPECT_GE (stream.processor.pushDamageLevel.load(), 1);
}

// Whole programmes and the verdicts their formulas imply.
TEST (Verdicts, SyntheticProgrammes)
{
    struct Case
    {
        const char* name;
        Generator programme;
        int pushLevel, widthLevel;
        const char* reason;
        tarn::text::OverallVerdict overall;
    };

    const Case cases[] = {
        // Dense, loud, limited into 0 dBFS: sample peaks >= -0.3 dB give peakTerm 30; crest about
        // 3 dB gives crestTerm = near9 * min(5.5 * 7, 35) = 35; loud14 = lowCrest6 = near6 = 1 give
        // sA = 90 (+22 tFactor) and sB = 100, adding 0.35 * sA + 0.18 * sB > 49. The push target
        // clamps at 100, sP passes 67 within 7 s: HIGH, and hot peaks come first among the reasons.
        { "dense loud limited", squashed (0.999), 2, 0, "running hot", tarn::text::OverallVerdict::pushed },

        // A dynamic mix with headroom: peaks at -12 dBFS, so the slow peak stays below -10 and the
        // push target is 0 (LOW, healthy). Mono bass and tone: no low side, width LOW. Push and
        // width never leave LOW and translation never falls below band 2 while settling, so the
        // pass has no concern: PASS.
        { "dynamic with headroom",
          [] (int, juce::int64 i)
          {
              const double t = (double) i / 48000.0;
              const double kick = std::exp (-std::fmod (t, 0.5) / 0.06) * std::sin (2 * pi * 60 * t);
              return (float) (0.25 * (0.6 * kick + 0.3 * std::sin (2 * pi * 1000 * t) * (0.6 + 0.4 * std::sin (t))));
          },
          0, 0, "healthy", tarn::text::OverallVerdict::pass },

        // Wide low end: the bass in the left channel only, so the low side is as strong as the
        // low mid (risk 100) and both are loud (both gates 1): the width score climbs with tau
        // 4.5 s past 85, HIGH by 9 s. Peaks at -12 dBFS keep push damage out of it.
        { "wide low end",
          [] (int c, juce::int64 i)
          {
              const double t = (double) i / 48000.0;
              return (float) ((c == 0 ? 0.2 * std::sin (2 * pi * 50 * t) : 0.0) + 0.05 * std::sin (2 * pi * 1000 * t));
          },
          0, 2, "healthy", tarn::text::OverallVerdict::watch },
    };

    for (const auto& c : cases)
    {
        Rig rig;
        rig.play (c.programme, 20.0);
        auto& p = rig.processor;
        ASSERT_EQ (p.signalState.load(), 2) << c.name;
        EXPECT_EQ (p.pushDamageLevel.load(), c.pushLevel) << c.name;
        EXPECT_EQ (p.lowWidthRiskLevel.load(), c.widthLevel) << c.name;
        EXPECT_EQ (tarn::text::pushDamageReasonText (2, p.pushDamageReason.load()), c.reason) << c.name;

        rig.play (silence(), 3.1);
        ASSERT_EQ (p.trackPassState.load(), 2) << c.name;
        EXPECT_EQ (tarn::text::overallVerdict (p.getTrackPassSnapshot()), c.overall) << c.name;
    }
}
