// Cost of one refresh of the VU pair at the editor's size (676 x 168): setLevels, then painting the
// repainted area (both dials) from the cached faces into an image, as the window would. Headless.
// Run: <build>/benchmarks/tarn_ui_benchmarks

#include "TarnVuPair.h"

#include <benchmark/benchmark.h>

static void vuPairRefresh (benchmark::State& state)
{
    TarnVuPair vu;
    vu.setSize (676, 168);
    juce::Image canvas (juce::Image::ARGB, 676, 168, true);
    const auto dirty = vu.getLeftDial().getUnion (vu.getRightDial());

    float level = -12.0f;   // VU dB, swept so the needles keep moving
    for (auto _ : state)
    {
        level = level > 2.0f ? -12.0f : level + 0.5f;
        vu.setLevels (level, level - 3.0f);

        juce::Graphics g (canvas);
        g.reduceClipRegion (dirty);
        vu.paintEntireComponent (g, false);
        benchmark::DoNotOptimize (canvas.getPixelAt (100, 100));
    }
}
BENCHMARK (vuPairRefresh)->Unit (benchmark::kMicrosecond);

static void vuPairCacheRebuild (benchmark::State& state)
{
    // What a resize costs, for comparison: the static faces drawn again.
    TarnVuPair vu;
    vu.setSize (676, 168);
    for (auto _ : state)
        vu.rebuildStaticCache();
}
BENCHMARK (vuPairCacheRebuild)->Unit (benchmark::kMicrosecond);

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
