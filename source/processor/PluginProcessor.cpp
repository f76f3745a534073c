#include "PluginProcessor.h"

#include "AnalysisMath.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

TarnAudioProcessor::TarnAudioProcessor()
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
{
    levels.prepare (sampleRate);
}

TarnAudioProcessor::~TarnAudioProcessor() = default;

const juce::String TarnAudioProcessor::getName() const { return "Tarn"; }

void TarnAudioProcessor::prepareToPlay (double newSampleRate, int)
{
    sampleRate = newSampleRate > 0.0 ? newSampleRate : 44100.0;
    coefficients = AnalysisCoefficients::forSampleRate (sampleRate);
    levels.prepare (sampleRate);
    loudness.prepare (sampleRate);
    performAnalysisReset();
}

void TarnAudioProcessor::releaseResources() {}

void TarnAudioProcessor::performAnalysisReset()
{
    analysisResetRequested.store (false);

    levels.reset();
    loudness.reset();   // allocates the loudness window the first time only
    descriptors.reset();
    verdicts.reset();

    storeResetReadings();
    resetTrackPass();
    publishTrackPassSnapshot();
}

void TarnAudioProcessor::storeResetReadings()
{
#define TARN_STORE_RESET(type, name, resetValue) name.store (resetValue);
    TARN_PUBLISHED_READINGS (TARN_STORE_RESET)
#undef TARN_STORE_RESET
}

TarnReadings TarnAudioProcessor::loadReadings() const
{
    TarnReadings r;
#define TARN_LOAD(type, name, resetValue) r.name = name.load();
    TARN_PUBLISHED_READINGS (TARN_LOAD)
#undef TARN_LOAD
    return r;
}

void TarnAudioProcessor::resetTrackPass()
{
    trackPass = TrackPassStats {};
    passStarted = passFinished = false;
    passQuietSeconds = 0.0f;
    trackPassState.store (0);
}

void TarnAudioProcessor::publishTrackPassSnapshot() { publishedTrackPass.publish (trackPass); }

bool TarnAudioProcessor::readTrackPass (TrackPassSnapshot& latest) const
{
    TrackPassStats stats;
    if (! publishedTrackPass.read (stats))
        return false;
    latest = stats.toSnapshot();
    return true;
}

TrackPassSnapshot TarnAudioProcessor::getTrackPassSnapshot() const
{
    TrackPassSnapshot snapshot;
    readTrackPass (snapshot);
    return snapshot;
}

void TarnAudioProcessor::raiseTruePeakMaxSinceRead (float blockTruePeakDb)
{
    float current = truePeakMaxSinceRead.load();
    while (blockTruePeakDb > current && ! truePeakMaxSinceRead.compare_exchange_weak (current, blockTruePeakDb))
    {
    }
}

void TarnAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    if (analysisResetRequested.load())
        performAnalysisReset();

    // A plain read first: the exchange is a locked instruction, needed only when a reset waits.
    if (trackPassResetRequested.load (std::memory_order_relaxed) && trackPassResetRequested.exchange (false))
    {
        resetTrackPass();
        publishTrackPassSnapshot();
    }

    const int numSamples = buffer.getNumSamples();
    const int numInputs = std::min (getTotalNumInputChannels(), buffer.getNumChannels());

    for (int c = numInputs; c < std::min (getTotalNumOutputChannels(), buffer.getNumChannels()); ++c)
        buffer.clear (c, 0, numSamples);

    // A block without samples carries no audio, so it changes no reading.
    if (numSamples <= 0)
        return;

    const float* const* channels = buffer.getArrayOfReadPointers();
    const LevelMeter::Block block = levels.measure (channels, numInputs, numSamples);

    const bool stereo = numInputs >= 2;
    if (stereo)
        runStereoPass (channels[0], channels[1], numSamples);

    // Signal and silence timing come before the level followers move: a long silence also
    // clears the slow peak that push damage reads.
    if (verdicts.updateSignalTiming (block.hasSignal, block.seconds))
        levels.clearSlowPeak();

    signalState.store (verdicts.signalState (block.hasSignal), std::memory_order_release);
    // One writer: a plain read and release store, no locked read-modify-write.
    samplesProcessed.store (samplesProcessed.load (std::memory_order_relaxed) + numSamples, std::memory_order_release);
    raiseTruePeakMaxSinceRead (block.truePeakDb);

    levels.update (block);
    const auto& level = levels.readings();
    peakDb.store (level.peakDb, std::memory_order_release);
    rmsDb.store (level.rmsDb, std::memory_order_release);
    vuLeftDb.store (level.vuLeftDb, std::memory_order_release);
    vuRightDb.store (level.vuRightDb, std::memory_order_release);
    crestDb.store (level.crestDb, std::memory_order_release);
    peakHoldDb.store (level.peakHoldDb, std::memory_order_release);
    truePeakDb.store (level.truePeakDb, std::memory_order_release);
    headroomState.store (level.headroomState, std::memory_order_release);

    if (! stereo)
        return;

    loudness.endBlock (numSamples);
    lufsShort.store (loudness.shortTermLufs(), std::memory_order_release);
    lufsIntegrated.store (loudness.integratedLufs(), std::memory_order_release);

    descriptors.endBlock (numSamples, block.seconds, coefficients);

    Verdicts::BlockInputs in;
    in.numSamples = numSamples;
    in.dt = block.seconds;
    in.samplePeakDb = block.samplePeakDb;
    in.slowPeak = levels.slowPeak();
    in.crestDb = level.crestDb;
    in.rmsDb = level.rmsDb;
    in.descriptors = &descriptors;
    in.destinationMode = std::clamp (destinationMode.load(), 0, 2);
    verdicts.updateVerdicts (in);

    signalState.store (verdicts.signalState (block.hasSignal), std::memory_order_release);
    sideAir.store (descriptors.sideAir.value(), std::memory_order_release);
    centreWeight.store (descriptors.centreWeight.value(), std::memory_order_release);
    forwardMid.store (descriptors.forwardMid.value(), std::memory_order_release);
    punch.store (verdicts.punch(), std::memory_order_release);
    silk.store (descriptors.silk.value(), std::memory_order_release);
    lowWidthRiskLevel.store (descriptors.lowWidthLevel, std::memory_order_release);
    translation.store (verdicts.translation(), std::memory_order_release);
    pushDamageLevel.store (verdicts.pushDamageLevel(), std::memory_order_release);
    pushDamageScore.store (verdicts.pushDamageScore(), std::memory_order_release);
    pushDamageReason.store (verdicts.pushDamageReason(), std::memory_order_release);

    handOffToTrackPass (block, verdicts.translationBand());
}

TARN_HOT_LOOP void TarnAudioProcessor::runStereoPass (const float* left, const float* right, int numSamples)
{
    using tarn::dsp::Float4;

    // The filter states live in locals for the loop, so the compiler can keep them in registers
    // (a store through a member could otherwise alias the input buffers).
    auto weighting = loudness.weighting;
    auto filters = descriptors.filters;
    auto sums = descriptors.sums;
    auto envelopes = verdicts.envelopes;
    envelopes.largest = Float4 {};
    envelopes.nearClipSamples = 0;
    const AnalysisCoefficients c = coefficients;
    const MixDescriptors::FilterCoefficients filterCoefficients (coefficients);
    const Verdicts::Envelopes::Coefficients envelopeCoefficients (coefficients);

    // Squares are summed in single precision over runs of a few samples and each run is added
    // in double: the loop stays in single precision and the block's sums stay accurate.
    constexpr int runLength = 16;
    for (int start = 0; start < numSamples; start += runLength)
    {
        const int end = std::min (numSamples, start + runLength);
        MixDescriptors::RunSums run;

        for (int i = start; i < end; ++i)
        {
            const Float4 leftRight = tarn::dsp::finiteOrZero (Float4 { left[i], right[i], left[i], right[i] });
            const Float4 sideMid = tarn::dsp::sideAndMid (leftRight);

            weighting.process (leftRight, c);
            filters.process (sideMid, filterCoefficients, run);
            envelopes.process (leftRight[0], leftRight[1], sideMid[1], envelopeCoefficients);
        }

        sums.add (run);
        weighting.endRun();
    }

    loudness.weighting = weighting;
    descriptors.filters = filters;
    descriptors.sums = sums;
    verdicts.envelopes = envelopes;
}

void TarnAudioProcessor::handOffToTrackPass (const LevelMeter::Block& block, int translationBand)
{
    const bool audible = block.rmsDb > -55.0f || block.samplePeak > 0.01f;

    if (audible)
    {
        passQuietSeconds = 0.0f;

        if (! passFinished)
        {
            passStarted = true;
            // The pass's true peak is the block's own, unsmoothed estimate: the display's smoothed
            // value lags short transients and could read below the pass's sample peak.
            trackPass.addBlock (block.seconds, block.samplePeakDb, block.truePeakDb, rmsDb.load(),
                                crestDb.load(), lufsShort.load(), lufsIntegrated.load(), punch.load(),
                                silk.load(), centreWeight.load(), sideAir.load(), forwardMid.load(),
                                pushDamageLevel.load(), lowWidthRiskLevel.load(), translationBand);
            publishTrackPassSnapshot();
        }
    }
    else if (passStarted && ! passFinished)
    {
        passQuietSeconds += block.seconds;
        if (passQuietSeconds >= 3.0f)
            passFinished = true;
    }

    trackPassState.store (passFinished ? 2 : (passStarted ? 1 : 0), std::memory_order_release);
}

double TarnAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool TarnAudioProcessor::acceptsMidi() const { return false; }
bool TarnAudioProcessor::producesMidi() const { return false; }
bool TarnAudioProcessor::isMidiEffect() const { return false; }

// createEditor() is defined with the editor: the processor is built without the window's headers.
bool TarnAudioProcessor::hasEditor() const { return true; }

int TarnAudioProcessor::getNumPrograms() { return 1; }
int TarnAudioProcessor::getCurrentProgram() { return 0; }
void TarnAudioProcessor::setCurrentProgram (int) {}
// The one program has a name so that hosts listing the LV2 preset JUCE writes for it show a label.
const juce::String TarnAudioProcessor::getProgramName (int) { return "Default"; }
void TarnAudioProcessor::changeProgramName (int, const juce::String&) {}

void TarnAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    juce::XmlElement state ("TarnState");
    state.setAttribute ("destinationMode", destinationMode.load());
    state.setAttribute ("kReference", kReference.load());
    copyXmlToBinary (state, destData);
}

namespace
{
// The host hands back whatever it stored, and the framework's XML reader has faults a damaged
// chunk can reach: it trusts the text to be valid UTF-8 (and reads past the end of a chunk whose
// text is not), it loops for ever on a processing instruction ("<?...?>") followed by text inside
// an element, and it reads past the end of a text that stops inside a character reference ("&#x").
// Its reader is also recursive, so a deeply nested text overflows the stack (a few thousand levels
// are enough on a host thread with a small stack), and a text with a huge number of attributes
// takes long to read.
// So the text is checked first, by the reader's own header and length rules: valid UTF-8, no
// processing instruction after the leading XML declaration, no entity or character reference and
// no "<!" construct (comment, CDATA, DOCTYPE). Tarn never writes any of them. Nor does it write
// anything but one element of about a hundred bytes, so a text far outside that shape (longer than
// maxStateTextBytes, or with more than maxStateTags tags) is refused unread.
constexpr int maxStateTextBytes = 4096;
constexpr std::size_t maxStateTags = 16;

bool stateTextIsSafe (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != 0x21324356)
        return true;   // not an XML chunk: the framework's reader rejects it without reading text

    const auto declaredLength = (juce::int64) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));
    const int length = (int) juce::jmin ((juce::int64) sizeInBytes - 8, declaredLength);
    if (length <= 0)
        return true;

    if (length > maxStateTextBytes)
        return false;

    const auto* chars = static_cast<const char*> (data) + 8;
    if (! juce::CharPointer_UTF8::isValidString (chars, length))
        return false;

    std::string_view text (chars, (size_t) length);
    text = text.substr (0, text.find ('\0'));   // the reader stops at the first zero
    if ((size_t) std::count (text.begin(), text.end(), '<') > maxStateTags)
        return false;

    auto rest = text.find_first_not_of (" \t\r\n");
    if (rest != std::string_view::npos && text.compare (rest, 2, "<?") == 0)
    {
        const auto declarationEnd = text.find ("?>", rest + 2);
        if (declarationEnd == std::string_view::npos)
            return false;
        rest = declarationEnd + 2;
    }
    if (rest == std::string_view::npos)
        return true;
    const auto body = text.substr (rest);
    return body.find ("<?") == std::string_view::npos && body.find ('&') == std::string_view::npos
        && body.find ("<!") == std::string_view::npos;
}

// The attribute's value as a whole number (optional sign, decimal digits, surrounding blanks
// allowed), saturated to the int range; nothing when it is missing or anything else.
std::optional<int> integerAttribute (const juce::XmlElement& xml, const char* name)
{
    if (! xml.hasAttribute (name))
        return std::nullopt;

    const auto text = xml.getStringAttribute (name).trim();
    auto digits = text.getCharPointer();
    const bool negative = *digits == '-';
    if (*digits == '-' || *digits == '+')
        ++digits;
    if (digits.isEmpty())
        return std::nullopt;

    long long magnitude = 0;
    for (; ! digits.isEmpty(); ++digits)
    {
        if (! juce::CharacterFunctions::isDigit (*digits))
            return std::nullopt;
        magnitude = std::min (magnitude * 10 + (*digits - '0'), (long long) std::numeric_limits<int>::max() + 1);
    }
    return (int) std::clamp (negative ? -magnitude : magnitude,
                             (long long) std::numeric_limits<int>::min(), (long long) std::numeric_limits<int>::max());
}
} // namespace

void TarnAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (! stateTextIsSafe (data, sizeInBytes))
        return;

    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || ! xml->hasTagName ("TarnState"))
        return;

    // An attribute that is missing or not a whole number keeps the current setting; a number out
    // of range is clamped.
    if (const auto mode = integerAttribute (*xml, "destinationMode"))
        destinationMode.store (std::clamp (*mode, 0, 2));
    if (const auto k = integerAttribute (*xml, "kReference"))
        kReference.store (std::clamp (*k, 0, 7));
}

bool TarnAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    return layouts.getMainInputChannelSet() == juce::AudioChannelSet::stereo()
        && layouts.getMainOutputChannelSet() == juce::AudioChannelSet::stereo();
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter() { return new TarnAudioProcessor(); }
