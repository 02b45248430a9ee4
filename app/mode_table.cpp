// The mode table, indexed by mode + 1.
#include "app/mode_table.h"

#include "passes/all_formats.h"
#include "passes/dump.h"
#include "passes/kanden.h"
#include "passes/mitsubishi.h"
#include "passes/sony.h"

namespace {

struct mode_passes {
    pass_routine passes[3];
};

// -1 and no mode at all: the three format decoders, not the dump, in one
// walk of the records that prints what they print one after the other.
constexpr mode_passes kModes[] = {
    {{decode_all_formats}},  // -1
    {{dump_records}},        // 0
    {{decode_kanden}},       // 1
    {{decode_mitsubishi}},   // 2
    {{decode_sony}},         // 3
};

}  // namespace

void run_mode(std::int32_t mode, const capture_image& image, out_writer& out, bool verbose) {
    if (mode < -1 || mode > 3) return;
    for (pass_routine pass : kModes[mode + 1].passes) {
        if (pass != nullptr) pass(image, out, verbose);
    }
}
