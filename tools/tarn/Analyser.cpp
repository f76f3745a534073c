#include "Analyser.h"

#include "DemoProgramme.h"
#include "AnalysisMath.h"
#include "TruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tarn::analyser
{
namespace
{
// Rows of the CSV recording, as the editor would write them if it ticked every 50 ms of audio:
// after each block, one row for every 50 ms mark the processed time has reached.
class CsvRecorder
{
public:
    explicit CsvRecorder (double rate) : sampleRate (rate) { text << text::csvHeader(); }

    // Each row takes truePeakMaxSinceRead out, as the editor's export does, so a row carries the
    // highest true peak of every block since the previous row; a second row after the same block
    // behaves as a tick with no new audio.
    void afterBlock (TarnAudioProcessor& processor, juce::int64 samplesSoFar)
    {
        // Whole numbers of samples and hertz are exact in double: the k-th mark is reached when
        // samples * 20 >= k * rate.
        while ((double) samplesSoFar * 20.0 >= (double) (marksWritten + 1) * sampleRate)
        {
            ++marksWritten;
            text << text::csvRowNow (processor, (double) samplesSoFar / sampleRate, words);
        }
    }

    juce::String csv() const { return text.toUTF8(); }

private:
    double sampleRate;
    juce::int64 marksWritten = 0;
    text::BandWords words;
    juce::MemoryOutputStream text;   // appends in constant time however long the recording grows
};

// Keeps every pass of the programme. The plug-in freezes a pass after 3 s of quiet and adds
// nothing after that until the pass is reset; over a file, the analyser resets it as soon as it
// freezes, so the audio after a pause starts a pass of its own and every audible block lands in one.
class PassTracker
{
public:
    // After each block (the programme's and the closing silence's); `end` is the time after it.
    void afterBlock (TarnAudioProcessor& processor, double blockStart, double end)
    {
        const int state = processor.trackPassState.load();
        if (state == 1)
        {
            if (! capturing)
            {
                capturing = true;
                current = {};
                current.startSeconds = blockStart;
            }
            // A block the pass took in moves its end; a quiet one inside it does not.
            const auto snapshot = processor.getTrackPassSnapshot();
            if (snapshot.blockCount != current.snapshot.blockCount)
            {
                current.snapshot = snapshot;
                current.endSeconds = end;
            }
        }
        else if (state == 2 && capturing)
        {
            capturing = false;
            current.snapshot = processor.getTrackPassSnapshot();
            passes.push_back (current);
            processor.trackPassResetRequested.store (true);   // taken at the top of the next block
        }
    }

    std::vector<Pass> passes;

private:
    bool capturing = false;
    Pass current;
};

// Feeds the standard meter in pieces that end on the 100 ms marks of the programme, so each
// history point is taken exactly at its mark, and keeps a true-peak estimate of its own (the same
// 4x oversampling as the processor's, with the sample peak as its floor) per 100 ms.
class HistoryRecorder
{
    // The largest magnitude, non-finite samples counting as silence; four lanes at a time.
    static float samplePeak (const float* x, int n)
    {
        using namespace tarn::dsp;
        Float4 peaks {};
        int i = 0;
        for (; i + 4 <= n; i += 4)
        {
            Float4 v;
            std::memcpy (&v, x + i, sizeof (v));
            peaks = largerLanes (peaks, magnitude (finiteOrZero (v)));
        }
        float peak = largestLane (peaks);
        for (; i < n; ++i)
            peak = std::max (peak, std::abs (finiteOrZero (x[i])));
        return peak;
    }

public:
    explicit HistoryRecorder (double rate) : sampleRate (rate) { truePeakMeter.prepare (rate); }

    void add (const float* left, const float* right, int n, StandardLoudnessMeter& meter, float tarnShortTerm)
    {
        for (int done = 0; done < n;)
        {
            const juce::int64 mark = markSample ((juce::int64) history.size() + 1);
            const int piece = (int) std::min ((juce::int64) (n - done), mark - position);
            meter.process (left + done, right + done, piece);
            const float* channels[] = { left + done, right + done };
            for (int c = 0; c < 2; ++c)
                peak = std::max ({ peak, truePeakMeter.processChannel (c, channels[c], piece), samplePeak (channels[c], piece) });
            done += piece;
            position += piece;
            if (position == mark)
                takePoint (meter, tarnShortTerm);
        }
    }

    // The last, shorter stretch of the programme, if any.
    History finish (const StandardLoudnessMeter& meter, float tarnShortTerm)
    {
        if (position > markSample ((juce::int64) history.size()))
            takePoint (meter, tarnShortTerm);
        return std::move (history);
    }

private:
    // Whole numbers of samples and hertz: the k-th mark is the first sample at or after k / 10 s.
    juce::int64 markSample (juce::int64 k) const { return (juce::int64) std::ceil ((double) k * sampleRate / 10.0); }

    void takePoint (const StandardLoudnessMeter& meter, float tarnShortTerm)
    {
        history.momentary.push_back ((float) meter.momentaryLufs());
        history.shortTerm.push_back ((float) meter.shortTermLufs());
        history.tarnShortTerm.push_back (tarnShortTerm);
        history.truePeak.push_back (peak > 0 ? 20.0f * std::log10 (peak) : -HUGE_VALF);
        peak = 0;
    }

    double sampleRate;
    TruePeakMeter truePeakMeter;
    juce::int64 position = 0;
    float peak = 0;
    History history;
};
} // namespace

int Result::worstPass() const
{
    int worst = -1;
    for (size_t i = 0; i < passes.size(); ++i)
        if (worst < 0 || passes[i].verdict() > passes[(size_t) worst].verdict())
            worst = (int) i;
    return worst;
}

Programme programmeOf (const juce::String& name, double sampleRate, juce::AudioBuffer<float> audio)
{
    auto held = std::make_shared<const juce::AudioBuffer<float>> (std::move (audio));
    Programme programme;
    programme.name = name;
    programme.sampleRate = sampleRate;
    programme.numChannels = 2;
    programme.lengthInSamples = held->getNumSamples();
    programme.read = [held] (juce::AudioBuffer<float>& dest, juce::int64 start, int numSamples)
    {
        for (int c = 0; c < 2; ++c)
            dest.copyFrom (c, 0, *held, c, (int) start, numSamples);
        return true;
    };
    return programme;
}

Programme demoProgramme() { return programmeOf ("demo programme", demo::sampleRate, demo::render()); }

Result analyse (const Programme& programme, const Options& options, const Progress& progress)
{
    Result result;
    result.name = programme.name;
    result.sampleRate = programme.sampleRate;
    result.numChannels = programme.numChannels;
    result.lengthInSamples = programme.lengthInSamples;
    result.blockSize = options.blockSize;
    result.destinationMode = options.destinationMode;

    const int blockSize = juce::jmax (1, options.blockSize);
    auto processor = std::make_unique<TarnAudioProcessor>();
    processor->destinationMode.store (options.destinationMode);
    processor->setRateAndBufferSizeDetails (programme.sampleRate, blockSize);
    processor->prepareToPlay (programme.sampleRate, blockSize);

    // The programme is read in long stretches (far fewer, larger reads from the file) and handed
    // to the processor a block at a time, as a host would.
    const int blocksPerRead = juce::jmax (1, 16384 / blockSize);
    juce::AudioBuffer<float> stretch (2, blockSize * blocksPerRead);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    std::unique_ptr<CsvRecorder> csv;
    if (options.recordCsv)
        csv = std::make_unique<CsvRecorder> (programme.sampleRate);

    std::shared_ptr<StandardLoudnessMeter> reference;
    if (options.reference)
    {
        reference = std::make_shared<StandardLoudnessMeter>();
        reference->prepare (programme.sampleRate);
    }

    std::unique_ptr<HistoryRecorder> history;
    if (options.recordHistory && reference != nullptr)
        history = std::make_unique<HistoryRecorder> (programme.sampleRate);

    PassTracker passes;
    const auto started = juce::Time::getMillisecondCounterHiRes();
    juce::int64 position = 0;

    while (position < programme.lengthInSamples)
    {
        const int stretchLength = (int) juce::jmin ((juce::int64) stretch.getNumSamples(), programme.lengthInSamples - position);
        if (! programme.read (stretch, position, stretchLength))
        {
            if (programme.describeReadFailure)
                result.error = programme.describeReadFailure();
            if (result.error.isEmpty())
                result.error = "could not be decoded after " + juce::String ((double) position / programme.sampleRate, 2) + " s";
            return result;
        }

        for (int offset = 0; offset < stretchLength; offset += blockSize)
        {
            const int n = juce::jmin (blockSize, stretchLength - offset);
            float* channels[] = { stretch.getWritePointer (0, offset), stretch.getWritePointer (1, offset) };
            buffer.setDataToReferTo (channels, 2, n);

            processor->processBlock (buffer, midi);
            position += n;

            // The highest true peak since the CSV last took it: this block's is in it.
            result.maxTruePeakDb = juce::jmax (result.maxTruePeakDb, processor->truePeakMaxSinceRead.load());
            passes.afterBlock (*processor, (double) (position - n) / programme.sampleRate, (double) position / programme.sampleRate);

            if (csv != nullptr)
                csv->afterBlock (*processor, position);
            if (history != nullptr)
                history->add (channels[0], channels[1], n, *reference, processor->lufsShort.load());
            else if (reference != nullptr)
                reference->process (channels[0], channels[1], n);
        }

        if (progress)
            progress ((double) position / (double) programme.lengthInSamples);
    }

    result.finalReadings = processor->loadReadings();
    result.reference = reference;
    if (history != nullptr)
        result.history = history->finish (*reference, result.finalReadings.lufsShort);

    // Files rarely end in 3 s of silence: feed digital silence until a started pass freezes.
    // Quiet blocks add nothing to a pass.
    juce::AudioBuffer<float> silence (2, blockSize);
    const auto maxQuietBlocks = (juce::int64) std::ceil (4.0 * programme.sampleRate / blockSize) + 1;
    for (juce::int64 i = 0; i < maxQuietBlocks && processor->trackPassState.load() == 1; ++i)
    {
        silence.clear();
        processor->processBlock (silence, midi);
        position += blockSize;
        passes.afterBlock (*processor, (double) (position - blockSize) / programme.sampleRate, (double) position / programme.sampleRate);
    }

    result.processingSeconds = (juce::Time::getMillisecondCounterHiRes() - started) / 1000.0;
    result.passes = std::move (passes.passes);
    const int worst = result.worstPass();
    result.snapshot = worst >= 0 ? result.passes[(size_t) worst].snapshot : processor->getTrackPassSnapshot();
    result.trackPassState = result.hasSignal() ? 2 : processor->trackPassState.load();
    if (csv != nullptr)
        result.csv = csv->csv();
    result.ok = true;
    return result;
}
} // namespace tarn::analyser
