// The loudness history the analyser keeps for a picture, and the picture drawn from it.

#include "AnalyserFixture.h"
#include "Plot.h"

#include <cmath>

using namespace analyser_tests;

namespace
{
// Two channels of generated audio, fn(channel, index) giving each sample.
juce::AudioBuffer<float> render (double rate, double seconds, const std::function<float (int, int)>& fn)
{
    juce::AudioBuffer<float> audio (2, (int) (rate * seconds));
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            audio.setSample (c, i, fn (c, i));
    return audio;
}

// Pixels of the overs' red (bright red, little green or blue).
int redPixels (const juce::Image& image)
{
    int count = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto p = image.getPixelAt (x, y);
            count += p.getRed() > 200 && p.getGreen() < 150 && p.getBlue() < 150 ? 1 : 0;
        }
    return count;
}
} // namespace

// A point every 100 ms exactly, whatever the block length: each point's loudness is what the
// standard meter reads after exactly that much audio, and its true peak covers only its 100 ms.
TEST (LoudnessHistory, APointEvery100msWithThatStretchsFigures)
{
    const double rate = 44100;
    const int click = (int) (1.234 * rate);
    const auto audio = render (rate, 2.05, [click] (int c, int i)
    {
        const float tone = (float) (0.1 * std::sin (i * 0.07 + c));
        return i == click ? 0.9f : (i < click ? tone : 0.0f);
    });

    tarn::analyser::Options options;
    options.blockSize = 333;
    options.recordHistory = true;
    const auto result = tarn::analyser::analyse (tarn::analyser::programmeOf ("generated", rate, audio), options);
    const auto& h = result.history;
    ASSERT_EQ (h.size(), 21u);   // twenty whole 100 ms and the last 50 ms
    ASSERT_EQ (h.truePeak.size(), 21u);
    ASSERT_EQ (h.tarnShortTerm.size(), 21u);

    StandardLoudnessMeter alone;
    alone.prepare (rate);
    for (int k = 0; k < 20; ++k)
    {
        alone.process (audio.getReadPointer (0, k * 4410), audio.getReadPointer (1, k * 4410), 4410);
        EXPECT_EQ (h.momentary[(size_t) k], (float) alone.momentaryLufs()) << k;
        EXPECT_EQ (h.shortTerm[(size_t) k], (float) alone.shortTermLufs()) << k;
    }

    // The click at 1.234 s is in the point that ends at 1.3 s; after it, silence has no peak.
    EXPECT_GE (h.truePeak[12], 20.0f * std::log10 (0.9f) - 1e-4f);
    EXPECT_LT (h.truePeak[11], -15.0f);
    for (size_t k = 14; k < h.size(); ++k)
        EXPECT_FALSE (std::isfinite (h.truePeak[k])) << k;
}

TEST (LoudnessHistory, ThePictureMarksOversAndIsDrawnTheSameEveryTime)
{
    const double rate = 48000;
    const auto quiet = [] (int c, int i) { return (float) (0.3 * std::sin (i * 0.05 + c)); };
    const auto hot = [] (int c, int i) { return (float) ((i / 4800) % 4 == 0 ? 1.2 : 0.3) * (float) std::sin (i * 0.05 + c); };

    tarn::analyser::Options options;
    options.recordHistory = true;
    const auto withoutOvers = tarn::analyser::analyse (tarn::analyser::programmeOf ("quiet", rate, render (rate, 8.0, quiet)), options);
    const auto withOvers = tarn::analyser::analyse (tarn::analyser::programmeOf ("hot", rate, render (rate, 8.0, hot)), options);

    const tarn::plot::Options size { 800, 400, tarn::delivery::find ("ebu-r128") };
    const auto a = tarn::plot::render (withOvers, size), b = tarn::plot::render (withOvers, size);
    ASSERT_EQ (a.getWidth(), 800);
    ASSERT_EQ (a.getHeight(), 400);
    juce::MemoryOutputStream pngA, pngB;
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (a, pngA));
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (b, pngB));
    EXPECT_TRUE (pngA.getMemoryBlock() == pngB.getMemoryBlock());

    // The -1 dBTP line and its label are red in both; twenty overs add their bars and marks.
    const int plain = redPixels (tarn::plot::render (withoutOvers, size));
    EXPECT_GT (plain, 0);
    EXPECT_GT (redPixels (a), plain + 200) << plain;
}
