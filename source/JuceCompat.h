#pragma once

// Every difference between JUCE 7 (Debian's 7.0.5) and JUCE 8 that Tarn's code meets lives here,
// so the rest of the code is written once, in JUCE 8's spelling, and builds on both.

#include <juce_core/juce_core.h>

#if JUCE_MAJOR_VERSION >= 8
 #define TARN_JUCE8 1
#else
 #define TARN_JUCE8 0
#endif
