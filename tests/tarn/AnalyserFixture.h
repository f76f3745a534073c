#pragma once

#include "Analyser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <sys/wait.h>

// Audio files written by the tests into a folder of their own, and the built `tarn` run on them.
namespace analyser_tests
{
constexpr double pi = 3.14159265358979323846;

// What a run of the command line printed, each stream apart.
struct ToolRun
{
    int status = -1;
    juce::String out, err;
};

class AnalyserFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = juce::File::createTempFile ("tarn-analyser");
        dir.createDirectory();
        formats.registerBasicFormats();
    }
    void TearDown() override { dir.deleteRecursively(); }

    // Writes a file in `format` (24-bit unless told; an Ogg file at quality index 5); fn(channel,
    // index) gives each sample.
    juce::File writeAudio (const juce::String& name, juce::AudioFormat& format, int channels, double rate, double seconds,
                           const std::function<float (int, int)>& fn, int bits = 24)
    {
        const auto file = dir.getChildFile (name);
        const int n = (int) (rate * seconds);
        juce::AudioBuffer<float> audio (channels, n);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < n; ++i)
                audio.setSample (c, i, fn (c, i));

        const int quality = format.getQualityOptions().size() > 5 ? 5 : 0;
        std::unique_ptr<juce::AudioFormatWriter> writer (
            format.createWriterFor (new juce::FileOutputStream (file), rate, (unsigned) channels, bits, {}, quality));
        EXPECT_NE (writer, nullptr) << name;
        if (writer != nullptr)
            writer->writeFromAudioSampleBuffer (audio, 0, n);
        return file;
    }

    juce::File writeWav (const juce::String& name, int channels, double rate, double seconds,
                         const std::function<float (int, int)>& fn)
    {
        juce::WavAudioFormat wav;
        return writeAudio (name, wav, channels, rate, seconds, fn);
    }

    tarn::analyser::Result analyseFile (const juce::File& file, tarn::analyser::Options options = {})
    {
        tarn::analyser::Programme programme;
        juce::String error;
        EXPECT_TRUE (tarn::analyser::openFile (file, formats, programme, error)) << error;
        return tarn::analyser::analyse (programme, options);
    }

    // Runs the built tool through the shell, so `arguments` may hold redirections; standard
    // output and error are caught in files of their own unless the arguments redirect them.
    ToolRun runTool (const juce::String& arguments)
    {
        const auto out = dir.getChildFile ("run.out"), err = dir.getChildFile ("run.err");
        const auto command = "cd '" + dir.getFullPathName() + "' || exit 125; '" + juce::String (TARN_CLI_PATH) + "' " + arguments;
        const auto shell = "{ " + command + " ; } > '" + out.getFullPathName() + "' 2> '" + err.getFullPathName() + "'";
        const int raw = std::system (shell.toRawUTF8());
        ToolRun run;
        run.status = WIFEXITED (raw) ? WEXITSTATUS (raw) : -1;
        run.out = out.loadFileAsString();
        run.err = err.loadFileAsString();
        out.deleteFile();
        err.deleteFile();
        return run;
    }

    // A mix with some movement: a tone over a slow beat, the channels a little apart.
    static float music (int c, int i)
    {
        const double t = i / 48000.0;
        const double beat = std::exp (-std::fmod (t, 0.5) / 0.08);
        return (float) (0.3 * std::sin (2 * pi * 220 * t + c) + 0.25 * beat * std::sin (2 * pi * 60 * t));
    }

    juce::File dir;
    juce::AudioFormatManager formats;
};
} // namespace analyser_tests
