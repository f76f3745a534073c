#pragma once

#include <juce_core/juce_core.h>

#include <vector>

// Where a programme is delivered, and what each place does to it: its loudness target, the true
// peak it asks for, and how it turns a programme to the target. Broadcast rules are checked (the
// programme passes or fails as delivered); streaming services play it back turned down, and some
// turned up, and are not pass or fail. The figures and their sources are listed in the README.
namespace tarn::delivery
{
enum class GainRule
{
    toTarget,           // broadcast: the correction that would bring it to the target, either way
    downOnly,           // loud programmes are turned down, quiet ones are left as they are
    upWithinPeakLimit   // turned down, or up only as far as the true peak stays at the limit
};

struct Target
{
    const char* key;        // the command line's name: "spotify"
    const char* name;       // the report's: "SPOTIFY"
    double integratedLufs;
    double truePeakDbtp;    // the ceiling the place asks for or checks; NaN where it documents none
    double toleranceLu;     // broadcast: how far the integrated loudness may sit off the target
    GainRule gainRule;

    // Broadcast targets are checked as delivered: the programme passes or fails.
    bool broadcast() const noexcept { return gainRule == GainRule::toTarget; }
};

const std::vector<Target>& targets();

// The target of a command-line name (case-insensitive), or nullptr.
const Target* find (const juce::String& key);

// "ebu-r128, atsc-a85, ..." for messages.
juce::String knownKeys();

// `tarn --list-targets`: one line per target with its figures.
juce::String listText();

// What a target does with a programme of this integrated loudness and true peak (either may be
// non-finite: no loudness measured, or silence).
struct Outcome
{
    bool measured = false;          // the programme has an integrated loudness
    double gainDb = 0;              // the gain the place applies (broadcast: the correction to the target)
    double truePeakAfterDbtp = 0;   // the true peak after that gain
    bool turnedUp = false;          // the place raises this programme
    bool judged = false;            // a broadcast target: passed says whether it passes
    bool passed = false;
    juce::String word;              // "OK", "PASS", "FAIL: ...", "NOT TURNED UP, 2.0 dB UNDER TARGET", "--" ...
};

Outcome deliver (const Target& target, double integratedLufs, double truePeakDbtp);

// The report's closing line: "SPOTIFY        -2.1 dB  (peaks -3.2 dBTP after)  OK".
juce::String summaryLine (const Target& target, const Outcome& outcome);
} // namespace tarn::delivery
