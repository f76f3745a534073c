// tarn: the Tarn meter as a command-line analyser.

#include "AnalyseCommand.h"
#include "Delivery.h"
#include "OutputFile.h"
#include "SnapshotCommand.h"

#include <csignal>
#include <iostream>

namespace
{
const char* const usage = R"(tarn )" TARN_VERSION R"( - the Tarn mastering meter, offline

Usage:
  tarn analyse [options] [--] [FILE...]
  tarn snapshot [--view live|track-pass|guide] [--out FILE.png] [--] [FILE]
  tarn --list-targets
  tarn --help | --version

analyse plays each FILE (WAV, AIFF, FLAC or Ogg Vorbis; mono or stereo) through the
Tarn processor in blocks and prints its TRACK PASS report: every row of the TRACK PASS
view and the overall verdict PASS, WATCH or PUSHED. After the file's last block it
feeds digital silence until the pass freezes. Mono files are analysed as dual mono.
With no FILE it analyses a built-in 30-second demo programme. With several files
a closing album table lists them all with the album's integrated loudness.

Every audible block of a file lands in a pass. A pass freezes after 3 s of quiet; when
audio follows, a new pass starts, and the report lists each pass (start, end, verdict).
The file's verdict, its row in the album table and --fail-on take the worst pass.
A file with no audible block at all (silent, empty, all NaN) reads NO SIGNAL.

Options:
  --target off|stream|club   destination target for push damage (default: stream)
  --block N                  block length in samples, 1 to 1048576 (default: 512)
  --json FILE                write the final readings, the Track Pass summary and every
                             pass of every file as JSON ('-' for standard output)
  --csv FILE                 write the Track Pass CSV recording, one row per 50 ms of
                             audio, each with the highest true peak since the row
                             before ('-' for standard output, one file only; with
                             several files, FILE gets -1, -2, ... before its extension)
  --fail-on watch|pushed|deliver
                             exit with status 3 when a file's verdict is at or above
                             this level (NO SIGNAL fails at either level), or with
                             deliver when a broadcast target of --deliver fails (a file
                             with no integrated loudness fails them all); several
                             conditions separated by commas all apply
  --deliver NAME[,NAME...]   what each delivery target does with each file: the gain it
                             applies, the true peak after it, whether it turns the file
                             up at all and, for broadcast targets, PASS or FAIL. The
                             report closes with one line per target, and the album
                             table gives the album's gain. tarn --list-targets lists
                             the targets and their figures
  --plot FILE.png            draw each file's loudness history: momentary, short-term,
                             Tarn's LUFS-S, the integrated loudness and the target
                             (the first --deliver, else -14 LUFS), the true peak per
                             100 ms with every over of -1 dBTP, and each pass shaded
                             with its verdict ('-' for standard output, one file only;
                             with several files, FILE gets -1, -2, ... as with --csv)
  --plot-size WxH            the picture's size in pixels (default 1200x600; from
                             640x360 to 8000x4000)
  --no-reference             skip the standard loudness section (ITU-R BS.1770 / EBU R 128:
                             integrated loudness with the relative gate, loudness range,
                             maximum momentary and short-term loudness, PLR), measured
                             in the same pass. Its true peak is Tarn's own 4x-oversampled
                             estimate (above Tarn's +12 dB ceiling, the sample peak).
                             Below 8 kHz the K-weighting is not defined and its loudness
                             figures read --.
  -j, --jobs N               analyse N files at once (default: one per core); the
                             outputs are the same as with -j 1, in the order given
  -q, --quiet                no report: only errors on standard error and the exit status
                             (--json and --csv are still written)
  --                         the end of the options: what follows are files
  -h, --help                 show this help

Outputs: with --json -, --csv - or --plot -, standard output carries only the JSON, the
CSV or the picture and the report goes to standard error (two of them to - at once is a
usage error). A FILE that
exists as a regular file is replaced in one step, so it holds the old text or the new,
never a part; a FIFO or a device (/dev/stdout) is written in place; a directory is
refused before anything is analysed. Every refusal and every failure to write is one
line on standard error naming the file and the reason; the other files are still
analysed and what was already written stays.

Files: a file cut short (a WAV or AIFF holding less audio than its header declares, a
FLAC ending before its header's total, an Ogg file ending inside its stream) is
reported and not analysed. A WAV written to a pipe, whose header holds a placeholder
length (ffmpeg's 0xFFFFFFFF, sox's whole frames below 0x7FFFF000), is read to its
real end. A format Tarn does not read (64-bit floating-point WAV, say) is refused
with that reason.

snapshot plays FILE (or the demo programme) through the processor with the plug-in
window open on it, then writes the window as a PNG: the LIVE view (740 x 786, the
default), the TRACK PASS view after the pass has frozen (740 x 694) or the GUIDE
(740 x 640). --out names the picture (default: tarn-<view>.png), with the same rules.

Exit status:
  0  every file analysed, none reached --fail-on, every output written
  1  a file could not be analysed (the others still are), or an output (a file, or
     the report on standard output) could not be written
  2  bad usage, or an output named that cannot be written (checked before any work)
  3  a verdict reached --fail-on (NO SIGNAL reaches every level), or with
     --fail-on deliver a broadcast delivery target failed
  When a verdict reaches --fail-on and an output also fails, 1 wins: the run is not
  complete, so its QC result is not given.
)";

int usageError (const juce::String& message)
{
    std::cerr << "tarn: " << message << "\nTry 'tarn --help'.\n";
    return 2;
}

// Help and version text go to standard output; a failure to write them is an error too.
int printOut (const juce::String& text)
{
    if (tarn::output::StandardOutput::write (text))
        return 0;
    std::cerr << "tarn: " << tarn::output::StandardOutput::failure() << "\n";
    return 1;
}
} // namespace

int main (int argc, char* argv[])
{
    // A closed pipe is a write error to report, not a signal that ends the tool without a word.
    std::signal (SIGPIPE, SIG_IGN);
    tarn::output::StandardOutput::guardDescriptors();

    juce::ScopedJuceInitialiser_GUI juce;   // message manager for JUCE's file and format classes

    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    if (args.isEmpty())
    {
        std::cerr << usage;
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help")
        return printOut (usage);
    if (args[0] == "--version")
        return printOut (juce::String ("tarn ") + TARN_VERSION + "\n");
    if (args[0] == "--list-targets")
        return printOut (tarn::delivery::listText());

    const auto command = args[0];
    args.remove (0);

    if (command == "analyse" || command == "analyze")
    {
        tarn::cli::Arguments arguments;
        juce::String error;
        if (! tarn::cli::parseAnalyseArguments (args, arguments, error))
            return usageError (error);
        if (arguments.help)
            return printOut (usage);
        if (! tarn::cli::checkOutputs (arguments, error))
            return usageError (error);
        return tarn::cli::analyseCommand (arguments);
    }

    if (command == "snapshot")
        return tarn::snapshot::command (args);

    return usageError ("unknown command '" + command + "'");
}
