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

namespace
{
// 20 s of a clean sine, a pause, then 30 s of full-scale square: a clean first half, a pushed
// second one.
float cleanThenPushed (double pauseSeconds, int, int i)
{
    const double t = i / 48000.0;
    if (t < 20.0)
        return (float) (0.3 * std::sin (2 * pi * 440 * t));
    if (t < 20.0 + pauseSeconds)
        return 0.0f;
    return std::sin (2 * pi * 100 * t) >= 0 ? 1.0f : -1.0f;
}
} // namespace

TEST_F (AnalyserFiles, AudioAfterAFrozenPassStartsANewPassAndTheWorstDecides)
{
    const auto file = writeWav ("pause.wav", 2, 48000, 53.5, [] (int c, int i) { return cleanThenPushed (3.5, c, i); });
    const auto r = analyseFile (file);
    ASSERT_TRUE (r.ok) << r.error;
    ASSERT_EQ (r.passes.size(), 2u);

    // Every audible block landed in a pass: together they captured the whole 50 s of audio.
    EXPECT_NEAR (r.passes[0].snapshot.capturedSeconds + r.passes[1].snapshot.capturedSeconds, 50.0, 0.03);
    EXPECT_NEAR (r.passes[0].startSeconds, 0.0, 0.011);
    EXPECT_NEAR (r.passes[0].endSeconds, 20.0, 0.011);
    EXPECT_NEAR (r.passes[1].startSeconds, 23.5, 0.011);
    EXPECT_NEAR (r.passes[1].endSeconds, 53.5, 0.011);
    EXPECT_LT (r.passes[0].verdict(), tarn::text::OverallVerdict::pushed);
    EXPECT_EQ (r.passes[1].verdict(), tarn::text::OverallVerdict::pushed);

    // The file is as good as its worst pass: the verdict, the rows shown and the JSON.
    EXPECT_EQ (r.verdict(), tarn::text::OverallVerdict::pushed);
    EXPECT_EQ (r.worstPass(), 1);
    EXPECT_EQ (r.snapshot.blockCount, r.passes[1].snapshot.blockCount);
    const auto report = formatReport (r);
    EXPECT_TRUE (report.contains ("PASSES                2")) << report;
    EXPECT_TRUE (report.contains ("  PASS 1              0:00 - 0:20   " + tarn::text::overallVerdictText (r.passes[0].verdict()))) << report;
    EXPECT_TRUE (report.contains ("  PASS 2              0:23 - 0:54   PUSHED")) << report;
    EXPECT_TRUE (report.contains ("OVERALL TRACK HEALTH  PUSHED")) << report;
    const auto json = toJson (r);
    EXPECT_EQ (json["overallVerdict"].toString(), "PUSHED");
    ASSERT_EQ (json["passes"].size(), 2);
    EXPECT_EQ (json["passes"][1]["overallVerdict"].toString(), "PUSHED");
    EXPECT_EQ (json["passes"][0]["trackPass"]["blockCount"], juce::var ((juce::int64) r.passes[0].snapshot.blockCount));

    // A pause under 3 s does not freeze the pass: one pass, no list.
    const auto shortPause = analyseFile (writeWav ("short.wav", 2, 48000, 52.0, [] (int c, int i) { return cleanThenPushed (2.0, c, i); }));
    ASSERT_EQ (shortPause.passes.size(), 1u);
    EXPECT_FALSE (formatReport (shortPause).contains ("PASSES"));

    // The command line's QC gate fails the file.
    juce::String output;
    EXPECT_EQ (runCli ("analyse --no-reference --fail-on pushed " + file.getFullPathName(), &output), 3) << output;
}

TEST_F (AnalyserFiles, NoAudibleBlockIsNoSignalAndFailsEveryGate)
{
    struct Case { const char* name; double seconds; float sample; };
    const Case cases[] = { { "silent.wav", 5.0, 0.0f }, { "empty.wav", 0.0, 0.0f },
                           { "nan.wav", 2.0, std::numeric_limits<float>::quiet_NaN() } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::WavAudioFormat wav;
        const auto file = writeAudio (c.name, wav, 2, 48000, c.seconds, [&c] (int, int) { return c.sample; }, 32);
        const auto r = analyseFile (file);
        ASSERT_TRUE (r.ok) << r.error;
        EXPECT_FALSE (r.hasSignal());
        EXPECT_TRUE (formatReport (r).contains ("OVERALL TRACK HEALTH  NO SIGNAL"));
        EXPECT_EQ (toJson (r)["overallVerdict"].toString(), "NO SIGNAL");
        EXPECT_EQ (toJson (r)["passes"].size(), 0);

        const auto path = file.getFullPathName();
        EXPECT_EQ (runCli ("analyse " + path), 0);
        EXPECT_EQ (runCli ("analyse --fail-on pushed " + path), 3);
        EXPECT_EQ (runCli ("analyse --fail-on watch " + path), 3);
    }

    // In the album table too.
    juce::String output;
    runCli ("analyse " + dir.getChildFile ("silent.wav").getFullPathName() + " " + dir.getChildFile ("nan.wav").getFullPathName(), &output);
    EXPECT_TRUE (output.contains ("silent.wav                  0:05     NO SIGNAL")) << output;
}

TEST_F (AnalyserFiles, EveryCsvRowCarriesTheHighestTruePeakSinceTheRowBefore)
{
    // A quiet sine with, in the middle of every 50 ms, 2 ms of a sine at a quarter of the rate
    // whose samples fall 45 degrees off its crests: its true peak is 3 dB above its sample peak,
    // and it is never in a row's last block. The bursts alternate between -6 and -12 dBTP.
    const auto burstPeak = [] (int row) { return row % 2 == 0 ? 0.5 : 0.25; };
    const auto file = writeWav ("bursts.wav", 2, 48000, 4.0, [&] (int, int i)
    {
        const int inRow = i % 2400;
        if (inRow >= 1200 && inRow < 1296)
            return (float) (burstPeak (i / 2400) * std::sin (pi / 2 * i + pi / 4));
        return (float) (0.03 * std::sin (2 * pi * 300 * i / 48000.0));
    });
    const double loudDb = 20 * std::log10 (burstPeak (0));

    for (const int block : { 64, 512 })
    {
        SCOPED_TRACE (block);
        Options options;
        options.recordCsv = true;
        options.blockSize = block;
        const auto r = analyseFile (file, options);
        auto rows = juce::StringArray::fromLines (r.csv.trimEnd());
        rows.remove (0);
        ASSERT_EQ (rows.size(), 80);
        for (int i = 0; i < rows.size(); ++i)
        {
            const double truePeak = juce::StringArray::fromTokens (rows[i], ",", "\"")[5].getDoubleValue();
            if (i % 2 == 0)
            {
                // The loud burst's true peak, not its samples' (3 dB lower) nor the last block's.
                EXPECT_GT (truePeak, loudDb - 1.0) << "row " << i;
                EXPECT_LT (truePeak, loudDb + 0.5) << "row " << i;
            }
            else
            {
                EXPECT_LT (truePeak, loudDb - 3.0) << "row " << i;   // the row before took the loud one out
            }
        }
        EXPECT_NEAR (r.maxTruePeakDb, loudDb, 0.5);   // the programme's maximum still sees every block
    }
}
