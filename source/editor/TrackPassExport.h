#pragma once

// Saving a recorded Track Pass (the CSV text) where the user chooses. A recording is lost only by
// the user's own choice: cancelling the save dialog, or discarding it after a failed write. A save
// that is abandoned any other way (a newer recording's dialog replaces it, or the window closes
// while it is open) goes to a recovery file beside the default file, or, where that cannot be
// written (the music folder missing or closed to a sandboxed host), in a second place, the
// temporary folder. The user is told where it went when it is not beside the default file, and
// told if every place failed.

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

namespace trackpass
{
/** Writes `text` (UTF-8, no byte-order mark, line feeds) to `file`, replacing it. Says why on failure. */
juce::Result writeTextFile (const juce::File& file, const juce::String& text);

/** "tarn_trackpass-unsaved-<date-time>.csv" beside `defaultFile`, never an existing file. */
juce::File recoveryFileFor (const juce::File& defaultFile, juce::Time when);

class Saver
{
public:
    using FileChosen = std::function<void (const juce::File&)>;   // an empty File: cancelled
    using FailureAnswer = std::function<void (bool chooseAnotherPlace)>;

    /** How the saver talks to the user; the editor uses `nativePrompts()`, tests their own. A
        prompt may answer later or never; answers to a dropped prompt are ignored. */
    struct Prompts
    {
        std::function<void (const juce::File& suggested, FileChosen)> chooseFile;
        std::function<void (const juce::String& message, FailureAnswer)> reportFailure;
        std::function<void()> closeFileChooser;   // drop the open dialog, if any
        std::function<void (const juce::String& message)> tell;   // a notice needing no answer
    };

    Saver (juce::File defaultFile, Prompts prompts,
           juce::File fallbackFolder = juce::File::getSpecialLocation (juce::File::tempDirectory));
    ~Saver();   // a save still waiting for the user goes to a recovery file

    /** Asks where to save `text` and writes it there. A save still waiting for an earlier
        recording is moved to a recovery file first. */
    void save (const juce::String& text);

    /** Writes `text` to a new recovery file now, beside the default file or else in the fallback
        folder; returns the file, or an empty File when every place failed. The user is told when
        the text is lost and, while the window stays open, where it went when that is the
        fallback folder. */
    juce::File recover (const juce::String& text, bool windowStaysOpen);

    bool isWaitingForUser() const noexcept { return pending != nullptr; }
    const juce::File& getDefaultFile() const noexcept { return defaultFile; }

private:
    struct Pending
    {
        juce::String text;
    };

    void askWhere (const juce::File& suggested);
    void writeChosen (const juce::File& file);
    void abandonPending (bool windowStaysOpen);
    std::function<bool()> stillPending() const;

    juce::File defaultFile, fallbackFolder;
    Prompts prompts;
    std::shared_ptr<Pending> pending;

    JUCE_DECLARE_NON_COPYABLE (Saver)
};

/** The default file: "tarn_trackpass.csv" in the user's music folder. */
juce::File defaultExportFile();

/** The operating system's save dialog ("Save Track Pass CSV", *.csv), an alert window that
    names the file that could not be written and why, offering another place or discarding, and
    an alert window for notices. */
Saver::Prompts nativePrompts();
} // namespace trackpass
