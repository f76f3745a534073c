#pragma once

#include "AnalysisCoefficients.h"
#include "AnalysisMath.h"

// Side air, silk, centre weight, forward mid and the low-width risk level, from the mid/side
// signals of channels 0 and 1 and the energy in fixed bands. Each is a per-block target from band
// levels in dB, smoothed over seconds.
class MixDescriptors
{
public:
    // Sums of squares of one block (double, from single-precision squares), in lanes of four.
    struct BlockSums
    {
        tarn::dsp::Double4 bands14 {};   // bands 400-700, 900-1200, 1500-3000, 3500-5000 Hz
        tarn::dsp::Double4 mixed {};     // band 7000-10000 Hz, sub 30-120 Hz, side and mid above 10 kHz
        tarn::dsp::Double4 upper {};     // side and mid above 12 kHz, low mid, low side
        double mid = 0;

        double band (int k) const noexcept { return k < 4 ? bands14[k] : mixed[0]; }
        double sub() const noexcept { return mixed[1]; }
        double sideHf10() const noexcept { return mixed[2]; }
        double midHf10() const noexcept { return mixed[3]; }
        double sideHf12() const noexcept { return upper[0]; }
        double midHf12() const noexcept { return upper[1]; }
        double lowMid() const noexcept { return upper[2]; }
        double lowSide() const noexcept { return upper[3]; }
    };

    // Coefficients of the per-sample filters, one per lane.
    struct FilterCoefficients
    {
        tarn::dsp::Float4 bandLow, bandHigh, upperBand, highPass, highPass12, lowEnd;

        explicit FilterCoefficients (const AnalysisCoefficients& c) noexcept;
    };

    // The 27 one-pole filters, run per sample in lanes of four; held by value in the stereo loop.
    // Every low-pass is y += a (x - y); every high-pass stage is x minus such a low-pass of x.
    struct Filters
    {
        tarn::dsp::Float4 bandLow {};    // low-passes of the mid at 400, 900, 1500, 3500 Hz
        tarn::dsp::Float4 bandHigh {};   // ... at 700, 1200, 3000, 5000 Hz
        tarn::dsp::Float4 upperBand {};  // ... at 7000, 10000, 30 and 120 Hz
        tarn::dsp::Float4 stage1 {};     // first high-pass stages: side 10k, mid 10k, side 12k, mid 12k
        tarn::dsp::Float4 stage2 {};     // second stages, same lanes
        tarn::dsp::Float4 stage3 {};     // third 12 kHz stages (side, mid), low side first stage, low mid (second stage of 120 Hz)
        tarn::dsp::Float4 stage4 {};     // fourth 12 kHz stages (side, mid), low side second stage, unused

        static void lowPass (tarn::dsp::Float4& state, tarn::dsp::Float4 x, tarn::dsp::Float4 a) noexcept { state += a * (x - state); }

        void process (float m, float s, const FilterCoefficients& c, BlockSums& sums) noexcept
        {
            using tarn::dsp::Float4;
            const Float4 mid = { m, m, m, m };

            lowPass (bandLow, mid, c.bandLow);
            lowPass (bandHigh, mid, c.bandHigh);
            lowPass (upperBand, mid, c.upperBand);
            const float lp120 = upperBand[3];

            const Float4 in1 = { s, m, s, m };
            lowPass (stage1, in1, c.highPass);
            const Float4 out1 = in1 - stage1;
            lowPass (stage2, out1, c.highPass);
            const Float4 out2 = out1 - stage2;

            const Float4 in3 = { out2[2], out2[3], s, lp120 };
            lowPass (stage3, in3, c.lowEnd);
            const Float4 in4 = { in3[0] - stage3[0], in3[1] - stage3[1], stage3[2], 0.0f };
            lowPass (stage4, in4, c.highPass12);

            const Float4 bands14 = bandHigh - bandLow;
            const Float4 mixed = { upperBand[1] - upperBand[0], upperBand[3] - upperBand[2], out2[0], out2[1] };
            const Float4 upper = { in4[0] - stage4[0], in4[1] - stage4[1], stage3[3], stage4[2] };

            sums.bands14 += __builtin_convertvector (bands14 * bands14, tarn::dsp::Double4);
            sums.mixed += __builtin_convertvector (mixed * mixed, tarn::dsp::Double4);
            sums.upper += __builtin_convertvector (upper * upper, tarn::dsp::Double4);
            sums.mid += m * m;
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
