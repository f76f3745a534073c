#include "AnalysisMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

using tarn::dsp::Float4;

namespace
{
float floatFromBits (std::uint32_t bits)
{
    float f;
    std::memcpy (&f, &bits, sizeof (f));
    return f;
}

std::uint32_t bitsOf (float f)
{
    std::uint32_t bits;
    std::memcpy (&bits, &f, sizeof (bits));
    return bits;
}

float ulpAt (double value)
{
    const float f = std::abs ((float) value);
    return std::nextafter (f, std::numeric_limits<float>::infinity()) - f;
}
} // namespace

// The vector levels replace 20 log10 (and 10 log10 of mean squares) in every block; walk the
// whole range they take a logarithm over, a few hundred thousand floats spread across every
// binade, against the logarithm in double precision.
TEST (VectorLevels, FollowTheLogarithmWithinFiveUnitsInTheLastPlace)
{
    struct Case { const char* name; float lowest; double decibelsPerDecade; Float4 (*levels) (Float4); };
    const Case cases[] = {
        { "amplitude", 1.0e-6f, 20.0, tarn::dsp::bandLevelsDb },
        { "power", 1.0e-12f, 10.0, tarn::dsp::bandLevelsDbOfPower },
    };

    for (const auto& c : cases)
    {
        double worstUlps = 0.0;
        const std::uint32_t last = bitsOf (3.0e38f);
        for (std::uint32_t bits = bitsOf (c.lowest); bits <= last - 3 * 1031; bits += 4 * 1031)
        {
            Float4 x;
            for (int lane = 0; lane < 4; ++lane)
                x[lane] = floatFromBits (bits + (std::uint32_t) lane * 1031);

            const Float4 db = c.levels (x);
            for (int lane = 0; lane < 4; ++lane)
            {
                const double exact = c.decibelsPerDecade * std::log10 ((double) x[lane]);
                const double ulps = std::abs (db[lane] - exact) / ulpAt (exact);
                worstUlps = std::max (worstUlps, std::abs (exact) < 1.0e-3 ? 0.0 : ulps);
                ASSERT_LE (std::abs (db[lane] - exact), 5.0 * ulpAt (exact) + 1.0e-9) << c.name << " of " << x[lane];
            }
        }
        // The sweep reaches the worst cases: a bound met only by luck would read far below it.
        EXPECT_GT (worstUlps, 1.0) << c.name;
    }
}

// Lanes outside the range take what the scalar level gives, whatever the other lanes hold.
TEST (VectorLevels, LanesOutsideTheRangeTakeTheFloorOrTheScalarResult)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();

    const Float4 amplitude = tarn::dsp::bandLevelsDb (Float4 { 0.5f, 9.0e-7f, nan, inf });
    EXPECT_NEAR (amplitude[0], 20.0 * std::log10 (0.5), 1.0e-5);
    EXPECT_EQ (amplitude[1], -120.0f);
    EXPECT_EQ (amplitude[2], -120.0f);
    EXPECT_EQ (amplitude[3], inf);

    const Float4 more = tarn::dsp::bandLevelsDb (Float4 { -1.0f, 0.0f, 3.3e38f, 1.0f });
    EXPECT_EQ (more[0], -120.0f);
    EXPECT_EQ (more[1], -120.0f);
    EXPECT_EQ (more[2], tarn::dsp::bandLevelDb (3.3e38f));
    EXPECT_EQ (more[3], 0.0f);

    const Float4 power = tarn::dsp::bandLevelsDbOfPower (Float4 { 0.25f, 9.0e-13f, 0.0f, 3.3e38f });
    EXPECT_NEAR (power[0], 10.0 * std::log10 (0.25), 1.0e-5);
    EXPECT_EQ (power[1], -120.0f);
    EXPECT_EQ (power[2], -120.0f);
    EXPECT_NEAR (power[3], 10.0 * std::log10 (3.3e38), 1.0e-3);
}
