#pragma once

#include "TrackPassStats.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>

struct TarnReadings;
class TarnAudioProcessor;

// How a reading is worded and classified: band words with hysteresis, verdict words, reason
// phrases, the Track Pass texts and the CSV rows. No GUI here; the editor and the analyser both
// use it, so a reading reads the same everywhere.
namespace tarn::text
{
// The colour role of a text; the editor maps each to its palette colour.
enum class Tone
{
    label,   // plain reading text
    info,    // not ready, no data
    good,
    warn,
    bad
};

const char* toneName (Tone tone);

// The hysteresis step of a three-band word: a band is entered 'margin' past its edge and left
// 'margin' below it; jumping over the middle band in one step is allowed.
int updateThreeBandLabel (int current, float value, float low, float high, float margin);

// The five index words, each with its own hysteresis state (band 0 to start with).
struct BandWords
{
    int sideAirBand = 0, centreWeightBand = 0, forwardMidBand = 0, punchBand = 0, silkBand = 0;

    juce::String sideAirText (float value);
    juce::String centreWeightText (float value);
    juce::String forwardMidText (float value);
    juce::String punchReserveText (float value);
    juce::String silkRatioText (float value);
};

// Verdict words and tones; before the verdicts are ready they read "WAITING FOR SIGNAL" or
// "ANALYSING..." in the info tone.
juce::String widthRiskText (int signalState, int level);
Tone widthRiskTone (int signalState, int level);
juce::String translationText (int signalState, float score);
Tone translationTone (int signalState, float score);
juce::String pushDamageText (int signalState, int level);
Tone pushDamageTone (int signalState, int level);
juce::String pushDamageReasonText (int signalState, int reason);   // empty until ready

// The header's headroom state: "OK", "HOT" or "CLIP".
juce::String headroomText (int headroomState);
Tone headroomTone (int headroomState);

juce::String translationBandWord (int band);   // "DAMAGED" .. "REFERENCE"
juce::String levelWord (int level);            // "LOW", "MED", "HIGH"

// A number with a fixed count of decimals, as juce::String writes it, except that a value that
// rounds to zero reads "0.0", never "-0.0". Every number of the window, the report and the CSV
// goes through here.
juce::String fixedDecimals (double value, int decimals);

// A figure to one decimal and its unit, or "--" when it was not measured (not finite); with
// `withSign`, a figure above zero reads with a "+". The analyser's reports and pictures use it.
juce::String figureText (double value, const char* unit, bool withSign = false);

// LIVE value texts: a one-decimal number padded to 7 and its unit; a rounded index padded to 3
// and its word in parentheses.
juce::String metricText (float value, const juce::String& unit);
juce::String indexText (float value, const juce::String& word);

// Track Pass.
juce::String formatCapturedTime (float seconds);
juce::String formatBandPercents (std::uint64_t low, std::uint64_t med, std::uint64_t high);
juce::String trackPassLabelText (int trackPassState);   // "TRACK PASS  •  CAPTURING"

enum class OverallVerdict { waiting, pass, watch, pushed };
OverallVerdict overallVerdict (const TrackPassSnapshot& snapshot);
juce::String overallVerdictText (OverallVerdict verdict);
Tone overallVerdictTone (OverallVerdict verdict);   // PASS good, WATCH warn, PUSHED bad
// The verdict of a whole programme played through to its end (the analyser's): the worst of its
// passes' verdicts, or "NO SIGNAL" when no block of it was audible and no pass ever started.
juce::String programmeVerdictText (OverallVerdict worstOfItsPasses);
int dominantTranslationBand (const TrackPassSnapshot& snapshot);   // ties go to the lower band

struct RowText
{
    juce::String caption, text;
    Tone tone = Tone::info;
};

constexpr int numTrackPassRows = 14;
std::array<RowText, numTrackPassRows> trackPassRows (const TrackPassSnapshot& snapshot);

// CSV of a recorded pass: the header line and one row of the current readings (each with its
// line feed). The band words advance `words`; truePeakColumn is the true_peak_dbtp column's value.
juce::String csvHeader();
juce::String csvRow (double seconds, const TarnReadings& readings, float truePeakColumn, BandWords& words);
juce::String csvQuoted (const juce::String& text);

// The true_peak_dbtp column: the highest true peak since the previous row when a block was
// processed in between (taken out of truePeakMaxSinceRead), else the published display value.
float csvTruePeakColumn (float takenMaxSinceRead, float peakDb, float truePeakDb);

// The next row of a recording, as the editor's export and the analyser both write it: takes
// truePeakMaxSinceRead out of the processor (so the row carries the highest true peak since the row
// before) and words the current readings.
juce::String csvRowNow (TarnAudioProcessor& processor, double seconds, BandWords& words);
} // namespace tarn::text
