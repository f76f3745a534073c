#include "Analyser.h"

#include "DemoProgramme.h"

#include <cmath>

namespace tarn::analyser
{
namespace
{
// Rows of the CSV recording, as the editor would write them if it ticked every 50 ms of audio:
// after each block, one row for every 50 ms mark the processed time has reached.
class CsvRecorder
{
public:
    explicit CsvRecorder (double rate) : sampleRate (rate), text (text::csvHeader()) {}

    void afterBlock (TarnAudioProcessor& processor, juce::int64 samplesSoFar)
    {
        // Exact integers: the k-th mark is reached when samples * 20 >= k * rate.
        while ((double) samplesSoFar * 20.0 >= (double) (marksWritten + 1) * sampleRate)
        {
            ++marksWritten;
            const auto readings = processor.loadReadings();
            const float taken = processor.truePeakMaxSinceRead.exchange (-200.0f);
            const float truePeak = text::csvTruePeakColumn (taken, readings.peakDb, readings.truePeakDb);
            text << text::csvRow ((double) samplesSoFar / sampleRate, readings, truePeak, words);
        }
    }

    const juce::String& csv() const { return text; }

private:
    double sampleRate;
    juce::int64 marksWritten = 0;
    text::BandWords words;
    juce::String text;
};

juce::String channelWord (int channels) { return channels == 1 ? "mono" : channels == 2 ? "stereo" : juce::String (channels) + " channels"; }
} // namespace

bool openFile (const juce::File& file, juce::AudioFormatManager& formats, Programme& programme, juce::String& error)
{
    if (! file.existsAsFile())
    {
        error = file.exists() ? "is not a file" : "no such file";
        return false;
    }

    std::shared_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr)
    {
        error = "not a readable WAV, AIFF, FLAC or Ogg Vorbis file";
        return false;
    }
    if (reader->numChannels < 1 || reader->numChannels > 2)
    {
        error = "has " + juce::String (reader->numChannels) + " channels; only mono and stereo files can be analysed";
        return false;
    }
    if (! (reader->sampleRate > 0.0) || reader->lengthInSamples < 0)
    {
        error = "has no valid sample rate or length";
        return false;
    }

    programme.name = file.getFileName();
    programme.sampleRate = reader->sampleRate;
    programme.numChannels = (int) reader->numChannels;
    programme.lengthInSamples = reader->lengthInSamples;
    programme.read = [reader] (juce::AudioBuffer<float>& dest, juce::int64 start, int numSamples)
    {
        if (! reader->read (&dest, 0, numSamples, start, true, true))
            return false;
        if (reader->numChannels == 1)
            dest.copyFrom (1, 0, dest, 0, 0, numSamples);
        return true;
    };
    return true;
}

Programme demoProgramme()
{
    auto audio = std::make_shared<juce::AudioBuffer<float>> (demo::render());
    Programme programme;
    programme.name = "demo programme";
    programme.sampleRate = demo::sampleRate;
    programme.numChannels = 2;
    programme.lengthInSamples = audio->getNumSamples();
    programme.read = [audio] (juce::AudioBuffer<float>& dest, juce::int64 start, int numSamples)
    {
        for (int c = 0; c < 2; ++c)
            dest.copyFrom (c, 0, *audio, c, (int) start, numSamples);
        return true;
    };
    return programme;
}

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

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    std::unique_ptr<CsvRecorder> csv;
    if (options.recordCsv)
        csv = std::make_unique<CsvRecorder> (programme.sampleRate);

    const auto started = juce::Time::getMillisecondCounterHiRes();
    juce::int64 position = 0;

    while (position < programme.lengthInSamples)
    {
        const int n = (int) juce::jmin ((juce::int64) blockSize, programme.lengthInSamples - position);
        buffer.setSize (2, n, false, false, true);

        if (! programme.read (buffer, position, n))
        {
            result.error = "could not be decoded after " + juce::String ((double) position / programme.sampleRate, 2) + " s";
            return result;
        }

        processor->processBlock (buffer, midi);
        position += n;

        if (csv != nullptr)
            csv->afterBlock (*processor, position);
        if (progress)
            progress ((double) position / (double) programme.lengthInSamples);
    }

    result.finalReadings = processor->loadReadings();

    // Files rarely end in 3 s of silence: feed digital silence until a started pass freezes.
    // Quiet blocks add nothing to a pass.
    buffer.setSize (2, blockSize, false, false, true);
    const auto maxQuietBlocks = (juce::int64) std::ceil (4.0 * programme.sampleRate / blockSize) + 1;
    for (juce::int64 i = 0; i < maxQuietBlocks && processor->trackPassState.load() == 1; ++i)
    {
        buffer.clear();
        processor->processBlock (buffer, midi);
    }

    result.processingSeconds = (juce::Time::getMillisecondCounterHiRes() - started) / 1000.0;
    result.snapshot = processor->getTrackPassSnapshot();
    result.trackPassState = processor->trackPassState.load();
    if (csv != nullptr)
        result.csv = csv->csv();
    result.ok = true;
    return result;
}

juce::String formatReport (const Result& r)
{
    const double seconds = r.sampleRate > 0 ? (double) r.lengthInSamples / r.sampleRate : 0.0;
    juce::String out;
    out << r.name << "  (" << text::formatCapturedTime ((float) seconds) << ", " << juce::String (r.sampleRate, 0)
        << " Hz, " << channelWord (r.numChannels) << ")\n";
    out << text::trackPassLabelText (r.trackPassState) << "\n";

    for (const auto& row : text::trackPassRows (r.snapshot))
        out << row.caption.paddedRight (' ', 22) << row.text << "\n";

    return out;
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

juce::var toJson (const Result& r)
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
    o->setProperty ("overallVerdict", text::overallVerdictText (r.verdict()));
    o->setProperty ("trackPassState", r.trackPassState);
    o->setProperty ("readings", readingsJson (r.finalReadings));
    o->setProperty ("trackPass", snapshotJson (r.snapshot));
    return o;
}
} // namespace tarn::analyser
