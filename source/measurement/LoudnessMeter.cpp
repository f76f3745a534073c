#include "LoudnessMeter.h"

#include <algorithm>
#include <cmath>

namespace
{
float lufs (double energy, double samples)
{
    if (! (energy > 0.0 && std::isfinite (energy) && samples > 0))
        return -100.0f;

    const float value = (float) (-0.691 + 10.0 * std::log10 (energy / samples));
    return std::isfinite (value) ? tarn::dsp::clampTo (value, -100.0f, 12.0f) : -100.0f;
}

// Whether a block of this mean square is louder than -70 LUFS, as its loudness rounded to a float
// reads. Away from the gate the mean square decides without a logarithm (the gate's mean square is
// 10^(-69.309 / 10)); within 0.01 % of it the loudness is worked out as it is reported.
bool aboveAbsoluteGate (double meanSquare)
{
    constexpr double gateMeanSquare = 1.1724653045822981e-07;
    if (meanSquare > gateMeanSquare * 1.0001)
        return true;
    if (meanSquare < gateMeanSquare * 0.9999)
        return false;

    const float blockLoudness = (float) (-0.691 + 10.0 * std::log10 (meanSquare));
    return std::isfinite (blockLoudness) && blockLoudness > -70.0f;
}
} // namespace

void LoudnessMeter::reset()
{
    weighting = {};

    energies.assign ((size_t) windowCapacity, 0.0);     // no allocation once the capacity exists
    sampleCounts.assign ((size_t) windowCapacity, 0);
    head = tail = count = 0;
    energySum = 0.0;
    sampleTotal = 0;

    integratedEnergy = 0.0;
    integratedSamples = 0;
    shortTerm = integrated = -100.0f;
}

void LoudnessMeter::dropOldest() noexcept
{
    energySum -= energies[(size_t) head];
    sampleTotal -= sampleCounts[(size_t) head];
    energies[(size_t) head] = 0.0;
    sampleCounts[(size_t) head] = 0;
    head = (head + 1) % windowCapacity;
    --count;
}

void LoudnessMeter::endBlock (int numSamples)
{
    const double energy = weighting.energy;
    weighting.energy = 0.0;

    if (energies.empty())
        return;

    // The window holds the newest blocks that add up to at most 3 s, and at most 2048 of them.
    if (count >= windowCapacity)
        dropOldest();

    energies[(size_t) tail] = energy;
    sampleCounts[(size_t) tail] = numSamples;
    energySum += energy;
    sampleTotal += numSamples;
    tail = (tail + 1) % windowCapacity;
    ++count;

    const int windowSamples = (int) (rate * 3.0);

    while (sampleTotal > windowSamples && count >= 2)
        dropOldest();

    // Integrated: every block above the -70 LUFS absolute gate.
    // (The integrated reading moves only when a block passes.)
    if (energy > 0.0 && std::isfinite (energy) && aboveAbsoluteGate (energy / numSamples))
    {
        integratedEnergy += energy;
        integratedSamples += numSamples;
        integrated = lufs (integratedEnergy, (double) integratedSamples);
    }

    shortTerm = lufs (energySum, sampleTotal);
}
