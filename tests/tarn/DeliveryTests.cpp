// What each delivery target does with a programme: the gain, the peak after it, and the verdict.

#include "Delivery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tarn::delivery;

TEST (Delivery, EachTargetAppliesItsOwnRule)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        const char* target;
        double integrated, truePeak;
        double gain, peakAfter;
        bool turnedUp;
        const char* word;
    };
    const Case cases[] = {
        // The documented example: -20 LUFS with peaks at -5 dBTP is lifted only to -16 LUFS.
        { "spotify", -20.0, -5.0, 4.0, -1.0, true, "TURNED UP AS FAR AS ITS PEAK LIMIT, 2.0 dB UNDER TARGET" },
        { "spotify", -18.0, -9.0, 4.0, -5.0, true, "OK" },
        { "spotify", -8.0, 0.5, -6.0, -5.5, false, "OK" },
        { "spotify", -14.0, 0.5, 0.0, 0.5, false, "PEAKS OVER -1.0 dBTP" },
        { "youtube", -20.0, -5.0, 0.0, -5.0, false, "NOT TURNED UP, 6.0 dB UNDER TARGET" },
        { "spotify", -14.5, -0.8, 0.0, -0.8, false, "NOT TURNED UP, 0.5 dB UNDER TARGET; PEAKS OVER -1.0 dBTP" },
        { "tidal", -14.02, -3.0, 0.0, -3.0, false, "OK" },   // a shortfall that does not show at one decimal
        { "apple-music", -9.0, -0.2, -7.0, -7.2, false, "OK" },
        { "amazon-music", -14.0, -1.5, 0.0, -1.5, false, "PEAKS OVER -2.0 dBTP" },
        { "ebu-r128", -23.4, -1.5, 0.4, -1.1, false, "PASS" },
        { "ebu-r128", -21.5, -3.0, -1.5, -4.5, false, "FAIL: LOUDNESS -21.5 LUFS, OUTSIDE -23.0 +/-1.0 LU" },
        { "ebu-r128", -23.0, -0.5, 0.0, -0.5, false, "FAIL: TRUE PEAK -0.5 dBTP, ABOVE -1.0 dBTP" },
        { "atsc-a85", -26.0, -2.0, 2.0, 0.0, false, "PASS" },   // both limits exactly met
        { "atsc-a85", -26.5, -1.0, 2.5, 1.5, false, "FAIL: LOUDNESS -26.5 LUFS, OUTSIDE -24.0 +/-2.0 LU; TRUE PEAK -1.0 dBTP, ABOVE -2.0 dBTP" },
        { "deezer", none, -3.0, none, none, false, "--" },
        { "ebu-r128", -HUGE_VAL, -HUGE_VAL, none, none, false, "FAIL: NO INTEGRATED LOUDNESS" },
    };
    for (const auto& c : cases)
    {
        const auto* target = find (c.target);
        ASSERT_NE (target, nullptr) << c.target;
        const auto o = deliver (*target, c.integrated, c.truePeak);
        const auto name = juce::String (c.target) + " at " + juce::String (c.integrated);
        EXPECT_EQ (o.word, c.word) << name;
        EXPECT_EQ (o.turnedUp, c.turnedUp) << name;
        EXPECT_EQ (o.measured, std::isfinite (c.integrated)) << name;
        if (std::isfinite (c.gain))
        {
            EXPECT_NEAR (o.gainDb, c.gain, 1e-9) << name;
            EXPECT_NEAR (o.truePeakAfterDbtp, c.peakAfter, 1e-9) << name;
        }
        EXPECT_EQ (o.judged, target->broadcast()) << name;
        EXPECT_EQ (o.passed, juce::String (c.word) == "PASS") << name;
    }
}

TEST (Delivery, NamesAreFoundWhateverTheirCaseAndTheSummaryLineReadsAsTheReportPrintsIt)
{
    EXPECT_EQ (find ("SPOTIFY"), find ("spotify"));
    EXPECT_EQ (find ("napster"), nullptr);
    EXPECT_EQ (targets().size(), 8u);
    for (const auto& t : targets())
        EXPECT_TRUE (listText().contains (t.key)) << t.key;

    const auto* spotify = find ("spotify");
    EXPECT_EQ (summaryLine (*spotify, deliver (*spotify, -11.9, -1.1)), "SPOTIFY        -2.1 dB  (peaks -3.2 dBTP after)  OK");
    EXPECT_EQ (summaryLine (*spotify, deliver (*spotify, -HUGE_VAL, -HUGE_VAL)), "SPOTIFY             --  (peaks -- after)  --");
}
