#pragma once

#include "PluginProcessor.h"

#include <cmath>

// True when every published reading in the copy is a finite number.
inline bool allReadingsFinite (const TarnReadings& r)
{
    bool finite = true;
#define TARN_CHECK_FINITE(type, name, resetValue) finite = finite && std::isfinite ((double) r.name);
    TARN_PUBLISHED_READINGS (TARN_CHECK_FINITE)
#undef TARN_CHECK_FINITE
    return finite;
}
