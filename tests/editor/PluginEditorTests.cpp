#include "EditorInspector.h"
#include "SettingsMenus.h"
#include "TestSignals.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using View = TarnAudioProcessorEditor::View;

// Save prompts that remember what was asked, so a test can answer (or not) like a user would.
struct ScriptedPrompts
{
    struct Ask { juce::File suggested; trackpass::Saver::FileChosen answer; };
    std::vector<Ask> asks;
    std::vector<juce::String> failures;

    trackpass::Saver::Prompts prompts()
    {
        trackpass::Saver::Prompts p;
        p.chooseFile = [this] (const juce::File& f, trackpass::Saver::FileChosen answer) { asks.push_back ({ f, std::move (answer) }); };
        p.reportFailure = [this] (const juce::String& message, trackpass::Saver::FailureAnswer) { failures.push_back (message); };
        p.closeFileChooser = [] {};
        return p;
    }
};

struct ScratchFolder
{
    ScratchFolder() { folder.createDirectory(); }
    ~ScratchFolder() { folder.deleteRecursively(); }

    juce::Array<juce::File> csvFiles() const { return folder.findChildFiles (juce::File::findFiles, false, "*.csv"); }

    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("tarn-editor-tests-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()));
};

struct Editor : ::testing::Test
{
    Editor() { open(); }

    void open()
    {
        editor = std::make_unique<TarnAudioProcessorEditor> (rig.processor, scripted.prompts(), scratch.folder.getChildFile ("tarn_trackpass.csv"));
    }

    TarnEditorInspector inspect() { return { *editor }; }
    TarnAudioProcessor& processor() { return rig.processor; }

    void selectSegment (int index) { inspect().viewSwitch().setSelectedIndex (index, juce::sendNotificationSync); }

    testing_signals::Rig rig { 48000.0, 480 };
    ScratchFolder scratch;
    ScriptedPrompts scripted;
    std::unique_ptr<TarnAudioProcessorEditor> editor;
};

int wordmarkWidth() { return juce::roundToInt (tarn::compat::stringWidth (weft::theme::wordmark(), "TARN")); }

// Runs JUCE's message loop briefly, so asynchronous deletions and callbacks happen.
void pumpMessages (int milliseconds = 60) { juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds); }
} // namespace

//==============================================================================
TEST_F (Editor, HeaderAndLiveLayoutUseTheBodyToTheLastPixel)
{
    auto e = inspect();
    ASSERT_EQ (editor->getBounds(), juce::Rectangle<int> (0, 0, 740, 786));

    const int sw = wordmarkWidth();
    ASSERT_LT (sw, 253);   // the hint line fits next to the wordmark
    EXPECT_TRUE (e.hintLabel().isVisible());
    // One-line hints in the band beside the buttons (y 38, 26 high); longer ones wrap from y 16 to 94.
    EXPECT_EQ (e.hintLabel().getBounds(), juce::Rectangle<int> (103 + sw, 16, 313 - sw, 78));
    EXPECT_EQ (e.hintLabel().getOneLineBand(), juce::Rectangle<int> (0, 22, 313 - sw, 26));

    const std::vector<std::pair<juce::Component*, juce::Rectangle<int>>> expected {
        { &e.resetPassButton(), { 428, 40, 96, 26 } },  { &e.resetButton(), { 530, 40, 70, 26 } },
        { &e.settingsButton(), { 610, 40, 26, 26 } },   { &e.viewSwitch(), { 32, 120, 280, 32 } },
        { &e.weightPill(), { 324, 123, 112, 26 } },     { &e.targetPill(), { 444, 123, 124, 26 } },
        { &e.statusPill(), { 572, 123, 136, 26 } },     { &e.translationRow(), { 32, 166, 332, 60 } },
        { &e.pushDamageRow(), { 376, 166, 332, 60 } },  { &e.vuPair(), { 32, 248, 676, 168 } },
        { &e.diagnosticsLabel(), { 32, 436, 676, 18 } }, { &e.versionLabel(), { 32, 746, 676, 16 } },
    };
    for (const auto& [component, bounds] : expected)
        EXPECT_EQ (component->getBounds(), bounds) << component->getName() << " at " << component->getBounds().toString();

    // Two columns from y 462, rows 32 high every 40 px; the seventh right row ends at the grid's bottom.
    const auto rows = e.liveRows();
    for (size_t i = 0; i < 13; ++i)
    {
        const bool left = i < 6;
        const int n = (int) (left ? i : i - 6);
        EXPECT_EQ (rows[i]->getBounds(), juce::Rectangle<int> (left ? 32 : 377, 462 + 40 * n, 331, 32)) << "row " << i;
    }
    EXPECT_EQ (rows[12]->getBottom(), 462 + 272);
    EXPECT_EQ (e.versionLabel().getBottom(), 786 - 24);   // the body ends 24 px above the window's bottom
}

TEST_F (Editor, TrackPassLayoutFillsItsBody)
{
    editor->setView (View::trackPass);
    auto e = inspect();

    EXPECT_EQ (e.exportButton().getBounds(), juce::Rectangle<int> (592, 166, 116, 26));
    EXPECT_EQ (e.trackPassLabel().getBounds(), juce::Rectangle<int> (32, 166, 552, 26));
    EXPECT_EQ (e.trackPassRows()[0].getBounds(), juce::Rectangle<int> (32, 192, 676, 56));
    EXPECT_EQ (e.trackPassRows()[1].getBounds(), juce::Rectangle<int> (32, 258, 676, 26));
    for (size_t i = 2; i < 14; ++i)
        EXPECT_EQ (e.trackPassRows()[i].getBounds(), juce::Rectangle<int> (32, 258 + 30 * (int) (i - 1), 676, 26)) << "row " << i;
    EXPECT_EQ (e.versionLabel().getBounds(), juce::Rectangle<int> (32, 654, 676, 16));
    EXPECT_EQ (e.versionLabel().getBottom(), 694 - 24);
}

TEST_F (Editor, ViewSwitchSetsHeightAndShowsOnlyThatViewsChildren)
{
    auto e = inspect();
    const auto visibleGroups = [&]
    {
        // LIVE children, TRACK PASS children, GUIDE, export pill; each group must be all-or-nothing.
        const auto all = [] (auto&& components, bool shown)
        {
            for (auto* c : components)
                if (c->isVisible() != shown)
                    return false;
            return true;
        };
        std::vector<juce::Component*> live { &e.vuPair(), &e.diagnosticsLabel() };
        for (auto* row : e.liveRows())
            live.push_back (row);
        std::vector<juce::Component*> pass { &e.trackPassLabel() };
        for (auto& row : e.trackPassRows())
            pass.push_back (&row);

        const bool liveShown = live.front()->isVisible(), passShown = pass.front()->isVisible();
        EXPECT_TRUE (all (live, liveShown) && all (pass, passShown));
        return std::array<bool, 4> { liveShown, passShown, e.guideViewport().isVisible(), e.exportButton().isVisible() };
    };

    struct Step { int segment; int height; std::array<bool, 4> shown; };
    const Step steps[] = { { 2, 640, { false, false, true, false } },
                           { 1, 694, { false, true, false, true } },
                           { 0, 786, { true, false, false, false } } };
    for (const auto& step : steps)
    {
        selectSegment (step.segment);
        EXPECT_EQ (editor->getWidth(), 740);
        EXPECT_EQ (editor->getHeight(), step.height);
        EXPECT_EQ (visibleGroups(), step.shown) << "segment " << step.segment;
        for (juce::Component* always : { (juce::Component*) &e.viewSwitch(), (juce::Component*) &e.settingsButton(),
                                         (juce::Component*) &e.resetButton(), (juce::Component*) &e.resetPassButton(),
                                         (juce::Component*) &e.weightPill(), (juce::Component*) &e.targetPill(),
                                         (juce::Component*) &e.statusPill(), (juce::Component*) &e.versionLabel() })
            EXPECT_TRUE (always->isVisible());
    }

    // The guide is laid out in its viewport, above the version label.
    selectSegment (2);
    EXPECT_EQ (e.guideViewport().getBounds(), juce::Rectangle<int> (32, 166, 676, 450 - 28));
    EXPECT_EQ (e.versionLabel().getBounds(), juce::Rectangle<int> (32, 600, 676, 16));
}

TEST_F (Editor, HoverHintShowsNonEmptyTooltipsAndRestoresTheTagline)
{
    auto e = inspect();
    const juce::String tagline ("Mastering Meter + Track Pass Analyzer");
    const auto hover = [&] (juce::Component& c) { editor->mouseEnter (uitest::mouseAt (c, { 2.0f, 2.0f })); };
    const auto leave = [&] (juce::Component& c) { editor->mouseExit (uitest::mouseAt (c, { 2.0f, 2.0f })); };

    EXPECT_EQ (e.hintLabel().getText(), tagline);

    hover (e.resetButton());
    EXPECT_EQ (e.hintLabel().getText(), "Reset all measurement history (LUFS-I, peak hold, rolling scores).");
    leave (e.resetButton());
    EXPECT_EQ (e.hintLabel().getText(), tagline);

    hover (e.peakRow());
    EXPECT_EQ (e.hintLabel().getText(), "Loudest sample right now - 0 dBFS is clipping.  Click for the full story.");
    leave (e.peakRow());

    // An empty tooltip (section label, Track Pass row) or no tooltip client (VU pair) leaves the line alone.
    for (juce::Component* quiet : { (juce::Component*) &e.diagnosticsLabel(), (juce::Component*) &e.trackPassRows()[3],
                                    (juce::Component*) &e.vuPair(), (juce::Component*) editor.get() })
    {
        hover (*quiet);
        EXPECT_EQ (e.hintLabel().getText(), tagline);
    }

    hover (e.settingsButton());
    EXPECT_EQ (e.hintLabel().getText(), juce::String::fromUTF8 ("Settings \xe2\x80\x94 about, links, help."));
}

TEST_F (Editor, EveryHintIsShownWholeAndBreaksOnlyBetweenWords)
{
    auto e = inspect();
    const auto& hint = e.hintLabel();

    // The tagline and every tooltip in the window: the header's controls and the fifteen readings.
    juce::StringArray hints { "Mastering Meter + Track Pass Analyzer" };
    std::function<void (juce::Component&)> collect = [&] (juce::Component& c)
    {
        if (auto* client = dynamic_cast<juce::TooltipClient*> (&c); client != nullptr && client->getTooltip().isNotEmpty())
            hints.addIfNotAlreadyThere (client->getTooltip());
        for (auto* child : c.getChildren())
            collect (*child);
    };
    collect (*editor);
    ASSERT_GE (hints.size(), 23);

    int wrapped = 0;
    for (const auto& text : hints)
    {
        const auto layout = hint.layoutFor (text);
        EXPECT_TRUE (layout.fits) << text;
        EXPECT_GE (layout.font.getHeight(), TarnHintLine::minimumHeight) << text;
        if (! layout.wrapped)
        {
            EXPECT_LE (tarn::compat::stringWidth (layout.font, text), (float) hint.getOneLineBand().getWidth()) << text;
            continue;
        }
        ++wrapped;
        ASSERT_GT (layout.lines.getNumLines(), 1) << text;
        EXPECT_LE (layout.lines.getHeight(), (float) hint.getHeight()) << text;
        for (int i = 0; i + 1 < layout.lines.getNumLines(); ++i)
        {
            const int end = layout.lines.getLine (i).stringRange.getEnd();
            EXPECT_TRUE (text[end - 1] == ' ' || text[end] == ' ') << text << "\n  breaks inside a word at " << end;
        }
    }
    EXPECT_GT (wrapped, 0);   // the long hints (WEIGHT, TARGET, RESET) do wrap
    EXPECT_FALSE (hint.layoutFor ("Mastering Meter + Track Pass Analyzer").wrapped);
}

TEST_F (Editor, ResetButtonsRaiseTheirRequestFlags)
{
    auto e = inspect();
    const auto click = [] (weft::ui::TextPill& pill)
    {
        pill.mouseDown (uitest::mouseAt (pill, { 5.0f, 5.0f }, { 5.0f, 5.0f }));
        pill.mouseUp (uitest::mouseAt (pill, { 5.0f, 5.0f }, { 5.0f, 5.0f }));
    };

    click (e.resetPassButton());
    EXPECT_TRUE (processor().trackPassResetRequested.load());
    EXPECT_FALSE (processor().analysisResetRequested.load());

    processor().trackPassResetRequested = false;
    click (e.resetButton());
    EXPECT_TRUE (processor().trackPassResetRequested.load());
    EXPECT_TRUE (processor().analysisResetRequested.load());
}

TEST (EditorPills, LabelsComeFromTheProcessorsSettingsClamped)
{
    struct Case { int k, m; const char* weight; const char* target; };
    const Case cases[] = { { 2, 0, "WEIGHT  K-8", "TARGET  OFF" },  { 6, 1, "WEIGHT  K-18", "TARGET  STREAM" },
                           { 7, 2, "WEIGHT  K-20", "TARGET  CLUB" }, { 99, 9, "WEIGHT  K-20", "TARGET  CLUB" },
                           { -3, -1, "WEIGHT  K-4", "TARGET  OFF" } };
    for (const auto& c : cases)
    {
        TarnAudioProcessor p;
        p.kReference = c.k;
        p.destinationMode = c.m;
        TarnAudioProcessorEditor editor (p);
        TarnEditorInspector e { editor };
        EXPECT_EQ (e.weightPill().getLabel(), c.weight) << c.k;
        EXPECT_EQ (e.targetPill().getLabel(), c.target) << c.m;
    }
}

TEST_F (Editor, MenuChoicesStoreTheSettingAndRelabelThePill)
{
    auto e = inspect();
    e.chooseWeight (8);   // "K-20"
    EXPECT_EQ (processor().kReference.load(), 7);
    EXPECT_EQ (e.weightPill().getLabel(), "WEIGHT  K-20");

    e.chooseTarget (1);   // "Off  (neutral)"
    EXPECT_EQ (processor().destinationMode.load(), 0);
    EXPECT_EQ (e.targetPill().getLabel(), "TARGET  OFF");

    // Dismissed menus (result 0) change nothing.
    e.chooseWeight (0);
    e.chooseTarget (0);
    EXPECT_EQ (processor().kReference.load(), 7);
    EXPECT_EQ (processor().destinationMode.load(), 0);
    EXPECT_EQ (e.weightPill().getLabel(), "WEIGHT  K-20");
}

TEST (SettingsMenus, ItemsTicksAndLinks)
{
    struct Item { int id; juce::String text; bool enabled, ticked, separator, header; };
    const auto itemsOf = [] (const juce::PopupMenu& menu)
    {
        std::vector<Item> items;
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& i = it.getItem();
            items.push_back ({ i.itemID, i.text, i.isEnabled, i.isTicked, i.isSeparator, i.isSectionHeader });
        }
        return items;
    };

    const auto weights = itemsOf (settings::weightMenu (6));
    ASSERT_EQ (weights.size(), 8u);
    const char* weightTexts[] = { "K-4", "K-6", "K-8", "K-10", "K-12", "K-14", "K-18", "K-20" };
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ (weights[(size_t) i].id, i + 1);
        EXPECT_EQ (weights[(size_t) i].text, weightTexts[i]);
        EXPECT_EQ (weights[(size_t) i].ticked, i == 6) << weightTexts[i];
    }

    const auto targets = itemsOf (settings::targetMenu (0));
    ASSERT_EQ (targets.size(), 3u);
    EXPECT_EQ (targets[0].text, "Off  (neutral)");
    EXPECT_TRUE (targets[0].ticked);
    EXPECT_EQ (targets[2].text, "Club / DJ");
    EXPECT_FALSE (targets[2].ticked);

    const auto menu = itemsOf (settings::settingsMenu());
    ASSERT_EQ (menu.size(), 7u);
    EXPECT_TRUE (menu[0].header);
    EXPECT_EQ (menu[0].text, "Fennick");
    EXPECT_EQ (menu[1].text, "Tarn v0.7.6");
    EXPECT_FALSE (menu[1].enabled);
    EXPECT_TRUE (menu[2].separator && menu[5].separator);
    EXPECT_TRUE (menu[3].text.startsWith ("Visit ") && menu[3].enabled);
    EXPECT_EQ (menu[4].text, "Open Tarn landing page");
    EXPECT_EQ (menu[6].text, "Send feedback");

    EXPECT_TRUE (settings::linkForSettingsItem (2).startsWith ("https://"));
    EXPECT_TRUE (settings::linkForSettingsItem (3).endsWith ("/sites/tarn/"));
    EXPECT_TRUE (settings::linkForSettingsItem (4).startsWith ("mailto:"));
    EXPECT_TRUE (settings::linkForSettingsItem (4).endsWith ("?subject=Tarn%20Feedback"));
    for (int nothing : { 0, 1, 5 })
        EXPECT_TRUE (settings::linkForSettingsItem (nothing).isEmpty()) << nothing;
}

//==============================================================================
TEST_F (Editor, RefreshWordsAndColoursFromPublishedReadings)
{
    auto e = inspect();
    auto& p = processor();

    // Reset values read as the floor numbers, band 0 words, and "WAITING FOR SIGNAL".
    editor->refresh();
    EXPECT_EQ (e.peakRow().getValue(), " -100.0 dBFS");
    EXPECT_EQ (e.sideAirRow().getValue(), "  0 (Low)");
    EXPECT_EQ (e.translationRow().getValue(), "WAITING FOR SIGNAL");
    EXPECT_EQ (e.translationRow().getValueColour(), weft::kInfo);
    EXPECT_EQ (e.statusPill().getValue(), "OK");

    struct Case
    {
        int signalState; float translation; int pushLevel, pushReason, widthLevel, headroom;
        const char* translationWord; juce::Colour translationColour;
        const char* pushText; juce::Colour pushColour; const char* widthWord; const char* headroomWord;
    };
    const Case cases[] = {
        { 2, 70.0f, 0, 1, 0, 0, "STRONG", weft::kStatusGood, "LOW - healthy", weft::kStatusGood, "LOW", "OK" },
        { 2, 69.9f, 1, 6, 1, 1, "ACCEPTABLE", weft::kLabelText, "MED - running hot", weft::kStatusWarn, "MED", "HOT" },
        { 2, 40.0f, 2, 7, 2, 2, "COMPROMISED", weft::kStatusWarn, "HIGH - over-limited", weft::kStatusBad, "HIGH", "CLIP" },
        { 2, 39.9f, 0, 0, 0, 0, "DAMAGED", weft::kStatusBad, "LOW - healthy", weft::kStatusGood, "LOW", "OK" },
        { 1, 95.0f, 2, 4, 2, 0, "ANALYSING...", weft::kInfo, "ANALYSING...", weft::kInfo, "ANALYSING...", "OK" },
    };
    for (const auto& c : cases)
    {
        p.signalState = c.signalState;
        p.translation = c.translation;
        p.pushDamageLevel = c.pushLevel;
        p.pushDamageReason = c.pushReason;
        p.lowWidthRiskLevel = c.widthLevel;
        p.headroomState = c.headroom;
        editor->refresh();

        SCOPED_TRACE (c.translationWord);
        EXPECT_EQ (e.translationRow().getValue(), c.translationWord);
        EXPECT_EQ (e.translationRow().getValueColour(), c.translationColour);
        EXPECT_EQ (e.pushDamageRow().getValue(), c.pushText);
        EXPECT_EQ (e.pushDamageRow().getValueColour(), c.pushColour);
        EXPECT_EQ (e.lowWidthRiskRow().getValue(), c.widthWord);
        EXPECT_EQ (e.statusPill().getLabel(), "HEADROOM");
        EXPECT_EQ (e.statusPill().getValue(), c.headroomWord);
    }

    p.peakDb = -12.3f;
    p.crestDb = 8.04f;
    editor->refresh();
    EXPECT_EQ (e.peakRow().getLabel(), "PEAK");
    EXPECT_EQ (e.peakRow().getValue(), "  -12.3 dBFS");
    EXPECT_EQ (e.crestRow().getValue(), "    8.0 dB");
}

TEST_F (Editor, BandWordsKeepTheirHysteresisFromTickToTick)
{
    auto e = inspect();
    const std::pair<float, const char*> sideAir[] = { { 43.9f, "Low" },      { 44.0f, "Balanced" }, { 73.9f, "Balanced" },
                                                      { 74.0f, "High" },     { 66.0f, "High" },     { 65.9f, "Balanced" },
                                                      { 36.0f, "Balanced" }, { 35.9f, "Low" },      { 80.0f, "High" },
                                                      { 30.0f, "Low" } };
    for (const auto& [value, word] : sideAir)
    {
        processor().sideAir = value;
        editor->refresh();
        EXPECT_EQ (e.sideAirRow().getValue(), juce::String (juce::roundToInt (value)).paddedLeft (' ', 3) + " (" + word + ")") << value;
    }

    // Punch: exactly 24 enters "Alive"; exactly 16 does not leave it.
    for (const auto& [value, word] : { std::pair { 24.0f, "Alive" }, std::pair { 16.0f, "Alive" }, std::pair { 15.9f, "Crushed" } })
    {
        processor().punch = value;
        editor->refresh();
        EXPECT_TRUE (e.punchRow().getValue().endsWith (juce::String ("(") + word + ")")) << value;
    }
}

TEST (EditorVu, TheWeightShiftsBothNeedles)
{
    for (const auto& [k, shiftDb] : { std::pair { 6, 0.0f }, std::pair { 7, 2.0f }, std::pair { 0, -14.0f }, std::pair { 42, 2.0f } })
    {
        TarnAudioProcessor p;
        p.kReference = k;
        p.vuLeftDb = -10.0f;
        p.vuRightDb = -13.0f;
        TarnAudioProcessorEditor editor (p);
        editor.refresh();   // the first reading puts the needles straight on their levels
        TarnEditorInspector e { editor };
        EXPECT_FLOAT_EQ (e.vuPair().getShownLeft(), -10.0f + shiftDb) << "K index " << k;
        EXPECT_FLOAT_EQ (e.vuPair().getShownRight(), -13.0f + shiftDb) << "K index " << k;
    }
}

TEST_F (Editor, TrackPassPanelFollowsThePassFromWaitingToFrozen)
{
    auto e = inspect();
    const auto labelWord = [&] { return e.trackPassLabel().getText().fromLastOccurrenceOf (" ", false, false); };

    editor->refresh();
    EXPECT_EQ (e.trackPassLabel().getText(), juce::String::fromUTF8 ("TRACK PASS  \xe2\x80\xa2  WAITING"));
    EXPECT_EQ (e.trackPassRows()[0].getValue(), "WAITING FOR SIGNAL");
    EXPECT_EQ (e.trackPassRows()[0].getValueColour(), weft::kInfo);
    EXPECT_EQ (e.trackPassRows()[1].getValue(), "0:00");

    rig.play (testing_signals::sine (1000.0, 48000.0, 0.25), 2.0);
    editor->refresh();
    EXPECT_EQ (labelWord(), "CAPTURING");
    EXPECT_EQ (e.trackPassRows()[1].getValue(), "0:02");
    EXPECT_EQ (e.trackPassRows()[1].getValueColour(), weft::kLabelText);

    rig.play (testing_signals::silence(), 3.1);
    editor->refresh();
    EXPECT_EQ (labelWord(), "FROZEN");

    // Every row shows what the wording rules make of the published summary.
    const auto expected = tarn::text::trackPassRows (processor().getTrackPassSnapshot());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ (e.trackPassRows()[i].getLabel(), expected[i].caption) << i;
        EXPECT_EQ (e.trackPassRows()[i].getValue(), expected[i].text) << i;
    }
    EXPECT_NE (e.trackPassRows()[0].getValue(), "WAITING FOR SIGNAL");
}

//==============================================================================
TEST_F (Editor, ExportStartsWithResetsShowsThePillAndHandsTheRecordingToTheSaver)
{
    auto e = inspect();
    ASSERT_FALSE (e.exportButton().isVisible());   // LIVE view, idle

    editor->startAnalysisExport();
    EXPECT_TRUE (editor->isExporting());
    EXPECT_TRUE (processor().analysisResetRequested.load() && processor().trackPassResetRequested.load());
    EXPECT_EQ (e.exportButton().getLabel(), "STOP & SAVE");
    EXPECT_TRUE (e.exportButton().isVisible());

    for (int tick = 0; tick < 3; ++tick)
        editor->refresh();
    editor->stopAnalysisExport();

    EXPECT_FALSE (editor->isExporting());
    EXPECT_EQ (e.exportButton().getLabel(), "EXPORT PASS");
    EXPECT_FALSE (e.exportButton().isVisible());   // stopped in the LIVE view

    ASSERT_EQ (scripted.asks.size(), 1u);
    EXPECT_EQ (scripted.asks[0].suggested.getFileName(), "tarn_trackpass.csv");
    const auto lines = juce::StringArray::fromLines (e.csvText().trimEnd());
    EXPECT_EQ (lines.size(), 4);   // header and three ticks
    EXPECT_EQ (lines[0] + "\n", tarn::text::csvHeader());

    // The chosen file gets the text; a second stop without a recording does nothing.
    const auto target = scratch.folder.getChildFile ("pass.csv");
    scripted.asks[0].answer (target);
    EXPECT_EQ (target.loadFileAsString(), e.csvText());
    editor->stopAnalysisExport();
    EXPECT_EQ (scripted.asks.size(), 1u);

    // Stopped in the TRACK PASS view, the pill stays.
    editor->setView (View::trackPass);
    editor->startAnalysisExport();
    editor->stopAnalysisExport();
    EXPECT_TRUE (e.exportButton().isVisible());
}

TEST_F (Editor, WhileRecordingStopAndSaveIsOnTopWithItsOwnHintInEveryView)
{
    auto e = inspect();
    auto& pill = e.exportButton();
    editor->setVisible (true);   // hit-testing finds only visible components
    for (const auto view : { View::live, View::trackPass, View::guide })
    {
        editor->setView (View::trackPass);
        editor->startAnalysisExport();
        editor->setView (view);

        const auto centre = pill.getBounds().getCentre();
        auto* underMouse = editor->getComponentAt (centre);
        ASSERT_EQ (underMouse, &pill) << (int) view;

        editor->mouseEnter (uitest::mouseAt (*underMouse, pill.getLocalBounds().getCentre().toFloat()));
        EXPECT_EQ (e.hintLabel().getText(), pill.getTooltip()) << (int) view;

        if (view == View::guide)
        {
            const auto& bar = e.guideViewport().getVerticalScrollBar();
            EXPECT_FALSE (pill.getBounds().intersects (editor->getLocalArea (&bar, bar.getLocalBounds())));
        }

        const auto local = pill.getLocalBounds().getCentre().toFloat();
        underMouse->mouseDown (uitest::mouseAt (*underMouse, local, local));
        underMouse->mouseUp (uitest::mouseAt (*underMouse, local, local));
        EXPECT_FALSE (editor->isExporting()) << (int) view;
    }
    EXPECT_EQ (scripted.asks.size(), 3u);   // each click stopped the recording and asked where to save
}

TEST_F (Editor, CsvRowsCountProcessedAudioAndTakeTheTruePeakSinceTheLastRow)
{
    auto e = inspect();
    const auto fields = [&] (int line) { return juce::StringArray::fromTokens (juce::StringArray::fromLines (e.csvText().trimEnd())[line], ",", "\""); };

    editor->startAnalysisExport();
    editor->refresh();                                 // no block processed yet
    rig.play (testing_signals::sine (997.0, 48000.0, 0.5), 0.1);
    editor->refresh();
    editor->refresh();                                 // the host stopped: nothing processed since

    const auto first = fields (1), second = fields (2), third = fields (3);
    ASSERT_EQ (second.size(), 23);
    EXPECT_EQ (first[0], "0.000");
    EXPECT_EQ (second[0], "0.100");                    // 4800 samples at 48 kHz
    EXPECT_EQ (third[0], "0.100");

    // After processing, the column is the larger of the peak and the true peak taken out since the
    // previous row; with nothing processed it falls back to the published true peak.
    const auto r = processor().loadReadings();
    EXPECT_GE (second[5].getFloatValue(), second[1].getFloatValue());
    EXPECT_EQ (third[5], juce::String (r.truePeakDb, 2));
    EXPECT_FLOAT_EQ (processor().truePeakMaxSinceRead.load(), -200.0f);
    EXPECT_EQ (first[5], "-100.00");
}

//==============================================================================
TEST_F (Editor, ClickingAReadingOpensItsHelpCallOut)
{
    auto e = inspect();
    auto& crest = e.crestRow();

    // Released outside the row: nothing opens.
    crest.mouseUp (uitest::mouseAt (crest, { -5.0f, 5.0f }, { 5.0f, 5.0f }));
    EXPECT_TRUE (e.callOuts().empty());

    crest.mouseUp (uitest::mouseAt (crest, { 5.0f, 5.0f }, { 5.0f, 5.0f }));
    const auto boxes = e.callOuts();
    ASSERT_EQ (boxes.size(), 1u);
    auto* content = dynamic_cast<TarnHelpCallout*> (boxes[0]->getChildComponent (0));
    ASSERT_NE (content, nullptr);
    EXPECT_EQ (content->getTitle(), "CREST");
    EXPECT_TRUE (content->getBody().contains ("Brimstop"));
    EXPECT_EQ (content->getWidth(), 312);
    const auto bodyHeight = weft::wrappedText (nullptr, content->getBody(), guideBodyFont(), kGuideBody, 0, 0, 284);
    EXPECT_EQ (content->getHeight(), (int) std::ceil (bodyHeight + 52.0f));

    boxes[0]->dismiss();
    pumpMessages();
    EXPECT_TRUE (e.callOuts().empty());

    // Pointing hands on the fifteen LIVE rows only; Track Pass rows open nothing.
    for (auto* row : e.liveRows())
        EXPECT_EQ (row->getMouseCursor(), juce::MouseCursor (juce::MouseCursor::PointingHandCursor));
    EXPECT_EQ (e.trackPassRows()[2].getMouseCursor(), juce::MouseCursor (juce::MouseCursor::NormalCursor));
    EXPECT_FALSE (e.trackPassRows()[2].onClick);
}

TEST_F (Editor, ClosingWithACallOutOrMenuOpenLeavesNothingBehind)
{
    auto e = inspect();
    e.crestRow().onClick();
    ASSERT_EQ (e.callOuts().size(), 1u);
    juce::Component::SafePointer<juce::Component> callOut (e.callOuts()[0]);

    // JUCE cannot place a pop-up menu without a display, so headless a modal child owned by the
    // modal manager stands in for the menu window (which is exactly that: a modal child of the editor).
    juce::Component::SafePointer<juce::Component> menu;
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr)
    {
        e.showWeightMenu();
        for (auto* child : editor->getChildren())
            if (child->isCurrentlyModal (false) && child != callOut.getComponent())
                menu = child;
    }
    else
    {
        auto* standIn = new juce::Component ("menu");
        editor->addAndMakeVisible (standIn);
        standIn->enterModalState (false, nullptr, true);
        menu = standIn;
    }
    ASSERT_NE (menu.getComponent(), nullptr);
    ASSERT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 2);

    editor.reset();
    pumpMessages();

    EXPECT_EQ (callOut.getComponent(), nullptr);   // deleted, not orphaned
    EXPECT_EQ (menu.getComponent(), nullptr);
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
    EXPECT_EQ (processor().kReference.load(), 6);  // a dismissed menu chooses nothing
}

TEST_F (Editor, ClosingWhileRecordingOrBeforeSavingKeepsARecoveryFile)
{
    // Closed while recording.
    editor->startAnalysisExport();
    editor->refresh();
    const auto recorded = inspect().csvText();
    editor.reset();

    auto files = scratch.csvFiles();
    ASSERT_EQ (files.size(), 1);
    EXPECT_TRUE (files[0].getFileName().startsWith ("tarn_trackpass-unsaved-"));
    EXPECT_EQ (files[0].loadFileAsString(), recorded);

    // Closed while the save dialog is still open: a second recovery file, the first one kept.
    open();
    editor->startAnalysisExport();
    editor->refresh();
    editor->refresh();
    editor->stopAnalysisExport();
    const auto unsaved = inspect().csvText();
    editor.reset();

    juce::StringArray contents;
    for (const auto& f : scratch.csvFiles())
        contents.add (f.loadFileAsString());
    contents.sort (false);
    juce::StringArray expected { recorded, unsaved };
    expected.sort (false);
    EXPECT_EQ (contents, expected);

    // The dialog's late answer is ignored: nothing is written.
    const auto late = scratch.folder.getChildFile ("late.csv");
    scripted.asks.back().answer (late);
    EXPECT_FALSE (late.exists());
}
