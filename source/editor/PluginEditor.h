#pragma once

#include "PluginProcessor.h"
#include "ReadingText.h"
#include "TarnGuideView.h"
#include "TarnHintLine.h"
#include "TarnRow.h"
#include "TarnVuPair.h"
#include "TrackPassExport.h"
#include "WeftControls.h"

#include <array>

// The plug-in window: a painted header with the view switch, the setting pills and the RESET
// buttons; three views (LIVE, TRACK PASS, GUIDE) at a fixed height each; a 20 Hz refresh from the
// processor's published readings. The editor only reads the processor, apart from the two request
// flags and the two settings, which it stores atomically.
class TarnAudioProcessorEditor : public juce::AudioProcessorEditor,
                                 private juce::Timer
{
public:
    enum class View { live = 0, trackPass = 1, guide = 2 };

    explicit TarnAudioProcessorEditor (TarnAudioProcessor&);
    /** With the save prompts and the default CSV file given (tests use their own). */
    TarnAudioProcessorEditor (TarnAudioProcessor&, trackpass::Saver::Prompts savePrompts, juce::File defaultCsvFile);
    ~TarnAudioProcessorEditor() override;

    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    void resized() override;

    static int heightForView (View v);
    void setView (View v);
    View getView() const noexcept { return currentView; }

    /** One refresh tick: LIVE rows, VU pair, status pill, Track Pass panel, CSV row. The timer
        calls it 20 times a second; tools that render the window call it directly. */
    void refresh();

    void startAnalysisExport();
    void stopAnalysisExport();
    bool isExporting() const noexcept { return exporting; }

private:
    friend struct TarnEditorInspector;   // the tests' view of the children

    void timerCallback() override;

    // The LIVE rows in declaration order: six in the left column, seven in the right, then the
    // two verdict rows. The reading help follows the same order.
    static constexpr size_t numLeftColumnRows = 6, numDiagnosticRows = 13, numLiveRows = 15;
    std::array<TarnRow*, numLiveRows> liveRows();

    void updateViewVisibility();
    void layoutLiveBody (juce::Rectangle<int>& body);
    void layoutTrackPassBody (juce::Rectangle<int>& body);
    int wordmarkWidth() const;

    void configureDiagnosticRow (TarnRow& row, bool alternate);
    void configureVerdictRow (TarnRow& row);
    static void configureSectionLabel (juce::Label& label);

    void attachReadingHelp (TarnRow& row, const juce::String& title, const juce::String& hint, const juce::String& help);
    void showReadingHelp (TarnRow& row, const juce::String& title, const juce::String& help);
    void closeTransientPopups();

    void showSettingsMenu();
    void showWeightMenu();
    void showTargetMenu();
    void chooseWeight (int menuResult);
    void chooseTarget (int menuResult);
    void showMenu (juce::PopupMenu menu, juce::Component& anchor, std::function<void (TarnAudioProcessorEditor&, int)> onResult);

    // Refresh of the LIVE view.
    void updateMetricRow (TarnRow& row, const juce::String& label, float value, const juce::String& unit);
    void updateIndexRow (TarnRow& row, const juce::String& label, float value, const juce::String& word);
    void updateLiveRows (const TarnReadings& r);
    void updateStatusPill (int headroomState);
    void updateTrackPassPanel();
    void appendAnalysisRow();

    void exportButtonClicked();

    TarnAudioProcessor& audioProcessor;
    weft::ui::WeftLookAndFeel lookAndFeel;

    weft::ui::SegmentedControl viewSwitch { { "LIVE", "TRACK PASS", "GUIDE" } };
    weft::ui::IconButton settingsButton { weft::ui::IconButton::Glyph::gear, false };
    weft::ui::TextPill resetButton { "RESET" };
    weft::ui::TextPill resetPassButton { "RESET PASS" };
    weft::ui::TextPill exportButton { "EXPORT PASS" };
    weft::ui::TextPill weightPill { "WEIGHT  K-18" };
    weft::ui::TextPill targetPill { "TARGET  STREAM" };
    TarnHintLine hintLabel;
    const juce::String taglineText { "Mastering Meter + Track Pass Analyzer" };

    // CSV recording of a Track Pass; the saver holds the save dialog and the recovery files.
    trackpass::Saver exportSaver;
    bool exporting = false;
    double exportStartMs = 0.0;
    std::int64_t exportStartSamples = 0;
    juce::MemoryOutputStream csvText;   // appends in constant time however long a recording runs

    TarnVuPair vuPair;
    TarnRow peakRow, rmsRow, crestRow, peakHoldRow, truePeakRow, punchRow;
    TarnRow lufsShortRow, lufsIntegratedRow, sideAirRow, silkRow, centreWeightRow, forwardMidRow, lowWidthRiskRow;
    TarnRow translationRow, pushDamageRow;
    TarnStatusPill statusPill;
    View currentView = View::live;
    juce::Viewport guideViewport;
    TarnGuideView guideView;
    juce::Label diagnosticsLabel;
    juce::Label trackPassLabel;
    std::array<TarnRow, tarn::text::numTrackPassRows> trackPassRows;
    TrackPassSnapshot shownPass;   // the last whole publication read, kept when a read finds none
    juce::Label versionLabel;

    // Hysteresis bands of the five index words (sideAirBand, centreWeightBand, forwardMidBand,
    // punchBand, silkBand); the LIVE rows and the CSV rows advance the same bands.
    tarn::text::BandWords bandWords;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarnAudioProcessorEditor)
};
