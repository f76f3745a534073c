#include "TrackPassExport.h"

namespace trackpass
{
juce::Result writeTextFile (const juce::File& file, const juce::String& text)
{
    // Written beside the target and moved over it, so a failed write leaves any old file intact.
    juce::TemporaryFile temp (file);
    {
        juce::FileOutputStream out (temp.getFile());
        if (out.failedToOpen())
            return juce::Result::fail ("could not write " + file.getFullPathName() + ": " + out.getStatus().getErrorMessage());

        out.writeText (text, false, false, "\n");
        out.flush();
        if (out.getStatus().failed())
            return juce::Result::fail ("could not write " + file.getFullPathName() + ": " + out.getStatus().getErrorMessage());
    }
    if (! temp.overwriteTargetFileWithTemporary())
        return juce::Result::fail ("could not replace " + file.getFullPathName());
    return juce::Result::ok();
}

juce::File recoveryFileFor (const juce::File& defaultFile, juce::Time when)
{
    const auto name = defaultFile.getFileNameWithoutExtension() + "-unsaved-" + when.formatted ("%Y-%m-%d_%H-%M-%S")
                    + defaultFile.getFileExtension();
    return defaultFile.getSiblingFile (name).getNonexistentSibling (false);
}

juce::File defaultExportFile()
{
    return juce::File::getSpecialLocation (juce::File::userMusicDirectory).getChildFile ("tarn_trackpass.csv");
}

Saver::Saver (juce::File file, Prompts p, juce::File fallback)
    : defaultFile (std::move (file)), fallbackFolder (std::move (fallback)), prompts (std::move (p))
{
}

Saver::~Saver() { abandonPending (false); }

void Saver::save (const juce::String& text)
{
    abandonPending (true);
    pending = std::make_shared<Pending> (Pending { text });
    askWhere (defaultFile);
}

juce::File Saver::recover (const juce::String& text, bool windowStaysOpen)
{
    const auto now = juce::Time::getCurrentTime();
    const auto tryWriting = [&text] (const juce::File& file)
    {
        const auto folder = file.getParentDirectory().createDirectory();
        if (folder.failed())
            return juce::Result::fail ("could not create " + file.getParentDirectory().getFullPathName() + ": " + folder.getErrorMessage());
        return writeTextFile (file, text);
    };

    const auto beside = recoveryFileFor (defaultFile, now);
    const auto besideResult = tryWriting (beside);
    if (besideResult.wasOk())
        return beside;

    const auto fallback = recoveryFileFor (fallbackFolder.getChildFile (defaultFile.getFileName()), now);
    const auto fallbackResult = tryWriting (fallback);
    const auto tell = [this] (const juce::String& message) { if (prompts.tell) prompts.tell (message); };
    if (fallbackResult.wasOk())
    {
        if (windowStaysOpen)
            tell ("The unsaved Track Pass recording is in " + fallback.getFullPathName() + " (" + besideResult.getErrorMessage() + ").");
        return fallback;
    }

    tell ("The unsaved Track Pass recording is lost: " + besideResult.getErrorMessage() + "; " + fallbackResult.getErrorMessage() + ".");
    return {};
}

std::function<bool()> Saver::stillPending() const
{
    // Answers arrive later; they count only while the save they were asked for is still waiting.
    // While the weak pointer locks, this saver (which owns the save) is alive too.
    return [weak = std::weak_ptr<Pending> (pending), this]
    {
        auto current = weak.lock();
        return current != nullptr && current == pending;
    };
}

void Saver::askWhere (const juce::File& suggested)
{
    prompts.chooseFile (suggested, [this, isCurrent = stillPending()] (const juce::File& chosen)
    {
        if (! isCurrent())
            return;
        if (chosen == juce::File())
            pending.reset();   // cancelled: the user's choice to discard
        else
            writeChosen (chosen);
    });
}

void Saver::writeChosen (const juce::File& file)
{
    const auto result = writeTextFile (file, pending->text);
    if (result.wasOk())
    {
        pending.reset();
        return;
    }

    prompts.reportFailure (result.getErrorMessage(), [this, file, isCurrent = stillPending()] (bool chooseAnotherPlace)
    {
        if (! isCurrent())
            return;
        if (chooseAnotherPlace)
            askWhere (file);
        else
            pending.reset();
    });
}

void Saver::abandonPending (bool windowStaysOpen)
{
    if (pending == nullptr)
        return;

    const auto text = pending->text;
    pending.reset();
    if (prompts.closeFileChooser)
        prompts.closeFileChooser();
    recover (text, windowStaysOpen);
}

Saver::Prompts nativePrompts()
{
    auto chooser = std::make_shared<std::unique_ptr<juce::FileChooser>>();

    Saver::Prompts prompts;
    prompts.chooseFile = [chooser] (const juce::File& suggested, Saver::FileChosen chosen)
    {
        chooser->reset();
        *chooser = std::make_unique<juce::FileChooser> ("Save Track Pass CSV", suggested, "*.csv", true, false, nullptr);
        (*chooser)->launchAsync (juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles,
                                 [chosen] (const juce::FileChooser& fc) { chosen (fc.getResult()); });
    };
    prompts.reportFailure = [] (const juce::String& message, Saver::FailureAnswer answer)
    {
        juce::AlertWindow::showAsync (juce::MessageBoxOptions()
                                          .withIconType (juce::MessageBoxIconType::WarningIcon)
                                          .withTitle ("Track Pass not saved")
                                          .withMessage (message + ".\n\nChoose another place to save the recording, or discard it.")
                                          .withButton ("Choose another place")
                                          .withButton ("Discard"),
                                      [answer] (int button) { answer (button == 1); });
    };
    prompts.closeFileChooser = [chooser] { chooser->reset(); };
    prompts.tell = [] (const juce::String& message)
    {
        // Not tied to the window: a recording lost while the window closes is still reported.
        juce::AlertWindow::showAsync (juce::MessageBoxOptions()
                                          .withIconType (juce::MessageBoxIconType::WarningIcon)
                                          .withTitle ("Track Pass recording")
                                          .withMessage (message)
                                          .withButton ("OK"),
                                      nullptr);
    };
    return prompts;
}
} // namespace trackpass
