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

Saver::Saver (juce::File file, Prompts p) : defaultFile (std::move (file)), prompts (std::move (p)) {}

Saver::~Saver() { abandonPending(); }

void Saver::save (const juce::String& text)
{
    abandonPending();
    pending = std::make_shared<Pending> (Pending { text });
    askWhere (defaultFile);
}

juce::File Saver::recover (const juce::String& text)
{
    const auto file = recoveryFileFor (defaultFile, juce::Time::getCurrentTime());
    file.getParentDirectory().createDirectory();
    return writeTextFile (file, text).wasOk() ? file : juce::File();
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

void Saver::abandonPending()
{
    if (pending == nullptr)
        return;

    const auto text = pending->text;
    pending.reset();
    if (prompts.closeFileChooser)
        prompts.closeFileChooser();
    recover (text);
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
    return prompts;
}
} // namespace trackpass
