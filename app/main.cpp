// tavlin: decodes captured infrared remote-control signals.
#include "app/run.h"

// On Windows the command line comes as the system holds it, in UTF-16, so
// that any path can be opened.
#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) { return run_tavlin(argc, argv); }
#else
int main(int argc, char** argv) { return run_tavlin(argc, argv); }
#endif
