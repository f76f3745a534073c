#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE__)
 #include <xmmintrin.h>
#endif

// Small conversions shared by the measurements. Decibels are 20*log10 in single precision.
namespace tarn::dsp
{
// a < b ? a : b and a > b ? a : b, as one instruction where the vector unit has it (its minimum
// and maximum are defined as exactly these selections, NaN and signed zeros included). The
// compiler keeps the plain forms as compares and branches. Only lane 0 counts: the values are
// broadcast rather than set alone, which GCC does through a general register, two transfers on
// the path of every clamp.
inline float selectSmaller (float a, float b) noexcept
{
#if defined(__SSE__)
    return _mm_cvtss_f32 (_mm_min_ss (_mm_set1_ps (a), _mm_set1_ps (b)));
#else
    return a < b ? a : b;
#endif
}

inline float selectLarger (float a, float b) noexcept
{
#if defined(__SSE__)
    return _mm_cvtss_f32 (_mm_max_ss (_mm_set1_ps (a), _mm_set1_ps (b)));
#else
    return a > b ? a : b;
#endif
}

// x limited to [low, high], a NaN giving NaN (as std::clamp, bit for bit). The descriptor and
// verdict rules take dozens of clamps a block, a visible part of a small block's fixed cost.
inline float clampTo (float x, float low, float high) noexcept
{
    return selectLarger (low, selectSmaller (high, x));
}

// Band level in dB with the analysis floor of -120 and no upper limit.
inline float bandLevelDb (float linear) noexcept
{
    return linear > 0.0f ? std::max (20.0f * std::log10 (linear), -120.0f) : -120.0f;
}

// A level reading from a band level in dB (bandLevelDb or bandLevelsDb): floored at -100 and
// limited to +12; -100 for no signal or a non-finite result.
inline float clampedLevelDb (float bandDb) noexcept
{
    return std::isfinite (bandDb) ? clampTo (bandDb, -100.0f, 12.0f) : -100.0f;
}

// A peak reading: as clampedLevelDb, but a peak at or below full scale never reads above 0 dB,
// whatever rounding the logarithm does.
inline float clampedPeakLevelDb (float linear, float bandDb) noexcept
{
    if (! std::isfinite (linear))
        return -100.0f;

    const float db = clampedLevelDb (bandDb);
    return linear <= 1.0f ? std::min (db, 0.0f) : db;
}

inline float levelDb (float linear) noexcept { return clampedLevelDb (bandLevelDb (linear)); }
inline float peakLevelDb (float linear) noexcept { return clampedPeakLevelDb (linear, bandLevelDb (linear)); }

// 0..1 and 0..100; a NaN gives the upper limit.
inline float clamp01 (float x) noexcept { return selectLarger (0.0f, selectSmaller (x, 1.0f)); }
inline float clamp100 (float x) noexcept { return selectLarger (0.0f, selectSmaller (x, 100.0f)); }

// exp(-dt / tau) for one time constant, worked out again only when the block length changes:
// hosts keep it steady, and the exponentials are most of a small block's fixed cost.
class Decay
{
public:
    explicit Decay (float tauSeconds) noexcept : tau (tauSeconds) {}

    float factor (float dtSeconds) noexcept
    {
        if (dtSeconds != lastDt)
        {
            lastDt = dtSeconds;
            value = std::exp (-dtSeconds / tau);
        }
        return value;
    }

private:
    float tau;
    float lastDt = -1.0f, value = 1.0f;
};

// The engine's one smoothing form, once per block: y += (target - y) * (1 - exp(-dt / tau)), with
// one time constant for a target above y and another for one at or below it.
class Smoothed
{
public:
    Smoothed (float tauRisingSeconds, float tauFallingSeconds, float initial = 0.0f) noexcept
        : value (initial), rising (tauRisingSeconds), falling (tauFallingSeconds) {}

    void update (float target, float dtSeconds) noexcept
    {
        const float e = (target > value ? rising : falling).factor (dtSeconds);
        value += (target - value) * (1.0f - e);
    }

    // Sets the value, keeping the time constants (returns nothing, so no chained assignment can
    // copy one smoother's time constants into another).
    void operator= (float newValue) noexcept { value = newValue; }
    operator float() const noexcept { return value; }

    float value;

private:
    Decay rising, falling;
};

// A level follower: y := v + (y - v) * exp(-dt / tau), rising and falling time constants.
class Follower
{
public:
    Follower (float tauRisingSeconds, float tauFallingSeconds) noexcept : rising (tauRisingSeconds), falling (tauFallingSeconds) {}

    void update (float target, float dtSeconds) noexcept
    {
        const float e = (target > value ? rising : falling).factor (dtSeconds);
        value = target + (value - target) * e;
    }

    void operator= (float newValue) noexcept { value = newValue; }   // keeps the time constants
    operator float() const noexcept { return value; }

    float value = 0.0f;

private:
    Decay rising, falling;
};

inline float finiteOrZero (float x) noexcept { return std::isfinite (x) ? x : 0.0f; }
} // namespace tarn::dsp

// Four floats (or doubles) processed as one: filters of the same shape run side by side in the
// per-sample loop; eight floats are eight consecutive samples through the true-peak interpolator.
// GCC and Clang vector extensions; every lane does exactly the scalar arithmetic.
namespace tarn::dsp
{
// The hot loops are also built for AVX2 and picked at load time where the processor has it: the
// same arithmetic in shorter code (contraction stays off, so the readings are identical).
#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__) && ! defined(__clang__)
 #define TARN_HOT_LOOP __attribute__ ((target_clones ("avx2", "default")))
#else
 #define TARN_HOT_LOOP
#endif

typedef float Float4 __attribute__ ((vector_size (16)));
typedef float Float8 __attribute__ ((vector_size (32)));
typedef double Double4 __attribute__ ((vector_size (32)));
typedef int Int4 __attribute__ ((vector_size (16)));

// Non-finite lanes (infinity, NaN) become 0, as finiteOrZero does for one value.
inline Float4 finiteOrZero (Float4 x) noexcept
{
    Int4 bits;
    std::memcpy (&bits, &x, sizeof (bits));
    const Int4 finite = (bits & 0x7fffffff) < 0x7f800000;
    return finite ? x : Float4 {};
}

// Lane by lane |x|, and the larger of two vectors lane by lane: the running largest magnitude of
// a stream of samples is `largest = largerLanes (largest, magnitude (v))`.
template <typename Vector>
inline Vector magnitude (Vector x) noexcept { return x < 0 ? -x : x; }

template <typename Vector>
inline Vector largerLanes (Vector a, Vector b) noexcept { return b > a ? b : a; }

// The largest of the lanes (never NaN: the lanes come from largerLanes, which keeps a number).
template <typename Vector>
inline float largestLane (Vector x) noexcept
{
    float largest = x[0];
    for (int lane = 1; lane < (int) (sizeof (Vector) / sizeof (float)); ++lane)
        largest = std::max (largest, x[lane]);
    return largest;
}

// {left, right, left, right} -> {side, mid, side, mid}, with side = (l - r) / 2 and mid = (l + r) / 2.
inline Float4 sideAndMid (Float4 leftRight) noexcept
{
    const Float4 swapped = __builtin_shufflevector (leftRight, leftRight, 1, 0, 3, 2);
    const Int4 sideLanes = { -1, 0, -1, 0 };
    return (sideLanes ? leftRight - swapped : leftRight + swapped) * 0.5f;
}

// How a level in dB follows from its value: 20 log10 of an amplitude, 10 log10 of a mean square,
// with the -120 dB floor below `lowest`.
struct DecibelScale
{
    float perDecade;   // 20 or 10
    float perNeper;    // perDecade / ln 10
    float perOctave;   // perDecade * log10 2
    float lowest;      // the smallest value above the floor
};

inline constexpr DecibelScale amplitudeDecibels { 20.0f, 8.6858896380650366f, 6.0205999132796239f, 1.0e-6f };
inline constexpr DecibelScale meanSquareDecibels { 10.0f, 4.3429448190325183f, 3.0102999566398120f, 1.0e-12f };

// Four levels in dB at once, for the block's many band levels: the logarithm is the block's
// largest fixed cost, and the library's scalar one costs several times this. Within five units in
// the last place of the logarithm in double (a few millionths of a dB). x = m * 2^e with m in
// [sqrt(1/2), sqrt(2)), and ln m = 2 atanh (t) = 2 t (1 + t^2/3 + t^4/5 + ...), t = f / (2 + f),
// f = m - 1; the series is summed in pairs and the scale applied to t beside it, so that the steps
// that must wait for each other are few: every block waits on these logarithms. A lane at or
// below the floor (a spare lane left at 0, a silent band) takes -120 without a logarithm; an
// infinite or huge one takes the library's logarithm.
inline Float4 levelsDb (Float4 x, const DecibelScale& scale) noexcept
{
    Int4 bits;
    std::memcpy (&bits, &x, sizeof (bits));
    Int4 exponent = ((bits >> 23) & 0xff) - 127;
    Int4 mantissaBits = (bits & 0x007fffff) | 0x3f800000;
    Float4 m;
    std::memcpy (&m, &mantissaBits, sizeof (m));
    const Int4 high = m > 1.41421356f;
    m = high ? m * 0.5f : m;
    exponent = high ? exponent + 1 : exponent;
    const Float4 f = m - 1.0f;
    const Float4 t = f / (2.0f + f);
    const Float4 t2 = t * t;
    const Float4 t4 = t2 * t2;
    const Float4 series = (1.0f + t2 * (1.0f / 3)) + t4 * ((1.0f / 5 + t2 * (1.0f / 7)) + t4 * (1.0f / 9 + t2 * (1.0f / 11)));
    Float4 db = ((2.0f * scale.perNeper) * t) * series + scale.perOctave * __builtin_convertvector (exponent, Float4);

    const Int4 inRange = (x >= scale.lowest) & (x <= 3.0e38f);
    if (inRange[0] & inRange[1] & inRange[2] & inRange[3])
        return db;
    for (int lane = 0; lane < 4; ++lane)
        if (! inRange[lane])
            db[lane] = x[lane] > 3.0e38f ? scale.perDecade * std::log10 (x[lane]) : -120.0f;
    return db;
}

// bandLevelDb of four amplitudes at once.
inline Float4 bandLevelsDb (Float4 linear) noexcept { return levelsDb (linear, amplitudeDecibels); }

// The same levels from mean squares (the level of the square root without taking it).
inline Float4 bandLevelsDbOfPower (Float4 power) noexcept { return levelsDb (power, meanSquareDecibels); }
} // namespace tarn::dsp
