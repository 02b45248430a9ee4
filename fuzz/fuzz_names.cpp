// libFuzzer target: names through every writer.
//
// The input is names, each a length byte (up to 63) and that many bytes:
// control bytes, quotes, separators, keywords, invalid UTF-8, whatever the
// fuzzer makes. Each becomes the name of a short signal; the signals are
// written in every form that can be written, and the text must hold no raw
// control byte and read back with the names the form keeps
// (fuzz/form_checks.h).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/form_checks.h"
#include "tools/forms/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::uint32_t> kShapes[] = {
        {9000, 4500, 560}, {2400, 600, 1200, 600}, {100, 200, 300, 400, 500}, {9000, 1000, 500, 500, 500, 1500}};
    std::vector<ir_signal> signals;
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = std::min<std::size_t>(data[at] % 64, size - at - 1);
        ir_signal s;
        s.name.assign(reinterpret_cast<const char*>(data + at + 1), length);
        s.durations = kShapes[signals.size() % 4];
        signals.push_back(std::move(s));
        at += 1 + length;
    }
    for (const signal_form* form : signal_forms()) {
        if (form->write_signal == nullptr) continue;
        std::vector<ir_signal> written;
        const std::string out = write_signals(*form, signals, written);
        if (written.size() != signals.size()) {
            std::fprintf(stderr, "fuzz_names: %.*s left a signal out\n", static_cast<int>(form->name.size()),
                         form->name.data());
            std::abort();
        }
        if (const std::string problem = compare_read_back(*form, out, written, true); !problem.empty()) {
            std::fprintf(stderr, "fuzz_names: %s\n", problem.c_str());
            std::abort();
        }
    }
    return 0;
}
