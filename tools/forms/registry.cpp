// The table of signal forms.
#include "tools/forms/registry.h"

#include "tools/forms/kit.h"

const char* const kImportHelp =
    "\n"
    "usage: mkcapture --from FORM [OPTION...] INPUT OUTPUT\n"
    "Writes one record per signal read from INPUT in another tool's form:\n"
    "  auto       whichever of the forms below INPUT plainly is (it says which)\n"
    "  lirc       LIRC remote files: raw codes, and codes of the space encoding\n"
    "  c-array    'NAME[N] = { ... };' arrays and 'Timing[N]:' blocks of IR\n"
    "             libraries' dump sketches, anywhere in the text\n"
    "  flipper    Flipper .ir files: raw signals, and parsed SIRC, SIRC15,\n"
    "             SIRC20, NEC and NECext ones\n"
    "  broadlink  Broadlink codes, '[name:] CODE' in base64 or hex\n"
    "  sendir     Global Cache 'sendir,M:P,ID,FREQ,REPEAT,OFFSET,ON,OFF,...'\n"
    "  pronto     learned Pronto codes, '0000 FFFF NNNN NNNN ...'\n"
    "  mode2      lines 'pulse N', 'space N', 'timeout N' (a long space or a\n"
    "             timeout ends a signal)\n"
    "  ir-ctl     '+N -N +N ...' or 'pulse N'/'space N', a signal ending at\n"
    "             '# timeout N' or a blank line\n"
    "  raw        one signal a line: '[name:] N N N ...' or 'N,N,N', burst first\n"
    "Durations are in microseconds. A record is word 0 (the idle time), the\n"
    "signal's copies (bursts at odd words, gaps at even words, the copy gap\n"
    "between copies, a trailing gap of the signal after the last), then 0;\n"
    "word 510 holds 1, so that the SONY decoder reads a record without a long\n"
    "gap from its start.\n"
    "Options (numbers decimal or 0x-hexadecimal):\n"
    "  --idle N          word 0 of every record (default 0x2000)\n"
    "  --copies N        copies of the signal in a record (default 1, or a\n"
    "                    Broadlink code's repeat count + 1)\n"
    "  --copy-gap N      the gap before each further copy (default 0x20000)\n"
    "  --header BYTE     the header's fill byte (default 0)\n"
    "  --split N         mode2: a space over N ends a signal (default 50000)\n"
    "  --unit N          c-array, raw: microseconds per count (default 1)\n"
    "  --truncate        cut a signal that does not fit in a record (508\n"
    "                    durations with its copies) instead of failing\n"
    "  --manifest FILE   write each record's number (hex, as tavlin prints\n"
    "                    it) and its signal's name or input line to FILE\n"
    "\n"
    "OUTPUT and the manifest: '-' is standard output; a device or a FIFO is\n"
    "written into; a file is replaced only when everything was written, and\n"
    "keeps its permissions; a symbolic link's target is replaced.\n"
    "  -h, --help        this text\n"
    "  --version         the version\n";

const std::vector<const signal_form*>& signal_forms() {
    // The order --from auto tries them: forms with a word of their own first,
    // plain numbers last.
    static const std::vector<const signal_form*> forms = {&kFlipperForm, &kLircForm,      &kSendirForm,
                                                          &kProntoForm,  &kBroadlinkForm, &kCArrayForm,
                                                          &kMode2Form,   &kIrCtlForm,     &kRawForm};
    return forms;
}

const signal_form* find_form(std::string_view name) {
    for (const signal_form* form : signal_forms())
        if (form->name == name) return form;
    return nullptr;
}

const signal_form* recognise_form(std::string_view text) {
    for (const signal_form* form : signal_forms())
        if (form->recognise(text)) return form;
    return nullptr;
}

std::string form_names(bool writable) {
    std::string names;
    for (const signal_form* form : signal_forms()) {
        if (writable && form->write_signal == nullptr) continue;
        if (!names.empty()) names += ", ";
        names += form->name;
    }
    return names;
}
