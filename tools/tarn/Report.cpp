#include "Report.h"

#include <cmath>
#include <limits>

namespace tarn::analyser
{
namespace
{
juce::String channelWord (int channels) { return channels == 1 ? "mono" : channels == 2 ? "stereo" : juce::String (channels) + " channels"; }
} // namespace

juce::String formatReport (const Result& r)
{
    const double seconds = r.sampleRate > 0 ? (double) r.lengthInSamples / r.sampleRate : 0.0;
    const auto line = [] (const juce::String& caption, const juce::String& value) { return caption.paddedRight (' ', 22) + value + "\n"; };
    juce::String out;
    out << r.name << "  (" << text::formatCapturedTime ((float) seconds) << ", " << juce::String (r.sampleRate, 0)
        << " Hz, " << channelWord (r.numChannels) << ")\n";

    // Pauses of 3 s or more split the file into passes: each is listed, and the rows below are
    // those of the worst, whose verdict is the file's.
    const auto passCount = (int) r.passes.size();
    if (passCount > 1)
    {
        out << line ("PASSES", juce::String (passCount) + " (a pass ends after 3 s of quiet)");
        for (int i = 0; i < passCount; ++i)
        {
            const auto& pass = r.passes[(size_t) i];
            out << line ("  PASS " + juce::String (i + 1),
                         text::formatCapturedTime ((float) pass.startSeconds) + " - " + text::formatCapturedTime ((float) pass.endSeconds)
                             + "   " + text::overallVerdictText (pass.verdict()));
        }
    }

    out << text::trackPassLabelText (r.trackPassState);
    if (passCount > 1)
        out << "  (PASS " << (r.worstPass() + 1) << " OF " << passCount << ", THE WORST)";
    out << "\n";

    auto rows = text::trackPassRows (r.snapshot);
    rows[0].text = text::programmeVerdictText (r.verdict());   // NO SIGNAL when no block was audible
    for (const auto& row : rows)
        out << line (row.caption, row.text);

    return out;
}

namespace
{
juce::var finiteOrNull (double v) { return std::isfinite (v) ? juce::var (v) : juce::var(); }

// Tarn's true-peak estimate, which never reads below the sample peak, stops at its +12 dB
// ceiling; above that, the sample peak is the most that is known, and at least what the true
// peak is.
double truePeakOf (float tarnTruePeakDb, double samplePeakDb)
{
    if (! (tarnTruePeakDb > -100.0f))
        return -HUGE_VAL;
    return tarnTruePeakDb >= 12.0f ? std::max ((double) tarnTruePeakDb, samplePeakDb) : (double) tarnTruePeakDb;
}

} // namespace

ReferenceFigures::ReferenceFigures (const Result& r)
    : measured (r.reference->figures()),
      loudnessRangeLu (std::isfinite (measured.integratedLufs) ? measured.loudnessRangeLu : HUGE_VAL),
      maxTruePeakDbtp (truePeakOf (r.maxTruePeakDb, measured.maxSamplePeakDbfs)),
      plrLu (maxTruePeakDbtp - measured.integratedLufs),
      tarnMinusReferenceLu (r.finalReadings.lufsIntegrated > -100.0f ? r.finalReadings.lufsIntegrated - measured.integratedLufs : HUGE_VAL),
      streamingGainDb (-14.0 - measured.integratedLufs)
{
}

juce::String formatReferenceSection (const Result& r)
{
    if (! r.ok || r.reference == nullptr)
        return {};

    const ReferenceFigures f (r);
    const auto line = [] (const char* caption, const juce::String& value) { return juce::String (caption).paddedRight (' ', 22) + value + "\n"; };
    juce::String out ("REFERENCE LOUDNESS (ITU-R BS.1770 / EBU R 128)\n");
    if (! r.reference->measuresLoudness())
        out << "(no loudness below " << juce::String (StandardLoudnessMeter::minimumLoudnessRate / 1000.0, 0)
            << " kHz: the K-weighting is not defined at " << juce::String (r.sampleRate, 0) << " Hz)\n";
    out << line ("INTEGRATED", text::figureText (f.measured.integratedLufs, " LUFS"))
        << line ("LOUDNESS RANGE", text::figureText (f.loudnessRangeLu, " LU"))
        << line ("MAX MOMENTARY", text::figureText (f.measured.maxMomentaryLufs, " LUFS"))
        << line ("MAX SHORT-TERM", text::figureText (f.measured.maxShortTermLufs, " LUFS"))
        << line ("MAX TRUE PEAK", text::figureText (f.maxTruePeakDbtp, " dBTP"))
        << line ("MAX SAMPLE PEAK", text::figureText (f.measured.maxSamplePeakDbfs, " dBFS"))
        << line ("PLR", text::figureText (f.plrLu, " LU"))
        << line ("TARN LUFS-I - REF", text::figureText (f.tarnMinusReferenceLu, " LU", true))
        << line ("AT -14 LUFS STREAMING", text::figureText (f.streamingGainDb, " dB gain", true));
    return out;
}

delivery::Outcome deliveryOf (const Result& r, const delivery::Target& target)
{
    if (! r.ok || r.reference == nullptr)
        return delivery::deliver (target, std::numeric_limits<double>::quiet_NaN(), -HUGE_VAL);
    const ReferenceFigures f (r);
    return delivery::deliver (target, f.measured.integratedLufs, f.maxTruePeakDbtp);
}

juce::String formatDeliverySection (const Result& r, const Targets& targets)
{
    if (targets.empty())
        return {};
    juce::String out ("DELIVERY\n");
    for (const auto* t : targets)
        out << delivery::summaryLine (*t, deliveryOf (r, *t)) << "\n";
    return out;
}

namespace
{
// The album as one programme: every gated block of its files together, and its highest peak.
struct AlbumFigures
{
    double integratedLufs = -HUGE_VAL, maxTruePeakDbtp = -HUGE_VAL;
    bool any = false;

    explicit AlbumFigures (const std::vector<Result>& results)
    {
        std::vector<const StandardLoudnessMeter*> measured;
        for (const auto& r : results)
            if (r.ok && r.reference != nullptr)
            {
                measured.push_back (r.reference.get());
                maxTruePeakDbtp = std::max (maxTruePeakDbtp, ReferenceFigures (r).maxTruePeakDbtp);
            }
        any = ! measured.empty();
        if (any)
            integratedLufs = StandardLoudnessMeter::integratedOf (measured);
    }

    delivery::Outcome deliver (const delivery::Target& target) const { return delivery::deliver (target, integratedLufs, maxTruePeakDbtp); }
};

juce::var outcomeJson (const delivery::Target& t, const delivery::Outcome& o)
{
    auto* d = new juce::DynamicObject();
    d->setProperty ("target", t.key);
    d->setProperty ("name", t.name);
    d->setProperty ("targetLufs", t.integratedLufs);
    d->setProperty ("gainDb", finiteOrNull (o.gainDb));
    d->setProperty ("truePeakAfterDbtp", finiteOrNull (o.truePeakAfterDbtp));
    d->setProperty ("turnedUp", o.measured ? juce::var (o.turnedUp) : juce::var());
    d->setProperty ("passed", o.judged ? juce::var (o.passed) : juce::var());
    d->setProperty ("result", o.word);
    return d;
}

// The JSON's "delivery" list: one record per target, in the order given.
template <typename OutcomeOf>
juce::var deliveryJson (const Targets& targets, OutcomeOf outcomeOf)
{
    juce::Array<juce::var> list;
    for (const auto* t : targets)
        list.add (outcomeJson (*t, outcomeOf (*t)));
    return list;
}
} // namespace

juce::String formatAlbumTable (const std::vector<Result>& results, const Targets& targets)
{
    const auto cell = [] (const juce::String& text, int width) { return text.substring (0, width - 1).paddedRight (' ', width); };
    const auto number = [] (double v) { return text::figureText (v, ""); };

    juce::String out ("ALBUM\n");
    out << cell ("FILE", 28) << cell ("LENGTH", 9) << cell ("VERDICT", 10) << cell ("TARN LUFS-I", 13)
        << cell ("LUFS-I", 9) << cell ("LRA", 7) << cell ("MAX TP", 8) << "PLR\n";

    for (const auto& r : results)
    {
        out << cell (r.name, 28);
        if (! r.ok)
        {
            out << "unreadable\n";
            continue;
        }

        out << cell (text::formatCapturedTime ((float) ((double) r.lengthInSamples / r.sampleRate)), 9)
            << cell (text::programmeVerdictText (r.verdict()), 10)
            << cell (r.finalReadings.lufsIntegrated > -100.0f ? number (r.finalReadings.lufsIntegrated) : juce::String ("--"), 13);

        if (r.reference != nullptr)
        {
            const ReferenceFigures f (r);
            out << cell (number (f.measured.integratedLufs), 9) << cell (number (f.loudnessRangeLu), 7)
                << cell (number (f.maxTruePeakDbtp), 8) << number (f.plrLu);
        }
        out << "\n";
    }

    const AlbumFigures album (results);
    if (album.any)
    {
        out << "ALBUM INTEGRATED LOUDNESS  " << text::figureText (album.integratedLufs, " LUFS") << "\n";
        if (! targets.empty())
            out << "ALBUM GAIN\n";
        for (const auto* t : targets)
            out << delivery::summaryLine (*t, album.deliver (*t)) << "\n";
    }
    return out;
}

juce::var albumJson (const std::vector<Result>& results, const Targets& targets)
{
    const AlbumFigures album (results);
    auto* o = new juce::DynamicObject();
    o->setProperty ("integratedLufs", finiteOrNull (album.integratedLufs));
    o->setProperty ("maxTruePeakDbtp", finiteOrNull (album.maxTruePeakDbtp));
    if (! targets.empty())
        o->setProperty ("delivery", deliveryJson (targets, [&album] (const delivery::Target& t) { return album.deliver (t); }));
    return o;
}

namespace
{
juce::var summaryJson (const TrackPassSnapshot::Summary& s)
{
    auto* o = new juce::DynamicObject();
    o->setProperty ("valid", s.valid);
    o->setProperty ("avg", s.avg);
    o->setProperty ("min", s.min);
    o->setProperty ("max", s.max);
    return o;
}

template <typename Counts>
juce::var countsJson (const Counts& counts)
{
    juce::Array<juce::var> list;
    for (auto c : counts)
        list.add ((juce::int64) c);
    return list;
}

juce::var snapshotJson (const TrackPassSnapshot& s)
{
    auto* o = new juce::DynamicObject();
    o->setProperty ("capturedSeconds", s.capturedSeconds);
    o->setProperty ("blockCount", (juce::int64) s.blockCount);
    o->setProperty ("hasPeak", s.hasPeak);
    o->setProperty ("peakMaxDb", s.peakMaxDb);
    o->setProperty ("hasTruePeak", s.hasTruePeak);
    o->setProperty ("truePeakMaxDb", s.truePeakMaxDb);
    o->setProperty ("hasRms", s.hasRms);
    o->setProperty ("rmsAvgDb", s.rmsAvgDb);
    o->setProperty ("crestSummary", summaryJson (s.crestSummary));
    o->setProperty ("lufsShortSummary", summaryJson (s.lufsShortSummary));
    o->setProperty ("hasLufsIntegrated", s.hasLufsIntegrated);
    o->setProperty ("lufsIntegratedFinal", s.lufsIntegratedFinal);
    o->setProperty ("punchSummary", summaryJson (s.punchSummary));
    o->setProperty ("silkSummary", summaryJson (s.silkSummary));
    o->setProperty ("centreWeightSummary", summaryJson (s.centreWeightSummary));
    o->setProperty ("sideAirSummary", summaryJson (s.sideAirSummary));
    o->setProperty ("forwardMidSummary", summaryJson (s.forwardMidSummary));
    o->setProperty ("pushDamageCounts", countsJson (s.pushDamageCounts));
    o->setProperty ("worstPushDamage", s.worstPushDamage);
    o->setProperty ("widthRiskCounts", countsJson (s.widthRiskCounts));
    o->setProperty ("worstWidthRisk", s.worstWidthRisk);
    o->setProperty ("translationCounts", countsJson (s.translationCounts));
    o->setProperty ("lastTranslationBand", s.lastTranslationBand);
    return o;
}

juce::var readingsJson (const TarnReadings& r)
{
    auto* o = new juce::DynamicObject();
#define TARN_READING_JSON(type, name, resetValue) o->setProperty (#name, r.name);
    TARN_PUBLISHED_READINGS (TARN_READING_JSON)
#undef TARN_READING_JSON
    return o;
}
} // namespace

juce::var toJson (const Result& r, const Targets& targets)
{
    auto* o = new juce::DynamicObject();
    o->setProperty ("file", r.name);

    if (! r.ok)
    {
        o->setProperty ("error", r.error);
        return o;
    }

    o->setProperty ("sampleRate", r.sampleRate);
    o->setProperty ("channels", r.numChannels);
    o->setProperty ("lengthInSamples", r.lengthInSamples);
    o->setProperty ("blockSize", r.blockSize);
    o->setProperty ("destinationMode", r.destinationMode);
    o->setProperty ("overallVerdict", text::programmeVerdictText (r.verdict()));
    o->setProperty ("trackPassState", r.trackPassState);
    o->setProperty ("readings", readingsJson (r.finalReadings));
    o->setProperty ("trackPass", snapshotJson (r.snapshot));   // the worst pass, as in the report

    juce::Array<juce::var> passes;
    for (const auto& pass : r.passes)
    {
        auto* p = new juce::DynamicObject();
        p->setProperty ("startSeconds", pass.startSeconds);
        p->setProperty ("endSeconds", pass.endSeconds);
        p->setProperty ("overallVerdict", text::overallVerdictText (pass.verdict()));
        p->setProperty ("trackPass", snapshotJson (pass.snapshot));
        passes.add (p);
    }
    o->setProperty ("passes", passes);

    if (r.reference != nullptr)
    {
        const ReferenceFigures f (r);
        auto* ref = new juce::DynamicObject();
        ref->setProperty ("integratedLufs", finiteOrNull (f.measured.integratedLufs));
        ref->setProperty ("loudnessRangeLu", finiteOrNull (f.loudnessRangeLu));
        ref->setProperty ("maxMomentaryLufs", finiteOrNull (f.measured.maxMomentaryLufs));
        ref->setProperty ("maxShortTermLufs", finiteOrNull (f.measured.maxShortTermLufs));
        ref->setProperty ("maxTruePeakDbtp", finiteOrNull (f.maxTruePeakDbtp));
        ref->setProperty ("maxSamplePeakDbfs", finiteOrNull (f.measured.maxSamplePeakDbfs));
        ref->setProperty ("plrLu", finiteOrNull (f.plrLu));
        ref->setProperty ("tarnMinusReferenceLu", finiteOrNull (f.tarnMinusReferenceLu));
        ref->setProperty ("streamingGainDb", finiteOrNull (f.streamingGainDb));
        o->setProperty ("reference", ref);
    }
    if (! targets.empty())
        o->setProperty ("delivery", deliveryJson (targets, [&r] (const delivery::Target& t) { return deliveryOf (r, t); }));
    return o;
}
} // namespace tarn::analyser
