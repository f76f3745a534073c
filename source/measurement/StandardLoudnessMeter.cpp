#include "StandardLoudnessMeter.h"

#include "AnalysisMath.h"

#include <algorithm>
#include <iterator>
#include <cmath>
#include <limits>
#include <numeric>

namespace
{
constexpr double pi = 3.14159265358979323846;

double lufsOf (double energy) noexcept { return energy > 0 ? -0.691 + 10.0 * std::log10 (energy) : -HUGE_VAL; }
double energyOf (double lufs) noexcept { return std::pow (10.0, (lufs + 0.691) / 10.0); }

const double absoluteGateEnergy = energyOf (-70.0);
constexpr double integratedGateFactor = 0.1;   // -10 LU
constexpr double rangeGateFactor = 0.01;       // -20 LU

// The distributions' bins: 0.01 LU each from the absolute gate up to +40 LUFS.
constexpr double lowestLufs = -70.0, binsPerLu = 100.0;
constexpr int binCount = 110 * 100;

typedef double Double2 __attribute__ ((vector_size (16)));
} // namespace

// Analogue prototypes of the two stages, fitted so that the bilinear transform at 48 kHz gives
// the coefficients published in BS.1770; pre-warping the corner keeps the response at other rates.
StandardLoudnessMeter::Biquad StandardLoudnessMeter::designShelf (double sampleRate) noexcept
{
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan (pi * f0 / sampleRate);
    const double vh = std::pow (10.0, gainDb / 20.0);
    const double vb = std::pow (vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return { (vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
             2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0 };
}

StandardLoudnessMeter::Biquad StandardLoudnessMeter::designHighPass (double sampleRate) noexcept
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan (pi * f0 / sampleRate);
    const double a0 = 1.0 + k / q + k * k;
    return { 1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0 };
}

void StandardLoudnessMeter::prepare (double sampleRate)
{
    loudness = sampleRate >= minimumLoudnessRate;
    const auto rate = (std::int64_t) std::llround (sampleRate);
    subBlockFrames = (int) std::max<std::int64_t> (1, rate / 100);
    segmentFrames = (int) std::max<std::int64_t> (1, (rate + 5) / 10);

    // The two stages multiplied out into one fourth-order filter: one recursion per sample.
    const auto s = designShelf (sampleRate), h = designHighPass (sampleRate);
    b[0] = s.b0 * h.b0;
    b[1] = s.b0 * h.b1 + s.b1 * h.b0;
    b[2] = s.b0 * h.b2 + s.b1 * h.b1 + s.b2 * h.b0;
    b[3] = s.b1 * h.b2 + s.b2 * h.b1;
    b[4] = s.b2 * h.b2;
    a[0] = 1.0;
    a[1] = h.a1 + s.a1;
    a[2] = h.a2 + s.a1 * h.a1 + s.a2;
    a[3] = s.a1 * h.a2 + s.a2 * h.a1;
    a[4] = s.a2 * h.a2;

    recentSubBlocks.assign (2 * (size_t) shortTermSubBlocks, 0.0);
    gatedBlocks.allocate();
    shortTermValues.allocate();
    reset();
}

void StandardLoudnessMeter::reset() noexcept
{
    for (auto& channel : state)
        std::fill (std::begin (channel), std::end (channel), 0.0);
    largestMagnitude = 0;
    subBlockFilled = segmentFilled = 0;
    subBlockSquares = segmentSquares = 0;
    std::fill (recentSubBlocks.begin(), recentSubBlocks.end(), 0.0);
    newestSubBlock = -1;
    maxMomentaryEnergy = maxShortTermEnergy = momentaryEnergy = shortTermEnergy = 0;
    std::fill (std::begin (recentSegments), std::end (recentSegments), 0.0);
    newestSegment = -1;
    segmentsSeen = 0;
    gatedBlocks.clear();
    shortTermValues.clear();
}

void StandardLoudnessMeter::process (const float* left, const float* right, int numSamples) noexcept
{
    if (! loudness)
    {
        for (int i = 0; i < numSamples; ++i)
            largestMagnitude = std::max ({ largestMagnitude, std::abs (tarn::dsp::finiteOrZero (left[i])),
                                           std::abs (tarn::dsp::finiteOrZero (right[i])) });
        return;
    }

    // Runs end where a sub-block or a segment ends, so each is closed exactly at its last frame.
    for (int i = 0; i < numSamples;)
    {
        const int n = std::min ({ numSamples - i, subBlockFrames - subBlockFilled, segmentFrames - segmentFilled });
        double squares = 0;
        filterRun (left + i, right + i, n, squares);
        subBlockSquares += squares;
        segmentSquares += squares;
        subBlockFilled += n;
        segmentFilled += n;
        i += n;

        if (subBlockFilled == subBlockFrames)
            closeSubBlock();
        if (segmentFilled == segmentFrames)
            closeSegment();
    }
}

// Left and right side by side through the weighting (direct form II, in double precision), the
// weighted squares summed and the sample peak taken on the way.
TARN_HOT_LOOP void StandardLoudnessMeter::filterRun (const float* left, const float* right, int numFrames, double& squares) noexcept
{
    Double2 v1 = { state[0][0], state[1][0] }, v2 = { state[0][1], state[1][1] };
    Double2 v3 = { state[0][2], state[1][2] }, v4 = { state[0][3], state[1][3] };
    Double2 sum {};
    float peak = largestMagnitude;

    for (int k = 0; k < numFrames; ++k)
    {
        const float l = tarn::dsp::finiteOrZero (left[k]), r = tarn::dsp::finiteOrZero (right[k]);
        peak = std::max (peak, std::max (std::abs (l), std::abs (r)));
        const Double2 x = { (double) l, (double) r };
        // The terms that do not wait for the previous output first: the recursion's own chain is
        // one multiply and one subtraction long.
        const Double2 older = x - a[2] * v2 - a[3] * v3 - a[4] * v4;
        const Double2 v0 = older - a[1] * v1;
        const Double2 y = b[0] * v0 + b[1] * v1 + b[2] * v2 + b[3] * v3 + b[4] * v4;
        sum += y * y;
        v4 = v3;
        v3 = v2;
        v2 = v1;
        v1 = v0;
    }

    // A state decaying in silence would reach the denormal range and slow every sample down;
    // below 1e-20 (some 400 dB under full scale) it is silence.
    const auto flush = [] (Double2 v) { return (v < 1e-20 && v > -1e-20) ? Double2 {} : v; };
    v1 = flush (v1);
    v2 = flush (v2);
    v3 = flush (v3);
    v4 = flush (v4);
    for (int c = 0; c < 2; ++c)
    {
        state[c][0] = v1[c];
        state[c][1] = v2[c];
        state[c][2] = v3[c];
        state[c][3] = v4[c];
    }
    squares = sum[0] + sum[1];
    largestMagnitude = peak;
}

void StandardLoudnessMeter::closeSubBlock() noexcept
{
    const double energy = subBlockSquares / subBlockFrames;
    subBlockSquares = 0;
    subBlockFilled = 0;

    // Each energy is written twice, shortTermSubBlocks apart, so every window is one contiguous run.
    newestSubBlock = (newestSubBlock + 1) % shortTermSubBlocks;
    recentSubBlocks[(size_t) newestSubBlock] = energy;
    recentSubBlocks[(size_t) (newestSubBlock + shortTermSubBlocks)] = energy;

    const auto windowMean = [this] (int subBlocks)
    {
        const auto end = recentSubBlocks.begin() + newestSubBlock + shortTermSubBlocks + 1;
        return std::accumulate (end - subBlocks, end, 0.0) / subBlocks;
    };
    momentaryEnergy = windowMean (momentarySubBlocks);
    shortTermEnergy = windowMean (shortTermSubBlocks);
    maxMomentaryEnergy = std::max (maxMomentaryEnergy, momentaryEnergy);
    maxShortTermEnergy = std::max (maxShortTermEnergy, shortTermEnergy);
}

void StandardLoudnessMeter::closeSegment() noexcept
{
    newestSegment = (newestSegment + 1) % shortTermSegments;
    recentSegments[newestSegment] = segmentSquares;
    segmentSquares = 0;
    segmentFilled = 0;
    ++segmentsSeen;

    const auto windowEnergy = [this] (int segments)
    {
        double sum = 0;
        for (int i = 0; i < segments; ++i)
            sum += recentSegments[(newestSegment - i + shortTermSegments) % shortTermSegments];
        return sum / ((double) segments * segmentFrames);
    };

    // A 400 ms gating block every 100 ms, once there is 400 ms of audio.
    if (segmentsSeen >= blockSegments)
        if (const double block = windowEnergy (blockSegments); block >= absoluteGateEnergy)
            gatedBlocks.add (block);

    // A short-term value for the range every rangeHopSegments, once there is 3 s of audio.
    if (segmentsSeen >= shortTermSegments && (segmentsSeen - shortTermSegments) % rangeHopSegments == 0)
        if (const double value = windowEnergy (shortTermSegments); value >= absoluteGateEnergy)
            shortTermValues.add (value);
}

double StandardLoudnessMeter::momentaryLufs() const noexcept
{
    return loudness ? lufsOf (momentaryEnergy) : std::numeric_limits<double>::quiet_NaN();
}

double StandardLoudnessMeter::shortTermLufs() const noexcept
{
    return loudness ? lufsOf (shortTermEnergy) : std::numeric_limits<double>::quiet_NaN();
}

StandardLoudnessMeter::Figures StandardLoudnessMeter::figures() const
{
    Figures f;
    f.maxSamplePeakDbfs = largestMagnitude > 0 ? 20.0 * std::log10 ((double) largestMagnitude) : -HUGE_VAL;
    if (! loudness)
    {
        f.integratedLufs = f.loudnessRangeLu = f.maxMomentaryLufs = f.maxShortTermLufs = std::numeric_limits<double>::quiet_NaN();
        return f;
    }

    f.integratedLufs = lufsOf (Distribution::gatedMean ({ &gatedBlocks }, integratedGateFactor));
    f.loudnessRangeLu = shortTermValues.percentileSpread (rangeGateFactor, 0.10, 0.95);
    f.maxMomentaryLufs = lufsOf (maxMomentaryEnergy);
    f.maxShortTermLufs = lufsOf (maxShortTermEnergy);
    return f;
}

double StandardLoudnessMeter::integratedOf (const std::vector<const StandardLoudnessMeter*>& programmes)
{
    std::vector<const Distribution*> parts;
    for (const auto* p : programmes)
        if (p != nullptr && p->loudness)
            parts.push_back (&p->gatedBlocks);
    return lufsOf (Distribution::gatedMean (parts, integratedGateFactor));
}

//==============================================================================
void StandardLoudnessMeter::Distribution::allocate()
{
    values.reserve (exactCapacity);
    counts.assign (binCount, 0);
    energies.assign (binCount, 0.0);
}

void StandardLoudnessMeter::Distribution::clear() noexcept
{
    values.clear();
    total = 0;
    std::fill (counts.begin(), counts.end(), 0);
    std::fill (energies.begin(), energies.end(), 0.0);
}

int StandardLoudnessMeter::Distribution::binOf (double energy) noexcept
{
    const double bin = std::floor ((lufsOf (energy) - lowestLufs) * binsPerLu);
    return bin < 0 ? 0 : (bin >= binCount - 1 ? binCount - 1 : (int) bin);
}

void StandardLoudnessMeter::Distribution::add (double energy) noexcept
{
    if (counts.empty() || ! std::isfinite (energy))
        return;
    if (values.size() < (size_t) exactCapacity)
        values.push_back (energy);
    ++total;
    const int bin = binOf (energy);
    ++counts[(size_t) bin];
    energies[(size_t) bin] += energy;
}

int StandardLoudnessMeter::Distribution::firstGatedBin (const std::vector<const Distribution*>& parts, double gate)
{
    if (gate < absoluteGateEnergy)
        return 0;
    const int bin = binOf (gate);
    std::uint64_t count = 0;
    double energy = 0;
    for (const auto* d : parts)
    {
        count += d->counts[(size_t) bin];
        energy += d->energies[(size_t) bin];
    }
    return count > 0 && energy / (double) count >= gate ? bin : bin + 1;
}

double StandardLoudnessMeter::Distribution::gatedMean (const std::vector<const Distribution*>& parts, double gateFactor)
{
    std::uint64_t count = 0;
    double energy = 0;
    bool exact = true;
    for (const auto* d : parts)
    {
        count += d->total;
        energy += std::accumulate (d->energies.begin(), d->energies.end(), 0.0);
        exact = exact && d->exact();
    }
    if (count == 0)
        return 0;
    const double gate = gateFactor * energy / (double) count;

    const int first = exact ? 0 : firstGatedBin (parts, gate);
    count = 0;
    energy = 0;
    for (const auto* d : parts)
    {
        if (exact)
        {
            for (double value : d->values)
                if (value >= gate)
                {
                    ++count;
                    energy += value;
                }
            continue;
        }
        for (int i = first; i < binCount; ++i)
        {
            count += d->counts[(size_t) i];
            energy += d->energies[(size_t) i];
        }
    }
    return count > 0 ? energy / (double) count : 0;
}

double StandardLoudnessMeter::Distribution::percentileSpread (double gateFactor, double lowFraction, double highFraction) const
{
    if (total == 0)
        return 0;
    const double gate = gateFactor * std::accumulate (energies.begin(), energies.end(), 0.0) / (double) total;
    const auto rankOf = [] (std::uint64_t gatedCount, double fraction) { return (std::uint64_t) ((double) (gatedCount - 1) * fraction + 0.5); };

    if (exact())
    {
        std::vector<double> gated;
        std::copy_if (values.begin(), values.end(), std::back_inserter (gated), [gate] (double v) { return v >= gate; });
        if (gated.empty())
            return 0;
        std::sort (gated.begin(), gated.end());
        return lufsOf (gated[rankOf (gated.size(), highFraction)]) - lufsOf (gated[rankOf (gated.size(), lowFraction)]);
    }

    const int first = firstGatedBin ({ this }, gate);
    const std::uint64_t gatedCount = std::accumulate (counts.begin() + first, counts.end(), std::uint64_t { 0 });
    if (gatedCount == 0)
        return 0;

    // The value of a rank among the gated ones, sorted: the mean energy of its bin (exact where a
    // bin holds one level, within 0.01 LU otherwise).
    const auto valueAt = [this, first] (std::uint64_t rank)
    {
        std::uint64_t below = 0;
        int bin = first;
        for (; bin < binCount - 1 && below + counts[(size_t) bin] <= rank; ++bin)
            below += counts[(size_t) bin];
        return energies[(size_t) bin] / (double) counts[(size_t) bin];
    };
    return lufsOf (valueAt (rankOf (gatedCount, highFraction))) - lufsOf (valueAt (rankOf (gatedCount, lowFraction)));
}
