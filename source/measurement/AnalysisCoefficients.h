#pragma once

// Filter and envelope coefficients of the analysis, derived from the sample rate in prepareToPlay.
// Every value is single precision, computed from the rate converted to float.

struct MatchedHpfDesign
{
    float coefficient = 0.0f;   // a of the one-pole low-pass inside y = x - lp(x)
    float gain = 1.0f;          // linear level correction of one stage
};

// A one-pole high-pass for `rate` whose tilt between two high frequencies matches the same filter
// designed at 48 kHz, plus the gain that restores its level there. Arithmetic in double.
MatchedHpfDesign makeMatchedHpfDesign (double frequencyHz, double rate);

struct AnalysisCoefficients
{
    // One-pole low-pass coefficients 1 - exp(-2*pi*f/fs).
    float a30 = 0, a120 = 0;
    float a400 = 0, a700 = 0, a900 = 0, a1200 = 0, a1500 = 0, a3000 = 0, a3500 = 0, a5000 = 0,
          a7000 = 0, a10000 = 0;
    float loudnessShelf = 0;    // a(1500), the loudness weighting's own copy
    float p38 = 0;              // pole of the loudness low-cut, exp(-2*pi*38/fs)

    // Envelope coefficients 1 - exp(-1/(fs*tau)) for tau = 3, 50, 80 and 250 ms.
    float b3ms = 0, b50ms = 0, b80ms = 0, b250ms = 0;

    float a10k = 0, a12k = 0;
    float gain10kSquared = 1.0f;   // g10k^2: correction of the two-stage 10 kHz high-pass
    float gain12kFourth = 1.0f;    // g12k^4: correction of the four-stage 12 kHz high-pass

    static AnalysisCoefficients forSampleRate (double sampleRate);
};
