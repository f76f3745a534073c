#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <algorithm>
#include <random>
#include <vector>

// Test signals, plain C++: generators and the EBU true-peak cases.
namespace testing_signals
{
constexpr double pi = 3.14159265358979323846;

inline float dbToGain (double db) { return (float) std::pow (10.0, db / 20.0); }

// A sample generator: (channel, sample index since the start) -> value.
using Generator = std::function<float (int channel, std::int64_t index)>;

inline Generator sine (double hz, double rate, double peak, double phaseRadians = 0.0)
{
    return [=] (int, std::int64_t i) { return (float) (peak * std::sin (2.0 * pi * hz * (double) i / rate + phaseRadians)); };
}

inline Generator silence() { return [] (int, std::int64_t) { return 0.0f; }; }

// Inter-sample peaks: the EBU true-peak test signals (Tech 3341 cases 15 to 23), synthesized here.
struct TruePeakCase { const char* name; double expectedDb; std::vector<float> signal; };


inline std::vector<float> taperedSine (double fs, double hz, double amplitude, double phaseDegrees)
{
    const int n = (int) fs;   // one second
    const int fade = (int) (0.01 * fs);
    std::vector<float> x ((size_t) n);
    for (int i = 0; i < n; ++i)
    {
        const double taper = std::min ({ 1.0, (double) i / fade, (double) (n - 1 - i) / fade });
        x[(size_t) i] = (float) (taper * amplitude * std::sin (2.0 * pi * hz * i / fs + phaseDegrees * pi / 180.0));
    }
    return x;
}

// A sine at fs/6 (amplitude 0.5) holding one period of a full-scale sine at fs/4, built at 4 fs,
// band-limited and then decimated starting at `offset`.
inline std::vector<float> burstCase (double fs, int offset)
{
    const double fs4 = 4.0 * fs;
    const int length = (int) fs4;          // one second at 4 fs
    const int burstStart = 24 * 4000;       // a rising zero crossing of the fs/6 sine
    const int burstLength = 16;             // one period of fs/4 at 4 fs
    std::vector<double> hi ((size_t) length);
    for (int j = 0; j < length; ++j)
    {
        if (j < burstStart)
            hi[(size_t) j] = 0.5 * std::sin (2.0 * pi * (fs / 6.0) * j / fs4);
        else if (j < burstStart + burstLength)
            hi[(size_t) j] = std::sin (2.0 * pi * (fs / 4.0) * (j - burstStart) / fs4);
        else
            hi[(size_t) j] = 0.5 * std::sin (2.0 * pi * (fs / 6.0) * (j - burstStart - burstLength) / fs4);
    }

    // Anti-alias low-pass: a Blackman-windowed sinc at 0.45 fs, unity gain at DC.
    const int taps = 255, centre = taps / 2;
    std::vector<double> h ((size_t) taps);
    double sum = 0;
    for (int k = 0; k < taps; ++k)
    {
        const double m = k - centre;
        const double wc = 2.0 * pi * 0.45 * fs / fs4;
        const double sinc = m == 0 ? wc / pi : std::sin (wc * m) / (pi * m);
        const double w = 0.42 - 0.5 * std::cos (2 * pi * k / (taps - 1)) + 0.08 * std::cos (4 * pi * k / (taps - 1));
        h[(size_t) k] = sinc * w;
        sum += h[(size_t) k];
    }

    std::vector<float> out;
    const int fade = (int) (0.01 * fs4);
    for (int j = offset; j < length; j += 4)
    {
        double y = 0;
        for (int k = 0; k < taps; ++k)
        {
            const int src = j - k + centre;
            if (src >= 0 && src < length)
                y += h[(size_t) k] / sum * hi[(size_t) src];
        }
        const double taper = std::min ({ 1.0, (double) j / fade, (double) (length - 1 - j) / fade });
        out.push_back ((float) (taper * y));
    }
    return out;
}


// The EBU true-peak cases 15 to 23 at 48 kHz.
inline std::vector<TruePeakCase> truePeakCases()
{
    const double fs = 48000;
    std::vector<TruePeakCase> cases = {
        { "15", -6.0, taperedSine (fs, fs / 4, 0.5, 0.0) },
        { "16", -6.0, taperedSine (fs, fs / 4, 0.5, 45.0) },
        { "17", -6.0, taperedSine (fs, fs / 6, 0.5, 60.0) },
        { "18", -6.0, taperedSine (fs, fs / 8, 0.5, 67.5) },
        { "19", 3.0, taperedSine (fs, fs / 4, 1.41, 45.0) },
    };
    const char* names[] = { "20", "21", "22", "23" };
    for (int offset = 0; offset < 4; ++offset)
        cases.push_back ({ names[offset], 0.0, burstCase (fs, offset) });
    return cases;
}
} // namespace testing_signals
