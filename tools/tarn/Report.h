#pragma once

#include "Analyser.h"
#include "Delivery.h"

// What the analyser writes about a result: the human report and the JSON record.
namespace tarn::analyser
{
// The figures of the standard section, derived from a result measured with the standard meter.
struct ReferenceFigures
{
    StandardLoudnessMeter::Figures measured;
    double loudnessRangeLu;   // none (not finite) when the programme has no integrated loudness
    double maxTruePeakDbtp, plrLu, tarnMinusReferenceLu, streamingGainDb;

    explicit ReferenceFigures (const Result& r);
};

// The TRACK PASS report: a title line, the view's section label and every row, caption and text.
juce::String formatReport (const Result& result);

// The standard loudness section printed after the report, with Tarn's figures beside it.
juce::String formatReferenceSection (const Result& result);

using Targets = std::vector<const delivery::Target*>;

// What each delivery target does with the programme (from the standard figures; a result measured
// without them has no integrated loudness to go by).
delivery::Outcome deliveryOf (const Result& result, const delivery::Target& target);

// The report's closing lines with --deliver: "DELIVERY" and one line per target.
juce::String formatDeliverySection (const Result& result, const Targets& targets);

// One row per programme (errors keep their row), the album's integrated loudness over all the
// programmes that could be measured, and with targets the album's gain at each.
juce::String formatAlbumTable (const std::vector<Result>& results, const Targets& targets = {});

juce::var toJson (const Result& result, const Targets& targets = {});

// The album's figures for the JSON: its integrated loudness and, with targets, its delivery.
juce::var albumJson (const std::vector<Result>& results, const Targets& targets);
} // namespace tarn::analyser
