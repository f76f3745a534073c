#include "Analyser.h"
#include "Report.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <limits>

using namespace testing_signals;

namespace
{
// A programme built from tone segments: a 1 kHz sine at each segment's peak level (dBFS),
// the same on both channels; a level of nullopt is digital silence.
struct Segment { double seconds; std::optional<double> levelDb; };

std::vector<float> tones (const std::vector<Segment>& segments, double rate = 48000)
{
    std::vector<float> x;
    double phase = 0;
    for (const auto& s : segments)
    {
        const auto n = (size_t) std::llround (s.seconds * rate);
        const double amplitude = s.levelDb ? std::pow (10.0, *s.levelDb / 20.0) : 0.0;
        for (size_t i = 0; i < n; ++i)
        {
            x.push_back ((float) (amplitude * std::sin (phase)));
            phase += 2 * pi * 1000 / rate;
        }
    }
    return x;
}

std::vector<Segment> repeated (std::vector<Segment> pattern, int times)
{
    std::vector<Segment> all;
    for (int i = 0; i < times; ++i)
        all.insert (all.end(), pattern.begin(), pattern.end());
    return all;
}

tarn::analyser::Result measure (std::vector<float> samples, double rate = 48000)
{
    auto audio = std::make_shared<std::vector<float>> (std::move (samples));
    tarn::analyser::Programme p;
    p.name = "test";
    p.sampleRate = rate;
    p.numChannels = 2;
    p.lengthInSamples = (juce::int64) audio->size();
    p.read = [audio] (juce::AudioBuffer<float>& dest, juce::int64 start, int n)
    {
        for (int c = 0; c < 2; ++c)
            dest.copyFrom (c, 0, audio->data() + start, n);
        return true;
    };
    return tarn::analyser::analyse (p, {});
}

StandardLoudnessMeter::Figures figuresOf (const std::vector<Segment>& segments) { return measure (tones (segments)).reference->figures(); }

const std::optional<double> silent;
} // namespace

TEST (ReferenceLoudness, EbuTech3341MinimumRequirements)
{
    // Integrated loudness with the relative gate: cases 1 to 5.
    struct Case { const char* name; std::vector<Segment> signal; double expected; };
    const Case integrated[] = {
        { "1", { { 20, -23.0 } }, -23.0 },
        { "2", { { 20, -33.0 } }, -33.0 },
        { "3", { { 10, -36.0 }, { 60, -23.0 }, { 10, -36.0 } }, -23.0 },
        { "4", { { 10, -72.0 }, { 10, -36.0 }, { 60, -23.0 }, { 10, -36.0 }, { 10, -72.0 } }, -23.0 },
        { "5", { { 20, -26.0 }, { 20.1, -20.0 }, { 20, -26.0 } }, -23.0 },
    };
    for (const auto& c : integrated)
        EXPECT_NEAR (figuresOf (c.signal).integratedLufs, c.expected, 0.1) << "case " << c.name;

    // Steady tones read their level as momentary and short-term maxima too.
    const auto steady = figuresOf ({ { 20, -23.0 } });
    EXPECT_NEAR (steady.maxMomentaryLufs, -23.0, 0.1);
    EXPECT_NEAR (steady.maxShortTermLufs, -23.0, 0.1);
    EXPECT_NEAR (steady.maxSamplePeakDbfs, -23.0, 0.01);

    // Case 9: alternating -20 / -30 dBFS in 1.34 s / 1.66 s: every 3 s window holds -23 LUFS.
    EXPECT_NEAR (figuresOf (repeated ({ { 1.34, -20.0 }, { 1.66, -30.0 } }, 5)).maxShortTermLufs, -23.0, 0.1);

    // Case 12: alternating in 0.18 s / 0.22 s: every 400 ms window holds -23 LUFS.
    EXPECT_NEAR (figuresOf (repeated ({ { 0.18, -20.0 }, { 0.22, -30.0 } }, 25)).maxMomentaryLufs, -23.0, 0.1);
}

TEST (ReferenceLoudness, EbuTech3341SegmentedMaximaAtEveryOffset)
{
    // Cases 10 and 13: each segment starts after a different length of silence, so a maximum
    // read on a coarse grid would miss some; every offset must read -23 LUFS.
    for (int i = 0; i < 20; ++i)
    {
        EXPECT_NEAR (figuresOf ({ { i * 0.15, silent }, { 3.0, -23.0 }, { 1.0, silent } }).maxShortTermLufs, -23.0, 0.1)
            << "case 10, segment " << i;
        EXPECT_NEAR (figuresOf ({ { i * 0.02, silent }, { 0.4, -23.0 }, { 1.0, silent } }).maxMomentaryLufs, -23.0, 0.1)
            << "case 13, segment " << i;
    }
}

TEST (ReferenceLoudness, EbuTech3342LoudnessRange)
{
    struct Case { const char* name; std::vector<double> levels; double expected; };
    const Case cases[] = {
        { "1", { -20, -30 }, 10 },
        { "2", { -20, -15 }, 5 },
        { "3", { -40, -20 }, 20 },
        { "4", { -50, -35, -20, -35, -50 }, 15 },
    };
    for (const auto& c : cases)
    {
        std::vector<Segment> signal;
        for (double level : c.levels)
            signal.push_back ({ 20, level });
        signal.push_back ({ 2, silent });   // file-based: the signal is followed by silence
        EXPECT_NEAR (figuresOf (signal).loudnessRangeLu, c.expected, 1.0) << "case " << c.name;
    }
}

TEST (ReferenceLoudness, TruePeakIsTarnsOversampledEstimate)
{
    for (const auto& c : truePeakCases())
    {
        const auto r = measure (c.signal);
        EXPECT_LE (r.maxTruePeakDb, c.expectedDb + 0.2) << "case " << c.name;
        EXPECT_GE (r.maxTruePeakDb, c.expectedDb - 0.4) << "case " << c.name;
        EXPECT_TRUE (tarn::analyser::formatReferenceSection (r).contains ("MAX TRUE PEAK")) << "case " << c.name;
    }
}

TEST (ReferenceLoudness, SectionAndJsonFigures)
{
    const auto r = measure (tones ({ { 10, -23.0 } }));
    const auto section = tarn::analyser::formatReferenceSection (r);
    EXPECT_TRUE (section.startsWith ("REFERENCE LOUDNESS (ITU-R BS.1770 / EBU R 128)\n"));
    EXPECT_TRUE (section.contains ("INTEGRATED            -23.0 LUFS"));
    EXPECT_TRUE (section.contains ("AT -14 LUFS STREAMING +9.0 dB gain"));

    const auto json = tarn::analyser::toJson (r)["reference"];
    EXPECT_NEAR ((double) json["integratedLufs"], -23.0, 0.1);
    EXPECT_NEAR ((double) json["streamingGainDb"], 9.0, 0.1);
    // A sine's true peak equals its peak, and a stereo sine at -23 dBFS peak is -23 LUFS: PLR 0.
    EXPECT_NEAR ((double) json["plrLu"], (double) json["maxTruePeakDbtp"] - (double) json["integratedLufs"], 1e-9);
    EXPECT_NEAR ((double) json["plrLu"], 0.0, 0.15);
    EXPECT_NEAR ((double) json["tarnMinusReferenceLu"], (double) r.finalReadings.lufsIntegrated - (double) json["integratedLufs"], 1e-6);

    EXPECT_NEAR ((double) json["maxSamplePeakDbfs"], -23.0, 0.01);

    // A non-finite sample counts as silence; it must not poison the standard figures.
    auto damaged = tones ({ { 10, -23.0 } });
    damaged[48000] = std::numeric_limits<float>::quiet_NaN();
    damaged[96000] = std::numeric_limits<float>::infinity();
    const auto figures = measure (damaged).reference->figures();
    EXPECT_NEAR (figures.integratedLufs, -23.0, 0.1);
    EXPECT_NEAR (figures.maxSamplePeakDbfs, -23.0, 0.01);
    EXPECT_NEAR (figures.maxShortTermLufs, -23.0, 0.1);

    // Silence has no integrated loudness: the figures say so instead of printing infinities.
    const auto quiet = measure (tones ({ { 5, silent } }));
    EXPECT_TRUE (tarn::analyser::formatReferenceSection (quiet).contains ("INTEGRATED            --"));
    EXPECT_TRUE (tarn::analyser::toJson (quiet)["reference"]["integratedLufs"].isVoid());
}

TEST (ReferenceLoudness, RatesTooLowForTheWeightingPrintNoLoudness)
{
    // A 125 Hz sine at -20 dBFS peak on both channels: about -21 LUFS wherever it is defined.
    struct Case { double rate; bool loudnessDefined; };
    for (const auto& c : { Case { 1000, false }, Case { 2000, false }, Case { 3000, false }, Case { 7999, false },
                           Case { 8000, true }, Case { 11025, true } })
    {
        SCOPED_TRACE (c.rate);
        std::vector<float> x ((size_t) (c.rate * 6));
        for (size_t i = 0; i < x.size(); ++i)
            x[i] = (float) (0.1 * std::sin (2 * pi * 125 * (double) i / c.rate));
        const auto r = measure (x, c.rate);
        const auto f = r.reference->figures();
        const auto section = tarn::analyser::formatReferenceSection (r);
        const auto json = tarn::analyser::toJson (r)["reference"];

        EXPECT_NEAR (f.maxSamplePeakDbfs, -20.0, 0.01);   // the peaks are measured at any rate
        EXPECT_TRUE (section.contains ("MAX SAMPLE PEAK       -20.0 dBFS")) << section;
        if (c.loudnessDefined)
        {
            EXPECT_NEAR (f.integratedLufs, -21.4, 0.5) << f.integratedLufs;
            EXPECT_NEAR (f.maxMomentaryLufs, f.integratedLufs, 0.1);
        }
        else
        {
            for (const auto* figure : { "INTEGRATED            --", "LOUDNESS RANGE        --", "MAX MOMENTARY         --",
                                        "MAX SHORT-TERM        --", "PLR                   --", "AT -14 LUFS STREAMING --" })
                EXPECT_TRUE (section.contains (figure)) << figure << "\n" << section;
            EXPECT_TRUE (section.contains ("(no loudness below 8 kHz"));
            EXPECT_TRUE (json["maxMomentaryLufs"].isVoid());
            EXPECT_TRUE (json["integratedLufs"].isVoid());
        }
    }
}

TEST (ReferenceLoudness, TruePeakNeverReadsBelowTheSamplePeakAboveTarnsCeiling)
{
    // A float file 18 dB over full scale: Tarn's levels stop at +12 dB, the samples do not.
    for (const double peakDb : { 18.0, 12.5 })
    {
        const auto r = measure (tones ({ { 5, peakDb } }));
        const auto json = tarn::analyser::toJson (r)["reference"];
        EXPECT_NEAR ((double) json["maxSamplePeakDbfs"], peakDb, 0.01);
        EXPECT_GE ((double) json["maxTruePeakDbtp"], (double) json["maxSamplePeakDbfs"]) << peakDb;
        EXPECT_TRUE (tarn::analyser::formatReferenceSection (r).contains ("MAX TRUE PEAK         " + juce::String (peakDb, 1) + " dBTP"));
    }
}
