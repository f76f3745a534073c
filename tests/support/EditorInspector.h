#pragma once

// The tests' view of the editor's children and private steps (the editor befriends this struct).

#include "PluginEditor.h"
#include "TarnHelpCallout.h"

struct TarnEditorInspector
{
    TarnAudioProcessorEditor& e;

    using View = TarnAudioProcessorEditor::View;

    auto& viewSwitch() { return e.viewSwitch; }
    auto& settingsButton() { return e.settingsButton; }
    auto& resetButton() { return e.resetButton; }
    auto& resetPassButton() { return e.resetPassButton; }
    auto& exportButton() { return e.exportButton; }
    auto& weightPill() { return e.weightPill; }
    auto& targetPill() { return e.targetPill; }
    auto& hintLabel() { return e.hintLabel; }
    auto& vuPair() { return e.vuPair; }
    auto& statusPill() { return e.statusPill; }
    auto& guideViewport() { return e.guideViewport; }
    auto& diagnosticsLabel() { return e.diagnosticsLabel; }
    auto& trackPassLabel() { return e.trackPassLabel; }
    auto& trackPassRows() { return e.trackPassRows; }
    auto& versionLabel() { return e.versionLabel; }
    auto& translationRow() { return e.translationRow; }
    auto& pushDamageRow() { return e.pushDamageRow; }
    auto& lowWidthRiskRow() { return e.lowWidthRiskRow; }
    auto& sideAirRow() { return e.sideAirRow; }
    auto& punchRow() { return e.punchRow; }
    auto& peakRow() { return e.peakRow; }
    auto& crestRow() { return e.crestRow; }
    auto& bandWords() { return e.bandWords; }
    juce::String csvText() { return e.csvText.toString(); }
    std::array<TarnRow*, 15> liveRows() { return e.liveRows(); }

    void chooseWeight (int result) { e.chooseWeight (result); }
    void chooseTarget (int result) { e.chooseTarget (result); }
    void showSettingsMenu() { e.showSettingsMenu(); }
    void showWeightMenu() { e.showWeightMenu(); }

    /** The call-out boxes currently shown over the editor. */
    std::vector<juce::CallOutBox*> callOuts()
    {
        std::vector<juce::CallOutBox*> boxes;
        for (auto* child : e.getChildren())
            if (auto* box = dynamic_cast<juce::CallOutBox*> (child))
                boxes.push_back (box);
        return boxes;
    }
};
