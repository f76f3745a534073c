#include "AnalyserFixture.h"
#include "Report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace tarn::analyser;

using namespace analyser_tests;

namespace
{
int runCli (const juce::String& arguments, juce::String* output = nullptr)
{
    juce::ChildProcess process;
    juce::StringArray args;
    args.add (TARN_CLI_PATH);
    args.addTokens (arguments, " ", "\"");
    if (! process.start (args, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return -1;
    const auto text = process.readAllProcessOutput();
    if (output != nullptr)
        *output = text;
    process.waitForProcessToFinish (60000);
    return (int) process.getExitCode();
}
} // namespace

TEST_F (AnalyserFiles, StereoFileGivesAFrozenPassAndTheCsvOfItsOwnAudio)
{
    const auto file = writeWav ("mix.wav", 2, 48000, 12.0, music);
    Options options;
    options.recordCsv = true;
    const auto r = analyseFile (file, options);

    ASSERT_TRUE (r.ok) << r.error;
    EXPECT_EQ (r.trackPassState, 2);   // the silence fed after the file froze the pass
    EXPECT_NEAR (r.snapshot.capturedSeconds, 12.0, 0.011);
    EXPECT_EQ (r.snapshot.blockCount, (std::uint64_t) std::ceil (12.0 * 48000 / 512));
    EXPECT_GT (r.finalReadings.lufsShort, -40.0f);   // readings of the file's end, not of the silence after it
    EXPECT_EQ (r.finalReadings.signalState, 2);

    const auto lines = juce::StringArray::fromLines (r.csv.trimEnd());
    ASSERT_EQ (lines.size(), 1 + 12 * 20);   // header, then one row per 50 ms of the file
    EXPECT_TRUE (lines[1].startsWith ("0.053,"));   // the first block to pass 50 ms ends at 5 x 512 samples
    EXPECT_TRUE (lines[lines.size() - 1].startsWith ("12.000,"));

    const auto json = toJson (r);
    EXPECT_EQ (json["trackPass"]["blockCount"], juce::var ((juce::int64) r.snapshot.blockCount));
    EXPECT_EQ ((double) json["readings"]["lufsIntegrated"], (double) r.finalReadings.lufsIntegrated);
    EXPECT_EQ (json["overallVerdict"].toString(), tarn::text::overallVerdictText (r.verdict()));

    // The report holds every row of the TRACK PASS view.
    const auto report = formatReport (r);
    for (const auto& row : tarn::text::trackPassRows (r.snapshot))
        EXPECT_TRUE (report.contains (row.caption.paddedRight (' ', 22) + row.text)) << row.caption;
}

TEST_F (AnalyserFiles, LongBlocksWriteOneRowPerMarkAtTheBlocksOwnTime)
{
    const auto file = writeWav ("mix.wav", 2, 48000, 2.0, music);
    Options options;
    options.recordCsv = true;
    options.blockSize = 4800;   // 100 ms: two rows per block
    const auto r = analyseFile (file, options);

    auto lines = juce::StringArray::fromLines (r.csv.trimEnd());
    lines.remove (0);
    ASSERT_EQ (lines.size(), 40);
    for (int i = 0; i < lines.size(); i += 2)
    {
        const auto first = juce::StringArray::fromTokens (lines[i], ",", "\"");
        const auto second = juce::StringArray::fromTokens (lines[i + 1], ",", "\"");
        EXPECT_EQ (first[0], second[0]);                 // no new audio between them
        EXPECT_EQ (first[0], juce::String ((i / 2 + 1) * 0.1, 3));
        EXPECT_GE (first[5].getFloatValue(), first[1].getFloatValue());
    }
}

TEST_F (AnalyserFiles, MonoIsAnalysedAsDualMono)
{
    const auto mono = writeWav ("mono.wav", 1, 48000, 11.0, [] (int, int i) { return music (0, i); });
    const auto dual = writeWav ("dual.wav", 2, 48000, 11.0, [] (int, int i) { return music (0, i); });
    const auto a = analyseFile (mono), b = analyseFile (dual);
    ASSERT_TRUE (a.ok && b.ok);
    EXPECT_EQ (std::memcmp (&a.finalReadings, &b.finalReadings, sizeof (TarnReadings)), 0);
    EXPECT_EQ (a.snapshot.blockCount, b.snapshot.blockCount);
    EXPECT_EQ (a.snapshot.lufsIntegratedFinal, b.snapshot.lufsIntegratedFinal);
}

TEST_F (AnalyserFiles, UnreadableFilesAreRefusedWithAReason)
{
    Programme programme;
    juce::String error;

    EXPECT_FALSE (openFile (dir.getChildFile ("missing.wav"), formats, programme, error));
    EXPECT_EQ (error, "no such file");

    const auto corrupt = dir.getChildFile ("corrupt.wav");
    corrupt.replaceWithText ("RIFF\x10\x00\x00\x00WAVEjunkjunkjunk this is not audio");
    EXPECT_FALSE (openFile (corrupt, formats, programme, error));
    EXPECT_TRUE (error.contains ("not a readable"));

    const auto absurdRate = juce::File (juce::String (TARN_SOURCE_DIR) + "/tests/fuzz/regressions/audio_file/wav-absurd-sample-rate-slow");
    juce::MemoryBlock absurdBytes;
    ASSERT_TRUE (absurdRate.loadFileAsData (absurdBytes));
    const auto absurd = dir.getChildFile ("absurd-rate.wav");
    ASSERT_TRUE (absurd.replaceWithData (static_cast<const char*> (absurdBytes.getData()) + 1, absurdBytes.getSize() - 1));
    EXPECT_FALSE (openFile (absurd, formats, programme, error));
    EXPECT_EQ (error, "has a sample rate of 369142852 Hz; only 1 kHz to 768 kHz can be analysed");

    const auto surround = writeWav ("surround.wav", 3, 48000, 0.1, [] (int, int) { return 0.1f; });
    EXPECT_FALSE (openFile (surround, formats, programme, error));
    EXPECT_TRUE (error.contains ("3 channels"));

    // A file cut short (an interrupted copy) still has a header that promises all of it: it is
    // reported, not analysed with silence in place of the missing audio.
    const auto cut = writeWav ("cut.wav", 2, 48000, 2.0, [] (int, int i) { return 0.5f * std::sin (0.05f * (float) i); });
    {
        juce::FileOutputStream out (cut);
        ASSERT_TRUE (out.openedOk());
        ASSERT_TRUE (out.setPosition (cut.getSize() / 2));
        ASSERT_TRUE (out.truncate().wasOk());
    }
    ASSERT_TRUE (openFile (cut, formats, programme, error)) << error;
    const auto result = analyse (programme, {});
    EXPECT_FALSE (result.ok);
    EXPECT_EQ (result.error, "is cut short: the file ends before the 2.00 s of audio its header declares");
}

TEST_F (AnalyserFiles, CommandLineKeepsGoingPastBadFilesAndSetsItsExitStatus)
{
    const auto good = writeWav ("good.wav", 2, 48000, 6.0, music);
    const auto corrupt = dir.getChildFile ("corrupt.flac");
    corrupt.replaceWithText ("fLaC but not really");
    const auto json = dir.getChildFile ("out.json");

    juce::String output;
    const int status = runCli ("analyse " + good.getFullPathName() + " " + dir.getChildFile ("nope.wav").getFullPathName()
                                   + " " + corrupt.getFullPathName() + " --json " + json.getFullPathName(),
                               &output);
    EXPECT_EQ (status, 1);
    EXPECT_TRUE (output.contains ("good.wav  (0:06, 48000 Hz, stereo)"));
    EXPECT_TRUE (output.contains ("nope.wav: no such file"));
    EXPECT_TRUE (output.contains ("corrupt.flac: not a readable"));

    const auto parsed = juce::JSON::parse (json);
    ASSERT_TRUE (parsed["files"].isArray());
    EXPECT_EQ (parsed["files"].size(), 3);
    EXPECT_TRUE (parsed["files"][0]["trackPass"].isObject());
    EXPECT_TRUE (parsed["files"][1]["error"].toString().isNotEmpty());

    EXPECT_EQ (runCli ("analyse --block 0"), 2);
    EXPECT_EQ (runCli ("analyse --target loud"), 2);
    EXPECT_EQ (runCli ("frobnicate"), 2);
    EXPECT_EQ (runCli ("--help"), 0);
}

TEST_F (AnalyserFiles, FailOnTurnsAPushedMasterIntoExitStatus3)
{
    // A brick-walled master: a dense tone driven hard into the ceiling, so its crest is tiny.
    const auto squashed = writeWav ("squashed.wav", 2, 48000, 20.0, [] (int c, int i)
    {
        const double t = i / 48000.0;
        const double x = 4.0 * (std::sin (2 * pi * 55 * t) + 0.7 * std::sin (2 * pi * 440 * t + c) + 0.5 * std::sin (2 * pi * 3100 * t));
        return (float) (0.995 * std::tanh (x));
    });
    juce::String output;
    EXPECT_EQ (runCli ("analyse --fail-on pushed " + squashed.getFullPathName(), &output), 3) << output;
    EXPECT_TRUE (output.contains ("OVERALL TRACK HEALTH  PUSHED"));

    const auto gentle = writeWav ("gentle.wav", 2, 48000, 12.0, [] (int c, int i) { return 0.3f * music (c, i); });
    EXPECT_EQ (runCli ("analyse --fail-on pushed " + gentle.getFullPathName(), &output), 0) << output;
}

TEST_F (AnalyserFiles, AlbumTableListsEveryFileAndTheAlbumLoudness)
{
    // 1 kHz tones at -20 and -26 dBFS peak on both channels read -20 and -26 LUFS; ten seconds of
    // each pass both gates together, so the album is the mean energy: 10 log10((10^-2 + 10^-2.6) / 2)
    // = -22.04 LUFS.
    const auto tone = [] (double db) { return [g = std::pow (10.0, db / 20.0)] (int, int i) { return (float) (g * std::sin (2 * pi * 1000 * i / 48000.0)); }; };
    const auto loud = writeWav ("loud.wav", 2, 48000, 10.0, tone (-20));
    const auto soft = writeWav ("soft.wav", 2, 48000, 10.0, tone (-26));
    const auto corrupt = dir.getChildFile ("corrupt.wav");
    corrupt.replaceWithText ("RIFF nothing here");
    const auto json = dir.getChildFile ("album.json");

    juce::String output;
    EXPECT_EQ (runCli ("analyse " + loud.getFullPathName() + " " + corrupt.getFullPathName() + " " + soft.getFullPathName()
                           + " --json " + json.getFullPathName(), &output), 1);

    const auto album = output.fromFirstOccurrenceOf ("ALBUM\n", false, false);
    const auto rows = juce::StringArray::fromLines (album.trimEnd());
    ASSERT_EQ (rows.size(), 5) << album;
    EXPECT_TRUE (rows[0].startsWith ("FILE"));
    EXPECT_TRUE (rows[1].startsWith ("loud.wav")) << rows[1];
    EXPECT_TRUE (rows[1].contains ("-20.0")) << rows[1];
    EXPECT_TRUE (rows[2].startsWith ("corrupt.wav") && rows[2].endsWith ("unreadable")) << rows[2];
    EXPECT_TRUE (rows[3].startsWith ("soft.wav") && rows[3].contains ("-26.0")) << rows[3];
    EXPECT_EQ (rows[4], "ALBUM INTEGRATED LOUDNESS  -22.0 LUFS");
    EXPECT_TRUE (output.contains ("REFERENCE LOUDNESS (ITU-R BS.1770 / EBU R 128)"));

    const auto parsed = juce::JSON::parse (json);
    EXPECT_NEAR ((double) parsed["album"]["integratedLufs"], -22.04, 0.05);
    EXPECT_NEAR ((double) parsed["files"][0]["reference"]["integratedLufs"], -20.0, 0.1);

    // --no-reference leaves the standard figures out.
    EXPECT_EQ (runCli ("analyse --no-reference " + loud.getFullPathName(), &output), 0);
    EXPECT_FALSE (output.contains ("REFERENCE LOUDNESS"));
}
