#include "AnalysisCoefficients.h"

#include <gtest/gtest.h>

#include <cmath>

TEST (MatchedHighPass, WorkedDesignsMatchTheirTilt)
{
    struct Case { double rate, frequency; float coefficient, gain; };
    const Case cases[] = {
        { 44100, 10000, 0.784916f, 1.191064f },
        { 44100, 12000, 0.847427f, 1.285648f },
        { 96000, 10000, 0.442082f, 0.626859f },
        { 96000, 12000, 0.495740f, 0.551590f },
    };

    for (const auto& c : cases)
    {
        const auto design = makeMatchedHpfDesign (c.frequency, c.rate);
        EXPECT_NEAR (design.coefficient, c.coefficient, 2e-6) << c.rate << " Hz, " << c.frequency;
        EXPECT_NEAR (design.gain, c.gain, 2e-6) << c.rate << " Hz, " << c.frequency;
    }
}

TEST (MatchedHighPass, AtAndNear48kHzTheDesignIsThePlainFilter)
{
    for (double rate : { 48000.0, 47999.2, 48000.9 })
    {
        const auto d10 = makeMatchedHpfDesign (10000, rate);
        const auto d12 = makeMatchedHpfDesign (12000, rate);
        EXPECT_EQ (d10.coefficient, (float) (1.0 - std::exp (-2.0 * 3.14159265358979323846 * 10000.0 / 48000.0)));
        EXPECT_EQ (d12.coefficient, (float) (1.0 - std::exp (-2.0 * 3.14159265358979323846 * 12000.0 / 48000.0)));
        EXPECT_EQ (d10.gain, 1.0f);
        EXPECT_EQ (d12.gain, 1.0f);
    }

    const auto c = AnalysisCoefficients::forSampleRate (48000.0);
    EXPECT_EQ (c.gain10kSquared, 1.0f);
    EXPECT_EQ (c.gain12kFourth, 1.0f);
}

TEST (MatchedHighPass, At32kHzThe12kSearchEndsAtItsUpperBound)
{
    const auto design = makeMatchedHpfDesign (12000, 32000);
    EXPECT_NEAR (design.coefficient, 0.9999f, 1e-6);
    EXPECT_NEAR (design.gain, 1561.0f, 5.0f);
}

TEST (AnalysisCoefficients, FollowTheSampleRate)
{
    const auto at48 = AnalysisCoefficients::forSampleRate (48000.0);
    const auto at96 = AnalysisCoefficients::forSampleRate (96000.0);

    EXPECT_NEAR (at48.a1500, 1.0 - std::exp (-2.0 * 3.14159265358979323846 * 1500.0 / 48000.0), 1e-6);
    EXPECT_EQ (at48.loudnessShelf, at48.a1500);
    EXPECT_NEAR (at48.p38, std::exp (-2.0 * 3.14159265358979323846 * 38.0 / 48000.0), 1e-6);
    EXPECT_NEAR (at48.b3ms, 1.0 - std::exp (-1.0 / (48000.0 * 0.003)), 1e-6);
    EXPECT_LT (at96.a1500, at48.a1500);

    // A time constant shorter than one sample gives the one-sample envelope 1 - e^-1.
    const auto slow = AnalysisCoefficients::forSampleRate (200.0);
    EXPECT_NEAR (slow.b3ms, 1.0f - 0.36787945f, 1e-7);
}
