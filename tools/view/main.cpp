// tavlin-view: the viewer's entry.
#include "platform/platform.h"
#include "tools/view/view.h"
#include "tools/shared/output_file.h"

namespace {

int run(int argc, char** argv) {
    start_companion(kViewTool);
    return report(kViewTool, run_view(argc, argv));
}

}  // namespace

// On Windows the command line comes in UTF-16 and is read in UTF-8, so that
// any path can be named.
#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) { return platform_run_utf8(argc, argv, run); }
#else
int main(int argc, char** argv) { return platform_run_utf8(argc, argv, run); }
#endif
