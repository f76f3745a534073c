#pragma once

#include "Arguments.h"

namespace tarn::cli
{
// `tarn analyse`: analyses every file (or the demo programme), writes the report, the album
// table, the CSV and the JSON, and returns the exit status.
int analyseCommand (const Arguments& arguments);
} // namespace tarn::cli
