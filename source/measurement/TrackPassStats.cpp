#include "TrackPassStats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
bool validLevel (float v) { return std::isfinite (v) && v > -90.0f; }
bool validIndex (float v) { return std::isfinite (v) && v > 0.5f; }

TrackPassSnapshot::Summary summarise (const RunningStat& stat, float emptyValue)
{
    if (stat.count == 0)
        return { false, emptyValue, emptyValue, emptyValue };

    return { true, (float) (stat.sum / (double) stat.count), stat.min, stat.max };
}

template <std::size_t N>
void countLevel (std::array<std::uint64_t, N>& counts, int level, int* worst)
{
    const int clamped = std::clamp (level, 0, (int) N - 1);
    ++counts[(size_t) clamped];
    if (worst != nullptr && clamped > *worst)
        *worst = clamped;
}
} // namespace

void RunningStat::take (float value) noexcept
{
    ++count;
    sum += (double) value;
    if (value < min) min = value;
    if (value > max) max = value;
}

void TrackPassStats::addBlock (float seconds, float peakDb, float truePeakDb, float rmsDb, float crestDb,
                               float lufsShort, float lufsIntegrated, float punch, float silk,
                               float centreWeight, float sideAir, float forwardMid, int pushDamageLevel,
                               int lowWidthRiskLevel, int translationBand) noexcept
{
    capturedSeconds += seconds;
    ++blockCount;

    if (validLevel (peakDb))
    {
        peakMaxDb = std::max (peakMaxDb, peakDb);
        hasPeak = true;
    }

    if (validLevel (truePeakDb))
    {
        truePeakMaxDb = std::max (truePeakMaxDb, truePeakDb);
        hasTruePeak = true;
    }

    if (validLevel (rmsDb))
        rmsStat.take (rmsDb);

    // A block's crest counts only when its RMS counts.
    if (std::isfinite (crestDb) && rmsDb > -90.0f)
        crestStat.take (crestDb);

    if (validLevel (lufsShort))
        lufsShortStat.take (lufsShort);

    if (validLevel (lufsIntegrated))
    {
        lufsIntegratedLast = lufsIntegrated;
        hasLufsIntegrated = true;
    }

    // An index at its reset value 0 has not been measured yet and is not taken.
    if (validIndex (punch)) punchStat.take (punch);
    if (validIndex (silk)) silkStat.take (silk);
    if (validIndex (centreWeight)) centreWeightStat.take (centreWeight);
    if (validIndex (sideAir)) sideAirStat.take (sideAir);
    if (validIndex (forwardMid)) forwardMidStat.take (forwardMid);

    countLevel (pushDamageCounts, pushDamageLevel, &worstPushDamage);
    countLevel (widthRiskCounts, lowWidthRiskLevel, &worstWidthRisk);
    countLevel (translationCounts, translationBand, nullptr);
    lastTranslationBand = std::clamp (translationBand, 0, 4);
}

TrackPassSnapshot TrackPassStats::toSnapshot() const noexcept
{
    TrackPassSnapshot s;
    s.capturedSeconds = (float) capturedSeconds;
    s.blockCount = blockCount;
    s.hasPeak = hasPeak;
    s.peakMaxDb = hasPeak ? peakMaxDb : -100.0f;
    s.hasTruePeak = hasTruePeak;
    s.truePeakMaxDb = hasTruePeak ? truePeakMaxDb : -100.0f;
    s.hasRms = rmsStat.count != 0;
    s.rmsAvgDb = s.hasRms ? (float) (rmsStat.sum / (double) rmsStat.count) : -100.0f;
    s.crestSummary = summarise (crestStat, 0.0f);
    s.lufsShortSummary = summarise (lufsShortStat, -100.0f);
    s.hasLufsIntegrated = hasLufsIntegrated;
    s.lufsIntegratedFinal = hasLufsIntegrated ? lufsIntegratedLast : -100.0f;
    s.punchSummary = summarise (punchStat, 0.0f);
    s.silkSummary = summarise (silkStat, 0.0f);
    s.centreWeightSummary = summarise (centreWeightStat, 0.0f);
    s.sideAirSummary = summarise (sideAirStat, 0.0f);
    s.forwardMidSummary = summarise (forwardMidStat, 0.0f);
    s.pushDamageCounts = pushDamageCounts;
    s.worstPushDamage = worstPushDamage;
    s.widthRiskCounts = widthRiskCounts;
    s.worstWidthRisk = worstWidthRisk;
    s.translationCounts = translationCounts;
    s.lastTranslationBand = lastTranslationBand;
    return s;
}

void PublishedTrackPass::publish (const TrackPassStats& stats) noexcept
{
    const auto* bytes = reinterpret_cast<const unsigned char*> (&stats);
    const auto count = sequence.load (std::memory_order_relaxed);

    sequence.store (count + 1, std::memory_order_relaxed);
    std::atomic_thread_fence (std::memory_order_release);   // the odd count is seen before any new word

    for (std::size_t i = 0; i < numWords; ++i)
    {
        std::uint64_t word;
        std::memcpy (&word, bytes + i * wordBytes, wordBytes);
        words[i].store (word, std::memory_order_relaxed);
    }

    sequence.store (count + 2, std::memory_order_release);
}

bool PublishedTrackPass::read (TrackPassStats& latest) const noexcept
{
    for (int attempt = 0; attempt < readTries; ++attempt)
    {
        const auto before = sequence.load (std::memory_order_acquire);
        if ((before & 1) != 0)
            continue;

        std::array<std::uint64_t, numWords> copy;
        for (std::size_t i = 0; i < numWords; ++i)
            copy[i] = words[i].load (std::memory_order_relaxed);

        std::atomic_thread_fence (std::memory_order_acquire);   // the words are read before the count again
        if (sequence.load (std::memory_order_relaxed) == before)
        {
            std::memcpy (static_cast<void*> (&latest), copy.data(), sizeof (TrackPassStats));
            return true;
        }
    }
    return false;
}
