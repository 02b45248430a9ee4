// libFuzzer target: signals through every form and back.
//
// The first byte chooses the form that reads the rest; every signal it
// accepts is then written in every form that can be written and read back,
// and must come back the same (fuzz/form_checks.h says how the same).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/form_selectors.h"
#include "fuzz/form_checks.h"
#include "tools/forms/registry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tell_form_selectors(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::vector<const signal_form*>& forms = signal_forms();
    const signal_form& reader = *forms[data[0] % forms.size()];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<ir_signal> signals;
    import_error error;
    if (!read_all_signals(reader, text, read_settings{}, signals, nullptr, error)) return 0;
    for (const ir_signal& s : signals)
        if (s.durations.empty()) {
            std::fprintf(stderr, "fuzz_roundtrip: %.*s returned a signal without durations\n",
                         static_cast<int>(reader.name.size()), reader.name.data());
            std::abort();
        }
    for (const signal_form* form : forms) {
        if (form->write_signal == nullptr) continue;
        std::vector<ir_signal> written;
        const std::string out = write_signals(*form, signals, written);
        if (const std::string problem = compare_read_back(*form, out, written, true); !problem.empty()) {
            std::fprintf(stderr, "fuzz_roundtrip: read with %.*s, %s\n", static_cast<int>(reader.name.size()),
                         reader.name.data(), problem.c_str());
            std::abort();
        }
    }
    return 0;
}
