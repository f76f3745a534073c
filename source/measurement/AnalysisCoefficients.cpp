#include "AnalysisCoefficients.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace
{
constexpr double twoPi = 6.283185307179586476925286766559;

// |1 - a / (1 - (1 - a) e^{-jw})|: the magnitude of y = x - lp(x) with lp(x) += a (x - lp(x)).
double highPassMagnitude (double a, double w)
{
    const std::complex<double> z = std::polar (1.0, -w);
    return std::abs (1.0 - a / (1.0 - (1.0 - a) * z));
}

float onePole (float twoPiF, float fs) { return 1.0f - std::exp (-twoPiF / fs); }

float envelope (float tauSeconds, float fs)
{
    const float samples = fs * tauSeconds;
    const float e = samples > 1.0f ? std::exp (-1.0f / samples) : 0.36787945f;
    return 1.0f - e;
}
} // namespace

MatchedHpfDesign makeMatchedHpfDesign (double frequencyHz, double rate)
{
    const double c48 = 1.0 - std::exp (-twoPi * frequencyHz / 48000.0);

    if (std::abs (rate - 48000.0) < 1.0)
        return { (float) c48, 1.0f };

    const double f1 = std::min (0.35 * rate, 14000.0);
    const double f2 = std::min (0.45 * rate, 19000.0);
    const double r1 = highPassMagnitude (c48, twoPi * f1 / 48000.0);
    const double r2 = highPassMagnitude (c48, twoPi * f2 / 48000.0);
    const double target = r1 / r2;
    const double w1 = twoPi * f1 / rate;
    const double w2 = twoPi * f2 / rate;

    double lo = 0.0001, hi = 0.9999;

    for (int step = 0; step < 60; ++step)
    {
        const double mid = (lo + hi) / 2.0;

        if (highPassMagnitude (mid, w1) / highPassMagnitude (mid, w2) > target)
            lo = mid;
        else
            hi = mid;
    }

    const double a = (lo + hi) / 2.0;
    return { (float) a, (float) (r1 / highPassMagnitude (a, w1)) };
}

AnalysisCoefficients AnalysisCoefficients::forSampleRate (double sampleRate)
{
    const float fs = (float) sampleRate;
    AnalysisCoefficients c;

    // 2*pi*f as single-precision constants, so every build derives the same coefficients.
    c.a30 = onePole (188.49556f, fs);
    c.a120 = onePole (753.98224f, fs);

    const auto hpf10k = makeMatchedHpfDesign (10000.0, sampleRate);
    const auto hpf12k = makeMatchedHpfDesign (12000.0, sampleRate);
    c.a10k = hpf10k.coefficient;
    c.a12k = hpf12k.coefficient;
    c.gain10kSquared = hpf10k.gain * hpf10k.gain;
    c.gain12kFourth = hpf12k.gain * hpf12k.gain * hpf12k.gain * hpf12k.gain;

    c.a400 = onePole (2513.2742f, fs);
    c.a700 = onePole (4398.2300f, fs);
    c.a900 = onePole (5654.8667f, fs);
    c.a1200 = onePole (7539.8228f, fs);
    c.a1500 = onePole (9424.7783f, fs);
    c.a3000 = onePole (18849.557f, fs);
    c.a3500 = onePole (21991.148f, fs);
    c.a5000 = onePole (31415.928f, fs);

    c.b3ms = envelope (0.003f, fs);
    c.b50ms = envelope (0.05f, fs);
    c.b80ms = envelope (0.08f, fs);
    c.b250ms = envelope (0.25f, fs);

    c.a7000 = onePole (43982.297f, fs);
    c.a10000 = onePole (62831.855f, fs);
    c.p38 = std::exp (-238.76105f / fs);
    c.loudnessShelf = c.a1500;
    return c;
}
