#pragma once

// The header's three pop-up menus: settings (about and links), the WEIGHT chooser (K-system
// reference of the VU pair) and the TARGET chooser (destination of the PUSH DAMAGE verdict). The
// menus are built here; the editor shows them and acts on the choice.

#include <juce_gui_basics/juce_gui_basics.h>

namespace settings
{
constexpr int numWeights = 8;   // K-4 .. K-20
constexpr int numTargets = 3;   // Off, Streaming, Club / DJ

/** Pill texts; out-of-range settings are clamped, so every stored value has a label. */
juce::String weightName (int kReference);    // "WEIGHT  K-18"
juce::String targetName (int destinationMode); // "TARGET  STREAM"

/** VU shift in dB for a K reference (clamped): -14 for K-4 up to +2 for K-20, 0 for K-18. */
float weightShiftDb (int kReference);

/** Item ids 1..8 / 1..3, the current setting ticked. */
juce::PopupMenu weightMenu (int kReference);
juce::PopupMenu targetMenu (int destinationMode);
juce::PopupMenu settingsMenu();

/** The setting a chooser's result selects, or -1 when the menu was dismissed (result 0 or less). */
int weightForResult (int result);
int targetForResult (int result);

/** The link a settings-menu item opens, or an empty string for items that open nothing. */
juce::String linkForSettingsItem (int result);
} // namespace settings
