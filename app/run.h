// One run of the decoder over one capture file.
#pragma once

// Returns the process exit status.
int run_tavlin(int argc, char** argv);
