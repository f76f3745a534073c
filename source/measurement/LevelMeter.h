#pragma once

#include "AnalysisMath.h"
#include "TruePeakMeter.h"

// Sample peak, RMS, VU, crest, peak hold, true peak and headroom of every block, with their
// ballistics. Runs on every block whatever the channel count.
class LevelMeter
{
public:
    // What the level pass found in one block, before any ballistics.
    struct Block
    {
        int numSamples = 0;
        float seconds = 0.0f;        // block length / sample rate
        float samplePeak = 0.0f;     // linear, all input channels
        float rms = 0.0f;            // linear, all input channels
        float leftRms = 0.0f, rightRms = 0.0f;
        float truePeak = 0.0f;       // linear, channels 0 and 1, never below their sample peak
        float rmsDb = -100.0f;
        float samplePeakDb = -100.0f;
        float truePeakDb = -100.0f;
        bool hasSignal = false;
    };

    // The published level readings.
    struct Readings
    {
        float peakDb = -100.0f;
        float rmsDb = -100.0f;
        float vuLeftDb = -100.0f, vuRightDb = -100.0f;   // relative to -18 dBFS
        float crestDb = 0.0f;
        float peakHoldDb = -100.0f;
        float truePeakDisplayDb = -100.0f;               // smoothed, before the -100..+12 clamp
        float truePeakDb = -100.0f;                      // the display value clamped
        int headroomState = 0;                           // 0 OK, 1 HOT, 2 CLIP
    };

    void prepare (double sampleRate);
    void reset();

    // The level pass: every sample of every input channel once. Non-finite samples count as 0.
    Block measure (const float* const* channels, int numChannels, int numSamples);

    // Ballistics and readings from a measured block.
    void update (const Block& block);

    const Readings& readings() const noexcept { return current; }

    float slowPeak() const noexcept { return slowPeakFollower; }   // linear
    void clearSlowPeak() noexcept { slowPeakFollower = 0.0f; }

private:
    double sampleRate = 44100.0;
    TruePeakMeter truePeakMeter;

    // Followers in linear amplitude, time constants in seconds (rising, falling).
    tarn::dsp::Follower peakFollower { 0.008f, 0.45f }, rmsFollower { 0.12f, 0.7f };
    tarn::dsp::Follower vuLeft { 0.4f, 0.58f }, vuRight { 0.4f, 0.58f };
    tarn::dsp::Follower slowPeakFollower { 0.008f, 1.5f };

    tarn::dsp::Smoothed truePeakDisplay { 0.02f, 1.2f, -100.0f };   // dB
    float peakHold = -100.0f;        // dB
    int peakHoldSamples = 0;         // samples left before the hold starts to fall
    tarn::dsp::Smoothed clipRisk { 0.3f, 1.5f };   // 0..100

    Readings current;
};
