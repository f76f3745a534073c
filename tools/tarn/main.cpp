// tarn: the Tarn meter as a command-line analyser.

#include "Analyser.h"
#include "Report.h"
#include "SnapshotCommand.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace
{
const char* const usage = R"(tarn 0.7.6 - the Tarn mastering meter, offline

Usage:
  tarn analyse [options] [FILE...]
  tarn snapshot [--view live|track-pass|guide] [--out FILE.png] [FILE]
  tarn --help

analyse plays each FILE (WAV, AIFF, FLAC or Ogg Vorbis; mono or stereo) through the
Tarn processor in blocks and prints its TRACK PASS report: every row of the TRACK PASS
view and the overall verdict PASS, WATCH or PUSHED. After the file's last block it
feeds digital silence until the pass freezes. Mono files are analysed as dual mono.
With no FILE it analyses a built-in 30-second demo programme. With several files
a closing album table lists them all with the album's integrated loudness.

Options:
  --target off|stream|club   destination target for push damage (default: stream)
  --block N                  block length in samples, 1 to 1048576 (default: 512)
  --json FILE                write the final readings and the Track Pass summary of
                             every file as JSON ('-' for standard output)
  --csv FILE                 write the Track Pass CSV recording, one row per 50 ms of
                             audio (with several files, FILE gets -1, -2, ... before
                             its extension)
  --fail-on watch|pushed     exit with status 3 when a file's overall verdict is at or
                             above this level
  --no-reference             skip the standard loudness section (ITU-R BS.1770 / EBU R 128:
                             integrated loudness with the relative gate, loudness range,
                             maximum momentary and short-term loudness, PLR), which is
                             measured with libebur128 in the same pass. Its true peak is
                             Tarn's own 4x-oversampled estimate.
  -h, --help                 show this help

snapshot plays FILE (or the demo programme) through the processor with the plug-in
window open on it, then writes the window as a PNG: the LIVE view (740 x 786, the
default), the TRACK PASS view after the pass has frozen (740 x 694) or the GUIDE
(740 x 640). --out names the picture (default: tarn-<view>.png).

Exit status: 0 all files analysed (and none failed --fail-on); 1 a file could not be
analysed (the others still are); 2 bad usage; 3 a verdict reached --fail-on.
)";

struct Arguments
{
    tarn::analyser::Options options;
    juce::StringArray files;
    juce::String jsonPath, csvPath;
    int failOnLevel = 0;   // 0 none, 2 WATCH, 3 PUSHED (OverallVerdict order)
};

int usageError (const juce::String& message)
{
    std::cerr << "tarn: " << message << "\nTry 'tarn --help'.\n";
    return 2;
}

bool parseArguments (const juce::StringArray& args, Arguments& out, juce::String& error)
{
    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const auto value = [&] () -> juce::String
        {
            if (i + 1 >= args.size())
            {
                error = arg + " needs a value";
                return {};
            }
            return args[++i];
        };

        if (arg == "--target")
        {
            const auto v = value();
            if (v == "off") out.options.destinationMode = 0;
            else if (v == "stream") out.options.destinationMode = 1;
            else if (v == "club") out.options.destinationMode = 2;
            else { error = error.isEmpty() ? "--target takes off, stream or club" : error; return false; }
        }
        else if (arg == "--block")
        {
            const auto v = value();
            if (! v.containsOnly ("0123456789") || v.isEmpty() || v.length() > 7 || v.getIntValue() < 1 || v.getIntValue() > 1048576)
            {
                error = error.isEmpty() ? "--block takes a whole number from 1 to 1048576" : error;
                return false;
            }
            out.options.blockSize = v.getIntValue();
        }
        else if (arg == "--json") { out.jsonPath = value(); if (error.isNotEmpty()) return false; }
        else if (arg == "--csv") { out.csvPath = value(); if (error.isNotEmpty()) return false; out.options.recordCsv = true; }
        else if (arg == "--no-reference") out.options.reference = false;
        else if (arg == "--fail-on")
        {
            const auto v = value();
            if (v == "watch") out.failOnLevel = (int) tarn::text::OverallVerdict::watch;
            else if (v == "pushed") out.failOnLevel = (int) tarn::text::OverallVerdict::pushed;
            else { error = error.isEmpty() ? "--fail-on takes watch or pushed" : error; return false; }
        }
        else if (arg.startsWith ("-") && arg != "-")
        {
            error = "unknown option " + arg;
            return false;
        }
        else
        {
            out.files.add (arg);
        }
    }
    return true;
}

// A progress bar on stderr, only when stderr is a terminal and the file is long enough to wait for.
class ProgressBar
{
public:
    ProgressBar (const juce::String& name, double seconds) : label (name), enabled (isatty (STDERR_FILENO) && seconds > 20.0) {}
    ~ProgressBar() { if (enabled && drawn >= 0) std::cerr << "\r\033[K" << std::flush; }

    void operator() (double fraction)
    {
        const int percent = juce::jlimit (0, 100, (int) (fraction * 100.0));
        if (! enabled || percent == drawn)
            return;
        drawn = percent;
        const int width = 30, filled = percent * width / 100;
        std::cerr << "\r[" << std::string ((size_t) filled, '#') << std::string ((size_t) (width - filled), ' ') << "] "
                  << percent << "%  " << label << std::flush;
    }

private:
    juce::String label;
    bool enabled;
    int drawn = -1;
};

juce::File csvFileFor (const juce::String& path, int index, int count)
{
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (path);
    if (count <= 1)
        return file;
    return file.getSiblingFile (file.getFileNameWithoutExtension() + "-" + juce::String (index + 1) + file.getFileExtension());
}

bool writeText (const juce::String& path, const juce::String& text, juce::String& error)
{
    if (path == "-")
    {
        std::cout << text << std::flush;
        return true;
    }
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (path);
    if (! file.replaceWithText (text, false, false, "\n"))
    {
        error = "could not write " + file.getFullPathName();
        return false;
    }
    return true;
}

int analyseCommand (const juce::StringArray& args)
{
    Arguments a;
    juce::String error;
    if (! parseArguments (args, a, error))
        return usageError (error);

    juce::AudioFormatManager formats;
    formats.registerBasicFormats();

    const int count = juce::jmax (1, a.files.size());
    juce::Array<juce::var> jsonFiles;
    std::vector<tarn::analyser::Result> results;
    bool anyFailed = false, failOnReached = false;

    for (int i = 0; i < count; ++i)
    {
        tarn::analyser::Result result;
        tarn::analyser::Programme programme;
        juce::String openError;

        if (a.files.isEmpty())
            programme = tarn::analyser::demoProgramme();

        if (a.files.isEmpty() || tarn::analyser::openFile (juce::File::getCurrentWorkingDirectory().getChildFile (a.files[i]), formats, programme, openError))
        {
            ProgressBar bar (programme.name, (double) programme.lengthInSamples / programme.sampleRate);
            result = tarn::analyser::analyse (programme, a.options, [&bar] (double f) { bar (f); });
        }
        else
        {
            result.name = juce::File::getCurrentWorkingDirectory().getChildFile (a.files[i]).getFileName();
            result.error = openError;
        }

        if (! result.ok)
        {
            std::cerr << "tarn: " << (a.files.isEmpty() ? result.name : a.files[i]) << ": " << result.error << "\n";
            anyFailed = true;
        }
        else
        {
            if (i > 0)
                std::cout << "\n";
            std::cout << tarn::analyser::formatReport (result);
            if (result.reference != nullptr)
                std::cout << "\n" << tarn::analyser::formatReferenceSection (result);
            std::cout << std::flush;

            // No audible block is no pass: it fails every level.
            if (a.failOnLevel > 0 && (! result.hasSignal() || (int) result.verdict() >= a.failOnLevel))
                failOnReached = true;

            if (a.options.recordCsv)
            {
                juce::String writeError;
                const auto csvPath = a.csvPath == "-" ? a.csvPath : csvFileFor (a.csvPath, i, count).getFullPathName();
                if (! writeText (csvPath, result.csv, writeError))
                {
                    std::cerr << "tarn: " << writeError << "\n";
                    anyFailed = true;
                }
            }
        }

        jsonFiles.add (tarn::analyser::toJson (result));
        results.push_back (std::move (result));
    }

    if (results.size() > 1)
        std::cout << "\n" << tarn::analyser::formatAlbumTable (results) << std::flush;

    if (a.jsonPath.isNotEmpty())
    {
        auto* root = new juce::DynamicObject();
        root->setProperty ("tarnVersion", "0.7.6");
        root->setProperty ("files", jsonFiles);
        if (results.size() > 1 && a.options.reference)
        {
            std::vector<const ReferenceLoudness*> measured;
            for (const auto& r : results)
                if (r.reference != nullptr)
                    measured.push_back (r.reference.get());
            auto* album = new juce::DynamicObject();
            const double integrated = ReferenceLoudness::integratedOf (measured);
            album->setProperty ("integratedLufs", std::isfinite (integrated) ? juce::var (integrated) : juce::var());
            root->setProperty ("album", album);
        }
        juce::String writeError;
        if (! writeText (a.jsonPath, juce::JSON::toString (juce::var (root)) + "\n", writeError))
        {
            std::cerr << "tarn: " << writeError << "\n";
            anyFailed = true;
        }
    }

    return anyFailed ? 1 : (failOnReached ? 3 : 0);
}
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juce;   // message manager for JUCE's file and format classes

    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help")
    {
        std::cout << usage;
        return args.isEmpty() ? 2 : 0;
    }

    const auto command = args[0];
    args.remove (0);

    if (command == "analyse" || command == "analyze")
    {
        if (args.contains ("--help") || args.contains ("-h"))
        {
            std::cout << usage;
            return 0;
        }
        return analyseCommand (args);
    }

    if (command == "snapshot")
        return tarn::snapshot::command (args);

    return usageError ("unknown command '" + command + "'");
}
