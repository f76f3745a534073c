#include "PluginEditor.h"

TarnAudioProcessorEditor::TarnAudioProcessorEditor (TarnAudioProcessor& p)
    : juce::AudioProcessorEditor (&p), audioProcessor (p)
{
    setSize (740, 786);
}

TarnAudioProcessorEditor::~TarnAudioProcessorEditor() = default;

void TarnAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff0b0c0e));
}

void TarnAudioProcessorEditor::resized() {}
