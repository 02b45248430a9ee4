// tavlin-export, as a function: what its main runs, and what the fuzz targets run
// in-process.
#pragma once

#include "tools/shared/problem.h"

inline constexpr const char* kExportTool = "tavlin-export";

// One run of tavlin-export on its command line; the problem says how it ends.
problem run_export(int argc, char** argv);
