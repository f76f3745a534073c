#include "ReadingText.h"

#include <cmath>

#include "PluginProcessor.h"

namespace tarn::text
{
namespace
{
juce::String oneDecimal (float v) { return fixedDecimals (v, 1); }
juce::String rounded (float v, int width) { return juce::String (juce::roundToInt (v)).paddedLeft (' ', width); }

juce::String notReadyText (int signalState) { return signalState <= 0 ? "WAITING FOR SIGNAL" : "ANALYSING..."; }

Tone levelTone (int level) { return level >= 2 ? Tone::bad : level == 1 ? Tone::warn : Tone::good; }

struct BandEdges
{
    float low, high;
    const char* words[3];
};

constexpr float bandMargin = 4.0f;
constexpr BandEdges sideAirEdges { 40, 70, { "Low", "Balanced", "High" } };
constexpr BandEdges centreWeightEdges { 40, 70, { "Weak", "Solid", "Heavy" } };
constexpr BandEdges forwardMidEdges { 35, 65, { "Recessed", "Forward", "Strong" } };
constexpr BandEdges punchEdges { 20, 55, { "Crushed", "Alive", "Live" } };
constexpr BandEdges silkEdges { 35, 65, { "Dull", "Silky", "Glossy" } };

juce::String advance (int& band, float value, const BandEdges& edges)
{
    band = updateThreeBandLabel (band, value, edges.low, edges.high, bandMargin);
    return edges.words[band];
}
} // namespace

const char* toneName (Tone tone)
{
    switch (tone)
    {
        case Tone::label: return "label";
        case Tone::info:  return "info";
        case Tone::good:  return "good";
        case Tone::warn:  return "warn";
        case Tone::bad:   return "bad";
    }
    return "info";
}

juce::String fixedDecimals (double value, int decimals)
{
    const juce::String text (value, decimals);
    // Only a negative number that rounded to zero is all zeros after its sign.
    return text.startsWithChar ('-') && text.substring (1).containsOnly ("0.") ? text.substring (1) : text;
}

juce::String figureText (double value, const char* unit, bool withSign)
{
    if (! std::isfinite (value))
        return "--";
    const auto number = fixedDecimals (value, 1);
    return (withSign && value > 0 && number.containsAnyOf ("123456789") ? "+" : "") + number + unit;
}

int updateThreeBandLabel (int current, float value, float low, float high, float margin)
{
    if (current <= 0)
        return value >= high + margin ? 2 : (value >= low + margin ? 1 : 0);
    if (current == 1)
        return value >= high + margin ? 2 : (value < low - margin ? 0 : 1);
    return value < low - margin ? 0 : (value < high - margin ? 1 : 2);
}

juce::String BandWords::sideAirText (float v) { return advance (sideAirBand, v, sideAirEdges); }
juce::String BandWords::centreWeightText (float v) { return advance (centreWeightBand, v, centreWeightEdges); }
juce::String BandWords::forwardMidText (float v) { return advance (forwardMidBand, v, forwardMidEdges); }
juce::String BandWords::punchReserveText (float v) { return advance (punchBand, v, punchEdges); }
juce::String BandWords::silkRatioText (float v) { return advance (silkBand, v, silkEdges); }

juce::String headroomText (int state) { return state <= 0 ? "OK" : state == 1 ? "HOT" : "CLIP"; }
Tone headroomTone (int state) { return state <= 0 ? Tone::good : state == 1 ? Tone::warn : Tone::bad; }

juce::String levelWord (int level) { return level >= 2 ? "HIGH" : level == 1 ? "MED" : "LOW"; }

juce::String translationBandWord (int band)
{
    static const char* const words[] = { "DAMAGED", "COMPROMISED", "ACCEPTABLE", "STRONG", "REFERENCE" };
    return words[juce::jlimit (0, 4, band)];
}

juce::String widthRiskText (int signalState, int level)
{
    return signalState < 2 ? notReadyText (signalState) : (level == 2 ? "HIGH" : level == 1 ? "MED" : "LOW");
}

Tone widthRiskTone (int signalState, int level)
{
    return signalState < 2 ? Tone::info : (level == 2 ? Tone::bad : level == 1 ? Tone::warn : Tone::good);
}

juce::String pushDamageText (int signalState, int level) { return widthRiskText (signalState, level); }
Tone pushDamageTone (int signalState, int level) { return widthRiskTone (signalState, level); }

juce::String translationText (int signalState, float score)
{
    if (signalState < 2)
        return notReadyText (signalState);

    return score >= 88.0f ? "REFERENCE" : score >= 70.0f ? "STRONG" : score >= 58.0f ? "ACCEPTABLE"
         : score >= 40.0f ? "COMPROMISED" : "DAMAGED";
}

Tone translationTone (int signalState, float score)
{
    if (signalState < 2)
        return Tone::info;

    return score >= 70.0f ? Tone::good : score >= 58.0f ? Tone::label : score >= 40.0f ? Tone::warn : Tone::bad;
}

juce::String pushDamageReasonText (int signalState, int reason)
{
    if (signalState < 2)
        return {};

    switch (reason)
    {
        case 2:  return "pushing hard";
        case 3:  return "losing impact";
        case 4:  return "low-end strain";
        case 5:  return "width strain";
        case 6:  return "running hot";
        case 7:  return "over-limited";
        default: return "healthy";
    }
}

juce::String metricText (float value, const juce::String& unit) { return oneDecimal (value).paddedLeft (' ', 7) + unit; }

juce::String indexText (float value, const juce::String& word) { return rounded (value, 3) + " (" + word + ")"; }

juce::String formatCapturedTime (float seconds)
{
    const int total = juce::jmax (0, juce::roundToInt (seconds));
    const int h = total / 3600, m = (total % 3600) / 60, s = total % 60;
    const auto twoDigits = [] (int v) { return juce::String (v).paddedLeft ('0', 2); };

    if (total >= 3600)
        return juce::String (h) + ":" + twoDigits (m) + ":" + twoDigits (s);
    return juce::String (m) + ":" + twoDigits (s);
}

juce::String formatBandPercents (std::uint64_t low, std::uint64_t med, std::uint64_t high)
{
    const std::uint64_t total = low + med + high;
    if (total == 0)
        return "L --  M --  H --";

    const auto share = [total] (std::uint64_t count)
    { return juce::String (juce::roundToInt ((double) count * 100.0 / (double) total)).paddedLeft (' ', 2); };

    return "L " + share (low) + "%  M " + share (med) + "%  H " + share (high) + "%";
}

juce::String trackPassLabelText (int trackPassState)
{
    const char* word = trackPassState == 1 ? "CAPTURING" : trackPassState == 2 ? "FROZEN" : "WAITING";
    return juce::String::fromUTF8 ("TRACK PASS  \xe2\x80\xa2  ") + word;
}

int dominantTranslationBand (const TrackPassSnapshot& snapshot)
{
    int best = 0;
    for (int band = 1; band < 5; ++band)
        if (snapshot.translationCounts[(size_t) band] > snapshot.translationCounts[(size_t) best])
            best = band;
    return best;
}

OverallVerdict overallVerdict (const TrackPassSnapshot& snap)
{
    if (snap.blockCount == 0)
        return OverallVerdict::waiting;

    const auto& counts = snap.pushDamageCounts;
    const std::uint64_t n = counts[0] + counts[1] + counts[2];
    const float medShare = n > 0 ? (float) counts[1] / (float) n : 0.0f;
    const float highShare = n > 0 ? (float) counts[2] / (float) n : 0.0f;

    const bool pushed = snap.worstPushDamage >= 2 || highShare >= 0.05f || medShare >= 0.5f;
    const bool concern = medShare >= 0.1f || snap.worstPushDamage > 0 || snap.worstWidthRisk > 0;

    if (pushed)
        return OverallVerdict::pushed;
    if (concern || dominantTranslationBand (snap) <= 1)
        return OverallVerdict::watch;
    return OverallVerdict::pass;
}

juce::String overallVerdictText (OverallVerdict verdict)
{
    switch (verdict)
    {
        case OverallVerdict::pass:   return "PASS";
        case OverallVerdict::watch:  return "WATCH";
        case OverallVerdict::pushed: return "PUSHED";
        case OverallVerdict::waiting: break;
    }
    return "WAITING FOR SIGNAL";
}

juce::String programmeVerdictText (OverallVerdict worstOfItsPasses)
{
    return worstOfItsPasses == OverallVerdict::waiting ? juce::String ("NO SIGNAL") : overallVerdictText (worstOfItsPasses);
}

std::array<RowText, numTrackPassRows> trackPassRows (const TrackPassSnapshot& s)
{
    std::array<RowText, numTrackPassRows> rows;
    const auto byData = [] (bool hasData) { return hasData ? Tone::label : Tone::info; };

    rows[0].caption = "OVERALL TRACK HEALTH";
    rows[1] = { "CAPTURED", formatCapturedTime (s.capturedSeconds), byData (s.blockCount != 0) };

    rows[2] = { "LUFS-I FINAL", s.hasLufsIntegrated ? oneDecimal (s.lufsIntegratedFinal) + " LUFS" : "--",
                byData (s.hasLufsIntegrated) };

    const auto& lufs = s.lufsShortSummary;
    rows[3] = { "LUFS-S",
                lufs.valid ? "AVG " + oneDecimal (lufs.avg) + "   MIN " + oneDecimal (lufs.min) + "   MAX " + oneDecimal (lufs.max)
                           : juce::String ("AVG  --   MIN  --   MAX  --"),
                byData (lufs.valid) };

    rows[4] = { "PEAK / TP MAX",
                "PK " + (s.hasPeak ? oneDecimal (s.peakMaxDb) + " dBFS" : juce::String ("--"))
                    + "   TP " + (s.hasTruePeak ? oneDecimal (s.truePeakMaxDb) + " dBTP" : juce::String ("--")),
                byData (s.hasPeak || s.hasTruePeak) };

    const auto& crest = s.crestSummary;
    rows[5] = { "RMS / CREST",
                "RMS " + (s.hasRms ? oneDecimal (s.rmsAvgDb) + " dBFS" : juce::String ("--")) + "   CREST "
                    + (crest.valid ? "AVG " + oneDecimal (crest.avg) + " (" + oneDecimal (crest.min) + "-" + oneDecimal (crest.max) + ")"
                                   : juce::String ("AVG  --")),
                byData (s.hasRms || crest.valid) };

    const auto metric = [] (const char* caption, const TrackPassSnapshot::Summary& summary)
    {
        if (! summary.valid)
            return RowText { caption, "AVG  --   PEAK  --", Tone::info };
        return RowText { caption, "AVG " + rounded (summary.avg, 3) + "   PEAK " + rounded (summary.max, 3), Tone::label };
    };
    rows[6] = metric ("PUNCH", s.punchSummary);
    rows[7] = metric ("SILK", s.silkSummary);
    rows[8] = metric ("CENTRE WEIGHT", s.centreWeightSummary);
    rows[9] = metric ("SIDE AIR", s.sideAirSummary);
    rows[10] = metric ("FORWARD MID", s.forwardMidSummary);

    rows[11].caption = "PUSH DAMAGE";
    rows[12].caption = "LOW WIDTH RISK";
    rows[13].caption = "TRANSLATION";

    if (s.blockCount == 0)
    {
        rows[11] = { rows[11].caption, "L  --  M  --  H  --   worst --", Tone::info };
        rows[12] = { rows[12].caption, "worst --", Tone::info };
        rows[13] = { rows[13].caption, "final --   dom --", Tone::info };
        rows[0] = { rows[0].caption, "WAITING FOR SIGNAL", Tone::info };
        return rows;
    }

    const auto& push = s.pushDamageCounts;
    rows[11].text = formatBandPercents (push[0], push[1], push[2]) + "   worst " + levelWord (s.worstPushDamage);
    rows[11].tone = levelTone (s.worstPushDamage);

    rows[12].text = "worst " + levelWord (s.worstWidthRisk);
    rows[12].tone = levelTone (s.worstWidthRisk);

    const int dominant = dominantTranslationBand (s);
    std::uint64_t total = 0;
    for (auto count : s.translationCounts)
        total += count;
    const int share = total > 0 ? juce::roundToInt ((double) s.translationCounts[(size_t) dominant] * 100.0 / (double) total) : 0;
    rows[13].text = "final " + translationBandWord (s.lastTranslationBand) + "   dom " + translationBandWord (dominant)
                  + " " + juce::String (share) + "%";
    rows[13].tone = dominant >= 3 ? Tone::good : dominant == 2 ? Tone::label : dominant == 1 ? Tone::warn : Tone::bad;

    const auto verdict = overallVerdict (s);
    rows[0].text = overallVerdictText (verdict);
    rows[0].tone = overallVerdictTone (verdict);
    return rows;
}

Tone overallVerdictTone (OverallVerdict verdict)
{
    return verdict == OverallVerdict::pushed ? Tone::bad : verdict == OverallVerdict::watch ? Tone::warn : Tone::good;
}

juce::String csvHeader()
{
    return "t_sec,peak_dbfs,rms_dbfs,crest_db,peak_hold_dbfs,true_peak_dbtp,lufs_s,lufs_i,side_air,side_air_label,"
           "silk,silk_label,centre_weight,centre_weight_label,forward_mid,forward_mid_label,punch,punch_label,"
           "low_width_risk,translation,push_damage_score,push_damage,push_damage_reason\n";
}

juce::String csvQuoted (const juce::String& text) { return "\"" + text.replaceCharacter ('"', '\'') + "\""; }

float csvTruePeakColumn (float takenMaxSinceRead, float peakDb, float truePeakDb)
{
    return takenMaxSinceRead > -150.0f ? juce::jmax (peakDb, takenMaxSinceRead) : truePeakDb;
}

juce::String csvRowNow (TarnAudioProcessor& processor, double seconds, BandWords& words)
{
    const float taken = processor.truePeakMaxSinceRead.exchange (-200.0f);
    const auto readings = processor.loadReadings();
    return csvRow (seconds, readings, csvTruePeakColumn (taken, readings.peakDb, readings.truePeakDb), words);
}

juce::String csvRow (double seconds, const TarnReadings& r, float truePeakColumn, BandWords& words)
{
    const auto d = [] (double v, int decimals) { return fixedDecimals (v, decimals); };
    const int state = r.signalState;

    juce::StringArray f;
    f.add (d (seconds, 3));
    f.add (d (r.peakDb, 2));
    f.add (d (r.rmsDb, 2));
    f.add (d (juce::jmax (r.peakDb - r.rmsDb, 0.0f), 2));
    f.add (d (r.peakHoldDb, 2));
    f.add (d (truePeakColumn, 2));
    f.add (d (r.lufsShort, 2));
    f.add (d (r.lufsIntegrated, 2));
    f.add (d (r.sideAir, 1));
    f.add (csvQuoted (words.sideAirText (r.sideAir)));
    f.add (d (r.silk, 1));
    f.add (csvQuoted (words.silkRatioText (r.silk)));
    f.add (d (r.centreWeight, 1));
    f.add (csvQuoted (words.centreWeightText (r.centreWeight)));
    f.add (d (r.forwardMid, 1));
    f.add (csvQuoted (words.forwardMidText (r.forwardMid)));
    f.add (d (r.punch, 1));
    f.add (csvQuoted (words.punchReserveText (r.punch)));
    f.add (csvQuoted (widthRiskText (state, r.lowWidthRiskLevel)));
    f.add (csvQuoted (translationText (state, r.translation)));
    f.add (d (r.pushDamageScore, 1));
    f.add (csvQuoted (pushDamageText (state, r.pushDamageLevel)));
    f.add (csvQuoted (pushDamageReasonText (state, r.pushDamageReason)));
    return f.joinIntoString (",") + "\n";
}
} // namespace tarn::text
