#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

// Running count, sum, minimum and maximum of one averaged quantity.
struct RunningStat
{
    std::uint64_t count = 0;
    double sum = 0.0;
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();

    void take (float value) noexcept;
};

// The summary of one pass that crosses to the editor.
struct TrackPassSnapshot
{
    struct Summary
    {
        bool valid = false;
        float avg = 0.0f, min = 0.0f, max = 0.0f;
    };

    float capturedSeconds = 0.0f;
    std::uint64_t blockCount = 0;
    bool hasPeak = false;
    float peakMaxDb = -100.0f;
    bool hasTruePeak = false;
    float truePeakMaxDb = -100.0f;
    bool hasRms = false;
    float rmsAvgDb = -100.0f;
    Summary crestSummary;
    Summary lufsShortSummary { false, -100.0f, -100.0f, -100.0f };
    bool hasLufsIntegrated = false;
    float lufsIntegratedFinal = -100.0f;
    Summary punchSummary, silkSummary, centreWeightSummary, sideAirSummary, forwardMidSummary;
    std::array<std::uint64_t, 3> pushDamageCounts {};
    int worstPushDamage = 0;
    std::array<std::uint64_t, 3> widthRiskCounts {};
    int worstWidthRisk = 0;
    std::array<std::uint64_t, 5> translationCounts {};
    int lastTranslationBand = 2;
};

// The audio-thread accumulator of one pass: allocation-free and constant time per block.
struct TrackPassStats
{
    double capturedSeconds = 0.0;   // summed in double: a float sum of block lengths drifts by a minute in 3 hours
    std::uint64_t blockCount = 0;
    bool hasPeak = false;
    float peakMaxDb = -std::numeric_limits<float>::infinity();
    bool hasTruePeak = false;
    float truePeakMaxDb = -std::numeric_limits<float>::infinity();
    bool hasLufsIntegrated = false;
    float lufsIntegratedLast = -100.0f;
    RunningStat rmsStat, crestStat, lufsShortStat;
    RunningStat punchStat, silkStat, centreWeightStat, sideAirStat, forwardMidStat;
    std::array<std::uint64_t, 3> pushDamageCounts {};
    int worstPushDamage = 0;
    std::array<std::uint64_t, 3> widthRiskCounts {};
    int worstWidthRisk = 0;
    std::array<std::uint64_t, 5> translationCounts {};
    int lastTranslationBand = 2;

    void addBlock (float seconds, float peakDb, float truePeakDb, float rmsDb, float crestDb,
                   float lufsShort, float lufsIntegrated, float punch, float silk, float centreWeight,
                   float sideAir, float forwardMid, int pushDamageLevel, int lowWidthRiskLevel,
                   int translationBand) noexcept;

    TrackPassSnapshot toSnapshot() const noexcept;
};

// The pass's accumulator as the editor reads it. The audio thread copies it in word by word
// between two steps of a sequence count (odd while it copies); a reader copies the words out and
// keeps its copy only if the count was even and unchanged across it, so every copy kept is one
// whole publication, never fields of two. Neither side waits: the writer never looks at readers,
// and a reader that keeps meeting a copy in progress gives up after a few tries.
class PublishedTrackPass
{
public:
    PublishedTrackPass() noexcept { publish (TrackPassStats {}); }

    // One writer.
    void publish (const TrackPassStats& stats) noexcept;

    // Copies the latest publication into `latest` and returns true; returns false and leaves
    // `latest` as it was when every try met the writer in the middle of a copy.
    bool read (TrackPassStats& latest) const noexcept;

private:
    static constexpr std::size_t wordBytes = sizeof (std::uint64_t);
    static constexpr std::size_t numWords = sizeof (TrackPassStats) / wordBytes;
    static_assert (std::is_trivially_copyable_v<TrackPassStats> && sizeof (TrackPassStats) % wordBytes == 0);
    static constexpr int readTries = 16;

    std::atomic<std::uint64_t> sequence { 0 };
    std::array<std::atomic<std::uint64_t>, numWords> words {};
};
