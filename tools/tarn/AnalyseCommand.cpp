#include "AnalyseCommand.h"

#include "OutputFile.h"
#include "Plot.h"
#include "Report.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace tarn::cli
{
namespace
{
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

// Where the human report goes: standard output, standard error (when standard output carries
// the JSON or the CSV) or nowhere (--quiet). A failure to write it is told once.
class ReportSink
{
public:
    explicit ReportSink (const Arguments& a) : quiet (a.quiet), toStandardError (a.reportToStandardError()) {}

    void operator<< (const juce::String& text)
    {
        if (quiet)
            return;
        if (toStandardError)
        {
            std::cerr << text << std::flush;
            return;
        }
        if (! output::StandardOutput::write (text) && ! told)
        {
            told = true;
            std::cerr << "tarn: " << output::StandardOutput::failure() << "\n";
        }
    }

    bool failed() const { return told; }

private:
    bool quiet, toStandardError, told = false;
};

void refuse (const juce::String& line) { std::cerr << "tarn: " << line << "\n"; }

// Opens and analyses the index-th file of the command line (the demo programme when there is none).
analyser::Result analyseOne (const Arguments& a, int index, juce::AudioFormatManager& formats, bool showProgress)
{
    analyser::Programme programme;
    if (a.files.isEmpty())
        programme = analyser::demoProgramme();

    juce::String openError;
    const auto file = a.files.isEmpty() ? juce::File() : juce::File::getCurrentWorkingDirectory().getChildFile (a.files[index]);
    if (a.files.isEmpty() || analyser::openFile (file, formats, programme, openError))
    {
        ProgressBar bar (programme.name, showProgress ? (double) programme.lengthInSamples / programme.sampleRate : 0.0);
        return analyser::analyse (programme, a.options, [&bar] (double f) { bar (f); });
    }

    analyser::Result result;
    result.name = file.getFileName();
    result.error = openError;
    return result;
}

// Analyses the files on `jobs` threads, each with its own decoders and processor, and hands the
// results over in the command line's order, so every output is the same as from one thread.
// With one job, or one file, everything runs on the calling thread.
class Analyses
{
public:
    Analyses (const Arguments& a, int count, int jobs) : arguments (a), results ((size_t) count), ready ((size_t) count, false)
    {
        if (jobs <= 1)
            return;
        for (int j = 0; j < jobs; ++j)
            workers.emplace_back ([this, count]
            {
                juce::AudioFormatManager formats;
                formats.registerBasicFormats();
                for (int i; (i = next.fetch_add (1)) < count;)
                {
                    auto result = analyseOne (arguments, i, formats, false);
                    const std::lock_guard<std::mutex> lock (mutex);
                    results[(size_t) i] = std::move (result);
                    ready[(size_t) i] = true;
                    done.notify_all();
                }
            });
    }

    ~Analyses()
    {
        for (auto& w : workers)
            w.join();
    }

    // The index-th result, once it is ready; files are taken in order, so this waits at most for
    // the files already started.
    analyser::Result take (int index)
    {
        if (workers.empty())
        {
            if (ownFormats == nullptr)
            {
                ownFormats = std::make_unique<juce::AudioFormatManager>();
                ownFormats->registerBasicFormats();
            }
            return analyseOne (arguments, index, *ownFormats, true);
        }
        std::unique_lock<std::mutex> lock (mutex);
        done.wait (lock, [&] { return ready[(size_t) index]; });
        return std::move (results[(size_t) index]);
    }

private:
    const Arguments& arguments;
    std::vector<analyser::Result> results;
    std::vector<bool> ready;
    std::atomic<int> next { 0 };
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::thread> workers;
    std::unique_ptr<juce::AudioFormatManager> ownFormats;   // the calling thread's, with one job
};

} // namespace

int analyseCommand (const Arguments& a)
{
    ReportSink report (a);
    const int count = juce::jmax (1, a.files.size());
    const int jobs = std::min (count, a.jobs > 0 ? a.jobs : (int) std::max (1u, std::thread::hardware_concurrency()));
    Analyses analyses (a, count, jobs);
    juce::Array<juce::var> jsonFiles;
    std::vector<analyser::Result> results;
    bool anyFailed = false, failOnReached = false;

    for (int i = 0; i < count; ++i)
    {
        analyser::Result result = analyses.take (i);

        if (! result.ok)
        {
            refuse ((a.files.isEmpty() ? result.name : a.files[i]) + ": " + result.error);
            anyFailed = true;
        }
        else
        {
            juce::String text;
            if (i > 0)
                text << "\n";
            text << analyser::formatReport (result);
            if (result.reference != nullptr)
                text << "\n" << analyser::formatReferenceSection (result);
            if (! a.deliver.empty())
                text << "\n" << analyser::formatDeliverySection (result, a.deliver);
            report << text;

            // No audible block is no pass: it fails every level.
            if (a.failOnLevel > 0 && (! result.hasSignal() || (int) result.verdict() >= a.failOnLevel))
                failOnReached = true;
            // A broadcast target fails a programme outside its limits, or with no loudness at all.
            if (a.failOnDeliver)
                for (const auto* target : a.deliver)
                    if (target->broadcast() && ! analyser::deliveryOf (result, *target).passed)
                        failOnReached = true;

            juce::String writeError;
            if (a.options.recordCsv && ! output::write (a.csvPathFor (i, count), result.csv, writeError))
            {
                refuse (writeError);
                anyFailed = true;
            }

            if (a.plotPath.isNotEmpty())
            {
                const auto picture = plot::render (result, { a.plotWidth, a.plotHeight, a.deliver.empty() ? nullptr : a.deliver.front() });
                if (! output::writePng (picture, a.plotPathFor (i, count), writeError))
                {
                    refuse (writeError);
                    anyFailed = true;
                }
            }
        }

        jsonFiles.add (analyser::toJson (result, a.deliver));
        results.push_back (std::move (result));
    }

    if (results.size() > 1)
        report << "\n" + analyser::formatAlbumTable (results, a.deliver);

    if (a.jsonPath.isNotEmpty())
    {
        auto* root = new juce::DynamicObject();
        root->setProperty ("tarnVersion", TARN_VERSION);
        root->setProperty ("files", jsonFiles);
        if (results.size() > 1 && a.options.reference)
            root->setProperty ("album", analyser::albumJson (results, a.deliver));

        juce::String writeError;
        if (! output::write (a.jsonPath, juce::JSON::toString (juce::var (root)) + "\n", writeError))
        {
            refuse (writeError);
            anyFailed = true;
        }
    }

    // An error (a file not analysed, an output not written) wins over a verdict.
    return anyFailed || report.failed() ? 1 : (failOnReached ? 3 : 0);
}
} // namespace tarn::cli
