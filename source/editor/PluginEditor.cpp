#include "PluginEditor.h"

#include "SettingsMenus.h"
#include "TarnHelpCallout.h"
#include "ToneColour.h"

namespace
{
using weft::theme::Face;

constexpr int windowWidth = 740;
constexpr int headerHeight = 96;      // px, the header band
constexpr int headerInset = 32;       // px, left and right
constexpr int headerTop = 16;         // px
constexpr int wordmarkX = 87;         // px, maker tag and wordmark start here
constexpr float emblemHeight = 48.0f;
constexpr float emblemWidth = emblemHeight * 506.0f / 581.0f;   // the monogram image's aspect ratio
constexpr int minimumHintWidth = 61;  // px; a narrower hint line is hidden, not squeezed
constexpr int hintTop = headerTop, hintBottom = headerHeight - 2;   // px; the free height for a wrapped hint

const juce::String versionText = juce::String ("v") + JucePlugin_VersionString;

using tarn::ui::colourFor;

void paintRibbon (juce::Graphics& g, float length)
{
    for (int k = 0; k < 6; ++k)
    {
        const auto y = 18.7f + 8.0f * (float) k;
        g.setColour (juce::Colours::black.withAlpha (0.78f));
        g.fillRoundedRectangle (35.0f, y, length, 2.6f, 1.0f);
        g.setColour (juce::Colours::white.withAlpha (0.16f));
        g.drawLine (36.5f, y, 35.0f + length - 1.5f, y, 0.8f);
        g.setColour (juce::Colours::black.withAlpha (0.55f));
        g.drawLine (36.5f, y + 2.1f, 35.0f + length - 1.5f, y + 2.1f, 0.6f);
    }
}

void paintWordmark (juce::Graphics& g, float top, float height)
{
    const auto font = weft::theme::wordmark();
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, "TARN", (float) wordmarkX, top + font.getAscent());
    juce::Path path;
    glyphs.createPath (path);

    juce::DropShadow (weft::kAccent.withAlpha (0.55f), 9, { 0, 1 }).drawForPath (g, path);
    juce::DropShadow (juce::Colours::black.withAlpha (0.55f), 3, { 0, 2 }).drawForPath (g, path);
    g.setGradientFill (tarn::compat::blendedAsJuce7 (juce::ColourGradient (juce::Colours::white, 0.0f, top, weft::kText.withAlpha (0.88f), 0.0f, top + height, false)));
    g.fillPath (path);
}

void paintVersionBadge (juce::Graphics& g, juce::Rectangle<int> badge)
{
    g.setColour (weft::kAccent.withAlpha (0.15f));
    g.fillRoundedRectangle (badge.toFloat(), 11.0f);
    g.setColour (weft::kAccent);
    g.drawRoundedRectangle (badge.toFloat().reduced (0.5f), 11.0f, 1.0f);
    g.setFont (weft::theme::badge());
    g.drawFittedText (versionText, badge, juce::Justification::centred, 1);
}
} // namespace

TarnAudioProcessorEditor::TarnAudioProcessorEditor (TarnAudioProcessor& p)
    : TarnAudioProcessorEditor (p, trackpass::nativePrompts(), trackpass::defaultExportFile())
{
}

TarnAudioProcessorEditor::TarnAudioProcessorEditor (TarnAudioProcessor& p, trackpass::Saver::Prompts savePrompts,
                                                    juce::File defaultCsvFile)
    : juce::AudioProcessorEditor (&p),
      audioProcessor (p),
      exportSaver (std::move (defaultCsvFile), std::move (savePrompts))
{
    const auto quiet = juce::dontSendNotification;

    setLookAndFeel (&lookAndFeel);
    setSize (windowWidth, heightForView (View::live));

    addAndMakeVisible (statusPill);
    addAndMakeVisible (viewSwitch);
    viewSwitch.setSelectedIndex (0, quiet);
    viewSwitch.onChange = [this] (int index)
    { setView (index == 0 ? View::live : index == 1 ? View::trackPass : View::guide); };
    viewSwitch.setTooltip ("Switch between live meters, the captured Track Pass summary, and the Guide.");

    guideViewport.setViewedComponent (&guideView, false);
    guideViewport.setScrollBarsShown (true, false, false, false);
    guideViewport.getVerticalScrollBar().setColour (juce::ScrollBar::thumbColourId, weft::kCalloutBorder);
    addChildComponent (guideViewport);

    resetButton.onClick = [this]
    {
        audioProcessor.analysisResetRequested.store (true);
        audioProcessor.trackPassResetRequested.store (true);
    };
    resetButton.setTooltip ("Reset all measurement history (LUFS-I, peak hold, rolling scores).");
    addAndMakeVisible (resetButton);

    resetPassButton.onClick = [this] { audioProcessor.trackPassResetRequested.store (true); };
    resetPassButton.setTooltip ("Reset only the Track Pass summary; live meters keep running.");
    addAndMakeVisible (resetPassButton);

    exportButton.onClick = [this] { exportButtonClicked(); };
    exportButton.setTooltip ("Record this Track Pass to CSV: click to start, play the track, then STOP & SAVE.");
    addChildComponent (exportButton);

    addAndMakeVisible (settingsButton);
    settingsButton.setTooltip (juce::String::fromUTF8 ("Settings \xe2\x80\x94 about, links, help."));
    settingsButton.onClick = [this] { showSettingsMenu(); };

    weightPill.setLabel (settings::weightName (audioProcessor.kReference.load()));
    weightPill.setTooltip ("Reference calibration. Lower K = 0 VU sits at a hotter dBFS reference (better for commercial / loud "
                           "masters); higher K = quieter reference (better for dynamic mixes). K-18 is the processor baseline. "
                           "Display-only.");
    weightPill.onClick = [this] { showWeightMenu(); };
    addAndMakeVisible (weightPill);

    targetPill.setLabel (settings::targetName (audioProcessor.destinationMode.load()));
    targetPill.setTooltip ("Where is this track going? Calibrates the PUSH DAMAGE verdict for the destination. STREAM flags push "
                           "earlier - normalised playback (~-14 LUFS) hands back none of the loudness, so the damage is pure cost. "
                           "CLUB allows more - no normalisation there, level still wins. Measurements never change; only the "
                           "verdict's calibration.");
    targetPill.onClick = [this] { showTargetMenu(); };
    addAndMakeVisible (targetPill);

    hintLabel.setText (taglineText, quiet);
    hintLabel.setFont (weft::theme::tagline());
    hintLabel.setColour (juce::Label::textColourId, weft::kTextMuted);
    hintLabel.setJustificationType (juce::Justification::centred);
    hintLabel.setInterceptsMouseClicks (false, false);
    addAndMakeVisible (hintLabel);

    addMouseListener (this, true);   // the hint line follows the mouse over every child
    addAndMakeVisible (vuPair);

    const auto rows = liveRows();
    for (size_t i = 0; i < numDiagnosticRows; ++i)
    {
        // Shading alternates down each column; the right column starts at index 6.
        const size_t rowInColumn = i < numLeftColumnRows ? i : i - numLeftColumnRows;
        configureDiagnosticRow (*rows[i], rowInColumn % 2 == 1);
        addAndMakeVisible (*rows[i]);
    }
    for (auto* row : { &translationRow, &pushDamageRow })
    {
        configureVerdictRow (*row);
        addAndMakeVisible (*row);
    }

    static_assert (std::tuple_size_v<decltype (rows)> == std::tuple_size_v<decltype (readingHelpTexts)>);
    for (size_t i = 0; i < rows.size(); ++i)
        attachReadingHelp (*rows[i], readingHelpTexts[i].title, readingHelpTexts[i].hint, readingHelpTexts[i].help);

    for (auto [label, text] : { std::pair { &diagnosticsLabel, "DIAGNOSTICS" }, std::pair { &trackPassLabel, "TRACK PASS" } })
    {
        label->setText (text, quiet);
        configureSectionLabel (*label);
        addAndMakeVisible (*label);
    }

    configureVerdictRow (trackPassRows[0]);
    addAndMakeVisible (trackPassRows[0]);
    for (size_t i = 1; i < trackPassRows.size(); ++i)
    {
        configureDiagnosticRow (trackPassRows[i], i % 2 == 0);
        addAndMakeVisible (trackPassRows[i]);
    }

    versionLabel.setText (versionText, quiet);
    versionLabel.setFont (weft::theme::font (Face::sans, 11.5f));
    versionLabel.setColour (juce::Label::textColourId, juce::Colour (0xff5e6c73));
    versionLabel.setJustificationType (juce::Justification::centredLeft);
    addAndMakeVisible (versionLabel);

    updateViewVisibility();
    startTimerHz (20);
}

TarnAudioProcessorEditor::~TarnAudioProcessorEditor()
{
    if (exporting)
        exportSaver.recover (csvText.toString(), false);   // closing the window must not lose a running recording
    closeTransientPopups();
    setLookAndFeel (nullptr);
}

void TarnAudioProcessorEditor::closeTransientPopups()
{
    // Menus and call-outs are modal children of this window, owned by JUCE's modal manager, which
    // deletes them once they leave modal state. They are taken out of this window first: left
    // inside, the window's deletion would orphan them (the manager gives up deleting a component
    // whose parent is deleted). Leaving modal state reorders the children, so walk a copy. Their
    // callbacks reach the editor only through a SafePointer.
    const juce::Array<juce::Component*> children (getChildren());
    for (auto* child : children)
        if (child->isCurrentlyModal (false))
        {
            removeChildComponent (child);
            child->setLookAndFeel (nullptr);
            child->exitModalState (0);
        }
}

int TarnAudioProcessorEditor::heightForView (View v)
{
    switch (v)
    {
        case View::live:      return 786;
        case View::trackPass: return 694;
        case View::guide:     break;
    }
    return 640;
}

void TarnAudioProcessorEditor::setView (View v)
{
    if (v == currentView)
        return;

    currentView = v;
    viewSwitch.setSelectedIndex ((int) v, juce::dontSendNotification);   // in step when called from code
    updateViewVisibility();
    setSize (getWidth(), heightForView (v));
    repaint();
}

void TarnAudioProcessorEditor::updateViewVisibility()
{
    const bool live = currentView == View::live, trackPass = currentView == View::trackPass;

    guideViewport.setVisible (currentView == View::guide);
    vuPair.setVisible (live);
    diagnosticsLabel.setVisible (live);
    for (auto* row : liveRows())
        row->setVisible (live);

    trackPassLabel.setVisible (trackPass);
    exportButton.setVisible (trackPass || exporting);
    for (auto& row : trackPassRows)
        row.setVisible (trackPass);
}

int TarnAudioProcessorEditor::wordmarkWidth() const
{
    return juce::roundToInt (tarn::compat::stringWidth (weft::theme::wordmark(), "TARN"));
}

//==============================================================================
void TarnAudioProcessorEditor::paint (juce::Graphics& g)
{
    const int w = getWidth(), h = getHeight();
    const int headerW = juce::jmax (0, w - 2 * headerInset);
    const int headerH = juce::jmax (0, juce::jmin (h, headerHeight) - 2 * headerTop);
    const int headerRight = headerInset + headerW;

    g.setGradientFill (juce::ColourGradient (weft::kBackground.brighter (0.1f), (float) w / 2.0f, 0.0f,
                                             weft::kBackground.darker (0.18f), (float) w / 2.0f, (float) h, false));
    g.fillRect (getLocalBounds());

    paintRibbon (g, (float) wordmarkWidth() + emblemWidth + 16.0f);
    weft::ui::drawFennickEmblem (g, { (float) headerInset, (float) headerTop, emblemWidth, emblemHeight });

    const int tagH = juce::jmin (headerH, 14);
    g.setColour (weft::kAccent);
    g.setFont (weft::theme::tinyTag());
    g.drawFittedText ("FENNICK", { wordmarkX, headerTop, juce::jmax (0, headerW - 243), tagH }, juce::Justification::topLeft, 1);

    const int gap = juce::jmin (headerH - tagH, 2);
    const int wordH = juce::jmin (headerH - tagH - gap, 32);
    paintWordmark (g, (float) (headerTop + tagH + gap), (float) wordH);

    paintVersionBadge (g, { headerRight - 60, 40, 60, 22 });

    g.setColour (weft::kOutline);
    g.fillRect (headerInset, headerHeight, juce::jmax (0, w - 2 * headerInset), 1);
}

void TarnAudioProcessorEditor::resized()
{
    const int w = getWidth(), h = getHeight();
    const int hTop = juce::jmin (h, headerHeight);
    const int headerW = juce::jmax (0, w - 2 * headerInset);
    const int headerRight = headerInset + headerW;

    settingsButton.setBounds (headerRight - 98, 40, 26, 26);
    resetButton.setBounds (headerRight - 178, 40, 70, 26);
    resetPassButton.setBounds (headerRight - 280, 40, 96, 26);

    const int hintLeft = wordmarkX + wordmarkWidth() + 16, hintRight = headerRight - 292;
    const bool hintFits = hintRight - hintLeft >= minimumHintWidth;
    if (hintFits)
    {
        // A one-line hint sits in the 26 px band beside the header buttons; a longer one wraps over
        // the header's free height to the right of the wordmark.
        hintLabel.setBounds (hintLeft, hintTop, hintRight - hintLeft, hintBottom - hintTop);
        hintLabel.setOneLineBand ({ 0, 38 - hintTop, hintRight - hintLeft, 26 });
    }
    hintLabel.setVisible (hintFits);

    juce::Rectangle<int> content (headerInset, hTop + 24, headerW, juce::jmax (0, h - hTop - 48));
    auto toolbar = content.removeFromTop (32);
    viewSwitch.setBounds (toolbar.removeFromLeft (280));
    toolbar.removeFromLeft (12);
    weightPill.setBounds (toolbar.removeFromLeft (112).withSizeKeepingCentre (112, 26));
    toolbar.removeFromLeft (8);
    targetPill.setBounds (toolbar.removeFromLeft (124).withSizeKeepingCentre (124, 26));
    statusPill.setBounds (toolbar.removeFromRight (136).withSizeKeepingCentre (136, 26));

    content.removeFromTop (14);
    auto body = content;

    // While recording, STOP & SAVE shows in every view where the TRACK PASS view has it (the top
    // right of the body); in GUIDE it stands clear of the scroll bar.
    if (exporting && currentView != View::trackPass)
    {
        const int clearOfScrollBar = currentView == View::guide ? guideViewport.getScrollBarThickness() + 4 : 0;
        exportButton.setBounds (body.withHeight (26).removeFromRight (116).translated (-clearOfScrollBar, 0));
    }

    switch (currentView)
    {
        case View::live:      layoutLiveBody (body); break;
        case View::trackPass: layoutTrackPassBody (body); break;
        case View::guide:
        {
            versionLabel.setBounds (body.removeFromBottom (16));
            body.removeFromBottom (12);
            guideViewport.setBounds (body);
            const int gw = juce::jmax (100, body.getWidth() - guideViewport.getScrollBarThickness());
            guideView.setSize (gw, guideView.idealHeight (gw));
            break;
        }
    }
}

void TarnAudioProcessorEditor::layoutLiveBody (juce::Rectangle<int>& body)
{
    const int width = body.getWidth();

    auto verdictStrip = body.removeFromTop (60);
    translationRow.setBounds (verdictStrip.removeFromLeft ((width - 12) / 2));
    verdictStrip.removeFromLeft (12);
    pushDamageRow.setBounds (verdictStrip);

    body.removeFromTop (22);
    vuPair.setBounds (body.removeFromTop (168));
    body.removeFromTop (20);
    diagnosticsLabel.setBounds (body.removeFromTop (18));
    body.removeFromTop (8);

    auto grid = body.removeFromTop (272);
    auto leftColumn = grid.removeFromLeft ((width - 14) / 2);
    grid.removeFromLeft (14);
    auto rightColumn = grid;

    const auto rows = liveRows();
    for (size_t i = 0; i < numDiagnosticRows; ++i)
    {
        auto& column = i < numLeftColumnRows ? leftColumn : rightColumn;
        if (i != 0 && i != numLeftColumnRows)
            column.removeFromTop (8);
        rows[i]->setBounds (column.removeFromTop (32));
    }

    body.removeFromTop (12);
    versionLabel.setBounds (body.removeFromTop (16));
}

void TarnAudioProcessorEditor::layoutTrackPassBody (juce::Rectangle<int>& body)
{
    auto header = body.removeFromTop (26);
    exportButton.setBounds (header.removeFromRight (116));
    header.removeFromRight (8);
    trackPassLabel.setBounds (header);

    trackPassRows[0].setBounds (body.removeFromTop (56));
    body.removeFromTop (10);
    trackPassRows[1].setBounds (body.removeFromTop (26));
    for (size_t i = 2; i < trackPassRows.size(); ++i)
    {
        body.removeFromTop (4);
        trackPassRows[i].setBounds (body.removeFromTop (26));
    }

    body.removeFromTop (10);
    versionLabel.setBounds (body.removeFromTop (16));
}

std::array<TarnRow*, TarnAudioProcessorEditor::numLiveRows> TarnAudioProcessorEditor::liveRows()
{
    return { &peakRow, &rmsRow, &crestRow, &peakHoldRow, &truePeakRow, &punchRow,
             &lufsShortRow, &lufsIntegratedRow, &sideAirRow, &silkRow, &centreWeightRow, &forwardMidRow, &lowWidthRiskRow,
             &translationRow, &pushDamageRow };
}

void TarnAudioProcessorEditor::configureDiagnosticRow (TarnRow& row, bool alternate)
{
    row.setStyle (TarnRow::Style::diagnostic);
    row.setAlternate (alternate);
}

void TarnAudioProcessorEditor::configureVerdictRow (TarnRow& row) { row.setStyle (TarnRow::Style::verdict); }

void TarnAudioProcessorEditor::configureSectionLabel (juce::Label& label)
{
    label.setFont (weft::theme::font (Face::sansBold, 12.5f));
    label.setJustificationType (juce::Justification::centredLeft);
    label.setColour (juce::Label::textColourId, weft::kInfo);
}

//==============================================================================
void TarnAudioProcessorEditor::mouseEnter (const juce::MouseEvent& e)
{
    if (auto* client = dynamic_cast<juce::TooltipClient*> (e.originalComponent))
    {
        const auto tip = client->getTooltip();
        if (tip.isNotEmpty())
            hintLabel.setText (tip, juce::dontSendNotification);
    }
}

void TarnAudioProcessorEditor::mouseExit (const juce::MouseEvent&)
{
    hintLabel.setText (taglineText, juce::dontSendNotification);
}

//==============================================================================
void TarnAudioProcessorEditor::attachReadingHelp (TarnRow& row, const juce::String& title, const juce::String& hint,
                                                  const juce::String& help)
{
    row.setTooltip (hint + "  Click for the full story.");
    row.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    row.onClick = [this, &row, title, help] { showReadingHelp (row, title, help); };
}

void TarnAudioProcessorEditor::showReadingHelp (TarnRow& row, const juce::String& title, const juce::String& help)
{
    juce::CallOutBox::launchAsynchronously (std::make_unique<TarnHelpCallout> (title, help),
                                            getLocalArea (&row, row.getLocalBounds()), this);
}

//==============================================================================
void TarnAudioProcessorEditor::showMenu (juce::PopupMenu menu, juce::Component& anchor,
                                         std::function<void (TarnAudioProcessorEditor&, int)> onResult)
{
    // JUCE places a menu on a display; with none (a headless render) there is nothing to show it on.
    if (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
        return;

    menu.setLookAndFeel (&lookAndFeel);
    menu.showMenuAsync (juce::PopupMenu::Options().withTargetComponent (&anchor).withParentComponent (this),
                        [editor = juce::Component::SafePointer<TarnAudioProcessorEditor> (this), onResult] (int result)
                        {
                            if (editor != nullptr)   // the window may have closed while the menu was open
                                onResult (*editor, result);
                        });
}

void TarnAudioProcessorEditor::showSettingsMenu()
{
    showMenu (settings::settingsMenu(), settingsButton, [] (TarnAudioProcessorEditor&, int result)
    {
        if (const auto link = settings::linkForSettingsItem (result); link.isNotEmpty())
            juce::URL (link).launchInDefaultBrowser();
    });
}

void TarnAudioProcessorEditor::showWeightMenu()
{
    showMenu (settings::weightMenu (audioProcessor.kReference.load()), weightPill,
              [] (TarnAudioProcessorEditor& editor, int result) { editor.chooseWeight (result); });
}

void TarnAudioProcessorEditor::showTargetMenu()
{
    showMenu (settings::targetMenu (audioProcessor.destinationMode.load()), targetPill,
              [] (TarnAudioProcessorEditor& editor, int result) { editor.chooseTarget (result); });
}

void TarnAudioProcessorEditor::chooseWeight (int menuResult)
{
    const int k = settings::weightForResult (menuResult);
    if (k < 0)
        return;
    audioProcessor.kReference.store (k);
    weightPill.setLabel (settings::weightName (audioProcessor.kReference.load()));
}

void TarnAudioProcessorEditor::chooseTarget (int menuResult)
{
    const int m = settings::targetForResult (menuResult);
    if (m < 0)
        return;
    audioProcessor.destinationMode.store (m);
    targetPill.setLabel (settings::targetName (audioProcessor.destinationMode.load()));
}

//==============================================================================
void TarnAudioProcessorEditor::timerCallback() { refresh(); }

void TarnAudioProcessorEditor::refresh()
{
    // One copy of the readings per tick, so a verdict's word and colour come from the same block.
    const auto readings = audioProcessor.loadReadings();
    updateLiveRows (readings);
    updateStatusPill (readings.headroomState);
    updateTrackPassPanel();
    if (exporting)
        appendAnalysisRow();
}

void TarnAudioProcessorEditor::updateMetricRow (TarnRow& row, const juce::String& label, float value, const juce::String& unit)
{
    row.setContent (label, tarn::text::metricText (value, unit), weft::kLabelText);
}

void TarnAudioProcessorEditor::updateIndexRow (TarnRow& row, const juce::String& label, float value, const juce::String& word)
{
    row.setContent (label, tarn::text::indexText (value, word), weft::kLabelText);
}

void TarnAudioProcessorEditor::updateLiveRows (const TarnReadings& r)
{
    namespace text = tarn::text;

    updateMetricRow (peakRow, "PEAK", r.peakDb, " dBFS");
    updateMetricRow (rmsRow, "RMS", r.rmsDb, " dBFS");

    const float shift = settings::weightShiftDb (audioProcessor.kReference.load());
    vuPair.setLevels (r.vuLeftDb + shift, r.vuRightDb + shift);

    updateMetricRow (crestRow, "CREST", r.crestDb, " dB");
    updateMetricRow (peakHoldRow, "PEAK HOLD", r.peakHoldDb, " dBFS");
    updateMetricRow (truePeakRow, "TRUE PEAK", r.truePeakDb, " dBTP");
    updateMetricRow (lufsShortRow, "LUFS-S", r.lufsShort, " LUFS");
    updateMetricRow (lufsIntegratedRow, "LUFS-I", r.lufsIntegrated, " LUFS");

    updateIndexRow (sideAirRow, "SIDE AIR", r.sideAir, bandWords.sideAirText (r.sideAir));
    updateIndexRow (silkRow, "SILK", r.silk, bandWords.silkRatioText (r.silk));
    updateIndexRow (centreWeightRow, "CENTRE WEIGHT", r.centreWeight, bandWords.centreWeightText (r.centreWeight));
    updateIndexRow (forwardMidRow, "FORWARD MID", r.forwardMid, bandWords.forwardMidText (r.forwardMid));
    updateIndexRow (punchRow, "PUNCH", r.punch, bandWords.punchReserveText (r.punch));

    const int state = r.signalState;
    lowWidthRiskRow.setContent ("LOW WIDTH RISK", text::widthRiskText (state, r.lowWidthRiskLevel),
                                colourFor (text::widthRiskTone (state, r.lowWidthRiskLevel)));
    translationRow.setContent ("TRANSLATION", text::translationText (state, r.translation),
                               colourFor (text::translationTone (state, r.translation)));

    auto pushDamage = text::pushDamageText (state, r.pushDamageLevel);
    if (const auto reason = text::pushDamageReasonText (state, r.pushDamageReason); reason.isNotEmpty())
        pushDamage << " - " << reason;
    pushDamageRow.setContent ("PUSH DAMAGE", pushDamage, colourFor (text::pushDamageTone (state, r.pushDamageLevel)));
}

void TarnAudioProcessorEditor::updateStatusPill (int headroomState)
{
    statusPill.setStatus ("HEADROOM", tarn::text::headroomText (headroomState), colourFor (tarn::text::headroomTone (headroomState)));
}

void TarnAudioProcessorEditor::updateTrackPassPanel()
{
    audioProcessor.readTrackPass (shownPass);
    const auto rows = tarn::text::trackPassRows (shownPass);
    trackPassLabel.setText (tarn::text::trackPassLabelText (audioProcessor.trackPassState.load()), juce::dontSendNotification);
    for (size_t i = 0; i < rows.size(); ++i)
        trackPassRows[i].setContent (rows[i].caption, rows[i].text, colourFor (rows[i].tone));
}

//==============================================================================
void TarnAudioProcessorEditor::exportButtonClicked()
{
    if (exporting)
        stopAnalysisExport();
    else
        startAnalysisExport();
}

void TarnAudioProcessorEditor::startAnalysisExport()
{
    csvText.reset();
    csvText << tarn::text::csvHeader();
    audioProcessor.analysisResetRequested.store (true);
    audioProcessor.trackPassResetRequested.store (true);
    exportStartSamples = audioProcessor.samplesProcessed.load();
    exportStartMs = juce::Time::getMillisecondCounterHiRes();
    exporting = true;

    exportButton.setLabel ("STOP & SAVE");
    exportButton.setVisible (true);
    exportButton.toFront (false);   // above the LIVE tiles and the guide, so hover and click reach it
    resized();
    repaint();
}

void TarnAudioProcessorEditor::stopAnalysisExport()
{
    if (! exporting)
        return;

    exporting = false;
    exportButton.setLabel ("EXPORT PASS");
    exportButton.setVisible (currentView == View::trackPass);
    repaint();

    exportSaver.save (csvText.toString());
}

void TarnAudioProcessorEditor::appendAnalysisRow()
{
    if (! exporting)
        return;

    // t_sec counts audio actually processed, so it stands still while the host is stopped.
    const double sampleRate = audioProcessor.getSampleRate();
    const double seconds = sampleRate > 0.0
                               ? (double) (audioProcessor.samplesProcessed.load() - exportStartSamples) / sampleRate
                               : (juce::Time::getMillisecondCounterHiRes() - exportStartMs) / 1000.0;

    csvText << tarn::text::csvRowNow (audioProcessor, seconds, bandWords);
}

// The processor's side of the window, defined here so the processor needs no editor header.
juce::AudioProcessorEditor* TarnAudioProcessor::createEditor() { return new TarnAudioProcessorEditor (*this); }
