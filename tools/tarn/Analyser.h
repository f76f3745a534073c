#pragma once

#include "PluginProcessor.h"
#include "ReadingText.h"
#include "StandardLoudnessMeter.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <functional>
#include <memory>
#include <vector>

// The plug-in's processor driven offline over a programme: a file or the built-in demo.
namespace tarn::analyser
{
struct Options
{
    int blockSize = 512;
    int destinationMode = 1;     // 0 Off, 1 Streaming, 2 Club / DJ
    bool recordCsv = false;
    bool reference = true;       // measure the standard loudness figures beside Tarn's own
    bool recordHistory = false;  // keep the loudness history a picture draws (needs `reference`)
};

// Something to analyse: its format and a way to read stereo blocks of it. A mono programme is
// read as dual mono.
struct Programme
{
    juce::String name;
    double sampleRate = 0;
    int numChannels = 0;
    juce::int64 lengthInSamples = 0;

    // Fills both channels of dest from `start` for `numSamples`; false when the source fails.
    std::function<bool (juce::AudioBuffer<float>& dest, juce::int64 start, int numSamples)> read;

    // After a failed read, a more precise reason than "could not be decoded", when the source has
    // one (empty otherwise). Optional.
    std::function<juce::String()> describeReadFailure;
};

// One pass of a programme: the audio from an audible block until the pass froze (3 s of quiet).
// A programme with pauses of 3 s or more has several.
struct Pass
{
    double startSeconds = 0;   // start of the pass's first audible block
    double endSeconds = 0;     // end of its last audible block
    TrackPassSnapshot snapshot;

    text::OverallVerdict verdict() const { return text::overallVerdict (snapshot); }
};

// The loudness history of a programme, one point every 100 ms of it (the last point may cover
// less). Kept only when asked for: ten points a second, some 600 kB an hour.
struct History
{
    static constexpr double step = 0.1;   // s
    std::vector<float> momentary, shortTerm;   // the standard meter's at each point, LUFS (-inf in silence)
    std::vector<float> tarnShortTerm;          // Tarn's LUFS-S after the block that reached the point
    std::vector<float> truePeak;               // dBTP: the highest 4x-oversampled estimate of the 100 ms up to the point

    size_t size() const { return momentary.size(); }
};

struct Result
{
    juce::String name;
    double sampleRate = 0;
    int numChannels = 0;
    juce::int64 lengthInSamples = 0;
    int blockSize = 0;
    int destinationMode = 1;

    bool ok = false;
    juce::String error;           // why the programme could not be analysed

    TarnReadings finalReadings;   // after the programme's last block
    std::vector<Pass> passes;     // every pass in order; none when no block was audible
    TrackPassSnapshot snapshot;   // the worst pass's summary (the first of the worst), or an empty one
    int trackPassState = 0;       // 2 once the last pass froze; 0 when there was no pass
    juce::String csv;             // header and rows, when recorded
    float maxTruePeakDb = -100;   // Tarn's oversampled true-peak estimate, highest block of the programme
    std::shared_ptr<StandardLoudnessMeter> reference;   // the standard figures, when measured
    History history;              // when recorded
    double processingSeconds = 0; // wall-clock time spent processing (reported, never asserted)

    bool hasSignal() const { return ! passes.empty(); }
    int worstPass() const;   // index into passes, -1 when there are none
    // The worst verdict of the passes: a file is as good as its worst part. `waiting` when no
    // block was audible (worded NO SIGNAL).
    text::OverallVerdict verdict() const
    {
        const int worst = worstPass();
        return worst >= 0 ? passes[(size_t) worst].verdict() : text::OverallVerdict::waiting;
    }
};

// Opens an audio file with JUCE's formats (AudioFile.cpp). On failure returns false and says why:
// among others a format Tarn does not read, and a file cut short (a WAV or AIFF file holding less
// than its header declares, a FLAC file ending before its header's total, an Ogg file ending
// before the page that closes its stream). A WAV written to a pipe, whose header could not be
// given its length, is read to its real end.
bool openFile (const juce::File& file, juce::AudioFormatManager& formats, Programme& programme, juce::String& error);

// A stereo programme held in memory (the demo, generated test signals).
Programme programmeOf (const juce::String& name, double sampleRate, juce::AudioBuffer<float> audio);

Programme demoProgramme();

using Progress = std::function<void (double fraction)>;
Result analyse (const Programme& programme, const Options& options, const Progress& progress = {});

} // namespace tarn::analyser
