// mkcapture: the importer's entry.
#include "tools/mkcapture/mkcapture.h"
#include "tools/shared/output_file.h"

int main(int argc, char** argv) {
    start_companion(kMkcaptureTool);
    return report(kMkcaptureTool, run_mkcapture(argc, argv));
}
