// The command line as scripts use it: what goes to which stream, what is written where, and the
// exit status.

#include "AnalyserFixture.h"

#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace analyser_tests;

namespace
{
// /dev/stdout must still be the link to the descriptor, and /dev/full the device. A tool that
// replaced one (possible as root) would have left a regular file there: the test puts back what
// was there and fails.
void expectDevicesIntact()
{
    struct stat st {};
    if (lstat ("/dev/stdout", &st) != 0 || ! S_ISLNK (st.st_mode))
    {
        ADD_FAILURE() << "/dev/stdout was replaced";
        unlink ("/dev/stdout");
        EXPECT_EQ (symlink ("/proc/self/fd/1", "/dev/stdout"), 0);
    }
    if (lstat ("/dev/full", &st) != 0 || ! S_ISCHR (st.st_mode))
    {
        ADD_FAILURE() << "/dev/full was replaced";
        unlink ("/dev/full");
        EXPECT_EQ (mknod ("/dev/full", S_IFCHR | 0666, makedev (1, 7)), 0);
    }
}

class CommandLine : public AnalyserFiles
{
protected:
    void SetUp() override
    {
        AnalyserFiles::SetUp();
        writeWav ("mix.wav", 2, 48000, 4.0, music);
    }
};
} // namespace

TEST_F (CommandLine, MachineOutputsOnStandardOutputCarryNothingElse)
{
    const auto json = runTool ("analyse --json - mix.wav");
    EXPECT_EQ (json.status, 0) << json.err;
    EXPECT_TRUE (json.out.startsWith ("{"));
    EXPECT_EQ (juce::JSON::parse (json.out)["files"][0]["file"].toString(), "mix.wav") << json.out;
    EXPECT_TRUE (json.err.contains ("OVERALL TRACK HEALTH")) << json.err;   // the report went to standard error

    const auto csv = runTool ("analyse --csv - mix.wav");
    EXPECT_EQ (csv.status, 0) << csv.err;
    const auto lines = juce::StringArray::fromLines (csv.out.trimEnd());
    EXPECT_EQ (lines.size(), 1 + 4 * 20);
    EXPECT_TRUE (lines[0].startsWith ("t_sec,"));
    EXPECT_TRUE (csv.err.contains ("OVERALL TRACK HEALTH"));

    const auto quiet = runTool ("analyse -q --json - mix.wav");
    EXPECT_EQ (quiet.status, 0);
    EXPECT_TRUE (juce::JSON::parse (quiet.out)["files"].isArray());
    EXPECT_EQ (quiet.err, "");
}

TEST_F (CommandLine, UsageErrorsExitWithStatus2AndOneReason)
{
    struct Case { const char* arguments; const char* message; };
    const Case cases[] = {
        { "analyse --json - --csv - mix.wav", "tarn: only one of --json, --csv and --plot can take standard output" },
        { "analyse --csv - mix.wav mix.wav", "tarn: --csv - takes one file" },
        { "analyse --block 0", "tarn: --block takes a whole number" },
        { "analyse -j 0 mix.wav", "tarn: -j takes a whole number from 1 to 1024" },
        { "analyse --json", "tarn: --json needs a value" },
        { "analyse -x mix.wav", "tarn: unknown option -x" },
        { "analyse --deliver spotify,napster mix.wav", "tarn: unknown delivery target 'napster'; the known ones: ebu-r128, atsc-a85, spotify," },
        { "analyse --fail-on deliver mix.wav", "tarn: --fail-on deliver needs --deliver NAME" },
        { "analyse --fail-on pushed,loud mix.wav", "tarn: --fail-on takes watch, pushed or deliver" },
        { "analyse --deliver ebu-r128 --no-reference mix.wav", "tarn: --deliver needs the standard loudness" },
        { "analyse --plot p.png --no-reference mix.wav", "tarn: --plot needs the standard loudness" },
        { "analyse --plot p.png --plot-size 320x200 mix.wav", "tarn: --plot-size takes WIDTHxHEIGHT" },
        { "analyse --plot - mix.wav mix.wav", "tarn: --plot - takes one file" },
        { "analyse --plot no/such/folder/p.png mix.wav", "tarn: --plot no/such/folder/p.png: cannot be written" },
        { "frobnicate", "tarn: unknown command 'frobnicate'" },
        { "", "Usage:" },   // bare `tarn`: the usage, on standard error
    };
    for (const auto& c : cases)
    {
        const auto run = runTool (c.arguments);
        EXPECT_EQ (run.status, 2) << c.arguments;
        EXPECT_EQ (run.out, "") << c.arguments;
        EXPECT_TRUE (run.err.contains (c.message)) << c.arguments << ": " << run.err;
    }
}

TEST_F (CommandLine, SeveralJobsWriteWhatOneJobWrites)
{
    // Files of different lengths, one unreadable, one silent: the slower first file must not let
    // a later one jump the queue in any output.
    writeWav ("long.wav", 2, 48000, 9.0, music);
    writeWav ("short.wav", 1, 44100, 2.0, [] (int, int i) { return (float) (0.5 * std::sin (i * 0.05)); });
    writeWav ("silent.wav", 2, 48000, 1.0, [] (int, int) { return 0.0f; });
    const juce::String files = " long.wav missing.wav short.wav silent.wav mix.wav";

    const auto one = runTool ("analyse -j 1 --json one.json --csv one.csv" + files);
    const auto three = runTool ("analyse --jobs 3 --json three.json --csv three.csv" + files);
    EXPECT_EQ (one.status, 1);   // missing.wav
    EXPECT_EQ (three.status, one.status);
    EXPECT_EQ (three.out, one.out);
    EXPECT_EQ (three.err, one.err);
    EXPECT_TRUE (one.out.contains ("ALBUM")) << one.out;
    EXPECT_EQ (dir.getChildFile ("three.json").loadFileAsString(), dir.getChildFile ("one.json").loadFileAsString());
    for (const auto* n : { "-1", "-3", "-4", "-5" })
        EXPECT_EQ (dir.getChildFile (juce::String ("three") + n + ".csv").loadFileAsString(),
                   dir.getChildFile (juce::String ("one") + n + ".csv").loadFileAsString()) << n;
}

TEST_F (CommandLine, ConventionsScriptsExpect)
{
    const auto version = runTool ("--version");
    EXPECT_EQ (version.status, 0);
    EXPECT_TRUE (version.out.startsWith ("tarn 0.")) << version.out;

    const auto help = runTool ("analyse --help");
    EXPECT_EQ (help.status, 0);
    for (const auto* rule : { "NO SIGNAL", "--quiet", "1 wins", "standard error", "cut short" })
        EXPECT_TRUE (help.out.contains (rule)) << rule;

    // --quiet: nothing but the exit status, and errors.
    const auto quiet = runTool ("analyse -q mix.wav missing.wav");
    EXPECT_EQ (quiet.status, 1);
    EXPECT_EQ (quiet.out, "");
    EXPECT_EQ (quiet.err, "tarn: missing.wav: no such file\n");

    // `--` ends the options: a file may start with a dash.
    ASSERT_TRUE (dir.getChildFile ("mix.wav").copyFileTo (dir.getChildFile ("-dash.wav")));
    const auto dashed = runTool ("analyse -- -dash.wav");
    EXPECT_EQ (dashed.status, 0) << dashed.err;
    EXPECT_TRUE (dashed.out.startsWith ("-dash.wav  (0:04, 48000 Hz, stereo)")) << dashed.out;
}

TEST_F (CommandLine, OutputsNeverDestroyWhatIsThere)
{
    // A directory is refused before any work, and left as it was.
    const auto folder = dir.getChildFile ("results");
    ASSERT_TRUE (folder.createDirectory());
    ASSERT_TRUE (folder.getChildFile ("kept.txt").replaceWithText ("kept"));
    for (const auto* arguments : { "analyse --json results mix.wav", "analyse --csv results mix.wav", "snapshot --out results mix.wav" })
    {
        const auto run = runTool (arguments);
        EXPECT_EQ (run.status, 2) << arguments;
        EXPECT_TRUE (run.err.contains ("results: is a directory")) << run.err;
        EXPECT_TRUE (folder.isDirectory());
        EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles), 1);
        EXPECT_EQ (folder.getChildFile ("kept.txt").loadFileAsString(), "kept");
    }

    // A FIFO is written in place: it is still a FIFO afterwards, and the reader got the JSON.
    const auto fifo = dir.getChildFile ("pipe");
    ASSERT_EQ (mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);
    const auto read = runTool ("analyse -q --json pipe mix.wav & timeout 60 cat pipe > from-pipe.json; wait");
    struct stat st {};
    ASSERT_EQ (stat (fifo.getFullPathName().toRawUTF8(), &st), 0);
    EXPECT_TRUE (S_ISFIFO (st.st_mode));
    EXPECT_EQ (juce::JSON::parse (dir.getChildFile ("from-pipe.json"))["files"][0]["file"].toString(), "mix.wav") << read.err;

    // /dev/stdout leading to a file: the JSON follows the report, which is kept.
    const auto device = runTool ("analyse --json /dev/stdout mix.wav > both.txt");
    expectDevicesIntact();
    EXPECT_EQ (device.status, 0) << device.err;
    const auto both = dir.getChildFile ("both.txt").loadFileAsString();
    EXPECT_TRUE (both.startsWith ("mix.wav  (0:04")) << both;
    EXPECT_TRUE (both.fromFirstOccurrenceOf ("\n{", true, false).trim().endsWith ("}"));

    // The same for a picture: the PNG reaches standard output whole.
    const auto picture = runTool ("snapshot --out /dev/stdout mix.wav > picture.png");
    expectDevicesIntact();
    EXPECT_EQ (picture.status, 0) << picture.err;
    juce::MemoryBlock png;
    ASSERT_TRUE (dir.getChildFile ("picture.png").loadFileAsData (png));
    ASSERT_GT (png.getSize(), 10000u);
    const auto* bytes = static_cast<const char*> (png.getData());
    EXPECT_EQ (std::memcmp (bytes, "\x89PNG", 4), 0);
    EXPECT_EQ (std::memcmp (bytes + png.getSize() - 8, "IEND\xae\x42\x60\x82", 8), 0) << "the whole picture, to its last chunk";

    // A regular file is replaced whole, keeping its permissions; no temporary is left behind.
    const auto existing = dir.getChildFile ("out.json");
    ASSERT_TRUE (existing.replaceWithText ("old"));
    ASSERT_EQ (chmod (existing.getFullPathName().toRawUTF8(), 0640), 0);
    EXPECT_EQ (runTool ("analyse -q --json out.json mix.wav").status, 0);
    EXPECT_TRUE (juce::JSON::parse (existing)["files"].isArray());
    ASSERT_EQ (stat (existing.getFullPathName().toRawUTF8(), &st), 0);
    EXPECT_EQ (st.st_mode & 0777, 0640u);
    EXPECT_EQ (dir.findChildFiles (juce::File::findFiles, false, ".out.json.*").size(), 0);
}

TEST_F (CommandLine, FailedWritesNameTheFileAndTheReasonAndWinOverAVerdict)
{
    // A report that cannot be written: a full device or a closed standard output.
    struct Case { const char* redirect; const char* reason; };
    for (const auto& c : { Case { "> /dev/full", "No space left on device" }, Case { ">&-", "Bad file descriptor" } })
    {
        const auto run = runTool (juce::String ("analyse mix.wav ") + c.redirect);
        EXPECT_EQ (run.status, 1) << c.redirect;
        EXPECT_EQ (run.err, juce::String ("tarn: cannot write to standard output: ") + c.reason + "\n") << c.redirect;
    }

    // A JSON that cannot be written; a failing verdict does not hide it (1 wins over 3), and the
    // CSV written before it stays.
    const auto silent = writeWav ("silent.wav", 2, 48000, 1.0, [] (int, int) { return 0.0f; });
    const auto run = runTool ("analyse -q --fail-on watch --csv rows.csv --json /dev/full silent.wav");
    expectDevicesIntact();
    EXPECT_EQ (run.status, 1);
    EXPECT_EQ (run.err, "tarn: cannot write /dev/full: No space left on device\n");
    EXPECT_TRUE (dir.getChildFile ("rows.csv").loadFileAsString().startsWith ("t_sec,"));
    EXPECT_EQ (runTool ("analyse -q --fail-on watch --csv rows.csv silent.wav").status, 3);

    // A folder that does not exist is found before the work starts.
    const auto missing = runTool ("analyse --json no/such/folder/out.json mix.wav");
    EXPECT_EQ (missing.status, 2);
    EXPECT_TRUE (missing.err.startsWith ("tarn: --json no/such/folder/out.json: cannot be written: no/such/folder: No such file or directory")) << missing.err;
}

// Delivery targets: the report's closing lines, the JSON, the album's gain and the QC gate.
TEST_F (CommandLine, DeliveryTargetsCloseTheReportAndGateBroadcastDelivery)
{
    const auto loud = runTool ("analyse --json - --deliver ebu-r128,spotify mix.wav");
    ASSERT_EQ (loud.status, 0) << loud.err;
    const auto file = juce::JSON::parse (loud.out)["files"][0];
    const double integrated = file["reference"]["integratedLufs"];
    ASSERT_GT (integrated, -22.0);   // the mix is louder than broadcast allows
    EXPECT_EQ (file["delivery"][0]["target"].toString(), "ebu-r128");
    EXPECT_EQ (file["delivery"][0]["passed"], juce::var (false));
    EXPECT_NEAR ((double) file["delivery"][0]["gainDb"], -23.0 - integrated, 1e-9);
    EXPECT_EQ (file["delivery"][1]["passed"], juce::var());   // streaming is not pass or fail
    const auto lines = juce::StringArray::fromLines (loud.err.trimEnd());
    EXPECT_EQ (lines[lines.size() - 3], "DELIVERY");
    EXPECT_TRUE (lines[lines.size() - 2].startsWith ("EBU R 128")) << loud.err;
    EXPECT_TRUE (lines[lines.size() - 2].contains ("FAIL: LOUDNESS")) << loud.err;
    EXPECT_TRUE (lines[lines.size() - 1].startsWith ("SPOTIFY")) << loud.err;

    EXPECT_EQ (runTool ("analyse -q --deliver ebu-r128 --fail-on deliver mix.wav").status, 3);
    EXPECT_EQ (runTool ("analyse -q --deliver spotify --fail-on deliver mix.wav").status, 0);   // nothing to fail

    // The same mix turned down to -23 LUFS passes.
    const double gain = std::pow (10.0, (-23.0 - integrated) / 20.0);
    writeWav ("broadcast.wav", 2, 48000, 4.0, [gain] (int c, int i) { return (float) (gain * music (c, i)); });
    const auto passed = runTool ("analyse --deliver ebu-r128 --fail-on deliver broadcast.wav");
    EXPECT_EQ (passed.status, 0) << passed.out;
    EXPECT_TRUE (passed.out.trimEnd().endsWith ("PASS")) << passed.out;

    // No integrated loudness: "--" everywhere, and every broadcast target fails.
    writeWav ("silent.wav", 2, 48000, 1.0, [] (int, int) { return 0.0f; });
    const auto silent = runTool ("analyse --deliver spotify,atsc-a85 --fail-on deliver silent.wav");
    EXPECT_EQ (silent.status, 3);
    EXPECT_TRUE (silent.out.contains ("SPOTIFY             --  (peaks -- after)  --")) << silent.out;
    EXPECT_TRUE (silent.out.contains ("FAIL: NO INTEGRATED LOUDNESS")) << silent.out;
    EXPECT_EQ (runTool ("analyse -q --deliver spotify --fail-on deliver silent.wav").status, 0);

    // With several files the album gets its gain at every target.
    const auto album = runTool ("analyse --json album.json --deliver spotify,tidal mix.wav broadcast.wav");
    EXPECT_EQ (album.status, 0);
    EXPECT_TRUE (album.out.contains ("ALBUM GAIN\nSPOTIFY")) << album.out;
    const auto albumJson = juce::JSON::parse (dir.getChildFile ("album.json"))["album"];
    EXPECT_EQ (albumJson["delivery"][1]["target"].toString(), "tidal");
    EXPECT_TRUE (std::isfinite ((double) albumJson["delivery"][1]["gainDb"]));

    const auto list = runTool ("--list-targets");
    EXPECT_EQ (list.status, 0);
    for (const auto* name : { "ebu-r128", "atsc-a85", "spotify", "apple-music", "youtube", "amazon-music", "tidal", "deezer" })
        EXPECT_TRUE (list.out.contains (name)) << name;
}

// One picture per file, numbered as the CSV files are, the same bytes from any number of jobs.
TEST_F (CommandLine, PicturesAreOnePerFileAndTheSameFromAnyNumberOfJobs)
{
    writeWav ("other.wav", 2, 44100, 3.0, [] (int c, int i) { return (float) (0.4 * std::sin (i * 0.03 + c)); });
    const auto one = runTool ("analyse -q -j 1 --plot one.png --plot-size 700x400 mix.wav other.wav");
    const auto two = runTool ("analyse -q -j 2 --plot two.png --plot-size 700x400 mix.wav other.wav");
    ASSERT_EQ (one.status, 0) << one.err;
    ASSERT_EQ (two.status, 0) << two.err;
    for (const auto* n : { "-1", "-2" })
    {
        const auto first = dir.getChildFile (juce::String ("one") + n + ".png"), second = dir.getChildFile (juce::String ("two") + n + ".png");
        juce::MemoryBlock a, b;
        ASSERT_TRUE (first.loadFileAsData (a)) << n;
        ASSERT_TRUE (second.loadFileAsData (b)) << n;
        EXPECT_TRUE (a == b) << n;
        const auto image = juce::ImageFileFormat::loadFrom (first);
        EXPECT_EQ (image.getWidth(), 700) << n;
        EXPECT_EQ (image.getHeight(), 400) << n;
    }
    EXPECT_EQ (juce::ImageFileFormat::loadFrom (dir.getChildFile ("one-1.png")).getWidth(), 700);

    const auto single = runTool ("analyse -q --plot single.png mix.wav");
    EXPECT_EQ (single.status, 0);
    EXPECT_EQ (juce::ImageFileFormat::loadFrom (dir.getChildFile ("single.png")).getBounds(), juce::Rectangle<int> (0, 0, 1200, 600));
}
