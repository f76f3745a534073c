#pragma once

#include "Analyser.h"

// What the analyser writes about a result: the human report and the JSON record.
namespace tarn::analyser
{
// The TRACK PASS report: a title line, the view's section label and every row, caption and text.
juce::String formatReport (const Result& result);

// The standard loudness section printed after the report, with Tarn's figures beside it.
juce::String formatReferenceSection (const Result& result);

// One row per programme (errors keep their row) and the album's integrated loudness over all
// the programmes that could be measured.
juce::String formatAlbumTable (const std::vector<Result>& results);

juce::var toJson (const Result& result);
} // namespace tarn::analyser
