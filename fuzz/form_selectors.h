// What the first byte of a form target's input means, told to scripts/fuzz:
// run with TAVLIN_FUZZ_SELECTORS set, a target prints one line per form,
// "BYTE NAME EXTENSION", and exits, so that the seeds are made by the end of
// their file names and never by the order of the table of forms.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "tools/forms/registry.h"

// Prints the selectors when asked; `first` is the byte of the table's first
// form.
inline void tell_form_selectors(unsigned first) {
    if (std::getenv("TAVLIN_FUZZ_SELECTORS") == nullptr) return;
    unsigned byte = first;
    for (const signal_form* form : signal_forms())
        std::printf("%u %.*s %.*s\n", byte++, static_cast<int>(form->name.size()), form->name.data(),
                    static_cast<int>(form->extension.size()), form->extension.data());
    std::exit(0);
}
