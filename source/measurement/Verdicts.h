#pragma once

#include "AnalysisCoefficients.h"
#include "AnalysisMath.h"
#include "MixDescriptors.h"

#include <cmath>

// Punch, translation and push damage, and the signal state that holds them back until they have
// settled: a stereo programme needs at least 10 s of signal (14 s at most) before they show.
class Verdicts
{
public:
    // Per-sample followers of abs(mid), fast and slow side by side in lanes, and the near-clip
    // count; held by value in the stereo loop.
    struct Envelopes
    {
        tarn::dsp::Float4 followers {};        // fast, slow (carried across blocks), unused, unused
        tarn::dsp::Float4 largest {};          // this block's largest values of each
        int nearClipSamples = 0;               // this block

        struct Coefficients
        {
            tarn::dsp::Float4 rising, falling;

            explicit Coefficients (const AnalysisCoefficients& c) noexcept
                : rising { c.b3ms, c.b80ms, 0.0f, 0.0f }, falling { c.b50ms, c.b250ms, 0.0f, 0.0f } {}
        };

        void process (float l, float r, float m, const Coefficients& c) noexcept
        {
            const float u = std::abs (m);
            const tarn::dsp::Float4 target = { u, u, u, u };
            followers += (target > followers ? c.rising : c.falling) * (target - followers);
            largest = followers > largest ? followers : largest;
            nearClipSamples += (std::abs (l) > 0.985f || std::abs (r) > 0.985f) ? 1 : 0;
        }

        float fast() const noexcept { return followers[0]; }
        float slow() const noexcept { return followers[1]; }
        float fastMax() const noexcept { return largest[0]; }
        float slowMax() const noexcept { return largest[1]; }
    };

    // What the verdict stage reads of one block.
    struct BlockInputs
    {
        int numSamples = 0;
        float dt = 0;
        float samplePeakDb = -100;     // block sample peak
        float slowPeak = 0;            // the level meter's slow peak follower, linear
        float crestDb = 0, rmsDb = -100;   // as published this block
        const MixDescriptors* descriptors = nullptr;
        int destinationMode = 1;
    };

    void reset() noexcept;

    Envelopes envelopes;

    // Signal and silence timing; runs on every block, before the level followers move. Returns
    // true when a long silence has cleared the settling, so the caller clears the slow peak too.
    bool updateSignalTiming (bool hasSignal, float dt) noexcept;

    // Punch, translation, push damage and readiness of a block with stereo analysis.
    void updateVerdicts (const BlockInputs& in) noexcept;

    int signalState (bool hasSignal) const noexcept { return hasSignal ? (ready ? 2 : 1) : 0; }

    // Published values.
    float punch() const noexcept { return 0.3f * punchFast + 0.7f * punchSlow; }
    float translation() const noexcept { return publishedTranslation; }
    int translationBand() const noexcept { return band; }
    float pushDamageScore() const noexcept { return pushScore; }
    int pushDamageLevel() const noexcept { return pushLevel; }
    int pushDamageReason() const noexcept { return pushReason; }
    bool isReady() const noexcept { return ready; }

    static int bandOf (float translationValue) noexcept;

    // The terms of one block's push damage judgement, for the level and reason rules below.
    struct PushTerms
    {
        float crest = 0, peak = 0, width = 0, instability = 0, translation = 0;
        float smoothedA = 0, smoothedB = 0;   // sA and sB
    };

    // The level after the destination's thresholds (with hysteresis around the previous level),
    // before the demotion of a weakly founded HIGH.
    static int nextPushLevel (int previousLevel, float score, int destinationMode) noexcept;

    // A HIGH founded on at most one cause and no hot peaks is reported as MED.
    static int demoteWeakHigh (int level, int causesSet, float peakTerm) noexcept;

    // The main cause of a push damage level: 0 for LOW, else the reason code 2..7.
    static int pushReasonFor (int level, const PushTerms& terms) noexcept;

private:
    // Smoothers, time constants in seconds (rising, falling).
    tarn::dsp::Smoothed punchFast { 0.25f, 1.5f }, punchSlow { 0.6f, 4.0f };
    tarn::dsp::Smoothed translationA { 3.0f, 3.0f }, translationB { 7.0f, 7.0f }, translationC { 15.0f, 15.0f };
    tarn::dsp::Smoothed pushA { 2.8f, 2.5f }, pushB { 4.5f, 3.0f };   // sA and sB
    tarn::dsp::Smoothed pushScore { 5.5f, 3.0f }, instability { 6.0f, 3.0f };
    bool lowCrestFlag = false, lowAirFlag = false, limitingFlag = false;
    int pushLevel = 0, pushReason = 0;

    float signalSeconds = 0, silenceSeconds = 0;
    float bandStableSeconds = 0, pushStableSeconds = 0, widthStableSeconds = 0;
    int lastBand = -1, lastPushLevel = -1, lastWidthLevel = -1;
    float revealSeconds = 0;
    bool ready = false;

    float publishedTranslation = 0;
    int band = 2;
};
