#pragma once

#include "AnalysisCoefficients.h"
#include "AnalysisMath.h"

// Side air, silk, centre weight, forward mid and the low-width risk level, from the mid/side
// signals of channels 0 and 1 and the energy in fixed bands. Each is a per-block target from band
// levels in dB, smoothed over seconds.
class MixDescriptors
{
public:
    // Sums of squares over a short run of samples (see BlockSums::add), in the filters' lanes.
    struct RunSums
    {
        tarn::dsp::Float4 bands14 {}, upper {}, lowEnd {}, highs {};
        float mid = 0;
    };

    // Sums of squares of one block (double, from single-precision squares), in the filters' lanes.
    struct BlockSums
    {
        // The per-sample loop sums a few samples in single precision and adds each run here: the
        // run's rounding stays near 1e-6 of its sum, while the block's total keeps double
        // precision however long the block.
        void add (const RunSums& run) noexcept
        {
            bands14 += __builtin_convertvector (run.bands14, tarn::dsp::Double4);
            upper += __builtin_convertvector (run.upper, tarn::dsp::Double4);
            lowEnd += __builtin_convertvector (run.lowEnd, tarn::dsp::Double4);
            highs += __builtin_convertvector (run.highs, tarn::dsp::Double4);
            mid += run.mid;
        }

        // Member by member: as one assignment it compiles to a string store, whose start-up
        // costs more than these five stores.
        void clear() noexcept
        {
            bands14 = upper = lowEnd = highs = tarn::dsp::Double4 {};
            mid = 0;
        }

        tarn::dsp::Double4 bands14 {};   // bands 400-700, 900-1200, 1500-3000, 3500-5000 Hz
        tarn::dsp::Double4 upper {};     // -, band 7000-10000 Hz, -, sub 30-120 Hz
        tarn::dsp::Double4 lowEnd {};    // -, -, low side, low mid
        tarn::dsp::Double4 highs {};     // side and mid above 12 kHz, side and mid above 10 kHz
        double mid = 0;

        double band (int k) const noexcept { return k < 4 ? bands14[k] : upper[1]; }
        double sub() const noexcept { return upper[3]; }
        double lowSide() const noexcept { return lowEnd[2]; }
        double lowMid() const noexcept { return lowEnd[3]; }
        double sideHf12() const noexcept { return highs[0]; }
        double midHf12() const noexcept { return highs[1]; }
        double sideHf10() const noexcept { return highs[2]; }
        double midHf10() const noexcept { return highs[3]; }
    };

    // Coefficients of the per-sample filters, one per lane.
    struct FilterCoefficients
    {
        tarn::dsp::Float4 bandLow, bandHigh, upper, lowStages, highStages;

        explicit FilterCoefficients (const AnalysisCoefficients& c) noexcept;
    };

    // The 27 one-pole filters, run per sample in lanes of four; held by value in the stereo loop.
    // Every low-pass is y += a (x - y); every high-pass stage is x minus such a low-pass of x.
    // Lanes keep to one signal path from stage to stage, so no value has to cross lanes.
    struct Filters
    {
        tarn::dsp::Float4 bandLow {};    // low-passes of the mid at 400, 900, 1500, 3500 Hz
        tarn::dsp::Float4 bandHigh {};   // ... at 700, 1200, 3000, 5000 Hz
        tarn::dsp::Float4 upper {};      // ... at 7000, 10000, 30 and 120 Hz
        tarn::dsp::Float4 stage1 {};     // 12 kHz high-pass of side and mid, 120 Hz low-pass of side and mid
        tarn::dsp::Float4 stage2 {};     // the next stage of each of those four paths
        tarn::dsp::Float4 stage3 {};     // 12 kHz side and mid, third stage; 10 kHz side and mid, first
        tarn::dsp::Float4 stage4 {};     // 12 kHz side and mid, fourth stage; 10 kHz side and mid, second

        static void lowPass (tarn::dsp::Float4& state, tarn::dsp::Float4 x, tarn::dsp::Float4 a) noexcept { state += a * (x - state); }

        void process (float m, float s, const FilterCoefficients& c, BlockSums& sums) noexcept
        {
            RunSums run;
            process (tarn::dsp::Float4 { s, m, s, m }, c, run);
            sums.add (run);
        }

        // sideMid: {side, mid, side, mid}.
        void process (tarn::dsp::Float4 sideMid, const FilterCoefficients& c, RunSums& sums) noexcept
        {
            using tarn::dsp::Float4;
            const tarn::dsp::Int4 highPassLanes = { -1, -1, 0, 0 };
            const float m = sideMid[1];
            const Float4 mid = __builtin_shufflevector (sideMid, sideMid, 1, 1, 1, 1);

            lowPass (bandLow, mid, c.bandLow);
            lowPass (bandHigh, mid, c.bandHigh);
            lowPass (upper, mid, c.upper);

            // Stages 1 and 2: the first two 12 kHz high-pass stages in lanes 0 and 1, the two
            // 120 Hz low-pass stages of side and mid in lanes 2 and 3.
            lowPass (stage1, sideMid, c.lowStages);
            const Float4 out1 = highPassLanes ? sideMid - stage1 : stage1;
            lowPass (stage2, out1, c.lowStages);
            const Float4 out2 = highPassLanes ? out1 - stage2 : stage2;

            // Stages 3 and 4: the 12 kHz paths go on in lanes 0 and 1; the 10 kHz side and mid
            // high-passes start afresh in lanes 2 and 3.
            const Float4 in3 = highPassLanes ? out2 : sideMid;
            lowPass (stage3, in3, c.highStages);
            const Float4 out3 = in3 - stage3;
            lowPass (stage4, out3, c.highStages);
            const Float4 out4 = out3 - stage4;

            const Float4 bands14 = bandHigh - bandLow;
            const Float4 upperDiff = upper - __builtin_shufflevector (upper, upper, 0, 0, 2, 2);

            sums.bands14 += bands14 * bands14;
            sums.upper += upperDiff * upperDiff;
            sums.lowEnd += out2 * out2;
            sums.highs += out4 * out4;
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
        TwoSpeed (float fastTauSeconds, float slowTauSeconds) noexcept
            : fast (fastTauSeconds, fastTauSeconds), slow (slowTauSeconds, slowTauSeconds) {}

        void update (float target, float dt) noexcept
        {
            fast.update (target, dt);
            slow.update (target, dt);
        }
        float value() const noexcept { return 0.3f * fast + 0.7f * slow; }

        tarn::dsp::Smoothed fast, slow;
    };

    void reset() noexcept;

    Filters filters;       // carried from block to block
    BlockSums sums;        // this block's sums, cleared by endBlock

    // Closes the block: levels, targets, smoothing and the low-width level.
    void endBlock (int numSamples, float dt, const AnalysisCoefficients& c);

    const Levels& levels() const noexcept { return blockLevels; }
    const Targets& targets() const noexcept { return blockTargets; }

    TwoSpeed sideAir { 1.25f, 3.5f }, centreWeight { 1.5f, 4.0f }, forwardMid { 1.5f, 4.0f }, silk { 1.5f, 4.0f };
    tarn::dsp::Smoothed lowWidthScore { 4.5f, 1.5f };
    int lowWidthLevel = 0;    // 0 LOW, 1 MED, 2 HIGH

private:
    Levels blockLevels;
    Targets blockTargets;
};
