// One run of the decoder over one capture file.
#pragma once

#include "platform/platform.h"

// Returns the process exit status.
int run_tavlin(int argc, native_char** argv);
