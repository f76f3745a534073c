#pragma once

#include "PluginProcessor.h"

#include <juce_gui_basics/juce_gui_basics.h>

// The plug-in window. For now an empty 740 x 786 window; the views come with the interface kit.
class TarnAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    explicit TarnAudioProcessorEditor (TarnAudioProcessor&);
    ~TarnAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;

private:
    TarnAudioProcessor& audioProcessor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarnAudioProcessorEditor)
};
