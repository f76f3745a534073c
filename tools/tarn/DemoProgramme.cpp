#include "DemoProgramme.h"

#include <cmath>
#include <cstdint>

namespace tarn::demo
{
namespace
{
constexpr double pi = 3.14159265358979323846;
constexpr double bpm = 120.0;
constexpr double beatSeconds = 60.0 / bpm;

// A small deterministic noise source (the same numbers on every machine).
struct Noise
{
    std::uint32_t state = 0x1234567u;

    float next()
    {
        state = state * 1664525u + 1013904223u;
        return (float) ((double) (state >> 8) / 8388608.0 - 1.0);
    }
};

double midiToHz (int note) { return 440.0 * std::pow (2.0, (note - 69) / 12.0); }

// Am - F - C - G, one chord per bar.
constexpr int chordRoots[4] = { 57, 53, 48, 55 };
constexpr int chordThirds[4] = { 3, 4, 4, 4 };

void addKick (float* l, float* r, int start, int length)
{
    double phase = 0.0;
    for (int i = 0; i < length; ++i)
    {
        const double t = i / sampleRate;
        const double freq = 45.0 + 75.0 * std::exp (-t / 0.03);
        phase += 2.0 * pi * freq / sampleRate;
        const float v = (float) (0.9 * std::sin (phase) * std::exp (-t / 0.22));
        l[start + i] += v;
        r[start + i] += v;
    }
}

void addSnare (float* l, float* r, int start, int length, Noise& noise)
{
    float lowL = 0, lowR = 0;
    for (int i = 0; i < length; ++i)
    {
        const double t = i / sampleRate;
        const float env = (float) std::exp (-t / 0.11);
        const float tone = (float) (0.25 * std::sin (2.0 * pi * 185.0 * t) * std::exp (-t / 0.05));
        const float nl = noise.next(), nr = noise.next();
        lowL += 0.3f * (nl - lowL);
        lowR += 0.3f * (nr - lowR);
        l[start + i] += 0.32f * env * (nl - lowL) + tone;
        r[start + i] += 0.32f * env * (nr - lowR) + tone;
    }
}

void addHat (float* l, float* r, int start, int length, Noise& noise, float pan)
{
    float low = 0;
    for (int i = 0; i < length; ++i)
    {
        const double t = i / sampleRate;
        const float n = noise.next();
        low += 0.55f * (n - low);
        const float v = 0.13f * (float) std::exp (-t / 0.025) * (n - low);
        l[start + i] += v * (1.0f - pan);
        r[start + i] += v * (1.0f + pan);
    }
}
} // namespace

juce::AudioBuffer<float> render()
{
    const int total = (int) (sampleRate * lengthSeconds);
    juce::AudioBuffer<float> out (2, total);
    out.clear();
    float* l = out.getWritePointer (0);
    float* r = out.getWritePointer (1);
    Noise noise;

    const int beat = (int) (beatSeconds * sampleRate);
    const int numBeats = total / beat;

    // Drums: four-on-the-floor kick, snare on two and four, off-beat hats panned left and right.
    for (int b = 0; b < numBeats; ++b)
    {
        const int at = b * beat;
        const int room = total - at;
        if (b >= 4)
            addKick (l, r, at, std::min (room, (int) (0.6 * sampleRate)));
        if (b >= 8 && b % 2 == 1)
            addSnare (l, r, at, std::min (room, (int) (0.35 * sampleRate)), noise);
        for (int h = 0; h < 2; ++h)
        {
            const int hatAt = at + h * beat / 2;
            if (hatAt < total)
                addHat (l, r, hatAt, std::min (total - hatAt, (int) (0.1 * sampleRate)), noise, h == 0 ? -0.4f : 0.4f);
        }
    }

    // Bass, pad and arpeggio follow the chords, one bar each.
    double bassPhase = 0, arpPhase = 0;
    double padPhase[6] = {};
    for (int i = 0; i < total; ++i)
    {
        const double t = i / sampleRate;
        const int bar = (int) (t / (4 * beatSeconds));
        const int chord = bar % 4;
        const int root = chordRoots[chord];

        // Bass: eighth notes of the root, a few harmonics, mono.
        const double bassHz = midiToHz (root - 24);
        bassPhase += 2.0 * pi * bassHz / sampleRate;
        const double bassEnv = std::exp (-std::fmod (t, beatSeconds / 2) / 0.18);
        const double bass = 0.30 * bassEnv * (std::sin (bassPhase) + 0.35 * std::sin (2 * bassPhase) + 0.12 * std::sin (3 * bassPhase));

        // Pad: the triad, each voice slightly detuned between left and right.
        const int notes[3] = { root, root + chordThirds[chord], root + 7 };
        double padL = 0, padR = 0;
        for (int v = 0; v < 3; ++v)
        {
            const double hz = midiToHz (notes[v]);
            padPhase[2 * v] += 2.0 * pi * hz * 0.997 / sampleRate;
            padPhase[2 * v + 1] += 2.0 * pi * hz * 1.003 / sampleRate;
            padL += std::sin (padPhase[2 * v]) + 0.2 * std::sin (3 * padPhase[2 * v]);
            padR += std::sin (padPhase[2 * v + 1]) + 0.2 * std::sin (3 * padPhase[2 * v + 1]);
        }
        const double padLevel = 0.045 * std::min (1.0, t / 4.0);

        // Arpeggio: sixteenth-note plucks over the chord, two octaves up, panned gently right.
        const int step = (int) (t / (beatSeconds / 4)) % 4;
        const int arpNote = notes[step % 3] + 12 + (step == 3 ? 12 : 0);
        arpPhase += 2.0 * pi * midiToHz (arpNote) / sampleRate;
        const double arpEnv = bar >= 2 ? std::exp (-std::fmod (t, beatSeconds / 4) / 0.06) : 0.0;
        const double arp = 0.09 * arpEnv * (std::sin (arpPhase) + 0.3 * std::sin (2 * arpPhase));

        l[i] += (float) (bass + padLevel * padL + 0.8 * arp);
        r[i] += (float) (bass + padLevel * padR + 1.0 * arp);
    }

    // A short fade-in (the programme ends playing, so a picture taken at its end shows it live),
    // then a peak of -3 dBFS.
    float peak = 0.0f;
    for (int i = 0; i < total; ++i)
    {
        const double t = i / sampleRate;
        const double fade = std::min (1.0, t / 0.5);
        for (auto* x : { l, r })
        {
            x[i] = (float) (fade * x[i]);
            peak = std::max (peak, std::abs (x[i]));
        }
    }
    if (peak > 0.0f)
        out.applyGain (std::pow (10.0f, -3.0f / 20.0f) / peak);

    return out;
}
} // namespace tarn::demo
