// mkcapture: the importer's entry.
#include "platform/platform.h"
#include "tools/mkcapture/mkcapture.h"
#include "tools/shared/output_file.h"

namespace {

int run(int argc, char** argv) {
    start_companion(kMkcaptureTool);
    return report(kMkcaptureTool, run_mkcapture(argc, argv));
}

}  // namespace

// On Windows the command line comes in UTF-16 and is read in UTF-8, so that
// any path can be named.
#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) { return platform_run_utf8(argc, argv, run); }
#else
int main(int argc, char** argv) { return platform_run_utf8(argc, argv, run); }
#endif
