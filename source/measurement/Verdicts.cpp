#include "Verdicts.h"

#include "AnalysisMath.h"

using namespace tarn::dsp;

namespace
{
// A stability timer: how long a value has stayed the same, capped at 30 s.
void trackStability (int value, int& last, float& stableSeconds, float dt)
{
    if (value == last)
    {
        stableSeconds = std::min (stableSeconds + dt, 30.0f);
    }
    else
    {
        last = value;
        stableSeconds = 0.0f;
    }
}
} // namespace

int Verdicts::nextPushLevel (int level, float score, int destinationMode) noexcept
{
    // (MED, HIGH) thresholds: Off, Streaming, Club / DJ. Climbing needs 7 points more, falling 7 less.
    const float med = destinationMode == 0 ? 34.0f : destinationMode == 2 ? 46.0f : 28.0f;
    const float high = destinationMode == 0 ? 70.0f : destinationMode == 2 ? 78.0f : 60.0f;

    switch (level)
    {
        case 0:  return score >= high + 7.0f ? 2 : (score >= med + 7.0f ? 1 : 0);
        case 1:  return score >= high + 7.0f ? 2 : (score >= med - 7.0f ? 1 : 0);
        default: return score >= high - 7.0f ? 2 : (score >= med - 7.0f ? 1 : 0);
    }
}

int Verdicts::demoteWeakHigh (int level, int causesSet, float peakTerm) noexcept
{
    return level == 2 && causesSet <= 1 && peakTerm < 24.0f ? 1 : level;
}

int Verdicts::pushReasonFor (int level, const PushTerms& t) noexcept
{
    if (level <= 0)
        return 0;
    if (t.peak >= 24.0f)
        return 6;   // running hot
    if (level == 2 && (t.smoothedA >= 82.0f || t.smoothedB >= 88.0f))
        return 7;   // over-limited
    if (t.width >= 14.0f)
        return 4;   // low-end strain
    if (t.instability >= 12.0f)
        return 5;   // width strain
    if (t.translation >= 14.0f || t.crest >= 26.0f)
        return 3;   // losing impact
    return 2;       // pushing hard
}

int Verdicts::bandOf (float v) noexcept
{
    return v >= 88.0f ? 4 : v >= 70.0f ? 3 : v >= 58.0f ? 2 : v >= 40.0f ? 1 : 0;
}

void Verdicts::reset() noexcept
{
    *this = Verdicts {};
}

bool Verdicts::updateSignalTiming (bool hasSignal, float dt) noexcept
{
    if (hasSignal)
    {
        signalSeconds = std::min (signalSeconds + dt, 30.0f);
        silenceSeconds = 0.0f;
        return false;
    }

    silenceSeconds = std::min (silenceSeconds + dt, 10.0f);

    if (silenceSeconds < 2.5f)
        return false;

    // A long gap: the next programme settles from scratch.
    signalSeconds = 0.0f;
    bandStableSeconds = pushStableSeconds = widthStableSeconds = 0.0f;
    revealSeconds = 0.0f;
    ready = false;
    lastBand = lastPushLevel = lastWidthLevel = -1;
    pushA = 0.0f;
    pushB = 0.0f;
    instability = 0.0f;
    lowCrestFlag = lowAirFlag = limitingFlag = false;
    return true;
}

void Verdicts::updateVerdicts (const BlockInputs& in) noexcept
{
    const float dt = in.dt;
    const MixDescriptors& mix = *in.descriptors;
    const auto& targets = mix.targets();
    const int widthLevel = mix.lowWidthLevel;

    // The envelopes' levels and the slow peak in dB, their logarithms taken together.
    const Float4 db = bandLevelsDb (Float4 { envelopes.fastMax(), envelopes.slowMax(), in.slowPeak, 0.0f });

    // Punch: crest and transient contrast of the mid, less clipping and loud flat blocks.
    {
        const float d = db[0] - db[1];
        const float crestScore = clamp100 ((in.crestDb - 5.5f) * 100.0f / 7.0f);
        const float transient = clamp100 ((d - 1.0f) * 100.0f / 9.0f);
        const float clipPenalty = 14.0f * clamp01 (((float) envelopes.nearClipSamples / (float) in.numSamples - 0.005f) / 0.08f);
        const float loudness = clamp01 ((in.rmsDb + 18.0f) / 12.0f);
        const float lowCrest = clamp01 ((8.0f - in.crestDb) * 0.25f);
        const float levelGate = clamp01 ((in.rmsDb + 60.0f) / 18.0f);
        const float target = clamp100 ((0.4f * crestScore + 0.6f * transient - clipPenalty - 18.0f * loudness * lowCrest) * levelGate);
        punchFast.update (target, dt);
        punchSlow.update (target, dt);
    }

    // Translation, penalised by the push level of the previous block.
    const bool judged = mix.levels().mid > -80.0f;
    {
        float target = 0.0f;

        if (judged)
        {
            const float penalties = (targets.sideAir < 18.0f ? 6.0f : 0.0f)
                                  + (widthLevel == 1 ? 8.0f : widthLevel == 2 ? 22.0f : 0.0f)
                                  + (targets.centreWeight < 25.0f ? 8.0f : 0.0f)
                                  + (pushLevel == 1 ? 6.0f : pushLevel == 2 ? 16.0f : 0.0f);
            target = clamp100 (56.0f + 0.14f * targets.sideAir + 0.22f * targets.centreWeight - penalties);
        }

        translationA.update (target, dt);
        translationB.update (target, dt);
        translationC.update (target, dt);
    }
    const float tr = 0.2f * translationA + 0.65f * translationB + 0.15f * translationC;

    // Push damage, judged against the previous block's level.
    const float crest = in.crestDb;
    const float slowPeak = clampedPeakLevelDb (in.slowPeak, db[2]);
    const float lowCrest6 = clamp01 ((9.0f - crest) / 6.0f);
    const float loud14 = clamp01 ((in.rmsDb + 20.0f) / 14.0f);
    const float near6 = clamp01 ((slowPeak + 9.0f) / 6.0f);
    const float near9 = clamp01 ((slowPeak + 12.0f) / 9.0f);
    const float tFactor = slowPeak > -4.0f ? clamp01 ((45.0f - tr) / 30.0f) : 0.0f;
    const float f = in.destinationMode == 2 ? 0.5f : 1.0f;

    const float scoreA = judged ? clamp100 (22.0f * tFactor + 30.0f * near6 + 30.0f * f * loud14 + 30.0f * f * lowCrest6) : 0.0f;
    const float scoreB = judged ? clamp100 (f * (45.0f * loud14 + 40.0f * lowCrest6) + 15.0f * near6) : 0.0f;
    pushA.update (scoreA, dt);
    pushB.update (scoreB, dt);

    const float crestTerm = f * near9 * std::min (std::max (5.5f * (10.0f - crest), 0.0f), 35.0f);

    float peakTerm = 0.0f;
    if (in.samplePeakDb >= -0.3f)
    {
        peakTerm = 30.0f;
    }
    else
    {
        const float p = std::min (-0.3f, slowPeak);
        peakTerm = p > -3.0f ? 22.0f * (p + 3.0f) / 2.7f : p > -6.0f ? 8.0f * (p + 6.0f) / 3.0f : 0.0f;
    }

    const float w = widthLevel == 1 ? 10.0f : widthLevel == 2 ? 22.0f : 0.0f;
    const float widthTerm = w * (0.65f * near9 + 0.35f);

    const float swing = std::abs (mix.centreWeight.fast - mix.centreWeight.slow) + std::abs (mix.sideAir.fast - mix.sideAir.slow);
    instability.update (near9 * clampTo (1.2f * swing, 0.0f, 20.0f), dt);
    const float instabilityTerm = instability;

    const float translationTerm = slowPeak > -3.0f && tr < 35.0f ? clampTo ((35.0f - tr) * 0.5f, 0.0f, 18.0f) : 0.0f;

    const float pushTarget = judged ? clamp100 (clamp01 ((slowPeak + 10.0f) / 6.0f)
                                                * (crestTerm + peakTerm + widthTerm + instabilityTerm + translationTerm
                                                   + 0.35f * pushA + 0.18f * pushB))
                                    : 0.0f;
    pushScore.update (pushTarget, dt);

    lowCrestFlag = lowCrest6 > (lowCrestFlag ? 0.4f : 0.5f);
    lowAirFlag = clamp01 ((40.0f - targets.sideAir) / 25.0f) > (lowAirFlag ? 0.35f : 0.45f);
    limitingFlag = clamp01 (pushB / 100.0f) > (limitingFlag ? 0.5f : 0.6f);
    const int causesSet = (lowCrestFlag ? 1 : 0) + (lowAirFlag ? 1 : 0) + (limitingFlag ? 1 : 0);

    const int newPushLevel = demoteWeakHigh (nextPushLevel (pushLevel, pushScore, in.destinationMode), causesSet, peakTerm);
    const int reason = pushReasonFor (newPushLevel, { crestTerm, peakTerm, widthTerm, instabilityTerm, translationTerm, pushA, pushB });

    pushLevel = newPushLevel;
    pushReason = reason;

    // Readiness and the published translation.
    const bool severe = (widthLevel == 2 && widthStableSeconds >= 2.0f)
                     || (pushLevel == 2 && pushStableSeconds >= 2.0f)
                     || (tr < 35.0f && bandStableSeconds >= 3.0f);

    band = bandOf (tr);
    if (! ready && ! severe && tr < 58.0f)
        band = 2;

    trackStability (band, lastBand, bandStableSeconds, dt);
    trackStability (pushLevel, lastPushLevel, pushStableSeconds, dt);
    trackStability (widthLevel, lastWidthLevel, widthStableSeconds, dt);

    if (! ready && signalSeconds >= 10.0f
        && ((bandStableSeconds >= 2.0f && pushStableSeconds >= 2.0f && widthStableSeconds >= 2.0f) || signalSeconds >= 14.0f))
    {
        ready = true;
        if (tr < 58.0f && ! severe)
            revealSeconds = 4.0f;   // a low translation is not revealed for the first 4 s
    }

    if (revealSeconds > 0.0f)
        revealSeconds = std::max (revealSeconds - dt, 0.0f);

    publishedTranslation = revealSeconds > 0.0f && ! severe ? std::max (58.0f, tr) : tr;
}
