#pragma once

#include "Analyser.h"
#include "PluginEditor.h"
#include "SnapshotCommand.h"

// Pictures of the plug-in window: a programme played through the processor with the real editor
// open on it, ticking as it would at 20 Hz, then the window rendered at its view's size.
namespace tarn::snapshot
{
using View = TarnAudioProcessorEditor::View;

bool parseView (const juce::String& name, View& view);   // "live", "track-pass", "guide"
juce::String viewName (View view);

/** Plays `programme` and renders the editor in `view`: 740 x 786, 694 or 640 pixels. For the
    TRACK PASS view the programme is followed by silence until the pass freezes. On a read failure
    returns an invalid image and says why. */
juce::Image render (const analyser::Programme& programme, View view, juce::String& error);
} // namespace tarn::snapshot
