// The mode table, indexed by mode + 1.
#include "app/mode_table.h"

#include <iterator>

#include "passes/dump.h"
#include "passes/kanden.h"
#include "passes/mitsubishi.h"
#include "passes/sony.h"

namespace {

struct mode_passes {
    pass_routine passes[3];
};

// -1 and no mode at all: the three format decoders in turn, not the dump.
// Each pass reads the file through the window again; the page cache serves
// the second and third reads.
constexpr mode_passes kModes[] = {
    {{decode_kanden, decode_mitsubishi, decode_sony}},  // -1
    {{dump_records}},                                   // 0
    {{decode_kanden}},                                  // 1
    {{decode_mitsubishi}},                              // 2
    {{decode_sony}},                                    // 3
};

}  // namespace

int run_mode(std::int32_t mode, capture_image& image, out_writer& out, bool verbose) {
    const std::int64_t index = std::int64_t{mode} + 1;
    if (index < 0 || index >= std::ssize(kModes)) return 0;
    for (pass_routine pass : kModes[index].passes) {
        if (pass == nullptr) continue;
        if (const int error = pass(image, out, verbose)) return error;
    }
    return 0;
}
