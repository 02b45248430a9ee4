// The mode table, indexed by mode + 1.
#include "app/mode_table.h"

#include "passes/dump.h"

namespace {

struct mode_passes {
    pass_routine passes[3];
};

// -1 and no mode at all: the three format decoders; 0: the raw dump;
// 1, 2, 3: one format decoder each. The format decoders are not built yet.
constexpr mode_passes kModes[] = {
    {{}},               // -1: KANDEN, MITSUBISHI, SONY
    {{dump_records}},   // 0
    {{}},               // 1: KANDEN
    {{}},               // 2: MITSUBISHI
    {{}},               // 3: SONY
};

}  // namespace

void run_mode(std::int32_t mode, const capture_image& image, out_writer& out, bool verbose) {
    if (mode < -1 || mode > 3) return;
    for (pass_routine pass : kModes[mode + 1].passes) {
        if (pass != nullptr) pass(image, out, verbose);
    }
}
