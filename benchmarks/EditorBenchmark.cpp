// Cost of one editor refresh tick plus a full repaint of the LIVE view (740 x 786), headless: the
// readings move every tick so words, numbers and needles change, then the whole window is painted
// into an image, as a host would after the tick's repaints.
// Run: <build>/benchmarks/tarn_ui_benchmarks --benchmark_filter=editor

#include "PluginEditor.h"

#include <benchmark/benchmark.h>

static void editorRefreshAndLiveRepaint (benchmark::State& state)
{
    TarnAudioProcessor processor;
    TarnAudioProcessorEditor editor (processor);
    juce::Image canvas (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true);
    processor.signalState = 2;

    float level = -30.0f;   // dBFS, swept so every reading keeps changing
    for (auto _ : state)
    {
        level = level > -3.0f ? -30.0f : level + 0.7f;
        processor.peakDb = level;
        processor.rmsDb = level - 9.0f;
        processor.vuLeftDb = level + 10.0f;
        processor.vuRightDb = level + 8.0f;
        processor.sideAir = 60.0f + level;
        processor.translation = 100.0f + 2.0f * level;
        processor.headroomState = level > -6.0f ? 1 : 0;

        editor.refresh();
        juce::Graphics g (canvas);
        editor.paintEntireComponent (g, true);
        benchmark::DoNotOptimize (canvas.getPixelAt (370, 400));
    }
}
BENCHMARK (editorRefreshAndLiveRepaint)->Unit (benchmark::kMicrosecond);
