// tavlin-export: the exporter's entry.
#include "tools/export/export.h"
#include "tools/shared/output_file.h"

int main(int argc, char** argv) {
    start_companion(kExportTool);
    return report(kExportTool, run_export(argc, argv));
}
