#pragma once

#include <cstdint>
#include <vector>

// Loudness of channels 0 and 1 as ITU-R BS.1770 and EBU R 128 define it: the K-weighting, the
// momentary (400 ms) and short-term (3 s) loudness, the integrated loudness of 400 ms blocks every
// 100 ms with the -70 LUFS absolute and -10 LU relative gates, and the loudness range of EBU
// Tech 3342. The analyser measures it beside Tarn's own readings; the plug-in does not.
//
// Memory does not grow with the programme: see Distribution.
class StandardLoudnessMeter
{
public:
    // The weighting's high shelf sits at 1.68 kHz: below 8 kHz a file cannot hold the band it is
    // defined over, so at such rates only the sample peak is measured.
    static constexpr double minimumLoudnessRate = 8000.0;   // Hz

    struct Figures
    {
        double integratedLufs = 0;      // -inf when no block passed the gates; NaN where not measured
        double loudnessRangeLu = 0;
        double maxMomentaryLufs = 0;    // the largest 400 ms and 3 s values, read every 10 ms
        double maxShortTermLufs = 0;
        double maxSamplePeakDbfs = 0;   // -inf for digital silence
    };

    // One second-order section: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
    struct Biquad
    {
        double b0, b1, b2, a1, a2;
    };

    // The two stages of the K-weighting, derived for any rate from their analogue prototypes by
    // the bilinear transform with the corner pre-warped: at 48 kHz they are the coefficients
    // published in BS.1770.
    static Biquad designShelf (double sampleRate) noexcept;      // stage 1: +4 dB above about 1.7 kHz
    static Biquad designHighPass (double sampleRate) noexcept;   // stage 2: the RLB high-pass near 38 Hz

    // Allocates; everything after it is allocation-free. Clears every figure.
    void prepare (double sampleRate);
    void reset() noexcept;

    // Adds stereo audio; any block length. A non-finite sample counts as silence.
    void process (const float* left, const float* right, int numSamples) noexcept;

    bool measuresLoudness() const noexcept { return loudness; }
    Figures figures() const;

    // The momentary (400 ms) and short-term (3 s) loudness as of the last whole 10 ms: -inf
    // before the first 10 ms and in silence, NaN where loudness is not measured. Windows that
    // reach back before the start count that time as silence, as the maxima do.
    double momentaryLufs() const noexcept;
    double shortTermLufs() const noexcept;

    // Integrated loudness of several programmes taken together (an album): every gated block of
    // all of them, gated again as one programme.
    static double integratedOf (const std::vector<const StandardLoudnessMeter*>& programmes);

    // The values the gates and the statistics are taken over (gating-block or short-term
    // energies at or above the absolute gate). The first values are kept one by one, so a
    // programme of up to exactCapacity of them (10 minutes) is measured exactly; every value is
    // also counted in 0.01 LU bins from -70 LUFS up, each holding its count and the sum of its
    // energies, which measure a longer programme: means over whole bins are exact, and only the
    // bin a relative gate falls in is decided as a whole (one value of thousands).
    class Distribution
    {
    public:
        static constexpr int exactCapacity = 6000;

        void allocate();
        void clear() noexcept;
        void add (double energy) noexcept;

        // The energy mean of the values at or above the relative gate `gateFactor` times the mean
        // of all of them (the integrated loudness as an energy); 0 when there are none.
        static double gatedMean (const std::vector<const Distribution*>& parts, double gateFactor);

        // The lowFraction and highFraction percentiles of the values at or above the relative
        // gate, in LU apart (the loudness range); 0 when there are none.
        double percentileSpread (double gateFactor, double lowFraction, double highFraction) const;

    private:
        bool exact() const noexcept { return total <= (std::uint64_t) exactCapacity; }
        static int binOf (double energy) noexcept;
        static int firstGatedBin (const std::vector<const Distribution*>& parts, double gate);

        std::vector<double> values;   // the first exactCapacity values
        std::uint64_t total = 0;
        std::vector<std::uint64_t> counts;
        std::vector<double> energies;
    };

private:
    void filterRun (const float* left, const float* right, int numFrames, double& squares) noexcept;
    void closeSubBlock() noexcept;
    void closeSegment() noexcept;

    bool loudness = false;
    double b[5] {}, a[5] {};      // the two stages as one fourth-order filter
    double state[2][4] {};        // its delay line, per channel
    float largestMagnitude = 0;

    // 10 ms sub-blocks give the momentary and short-term values; 100 ms segments give the gating
    // blocks (4 segments) and the short-term values of the range (30 segments).
    int subBlockFrames = 0, subBlockFilled = 0;
    int segmentFrames = 0, segmentFilled = 0;
    double subBlockSquares = 0, segmentSquares = 0;

    static constexpr int momentarySubBlocks = 40, shortTermSubBlocks = 300;
    std::vector<double> recentSubBlocks;   // energies, a ring of shortTermSubBlocks held twice over
    int newestSubBlock = -1;
    double momentaryEnergy = 0, shortTermEnergy = 0, maxMomentaryEnergy = 0, maxShortTermEnergy = 0;

    // The range takes a short-term value every segment: ten a second, as Tech 3342 asks.
    static constexpr int blockSegments = 4, shortTermSegments = 30, rangeHopSegments = 1;
    double recentSegments[shortTermSegments] {};   // sums of squares, a ring
    int newestSegment = -1;
    std::int64_t segmentsSeen = 0;

    Distribution gatedBlocks, shortTermValues;
};
