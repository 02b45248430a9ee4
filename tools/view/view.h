// tavlin-view, as a function: what its main runs, and what the fuzz targets run
// in-process.
#pragma once

#include "tools/shared/problem.h"

inline constexpr const char* kViewTool = "tavlin-view";

// One run of tavlin-view on its command line; the problem says how it ends.
problem run_view(int argc, char** argv);
