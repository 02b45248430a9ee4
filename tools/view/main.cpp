// tavlin-view: the viewer's entry.
#include "tools/view/view.h"
#include "tools/shared/output_file.h"

int main(int argc, char** argv) {
    start_companion(kViewTool);
    return report(kViewTool, run_view(argc, argv));
}
