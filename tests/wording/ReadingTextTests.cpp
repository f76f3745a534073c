#include "PluginProcessor.h"
#include "ReadingText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tarn::text;

TEST (BandWords, SideAirClimbsAndFallsWithFourPointsOfHysteresis)
{
    BandWords words;
    struct Step { float value; const char* word; };
    const Step rising[] = { { 0, "Low" }, { 43.9f, "Low" }, { 44, "Balanced" }, { 73.9f, "Balanced" }, { 74, "High" } };
    const Step falling[] = { { 66, "High" }, { 65.9f, "Balanced" }, { 36, "Balanced" }, { 35.9f, "Low" } };

    for (const auto& s : rising)
        EXPECT_EQ (words.sideAirText (s.value), s.word) << s.value;
    for (const auto& s : falling)
        EXPECT_EQ (words.sideAirText (s.value), s.word) << s.value;

    // Jumps over the middle band go straight through, both ways.
    EXPECT_EQ (words.sideAirText (20), "Low");
    EXPECT_EQ (words.sideAirText (80), "High");
    EXPECT_EQ (words.sideAirText (30), "Low");
}

TEST (BandWords, EachIndexHasItsOwnEdgesAndWords)
{
    BandWords w;
    EXPECT_EQ (w.punchReserveText (24), "Alive");   // exactly at the climb point
    EXPECT_EQ (w.punchReserveText (16), "Alive");   // the drop needs a value below 16
    EXPECT_EQ (w.punchReserveText (15.9f), "Crushed");
    EXPECT_EQ (w.punchReserveText (59), "Live");
    EXPECT_EQ (w.centreWeightText (44), "Solid");
    EXPECT_EQ (w.centreWeightText (74), "Heavy");
    EXPECT_EQ (w.forwardMidText (39), "Forward");
    EXPECT_EQ (w.forwardMidText (69), "Strong");
    EXPECT_EQ (w.silkRatioText (38.9f), "Dull");
    EXPECT_EQ (w.silkRatioText (69), "Glossy");
    EXPECT_EQ (w.sideAirBand, 0);   // the other words kept their own state
}

TEST (VerdictWords, WaitAnalyseThenWordAndTone)
{
    EXPECT_EQ (translationText (0, 95), "WAITING FOR SIGNAL");
    EXPECT_EQ (translationText (1, 95), "ANALYSING...");
    EXPECT_EQ (translationTone (1, 95), Tone::info);

    struct Case { float score; const char* word; Tone tone; };
    const Case cases[] = {
        { 88, "REFERENCE", Tone::good }, { 70, "STRONG", Tone::good }, { 69.99f, "ACCEPTABLE", Tone::label },
        { 58, "ACCEPTABLE", Tone::label }, { 40, "COMPROMISED", Tone::warn }, { 39.9f, "DAMAGED", Tone::bad },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (translationText (2, c.score), c.word) << c.score;
        EXPECT_EQ (translationTone (2, c.score), c.tone) << c.score;
    }

    EXPECT_EQ (pushDamageText (1, 2), "ANALYSING...");
    EXPECT_EQ (pushDamageReasonText (1, 6), "");
    EXPECT_EQ (pushDamageText (2, 2), "HIGH");
    EXPECT_EQ (pushDamageTone (2, 1), Tone::warn);
    EXPECT_EQ (widthRiskText (2, 7), "LOW");
    EXPECT_EQ (widthRiskTone (2, 0), Tone::good);

    EXPECT_EQ (headroomText (-1), "OK");
    EXPECT_EQ (headroomText (1), "HOT");
    EXPECT_EQ (headroomTone (1), Tone::warn);
    EXPECT_EQ (headroomText (5), "CLIP");
    EXPECT_EQ (headroomTone (2), Tone::bad);

    const char* reasons[] = { "healthy", "healthy", "pushing hard", "losing impact", "low-end strain", "width strain", "running hot", "over-limited", "healthy" };
    for (int code = 0; code <= 8; ++code)
        EXPECT_EQ (pushDamageReasonText (2, code), reasons[code]) << code;
}

TEST (LiveText, MetricAndIndexPadding)
{
    EXPECT_EQ (metricText (-12.3f, " dBFS"), "  -12.3 dBFS");
    EXPECT_EQ (metricText (-100.0f, " dBFS"), " -100.0 dBFS");
    EXPECT_EQ (indexText (57.6f, "Balanced"), " 58 (Balanced)");
    EXPECT_EQ (indexText (0.0f, "Low"), "  0 (Low)");
}

TEST (NumberText, NoNegativeZeroAnywhere)
{
    struct Case { double value; int decimals; const char* text; };
    const Case cases[] = { { -0.04, 1, "0.0" },  { -0.0, 1, "0.0" },    { 0.04, 1, "0.0" },  { -0.004, 2, "0.00" },
                           { -0.0004, 3, "0.000" }, { -0.06, 1, "-0.1" }, { -12.34, 1, "-12.3" }, { -100.0, 2, "-100.00" } };
    for (const auto& c : cases)
        EXPECT_EQ (fixedDecimals (c.value, c.decimals), c.text) << c.value << " to " << c.decimals;

    // The analyser's figures: "--" for what was not measured, a "+" only on what reads above zero.
    struct Figure { double value; bool withSign; const char* text; };
    const Figure figures[] = { { 2.04, true, "+2.0 dB" }, { 0.04, true, "0.0 dB" }, { -0.04, true, "0.0 dB" },
                               { -3.26, true, "-3.3 dB" }, { 2.04, false, "2.0 dB" },
                               { -HUGE_VAL, false, "--" }, { std::nan (""), true, "--" } };
    for (const auto& f : figures)
        EXPECT_EQ (figureText (f.value, " dB", f.withSign), f.text) << f.value;

    // The window's rows and the CSV columns word their numbers the same way.
    EXPECT_EQ (metricText (-0.04f, " dB"), "    0.0 dB");
    TarnReadings r;
    r.rmsDb = -0.001f;
    r.sideAir = -0.01f;
    BandWords words;
    const auto fields = juce::StringArray::fromTokens (csvRow (0.0, r, -0.001f, words).trimEnd(), ",", "\"");
    EXPECT_EQ (fields[2], "0.00");
    EXPECT_EQ (fields[5], "0.00");
    EXPECT_EQ (fields[8], "0.0");
}

TEST (TrackPassText, CapturedTimeAndShares)
{
    struct Case { float seconds; const char* text; };
    const Case cases[] = { { 0, "0:00" }, { -4, "0:00" }, { 187, "3:07" }, { 59.6f, "1:00" }, { 3599.4f, "59:59" },
                           { 3599.6f, "1:00:00" }, { 3600, "1:00:00" }, { 3723, "1:02:03" } };
    for (const auto& c : cases)
        EXPECT_EQ (formatCapturedTime (c.seconds), c.text) << c.seconds;

    EXPECT_EQ (formatBandPercents (0, 0, 0), "L --  M --  H --");
    EXPECT_EQ (formatBandPercents (90, 10, 0), "L 90%  M 10%  H  0%");
    EXPECT_EQ (formatBandPercents (1, 1, 1), "L 33%  M 33%  H 33%");
    EXPECT_EQ (trackPassLabelText (2), juce::String::fromUTF8 ("TRACK PASS  \xe2\x80\xa2  FROZEN"));
    EXPECT_EQ (trackPassLabelText (7), juce::String::fromUTF8 ("TRACK PASS  \xe2\x80\xa2  WAITING"));
}

TEST (TrackPassText, OverallVerdict)
{
    struct Case { std::array<std::uint64_t, 3> push; int worstPush, worstWidth; std::array<std::uint64_t, 5> translation; OverallVerdict verdict; };
    const Case cases[] = {
        { { 90, 10, 0 }, 1, 0, { 0, 0, 100, 0, 0 }, OverallVerdict::watch },    // medShare 0.1 and worst > 0, not pushed
        { { 96, 0, 4 }, 2, 0, { 0, 0, 100, 0, 0 }, OverallVerdict::pushed },    // worst 2 though highShare is 0.04
        { { 50, 50, 0 }, 1, 0, { 0, 0, 100, 0, 0 }, OverallVerdict::pushed },   // medShare 0.5
        { { 100, 0, 0 }, 0, 0, { 0, 0, 100, 0, 0 }, OverallVerdict::pass },
        { { 100, 0, 0 }, 0, 0, { 0, 100, 0, 0, 0 }, OverallVerdict::watch },    // dominant COMPROMISED
        { { 100, 0, 0 }, 0, 1, { 0, 0, 0, 100, 0 }, OverallVerdict::watch },    // width risk seen
    };
    for (const auto& c : cases)
    {
        TrackPassSnapshot s;
        s.blockCount = 100;
        s.pushDamageCounts = c.push;
        s.worstPushDamage = c.worstPush;
        s.worstWidthRisk = c.worstWidth;
        s.translationCounts = c.translation;
        EXPECT_EQ (overallVerdict (s), c.verdict) << c.push[0] << "/" << c.push[1] << "/" << c.push[2];
    }
}

TEST (TrackPassText, RowsOfAnEmptyAndACapturedPass)
{
    const auto empty = trackPassRows (TrackPassSnapshot {});
    EXPECT_EQ (empty[0].text, "WAITING FOR SIGNAL");
    EXPECT_EQ (empty[11].text, "L  --  M  --  H  --   worst --");
    EXPECT_EQ (empty[12].text, "worst --");
    EXPECT_EQ (empty[13].text, "final --   dom --");
    EXPECT_EQ (empty[3].text, "AVG  --   MIN  --   MAX  --");
    EXPECT_EQ (empty[6].text, "AVG  --   PEAK  --");
    for (const auto& row : empty)
        EXPECT_EQ (row.tone, Tone::info) << row.caption;

    TrackPassSnapshot s;
    s.capturedSeconds = 187.2f;
    s.blockCount = 25;
    s.hasPeak = true;
    s.peakMaxDb = -0.96f;
    s.hasTruePeak = true;
    s.truePeakMaxDb = 0.34f;
    s.hasRms = true;
    s.rmsAvgDb = -11.26f;
    s.crestSummary = { true, 8.44f, 3.0f, 14.06f };
    s.lufsShortSummary = { true, -9.04f, -20.0f, -7.5f };
    s.hasLufsIntegrated = true;
    s.lufsIntegratedFinal = -9.5f;
    s.punchSummary = { true, 7.4f, 1.0f, 57.6f };
    s.pushDamageCounts = { 90, 10, 0 };
    s.worstPushDamage = 1;
    s.translationCounts = { 10, 10, 5, 0, 0 };
    s.lastTranslationBand = 2;

    const auto rows = trackPassRows (s);
    const char* expected[] = {
        "WATCH", "3:07", "-9.5 LUFS", "AVG -9.0   MIN -20.0   MAX -7.5", "PK -1.0 dBFS   TP 0.3 dBTP",
        "RMS -11.3 dBFS   CREST AVG 8.4 (3.0-14.1)", "AVG   7   PEAK  58", "AVG  --   PEAK  --",
    };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (rows[(size_t) i].text, expected[i]) << rows[(size_t) i].caption;
    EXPECT_EQ (rows[11].text, "L 90%  M 10%  H  0%   worst MED");
    EXPECT_EQ (rows[11].tone, Tone::warn);
    EXPECT_EQ (rows[12].text, "worst LOW");
    EXPECT_EQ (rows[13].text, "final ACCEPTABLE   dom DAMAGED 40%");   // a tie goes to the lower band
    EXPECT_EQ (rows[13].tone, Tone::bad);
    EXPECT_EQ (rows[0].tone, Tone::warn);
    EXPECT_EQ (rows[7].tone, Tone::info);
    EXPECT_EQ (rows[1].tone, Tone::label);
}

TEST (Csv, HeaderAndRowFormat)
{
    const auto header = csvHeader();
    EXPECT_TRUE (header.endsWith ("\n"));
    EXPECT_EQ (juce::StringArray::fromTokens (header.trimEnd(), ",", "").size(), 23);
    EXPECT_TRUE (header.startsWith ("t_sec,peak_dbfs,rms_dbfs,crest_db,"));

    TarnReadings r;   // reset values: not ready
    BandWords words;
    EXPECT_EQ (csvRow (0.0, r, -100.0f, words),
               "0.000,-100.00,-100.00,0.00,-100.00,-100.00,-100.00,-100.00,0.0,\"Low\",0.0,\"Dull\",0.0,\"Weak\",0.0,"
               "\"Recessed\",0.0,\"Crushed\",\"WAITING FOR SIGNAL\",\"WAITING FOR SIGNAL\",0.0,\"WAITING FOR SIGNAL\",\"\"\n");

    r.signalState = 2;
    r.peakDb = -1.234f;
    r.rmsDb = -12.0f;
    r.sideAir = 57.64f;
    r.translation = 71;
    r.pushDamageLevel = 1;
    r.pushDamageReason = 6;
    r.pushDamageScore = 33.33f;
    const auto fields = juce::StringArray::fromTokens (csvRow (12.3456, r, 0.5f, words).trimEnd(), ",", "\"");
    ASSERT_EQ (fields.size(), 23);
    EXPECT_EQ (fields[0], "12.346");
    EXPECT_EQ (fields[1], "-1.23");
    EXPECT_EQ (fields[3], "10.77");           // peak minus RMS of the row's own columns
    EXPECT_EQ (fields[5], "0.50");
    EXPECT_EQ (fields[8], "57.6");
    EXPECT_EQ (fields[9], "\"Balanced\"");
    EXPECT_EQ (fields[19], "\"STRONG\"");
    EXPECT_EQ (fields[20], "33.3");
    EXPECT_EQ (fields[21], "\"MED\"");
    EXPECT_EQ (fields[22], "\"running hot\"");

    EXPECT_EQ (csvQuoted ("say \"hi\""), "\"say 'hi'\"");
    EXPECT_EQ (csvQuoted (""), "\"\"");
}

TEST (Csv, TruePeakColumnTakesTheMaximumSinceTheLastRow)
{
    EXPECT_EQ (csvTruePeakColumn (-3.0f, -5.0f, -8.0f), -3.0f);     // a block ran: its maximum
    EXPECT_EQ (csvTruePeakColumn (-6.0f, -5.0f, -8.0f), -5.0f);     // never below the peak
    EXPECT_EQ (csvTruePeakColumn (-200.0f, -5.0f, -8.0f), -8.0f);   // no block: the display value
}
