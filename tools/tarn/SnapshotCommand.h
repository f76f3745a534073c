#pragma once

#include <juce_core/juce_core.h>

// The snapshot command as the command line sees it: the rest of the tool needs no editor header.
namespace tarn::snapshot
{
/** `tarn snapshot [--view live|track-pass|guide] [--out FILE.png] [FILE]`; returns the exit status. */
int command (const juce::StringArray& args);
} // namespace tarn::snapshot
