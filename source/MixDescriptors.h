#pragma once

#include "AnalysisCoefficients.h"

// Side air, silk, centre weight, forward mid and the low-width risk level, from the mid/side
// signals of channels 0 and 1 and the energy in fixed bands. Each is a per-block target from band
// levels in dB, smoothed over seconds.
class MixDescriptors
{
public:
    // Sums of squares of one block (double, from single-precision squares).
    struct BlockSums
    {
        double mid = 0, sub = 0, lowMid = 0, lowSide = 0;
        double sideHf10 = 0, midHf10 = 0, sideHf12 = 0, midHf12 = 0;
        double band1 = 0, band2 = 0, band3 = 0, band4 = 0, band5 = 0;
    };

    // The 27 one-pole filters, run per sample; held by value in the stereo loop.
    struct Filters
    {
        float lp30 = 0, lp120 = 0, lowMid2 = 0, lowSide1 = 0, lowSide2 = 0;
        float side10[2] = {}, mid10[2] = {};
        float side12[4] = {}, mid12[4] = {};
        float lp400 = 0, lp700 = 0, lp900 = 0, lp1200 = 0, lp1500 = 0, lp3000 = 0, lp3500 = 0,
              lp5000 = 0, lp7000 = 0, lp10000 = 0;

        static float lowPass (float& state, float x, float a) noexcept { return state += a * (x - state); }

        template <int Stages>
        static float highPass (float (&states)[Stages], float x, float a) noexcept
        {
            for (int i = 0; i < Stages; ++i)
                x -= lowPass (states[i], x, a);
            return x;
        }

        void process (float m, float s, const AnalysisCoefficients& c, BlockSums& sums) noexcept
        {
            lowPass (lp30, m, c.a30);
            lowPass (lp120, m, c.a120);
            lowPass (lowMid2, lp120, c.a120);
            lowPass (lowSide1, s, c.a120);
            lowPass (lowSide2, lowSide1, c.a120);
            const float sideAbove10k = highPass (side10, s, c.a10k);
            const float midAbove10k = highPass (mid10, m, c.a10k);
            const float sideAbove12k = highPass (side12, s, c.a12k);
            const float midAbove12k = highPass (mid12, m, c.a12k);
            lowPass (lp400, m, c.a400);
            lowPass (lp700, m, c.a700);
            lowPass (lp900, m, c.a900);
            lowPass (lp1200, m, c.a1200);
            lowPass (lp1500, m, c.a1500);
            lowPass (lp3000, m, c.a3000);
            lowPass (lp3500, m, c.a3500);
            lowPass (lp5000, m, c.a5000);
            lowPass (lp7000, m, c.a7000);
            lowPass (lp10000, m, c.a10000);

            const float sub = lp120 - lp30;
            const float b1 = lp700 - lp400, b2 = lp1200 - lp900, b3 = lp3000 - lp1500,
                        b4 = lp5000 - lp3500, b5 = lp10000 - lp7000;

            sums.mid += m * m;
            sums.sub += sub * sub;
            sums.lowMid += lowMid2 * lowMid2;
            sums.lowSide += lowSide2 * lowSide2;
            sums.sideHf10 += sideAbove10k * sideAbove10k;
            sums.midHf10 += midAbove10k * midAbove10k;
            sums.sideHf12 += sideAbove12k * sideAbove12k;
            sums.midHf12 += midAbove12k * midAbove12k;
            sums.band1 += b1 * b1;
            sums.band2 += b2 * b2;
            sums.band3 += b3 * b3;
            sums.band4 += b4 * b4;
            sums.band5 += b5 * b5;
        }
    };

    // Band levels of one block in dB (floor -120).
    struct Levels
    {
        float sideHf10 = -120, midHf10 = -120, sideHf12 = -120, midHf12 = -120, hf12 = -120;
        float sub = -120, lowMid = -120, lowSide = -120, mid = -120;
        float b1 = -120, b2 = -120, b3 = -120, b4 = -120, b5 = -120;

        static Levels fromSums (const BlockSums& sums, int numSamples, const AnalysisCoefficients& c);
    };

    // Unsmoothed per-block targets.
    struct Targets
    {
        float sideAir = 0, centreWeight = 0, forwardMid = 0, silk = 0, lowWidth = 0;

        static Targets fromLevels (const Levels& levels);
    };

    // A published index: 0.3 * fast + 0.7 * slow of two smoothers of its target.
    struct TwoSpeed
    {
        float fast = 0, slow = 0;

        void update (float target, float dt, float fastTau, float slowTau) noexcept;
        float value() const noexcept { return 0.3f * fast + 0.7f * slow; }
    };

    void reset() noexcept;

    Filters filters;       // carried from block to block
    BlockSums sums;        // this block's sums, cleared by endBlock

    // Closes the block: levels, targets, smoothing and the low-width level.
    void endBlock (int numSamples, float dt, const AnalysisCoefficients& c);

    const Levels& levels() const noexcept { return blockLevels; }
    const Targets& targets() const noexcept { return blockTargets; }

    TwoSpeed sideAir, centreWeight, forwardMid, silk;
    float lowWidthScore = 0;
    int lowWidthLevel = 0;    // 0 LOW, 1 MED, 2 HIGH

private:
    Levels blockLevels;
    Targets blockTargets;
};
