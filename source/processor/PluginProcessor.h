#pragma once

#include "AnalysisCoefficients.h"
#include "LevelMeter.h"
#include "LoudnessMeter.h"
#include "MixDescriptors.h"
#include "TrackPassStats.h"
#include "Verdicts.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cstdint>

// The published readings: type, name, reset value. The audio thread stores each once per block;
// the editor and the exports load them whenever they like. The stores are release stores: with
// one writer, a reader that sees a value sees everything stored before it, as with sequentially
// consistent stores, but each is a plain store rather than a locked exchange, which made up most
// of a small block's fixed cost.
#define TARN_PUBLISHED_READINGS(X) \
    X (float, peakDb, -100.0f)          /* dBFS, ballistic sample peak, -100..0 */ \
    X (float, rmsDb, -100.0f)           /* dBFS, ballistic RMS, -100..+12 */ \
    X (float, vuLeftDb, -100.0f)        /* dB relative to -18 dBFS, -82..+30 */ \
    X (float, vuRightDb, -100.0f) \
    X (float, crestDb, 0.0f)            /* dB, peak minus RMS, >= 0 */ \
    X (float, peakHoldDb, -100.0f)      /* dBFS */ \
    X (float, truePeakDb, -100.0f)      /* dBTP, smoothed inter-sample peak */ \
    X (float, lufsShort, -100.0f)       /* LUFS over the last 3 s */ \
    X (float, lufsIntegrated, -100.0f)  /* LUFS since the last reset, -70 LUFS gate */ \
    X (int, headroomState, 0)           /* 0 OK, 1 HOT, 2 CLIP */ \
    X (float, sideAir, 0.0f)            /* indices and scores 0..100 */ \
    X (float, centreWeight, 0.0f) \
    X (float, forwardMid, 0.0f) \
    X (float, silk, 0.0f) \
    X (int, lowWidthRiskLevel, 0)       /* 0 LOW, 1 MED, 2 HIGH */ \
    X (float, punch, 0.0f) \
    X (float, translation, 0.0f) \
    X (int, pushDamageLevel, 0)         /* 0 LOW, 1 MED, 2 HIGH */ \
    X (float, pushDamageScore, 0.0f) \
    X (int, pushDamageReason, 0)        /* 0..7, see the reason phrases */ \
    X (int, signalState, 0)             /* 0 waiting for signal, 1 analysing, 2 ready */

// A plain copy of the published readings, for exports and tests.
struct TarnReadings
{
#define TARN_DECLARE_PLAIN(type, name, resetValue) type name = resetValue;
    TARN_PUBLISHED_READINGS (TARN_DECLARE_PLAIN)
#undef TARN_DECLARE_PLAIN
};

class TarnAudioProcessor : public juce::AudioProcessor
{
public:
    TarnAudioProcessor();
    ~TarnAudioProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    // Full analysis reset: every measurement, reading and the Track Pass return to their reset
    // values. Settings, the sample rate, samplesProcessed and truePeakMaxSinceRead are kept.
    void performAnalysisReset();

    void publishTrackPassSnapshot();

    // The Track Pass as last published. The editor, which reads while the audio thread runs, reads
    // into the copy it shows: in the rare case it meets a publication in progress on every try, it
    // keeps that copy and gets false. Callers between blocks (the analyser) take the value.
    bool readTrackPass (TrackPassSnapshot& latest) const;
    TrackPassSnapshot getTrackPassSnapshot() const;

    TarnReadings loadReadings() const;

    // The rate the analysis runs at: the prepared rate, or 44100 Hz when none was given.
    double getAnalysisSampleRate() const noexcept { return sampleRate; }

    // Settings: written by the editor and by state restore, read by the audio thread.
    std::atomic<int> destinationMode { 1 };   // 0 Off, 1 Streaming, 2 Club / DJ
    std::atomic<int> kReference { 6 };        // K-4, K-6, K-8, K-10, K-12, K-14, K-18, K-20

    // Requests from the editor, consumed at the top of the next block.
    std::atomic<bool> analysisResetRequested { false };
    std::atomic<bool> trackPassResetRequested { false };

    std::atomic<std::int64_t> samplesProcessed { 0 };        // since construction, never reset
    std::atomic<float> truePeakMaxSinceRead { -200.0f };     // dB; the export takes it with an exchange

    std::atomic<int> trackPassState { 0 };                   // 0 no pass yet, 1 capturing, 2 finished

#define TARN_DECLARE_ATOMIC(type, name, resetValue) std::atomic<type> name { resetValue };
    TARN_PUBLISHED_READINGS (TARN_DECLARE_ATOMIC)
#undef TARN_DECLARE_ATOMIC

    static_assert (std::atomic<float>::is_always_lock_free && std::atomic<int>::is_always_lock_free
                   && std::atomic<std::int64_t>::is_always_lock_free && std::atomic<std::uint64_t>::is_always_lock_free
                   && std::atomic<bool>::is_always_lock_free);

private:
    void storeResetReadings();
    void resetTrackPass();
    void raiseTruePeakMaxSinceRead (float blockTruePeakDb);
    void runStereoPass (const float* left, const float* right, int numSamples);
    void handOffToTrackPass (const LevelMeter::Block& block, int translationBand);

    double sampleRate = 44100.0;
    AnalysisCoefficients coefficients;

    LevelMeter levels;
    LoudnessMeter loudness;
    MixDescriptors descriptors;
    Verdicts verdicts;

    TrackPassStats trackPass;
    bool passStarted = false, passFinished = false;
    float passQuietSeconds = 0.0f;
    PublishedTrackPass publishedTrackPass;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarnAudioProcessor)
};
