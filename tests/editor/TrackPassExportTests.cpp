#include "TrackPassExport.h"

#include <gtest/gtest.h>

namespace
{
struct Scratch
{
    Scratch() { folder.createDirectory(); }
    ~Scratch() { folder.deleteRecursively(); }

    juce::Array<juce::File> files() const { return folder.findChildFiles (juce::File::findFiles, false); }

    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("tarn-export-tests-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()));
};

// A user at the keyboard: each prompt waits until the test answers it.
struct User
{
    std::vector<trackpass::Saver::FileChosen> dialogs;
    std::vector<juce::String> failureMessages;
    std::vector<trackpass::Saver::FailureAnswer> failureAnswers;
    int closedDialogs = 0;
    std::vector<juce::String> notices;

    trackpass::Saver::Prompts prompts()
    {
        trackpass::Saver::Prompts p;
        p.chooseFile = [this] (const juce::File&, trackpass::Saver::FileChosen answer) { dialogs.push_back (std::move (answer)); };
        p.reportFailure = [this] (const juce::String& message, trackpass::Saver::FailureAnswer answer)
        {
            failureMessages.push_back (message);
            failureAnswers.push_back (std::move (answer));
        };
        p.closeFileChooser = [this] { ++closedDialogs; };
        p.tell = [this] (const juce::String& message) { notices.push_back (message); };
        return p;
    }
};

struct SaverTest : ::testing::Test
{
    juce::File unwritable() const
    {
        // A folder that is a file: no user, root included, can write below it.
        auto blocker = scratch.folder.getChildFile ("not-a-folder");
        blocker.replaceWithText ("x");
        return blocker.getChildFile ("pass.csv");
    }

    Scratch scratch;
    User user;
    std::unique_ptr<trackpass::Saver> saver = std::make_unique<trackpass::Saver> (scratch.folder.getChildFile ("tarn_trackpass.csv"), user.prompts());
};
} // namespace

TEST_F (SaverTest, WritesTheChosenFileReplacingItAndCancellingWritesNothing)
{
    const auto target = scratch.folder.getChildFile ("pass.csv");
    target.replaceWithText ("an older, longer recording\n");

    saver->save ("t_sec\n0.000\n");
    ASSERT_EQ (user.dialogs.size(), 1u);
    user.dialogs[0] (target);
    EXPECT_EQ (target.loadFileAsString(), "t_sec\n0.000\n");
    EXPECT_FALSE (saver->isWaitingForUser());

    saver->save ("cancelled\n");
    user.dialogs[1] (juce::File());
    EXPECT_FALSE (saver->isWaitingForUser());
    saver.reset();
    EXPECT_EQ (scratch.files().size(), 1);   // no recovery file for a cancelled save
}

TEST_F (SaverTest, AFailedWriteSaysWhichFileAndWhyThenOffersAnotherPlace)
{
    const auto bad = unwritable();
    saver->save ("rows\n");
    user.dialogs[0] (bad);

    ASSERT_EQ (user.failureMessages.size(), 1u);
    EXPECT_TRUE (user.failureMessages[0].contains (bad.getFullPathName())) << user.failureMessages[0];
    EXPECT_TRUE (user.failureMessages[0].containsIgnoreCase ("not a directory")) << user.failureMessages[0];
    EXPECT_TRUE (saver->isWaitingForUser());

    user.failureAnswers[0] (true);             // choose another place
    ASSERT_EQ (user.dialogs.size(), 2u);
    const auto good = scratch.folder.getChildFile ("elsewhere.csv");
    user.dialogs[1] (good);
    EXPECT_EQ (good.loadFileAsString(), "rows\n");
    EXPECT_FALSE (saver->isWaitingForUser());
}

TEST_F (SaverTest, DiscardingAfterAFailureIsTheUsersChoice)
{
    saver->save ("rows\n");
    user.dialogs[0] (unwritable());
    user.failureAnswers[0] (false);
    EXPECT_FALSE (saver->isWaitingForUser());
    saver.reset();
    EXPECT_EQ (scratch.files().size(), 1);     // only the blocking file: nothing recovered
}

TEST_F (SaverTest, ANewerSaveMovesTheOpenOneToARecoveryFileAndIgnoresItsLateAnswer)
{
    saver->save ("first\n");
    saver->save ("second\n");
    EXPECT_EQ (user.closedDialogs, 1);

    auto files = scratch.files();
    ASSERT_EQ (files.size(), 1);
    EXPECT_TRUE (files[0].getFileName().startsWith ("tarn_trackpass-unsaved-"));
    EXPECT_EQ (files[0].getFileExtension(), ".csv");
    EXPECT_EQ (files[0].loadFileAsString(), "first\n");

    const auto late = scratch.folder.getChildFile ("late.csv");
    user.dialogs[0] (late);                    // the dropped dialog answers anyway
    EXPECT_FALSE (late.exists());
    EXPECT_TRUE (saver->isWaitingForUser());   // still waiting for the second one

    user.dialogs[1] (late);
    EXPECT_EQ (late.loadFileAsString(), "second\n");
}

TEST_F (SaverTest, GoingAwayWithADialogOrAFailureOpenRecoversWithoutOverwriting)
{
    saver->save ("dialog open\n");
    saver.reset();

    saver = std::make_unique<trackpass::Saver> (scratch.folder.getChildFile ("tarn_trackpass.csv"), user.prompts());
    saver->save ("failure open\n");
    user.dialogs[1] (unwritable());
    saver.reset();                             // within the same second as the first recovery
    user.failureAnswers[0] (true);             // answered after the window closed: ignored

    juce::StringArray recovered;
    for (const auto& f : scratch.files())
        if (f.getFileName().startsWith ("tarn_trackpass-unsaved-"))
            recovered.add (f.loadFileAsString());
    recovered.sort (false);
    EXPECT_EQ (recovered, juce::StringArray ({ "dialog open\n", "failure open\n" }));
    EXPECT_EQ (user.dialogs.size(), 2u);
}

TEST_F (SaverTest, ARecoveryTheDefaultFolderCannotTakeGoesToTheFallbackFolderAndTheUserIsTold)
{
    struct Case { bool defaultWritable, fallbackWritable, windowStaysOpen; const char* wentTo; const char* notice; };
    const Case cases[] = {
        { true, true, true, "default", nullptr },
        { false, true, true, "fallback", "is in " },
        { false, true, false, "fallback", nullptr },   // the window is closing: nobody to tell where
        { false, false, true, "nowhere", "is lost: " },
        { false, false, false, "nowhere", "is lost: " },
    };
    for (const auto& c : cases)
    {
        User quiet;
        const auto defaultFile = c.defaultWritable ? scratch.folder.getChildFile ("music/tarn_trackpass.csv") : unwritable();
        const auto fallbackFolder = c.fallbackWritable ? scratch.folder.getChildFile ("temp") : unwritable().getParentDirectory();
        trackpass::Saver s (defaultFile, quiet.prompts(), fallbackFolder);

        const auto file = s.recover ("rows\n", c.windowStaysOpen);
        const juce::String wentTo = file == juce::File() ? "nowhere"
                                  : file.getParentDirectory() == defaultFile.getParentDirectory() ? "default"
                                  : file.getParentDirectory() == fallbackFolder ? "fallback" : "elsewhere";
        EXPECT_EQ (wentTo, c.wentTo);
        if (file != juce::File())
            EXPECT_EQ (file.loadFileAsString(), "rows\n");

        if (c.notice == nullptr)
        {
            EXPECT_TRUE (quiet.notices.empty()) << quiet.notices.front();
            continue;
        }
        ASSERT_EQ (quiet.notices.size(), 1u);
        EXPECT_TRUE (quiet.notices[0].contains (c.notice)) << quiet.notices[0];
        EXPECT_TRUE (quiet.notices[0].contains (defaultFile.getParentDirectory().getFullPathName())) << quiet.notices[0];   // and why
        if (file != juce::File())
            EXPECT_TRUE (quiet.notices[0].contains (file.getFullPathName())) << quiet.notices[0];
    }

    // A newer recording's dialog replacing a waiting one, with the window open: the user hears
    // where the earlier recording went.
    User waiting;
    trackpass::Saver s (unwritable(), waiting.prompts(), scratch.folder.getChildFile ("temp"));
    s.save ("first\n");
    s.save ("second\n");
    ASSERT_EQ (waiting.notices.size(), 1u);
    EXPECT_TRUE (waiting.notices[0].contains (scratch.folder.getChildFile ("temp").getFullPathName()));
}

TEST (TrackPassExport, RecoveryNamesCarryTheTimeAndNeverRepeat)
{
    Scratch scratch;
    const auto defaultFile = scratch.folder.getChildFile ("tarn_trackpass.csv");
    const juce::Time when (2024, 4, 9, 13, 5, 7);   // 9 May 2024 (months count from 0)

    const auto first = trackpass::recoveryFileFor (defaultFile, when);
    EXPECT_EQ (first.getFileName(), "tarn_trackpass-unsaved-2024-05-09_13-05-07.csv");
    first.replaceWithText ("x");
    const auto second = trackpass::recoveryFileFor (defaultFile, when);
    EXPECT_NE (second, first);
    EXPECT_FALSE (second.exists());
}

