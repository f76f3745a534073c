// The audio thread and the editor at full speed together: one thread processes varied audio in
// blocks of any length while this (message) thread refreshes the editor, reads the readings and the
// Track Pass snapshot, presses RESET and RESET PASS, changes both settings, switches views and
// records CSV rows. Built with ThreadSanitizer (scripts/validation/sanitizer-tsan.sh), any data
// race between the two is reported; in every build the checks below hold.
// TARN_CONCURRENCY_SECONDS sets how long it runs (default 2).

#include "EditorInspector.h"
#include "ReadingChecks.h"
#include "SettingsMenus.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

namespace
{
double runSeconds()
{
    const auto text = juce::SystemStats::getEnvironmentVariable ("TARN_CONCURRENCY_SECONDS", "2");
    return juce::jlimit (0.1, 600.0, text.getDoubleValue());
}

// Programme that walks through every state of the meters: music-like noise at several levels, a
// loud tone that clips, stretches of silence long enough to finish a Track Pass, and the odd
// non-finite sample.
struct VariedAudio
{
    std::mt19937 rng { 2024 };
    std::int64_t position = 0;

    void fill (juce::AudioBuffer<float>& buffer)
    {
        std::uniform_real_distribution<float> noise (-1.0f, 1.0f);
        for (int i = 0; i < buffer.getNumSamples(); ++i, ++position)
        {
            const auto section = (position / 48000) % 12;   // one-second sections
            for (int ch = 0; ch < 2; ++ch)
            {
                float x = 0.0f;
                if (section < 4)
                    x = (0.05f + 0.1f * (float) section) * noise (rng);
                else if (section < 6)
                    x = 1.2f * (float) std::sin (0.05 * (double) position + ch);
                else if (section < 10)
                    x = 0.0f;
                else
                    x = 0.3f * noise (rng) + (ch == 0 ? 0.2f : -0.2f);
                if (rng() % 100000 == 0)
                    x = std::numeric_limits<float>::quiet_NaN();
                buffer.setSample (ch, i, x);
            }
        }
    }
};


bool allFinite (const TrackPassSnapshot& s)
{
    const float values[] = { s.capturedSeconds, s.peakMaxDb, s.truePeakMaxDb, s.rmsAvgDb, s.lufsIntegratedFinal,
                             s.crestSummary.avg, s.lufsShortSummary.min, s.punchSummary.max, s.silkSummary.avg,
                             s.centreWeightSummary.avg, s.sideAirSummary.max, s.forwardMidSummary.min };
    for (auto v : values)
        if (! std::isfinite (v))
            return false;
    return true;
}
} // namespace

TEST (Concurrency, EditorAndAudioThreadRunTogetherWithoutInterference)
{
    constexpr double rate = 48000.0;
    constexpr int maxBlock = 2048;
    TarnAudioProcessor processor;
    processor.setRateAndBufferSizeDetails (rate, maxBlock);
    processor.prepareToPlay (rate, maxBlock);

    const auto scratch = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getChildFile ("tarn-concurrency-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()));
    scratch.createDirectory();

    int savesOffered = 0;
    trackpass::Saver::Prompts prompts;
    prompts.chooseFile = [&savesOffered] (const juce::File&, trackpass::Saver::FileChosen answer) { ++savesOffered; answer ({}); };
    prompts.reportFailure = [] (const juce::String&, trackpass::Saver::FailureAnswer) {};
    prompts.closeFileChooser = [] {};

    {
        TarnAudioProcessorEditor editor (processor, prompts, scratch.getChildFile ("tarn_trackpass.csv"));
        TarnEditorInspector inspect { editor };

        std::atomic<bool> stop { false };
        std::atomic<std::int64_t> blocks { 0 }, altered { 0 };

        std::thread audio ([&]
        {
            VariedAudio source;
            std::mt19937 rng (5);
            std::uniform_int_distribution<int> blockSize (1, maxBlock);
            juce::AudioBuffer<float> buffer (2, maxBlock), expected (2, maxBlock);
            juce::MidiBuffer midi;
            while (! stop.load())
            {
                const int n = blockSize (rng);
                buffer.setSize (2, n, false, false, true);
                source.fill (buffer);
                expected.makeCopyOf (buffer, true);
                processor.processBlock (buffer, midi);
                for (int ch = 0; ch < 2; ++ch)
                    if (std::memcmp (buffer.getReadPointer (ch), expected.getReadPointer (ch), sizeof (float) * (size_t) n) != 0)
                        ++altered;
                ++blocks;
            }
        });

        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double> (runSeconds());
        int ticks = 0, nonFinite = 0;
        while (std::chrono::steady_clock::now() < deadline)
        {
            editor.refresh();
            const auto readings = processor.loadReadings();
            const auto snapshot = processor.getTrackPassSnapshot();
            nonFinite += allReadingsFinite (readings) && allFinite (snapshot) ? 0 : 1;

            if (ticks % 7 == 0)
                inspect.resetPassButton().onClick();
            if (ticks % 29 == 0)
                inspect.resetButton().onClick();
            if (ticks % 5 == 0)
            {
                inspect.chooseWeight (1 + ticks % settings::numWeights);
                inspect.chooseTarget (1 + ticks % settings::numTargets);
            }
            if (ticks % 97 == 0)
                editor.setView (static_cast<TarnAudioProcessorEditor::View> ((ticks / 97) % 3));
            if (ticks % 200 == 0)
                editor.startAnalysisExport();
            if (ticks % 200 == 150)
                editor.stopAnalysisExport();
            if (ticks % 251 == 0)
                (void) editor.createComponentSnapshot (editor.getLocalBounds());
            ++ticks;
        }

        stop = true;
        audio.join();
        if (editor.isExporting())
            editor.stopAnalysisExport();

        EXPECT_EQ (altered.load(), 0) << "the audio was changed while the editor ran";
        EXPECT_EQ (nonFinite, 0) << "a reading or a Track Pass figure was not finite";
        EXPECT_GT (blocks.load(), 1000) << "the audio thread hardly ran";
        EXPECT_GT (ticks, 200) << "the editor hardly ran";
        EXPECT_GT (savesOffered, 0) << "no recording was stopped";
        RecordProperty ("audioBlocks", std::to_string (blocks.load()));
        RecordProperty ("editorTicks", std::to_string (ticks));

        // After the storm, the last choices stand and a request is still honoured by the next block.
        inspect.chooseWeight (3);
        inspect.chooseTarget (3);
        EXPECT_EQ (processor.kReference.load(), 2);
        EXPECT_EQ (processor.destinationMode.load(), 2);
        EXPECT_EQ (inspect.weightPill().getLabel(), settings::weightName (2));

        inspect.resetButton().onClick();
        juce::AudioBuffer<float> silence (2, 64);
        silence.clear();
        juce::MidiBuffer midi;
        processor.processBlock (silence, midi);
        EXPECT_FALSE (processor.analysisResetRequested.load());
        EXPECT_FALSE (processor.trackPassResetRequested.load());
        EXPECT_EQ (processor.trackPassState.load(), 0);
        EXPECT_EQ (processor.lufsIntegrated.load(), -100.0f);
    }

    scratch.deleteRecursively();
}
