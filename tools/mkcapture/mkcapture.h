// mkcapture, as a function: what its main runs, and what the fuzz targets run
// in-process.
#pragma once

#include "tools/shared/problem.h"

inline constexpr const char* kMkcaptureTool = "mkcapture";

// One run of mkcapture on its command line; the problem says how it ends.
problem run_mkcapture(int argc, char** argv);
