// The table of signal forms.
#include "tools/forms/registry.h"

#include <algorithm>

#include "tools/forms/kit.h"
#include "tools/shared/command_line.h"

// The forms, declared here and defined each in its own file.
extern const signal_form kFlipperForm, kLircForm, kSendirForm, kProntoForm, kBroadlinkForm, kHomeAssistantForm,
    kJsonForm, kEsphomeForm, kYamlForm, kCArrayForm, kMode2Form, kIrCtlForm, kRawForm;
extern const signal_form kEsphomeLogForm, kTasmotaForm, kControlTowerForm;

namespace {

const char* const kImportStart =
    "\n"
    "usage: mkcapture --from FORM [OPTION...] INPUT... OUTPUT\n"
    "       mkcapture --from FORM [OPTION...] --into DIR INPUT...\n"
    "Writes the signals read from each INPUT (a directory: its files, below it)\n"
    "in another tool's form as records, in the order given:\n";

const char* const kLayoutAndOptions =
    "Durations are in microseconds. A signal is cut into frames at its gaps of\n"
    "at least the frame gap; each frame gets a record of its own, but that a\n"
    "frame that repeats the one before (the same count of durations, each\n"
    "within a quarter) stays with it while they fit one record. A record is\n"
    "word 0 (the idle time), the durations (bursts at odd words, gaps at even\n"
    "words), then 0, 0 and the record's note: the gap after it, and for a\n"
    "signal's first record its name, form, carrier, duty cycle and repeats,\n"
    "which tavlin-export and tavlin-view read. A frame longer than a record\n"
    "goes on into the next records. Word 510 holds 1, so that the SONY\n"
    "decoder reads a record without a long gap from its start.\n"
    "An entry of INPUT that cannot be read is left out with a line on standard\n"
    "error, and the status is then 3; the rest is written.\n"
    "Options (numbers decimal or 0x-hexadecimal):\n"
    "  --frame-gap N     a gap of at least N ends a frame (default 5000; 0: no\n"
    "                    signal is cut)\n"
    "  --strict          refuse INPUT when an entry of it cannot be read\n"
    "  --idle N          word 0 of every record (default 0x2000)\n"
    "  --copies N        copies of each signal laid out (default 1, or the\n"
    "                    signal's repeats + 1, apart by its last gap)\n"
    "  --copy-gap N      the gap before each further copy (default 0x20000)\n"
    "  --header BYTE     the header's fill byte (default 0)\n";

const char* const kOptionsEnd =
    "  --manifest FILE   write each record's number (hex, as tavlin prints\n"
    "                    it) and its signal's name or input line to FILE\n"
    "  --into DIR        a capture for each input file in DIR (made when\n"
    "                    missing), named after the file with '.cap' for its\n"
    "                    end; --manifest END then writes NAME.cap END beside\n"
    "                    each\n"
    "\n"
    "OUTPUT and the manifest: '-' is standard output; a device or a FIFO is\n"
    "written into; a file is replaced only when everything was written, and\n"
    "keeps its permissions; a symbolic link's target is replaced.\n"
    "  -h, --help        this text\n"
    "  --version         the version\n";

}  // namespace

std::string import_help() {
    std::string help =
        kImportStart + help_line("auto", 17, "whichever of the forms below INPUT plainly is (it says which)");
    for (const signal_form* form : signal_forms()) help += help_line(form->name, 17, form->summary);
    help += kLayoutAndOptions;
    help += "  --unit N          " + forms_with(kUnitOption) + ": microseconds per count (default 1)\n";
    return help + kOptionsEnd;
}

bool read_all_signals(const signal_form& form, std::string_view text, const read_settings& settings,
                      std::vector<ir_signal>& signals, std::vector<std::string>* notes, import_error& error) {
    text_source source = text_source_of(text);
    signal_sink sink{[&](ir_signal& s) { signals.push_back(std::move(s)); }, [](const import_error&) { return false; },
                     [&](const std::string& note) {
                         if (notes != nullptr) notes->push_back(note);
                     }};
    return form.read(source, settings, sink, error);
}

std::string forms_with(form_option bit) {
    std::vector<std::string_view> names;
    for (const signal_form* form : signal_forms())
        if ((form->options & bit) != 0) names.push_back(form->name);
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
    return list;
}

const std::vector<const signal_form*>& signal_forms() {
    // The order --from auto tries them: forms with a word of their own first,
    // plain numbers last.
    static const std::vector<const signal_form*> forms = {
        &kFlipperForm, &kLircForm,      &kEsphomeLogForm,    &kTasmotaForm, &kControlTowerForm, &kSendirForm,
        &kProntoForm,  &kBroadlinkForm, &kHomeAssistantForm, &kJsonForm,    &kEsphomeForm,      &kYamlForm,
        &kCArrayForm,  &kMode2Form,     &kIrCtlForm,         &kRawForm};
    return forms;
}

const signal_form* find_form(std::string_view name) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const signal_form* form : signal_forms())
        if (form->name.size() == name.size() &&
            std::equal(name.begin(), name.end(), form->name.begin(), [&](char a, char b) { return lower(a) == b; }))
            return form;
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
