#include "Snapshot.h"

#include "OutputFile.h"

#include <iostream>

namespace tarn::snapshot
{
namespace
{
constexpr int blockSize = 512;
constexpr double tickSeconds = 0.05;   // the editor's refresh period (20 Hz), in audio time

// Feeds blocks from `read` to the processor, ticking the editor every 50 ms of audio.
struct Player
{
    TarnAudioProcessor& processor;
    TarnAudioProcessorEditor& editor;
    double sampleRate;
    juce::AudioBuffer<float> buffer { 2, blockSize };
    juce::MidiBuffer midi {};
    double sinceTick = 0.0;   // s

    void play (int numSamples)
    {
        processor.processBlock (buffer, midi);
        sinceTick += numSamples / sampleRate;
        if (sinceTick >= tickSeconds)
        {
            sinceTick -= tickSeconds;
            editor.refresh();
        }
    }
};
} // namespace

bool parseView (const juce::String& name, View& view)
{
    if (name == "live") view = View::live;
    else if (name == "track-pass") view = View::trackPass;
    else if (name == "guide") view = View::guide;
    else return false;
    return true;
}

juce::String viewName (View view)
{
    return view == View::live ? "live" : view == View::trackPass ? "track-pass" : "guide";
}

juce::Image render (const analyser::Programme& programme, View view, juce::String& error)
{
    TarnAudioProcessor processor;
    processor.setRateAndBufferSizeDetails (programme.sampleRate, blockSize);
    processor.prepareToPlay (programme.sampleRate, blockSize);

    TarnAudioProcessorEditor editor (processor);
    Player player { processor, editor, programme.sampleRate };

    for (juce::int64 position = 0; position < programme.lengthInSamples;)
    {
        const int n = (int) juce::jmin ((juce::int64) blockSize, programme.lengthInSamples - position);
        player.buffer.setSize (2, n, false, false, true);
        if (! programme.read (player.buffer, position, n))
        {
            error = "could not be decoded after " + juce::String ((double) position / programme.sampleRate, 2) + " s";
            return {};
        }
        player.play (n);
        position += n;
    }

    if (view == View::trackPass)
    {
        // A shared pass is a finished one: quiet until it freezes (3 s), with a second to spare.
        player.buffer.setSize (2, blockSize, false, false, true);
        for (double quiet = 0.0; quiet < 4.0 && processor.trackPassState.load() == 1; quiet += blockSize / programme.sampleRate)
        {
            player.buffer.clear();
            player.play (blockSize);
        }
    }

    editor.refresh();
    editor.setView (view);
    return editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f);
}

int command (const juce::StringArray& args)
{
    View view = View::live;
    juce::String out, path;
    bool optionsEnded = false;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        if (! optionsEnded && arg == "--")
        {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded)
        {
            if (path.isNotEmpty())
            {
                std::cerr << "tarn: snapshot takes one FILE; not also '" << arg << "'\nTry 'tarn --help'.\n";
                return 2;
            }
            path = arg;
            continue;
        }
        if ((arg == "--view" || arg == "--out") && i + 1 >= args.size())
        {
            std::cerr << "tarn: " << arg << " needs a value\nTry 'tarn --help'.\n";
            return 2;
        }
        if (arg == "--view")
        {
            if (! parseView (args[++i], view))
            {
                std::cerr << "tarn: --view takes live, track-pass or guide\nTry 'tarn --help'.\n";
                return 2;
            }
        }
        else if (arg == "--out")
        {
            out = args[++i];
            if (const auto problem = output::problemWith (out); problem.isNotEmpty())
            {
                std::cerr << "tarn: --out " << out << ": " << problem << "\nTry 'tarn --help'.\n";
                return 2;
            }
        }
        else if (arg.startsWith ("-") || path.isNotEmpty())
        {
            std::cerr << "tarn: snapshot takes one FILE and the options --view and --out; not '" << arg << "'\nTry 'tarn --help'.\n";
            return 2;
        }
        else
            path = arg;
    }

    analyser::Programme programme;
    if (path.isEmpty())
        programme = analyser::demoProgramme();
    else
    {
        juce::AudioFormatManager formats;
        formats.registerBasicFormats();
        juce::String error;
        if (! analyser::openFile (juce::File::getCurrentWorkingDirectory().getChildFile (path), formats, programme, error))
        {
            std::cerr << "tarn: " << path << ": " << error << "\n";
            return 1;
        }
    }

    juce::String error;
    const auto image = render (programme, view, error);
    if (! image.isValid())
    {
        std::cerr << "tarn: " << (path.isEmpty() ? programme.name : path) << ": " << error << "\n";
        return 1;
    }
    // A name as given, so a device (/dev/stdout) stays the device; the default in the working folder.
    const auto target = out.isNotEmpty() ? out : juce::File::getCurrentWorkingDirectory().getChildFile ("tarn-" + viewName (view) + ".png").getFullPathName();
    if (! output::writePng (image, target, error))
    {
        std::cerr << "tarn: " << error << "\n";
        return 1;
    }

    // The picture may itself have gone to standard output: then the line goes to standard error.
    const juce::String done = target + " (" + juce::String (image.getWidth()) + " x " + juce::String (image.getHeight()) + ")\n";
    if (! output::writesInPlace (target))
    {
        if (! output::StandardOutput::write (done))
        {
            std::cerr << "tarn: " << output::StandardOutput::failure() << "\n";
            return 1;
        }
    }
    else
        std::cerr << done;
    return 0;
}
} // namespace tarn::snapshot
