#pragma once

#include "Analyser.h"
#include "Delivery.h"

#include <vector>

// The options of `tarn analyse`, read from the command line.
namespace tarn::cli
{
struct Arguments
{
    analyser::Options options;
    juce::StringArray files;
    juce::String jsonPath, csvPath, plotPath;
    int plotWidth = 1200, plotHeight = 600;
    std::vector<const delivery::Target*> deliver;   // in the order given, each once
    int failOnLevel = 0;   // 0 none, 2 WATCH, 3 PUSHED (OverallVerdict order)
    bool failOnDeliver = false;   // a failed delivery target (a broadcast one) exits with 3
    bool quiet = false;    // no report: only errors and the exit status
    int jobs = 0;          // files analysed at once; 0: one per core
    bool help = false;

    // The human report goes to standard error when standard output carries the JSON, the CSV or
    // the picture.
    bool reportToStandardError() const { return jsonPath == "-" || csvPath == "-" || plotPath == "-"; }

    // The CSV file or the picture of the index-th of `count` files: with several, FILE gets -1,
    // -2, ... before its extension.
    juce::String csvPathFor (int index, int count) const { return numberedPath (csvPath, index, count); }
    juce::String plotPathFor (int index, int count) const { return numberedPath (plotPath, index, count); }
    static juce::String numberedPath (const juce::String& path, int index, int count);
};

// Reads the arguments after `analyse`. `--` ends the options: every argument after it is a file.
// On a usage error returns false and says why.
bool parseAnalyseArguments (const juce::StringArray& args, Arguments& out, juce::String& error);

// Every output the arguments name can be written (none is a directory, every folder exists);
// otherwise false and why, naming the option and the path.
bool checkOutputs (const Arguments& arguments, juce::String& error);
} // namespace tarn::cli
