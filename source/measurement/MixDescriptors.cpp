#include "MixDescriptors.h"

#include <cstring>

#include "AnalysisMath.h"

using namespace tarn::dsp;

namespace
{
int nextLowWidthLevel (int level, float z)
{
    switch (level)
    {
        case 0:  return z >= 85.0f ? 2 : (z >= 57.0f ? 1 : 0);
        case 1:  return z >= 85.0f ? 2 : (z >= 39.0f ? 1 : 0);
        default: return z >= 67.0f ? 2 : (z >= 39.0f ? 1 : 0);
    }
}
} // namespace

MixDescriptors::FilterCoefficients::FilterCoefficients (const AnalysisCoefficients& c) noexcept
    : bandLow { c.a400, c.a900, c.a1500, c.a3500 },
      bandHigh { c.a700, c.a1200, c.a3000, c.a5000 },
      upper { c.a7000, c.a10000, c.a30, c.a120 },
      lowStages { c.a12k, c.a12k, c.a120, c.a120 },
      highStages { c.a12k, c.a12k, c.a10k, c.a10k }
{
}

MixDescriptors::Levels MixDescriptors::Levels::fromSums (const BlockSums& s, int n, const AnalysisCoefficients& c)
{
    // The fourteen band levels in dB from their mean squares (no square roots), the means in
    // double and the logarithms four at a time in single precision. The two spare lanes stay 0.
    const Double4 sums[4] = {
        { s.sideHf10(), s.midHf10(), s.sideHf12(), s.midHf12() },
        { s.midHf12() + s.sideHf12(), s.sub(), s.lowMid(), s.lowSide() },
        { s.mid, s.band (0), s.band (1), s.band (2) },
        { s.band (3), s.band (4), 0, 0 }
    };
    // The high bands' corrections are amplitude gains; on mean squares they apply squared.
    const float g10 = c.gain10kSquared * c.gain10kSquared, g12 = c.gain12kFourth * c.gain12kFourth;
    const Float4 gains[4] = { { g10, g10, g12, g12 }, { g12, 1, 1, 1 }, { 1, 1, 1, 1 }, { 1, 1, 1, 1 } };
    const double perSample = 1.0 / n;

    float db[16];
    for (int i = 0; i < 4; ++i)
    {
        const Float4 meanSquares = __builtin_convertvector (sums[i] * perSample, Float4) * gains[i];
        const Float4 v = bandLevelsDbOfPower (meanSquares);
        std::memcpy (db + 4 * i, &v, sizeof (v));
    }

    Levels l;
    l.sideHf10 = db[0];
    l.midHf10 = db[1];
    l.sideHf12 = db[2];
    l.midHf12 = db[3];
    l.hf12 = db[4];
    l.sub = db[5];
    l.lowMid = db[6];
    l.lowSide = db[7];
    l.mid = db[8];
    l.b1 = db[9];
    l.b2 = db[10];
    l.b3 = db[11];
    l.b4 = db[12];
    l.b5 = db[13];
    return l;
}

MixDescriptors::Targets MixDescriptors::Targets::fromLevels (const Levels& l)
{
    Targets t;

    {   // Side air: side energy above 10 and 12 kHz against the mid's.
        const float a = clamp100 ((l.sideHf10 - l.midHf10 + 14.0f) * 100.0f / 12.0f);
        const float b = clamp100 ((l.sideHf12 - l.midHf12 + 16.0f) * 100.0f / 14.0f);
        const float g = clamp01 ((l.sideHf12 + 112.0f) / 14.0f);   // any side energy above 12 kHz
        float x = g * (3.5f + 0.45f * a + 0.55f * b);
        x = x + 0.85f * std::max (x - 20.0f, 0.0f);
        const float q = clamp01 ((l.sideHf10 - l.sideHf12 - 12.0f) / 12.0f);   // air that stops short of 12 kHz
        t.sideAir = clamp100 (x - 12.0f * q * g);
    }

    {   // Centre weight: a focused, mono sub.
        const float subScore = clamp100 ((l.sub + 50.0f) * 100.0f / 28.0f);
        const float focus = 18.0f * std::max (1.0f - std::abs (l.sub - l.mid + 14.0f) / 8.0f, 0.0f);
        const float subExcess = 14.0f * clamp01 ((l.sub - l.mid + 6.0f) / 8.0f);
        const float lowWidth = 22.0f * clamp01 ((l.lowSide - l.lowMid + 14.0f) / 16.0f);
        t.centreWeight = clamp100 (subScore + focus - subExcess - lowWidth);
    }

    {   // Forward mid: presence around 1.5-3 kHz, less boxy, nasal, harsh or recessed bands.
        const float avg = (l.b1 + l.b2 + l.b3 + l.b4) / 4.0f;
        const float gate = clamp01 ((l.b3 + 95.0f) / 12.0f);
        const float presence = clamp100 ((l.b3 - avg + 4.0f) * 10.0f);
        const float box = 18.0f * clamp01 ((l.b1 - avg - 0.5f) * 0.25f);
        const float nasal = 24.0f * clamp01 ((l.b2 - avg - 0.25f) / 3.5f);
        const float harsh = 24.0f * clamp01 ((l.b4 - avg - 0.25f) / 3.5f);
        const float recessed = 16.0f * clamp01 ((-0.5f - (l.b3 - avg)) / 3.5f);
        t.forwardMid = clamp100 (gate * (presence - box - nasal - harsh - recessed));
    }

    {   // Silk: top end without harshness or brittleness.
        const float hfScore = clamp100 ((l.hf12 + 119.0f) * 100.0f / 30.0f);
        const float harshness = 34.0f * clamp01 ((l.b4 - l.b3 + 4.0f) / 5.0f);
        const float brittleness = 36.0f * clamp01 ((l.b5 - l.b3 + 14.0f) / 5.0f);
        const float hfGate = clamp01 ((l.hf12 + 110.0f) * 0.125f);
        const float levelGate = clamp01 ((l.mid + 60.0f) / 18.0f);
        t.silk = clamp100 ((hfScore - harshness - brittleness) * hfGate * levelGate);
    }

    {   // Low-width risk: low end that is wide and loud enough to matter. The loudness gate takes
        // the louder of the mid and side bass: bass that is all side (anti-phase, gone in mono) is
        // the worst case, not a quiet one.
        const float risk = clamp100 ((l.lowSide - l.lowMid + 22.0f) * 100.0f / 16.0f);
        const float lowLevel = std::max (l.lowMid, l.lowSide);
        t.lowWidth = clamp01 ((lowLevel + 62.0f) / 18.0f) * risk * clamp01 ((l.lowSide + 72.0f) / 18.0f);
    }

    return t;
}

void MixDescriptors::reset() noexcept
{
    filters = {};
    sums.clear();
    for (auto* index : { &sideAir, &centreWeight, &forwardMid, &silk })
    {
        index->fast = 0.0f;
        index->slow = 0.0f;
    }
    lowWidthScore = 0.0f;
    lowWidthLevel = 0;
    blockLevels = {};
    blockTargets = {};
}

void MixDescriptors::endBlock (int numSamples, float dt, const AnalysisCoefficients& c)
{
    blockLevels = Levels::fromSums (sums, numSamples, c);
    blockTargets = Targets::fromLevels (blockLevels);
    sums.clear();

    lowWidthScore.update (blockTargets.lowWidth, dt);
    lowWidthLevel = nextLowWidthLevel (lowWidthLevel, lowWidthScore);

    sideAir.update (blockTargets.sideAir, dt);
    centreWeight.update (blockTargets.centreWeight, dt);
    forwardMid.update (blockTargets.forwardMid, dt);
    silk.update (blockTargets.silk, dt);
}
