// tavlin-export: writes the signals of a capture back out as text that
// another tool can send. A capture that mkcapture wrote gives back its
// signals as they were imported, from the records and their notes; any
// other record's signal is its words from 1 up to the first 0, burst first,
// in microseconds (word 0, the idle time, is not part of it).
#include "tools/export/export.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "output/writer.h"
#include "tools/forms/registry.h"
#include "tools/shared/batch.h"
#include "tools/shared/capture_file.h"
#include "tools/shared/command_line.h"
#include "tools/shared/output_file.h"
#include "tools/shared/record_layout.h"
#include "tools/shared/record_list.h"
#include "tools/shared/text_input.h"

namespace {

constexpr const char* kTool = kExportTool;

const char* const kHelpRest =
    "  --records LIST    the records to write, as tavlin numbers them (hex):\n"
    "                    1-1F,23,40- (default: all)\n"
    "  --names MANIFEST  name the signals after mkcapture's --manifest file\n"
    "                    (default: the capture's names, or record_N, N as\n"
    "                    tavlin numbers the record)\n"
    "  --into DIR        an output for each CAPTURE in the folder DIR, named\n"
    "                    after it with the form's end (.ir, .txt, ...); a\n"
    "                    folder as CAPTURE gives its .cap files below it\n";

const char* const kHelpEnd =
    "Pronto and sendir hold bursts and gaps in pairs, and a Broadlink code ends\n"
    "with a gap: a signal that ends with a burst gets a gap after it (100 ms,\n"
    "or 0x0D05 Broadlink ticks). Pronto, sendir and Broadlink count time in\n"
    "carrier cycles or ticks: each duration is rounded to the nearest.\n"
    "OUTPUT is written as mkcapture writes its files: replaced only when\n"
    "everything was written, never the same file as CAPTURE.\n"
    "  -h, --help        this text\n"
    "  --version         the version\n";

// The help text, with the forms the registry can write.
std::string help_text() {
    return std::string(
               "usage: tavlin-export --to FORM [--records LIST] [--names MANIFEST] [--carrier HZ] CAPTURE OUTPUT\n"
               "       tavlin-export --to FORM [--records LIST] [--carrier HZ] --into DIR CAPTURE...\n"
               "Writes the signals of the capture file CAPTURE ('-' reads standard input)\n"
               "to OUTPUT ('-' writes standard output) as text another tool can send. A\n"
               "capture that mkcapture wrote gives back its signals as imported, from its\n"
               "records and their notes: frames rejoined, the last gap, name, carrier,\n"
               "duty cycle and repeats. Any other record's signal is its words from 1 up\n"
               "to the first 0, in microseconds, burst first (word 0, the idle time, is\n"
               "left out). Records without a signal are left out.\n") +
           help_option("--to FORM", form_names(true) + " (mkcapture --from reads each back)") + kHelpRest +
           help_option("--carrier HZ",
                       "the carrier that " + forms_with(kCarrierOption) + " state (default: the signal's, or 38000)") +
           kHelpEnd;
}

const std::vector<option_rule> kOptions = {
    {"--to", true}, {"--records", true}, {"--names", true}, {"--carrier", true}, {"--into", true}};

struct options {
    const signal_form* form = nullptr;
    std::vector<record_range> records = {{1, UINT64_MAX}};
    const char* names = nullptr;
    std::uint32_t carrier = write_settings{}.carrier;  // --carrier, or the default of the forms that state one
    bool carrier_given = false;
    const char* capture = nullptr;
    const char* output = nullptr;
    const char* into = nullptr;         // --into DIR: an output per capture
    std::vector<const char*> captures;  // with --into
};

// Reads the command line. Returns how the run ends when it ends here,
// nothing when it goes on.
std::optional<problem> read_options(int argc, char** argv, options& o) {
    command_line line;
    if (auto ended = take_command_line(kTool, help_text(), argc, argv, kOptions, line)) return ended;
    for (const given_option& option : line.options) {
        const std::string_view name = option.name;
        if (name == "--to") {
            o.form = find_form(option.value);
            if (o.form == nullptr || o.form->write_signal == nullptr)
                return usage_error("cannot write " + quoted(option.value) + " (" + form_names(true) + ")");
        } else if (name == "--records") {
            if (const std::string error = read_record_list(option.value, o.records); !error.empty())
                return usage_error(error);
        } else if (name == "--names") {
            o.names = option.value;
        } else if (name == "--into") {
            o.into = option.value;
        } else {
            const std::optional<std::uint64_t> hz = read_number(option.value, 500000);
            if (!hz || *hz < 15000)
                return usage_error("bad value for --carrier: " + quoted(option.value) + " (15000 to 500000)");
            o.carrier = static_cast<std::uint32_t>(*hz);
            o.carrier_given = true;
        }
    }
    if (o.form == nullptr) return usage_error("needs --to FORM (" + form_names(true) + ")");
    if (o.carrier_given && (o.form->options & kCarrierOption) == 0)
        return usage_error("--carrier has no effect with --to " + std::string(o.form->name));
    if (o.into != nullptr) {
        if (o.names != nullptr) return usage_error("--names names the signals of one capture: not with --into");
        if (line.operands.empty()) return usage_error("needs CAPTURE... with --into");
        o.captures.assign(line.operands.begin(), line.operands.end());
        return std::nullopt;
    }
    if (line.operands.size() != 2) return usage_error("needs CAPTURE and OUTPUT");
    o.capture = line.operands[0];
    o.output = line.operands[1];
    return std::nullopt;
}

// The names of mkcapture's manifest.
problem read_names(const char* path, std::map<std::uint64_t, std::string>& names) {
    std::string text;
    if (const int error = read_text_file(path, text))
        return failure(std::string("cannot read ") + path + ": " + std::strerror(error));
    std::string_view manifest = text;
    skip_byte_order_mark(manifest);
    if (looks_binary(manifest)) return failure(std::string(path) + " looks like a binary file, not a manifest");
    if (const std::string error = read_manifest(text, names); !error.empty())
        return failure(std::string(path) + ": " + error);
    return {};
}

// A manifest that names a record past the capture's last is another
// capture's: its names would be given to the wrong signals.
problem check_names(const options& o, const std::map<std::uint64_t, std::string>& names, std::uint64_t records) {
    if (names.empty() || records == kUnknownRecords || names.rbegin()->first <= records) return {};
    return failure(std::string("--names ") + o.names + " names record " + record_number_text(names.rbegin()->first) +
                   ", past the last record of " + o.capture + " (" + record_number_text(records) +
                   "): it is the manifest of another capture");
}

// Writes the signals of the listed records through `out` as the form's
// text; with no writer, only checks that every one can be written, and
// warns of nothing. A signal that mkcapture laid out over several records
// is written whole when all its records are listed.
problem export_records(const options& o, const std::map<std::uint64_t, std::string>& names, capture_file& capture,
                       out_writer* out) {
    std::string text;
    write_settings settings;  // each walk names its arrays and keys afresh
    if (o.form->write_around != nullptr) o.form->write_around(false, settings, text);
    std::uint64_t written = 0;
    problem outcome;
    // Consecutive records without a signal are warned of as one range, so
    // that a sparse capture gives a line, not a line per record.
    std::uint64_t empty_first = 0, empty_last = 0;
    const auto warn_empty = [&] {
        if (out != nullptr && empty_first != 0)
            warn(kTool, empty_first == empty_last
                            ? "record " + record_number_text(empty_first) + " holds no signal; left out"
                            : "records " + record_number_text(empty_first) + "-" + record_number_text(empty_last) +
                                  " hold no signal; left out");
        empty_first = 0;
    };
    std::vector<std::uint32_t> checked;
    const auto each = [&](const read_back_signal& back) {
        if (outcome.failed()) return;
        if (back.signal.durations.empty()) {
            if (empty_first != 0 && back.first != empty_last + 1) warn_empty();
            if (empty_first == 0) empty_first = back.first;
            empty_last = back.last;
            return;
        }
        warn_empty();
        ir_signal s = back.signal;
        // --names overrides the name the capture holds.
        if (const auto named = names.find(back.first); named != names.end())
            s.name = named->second;
        else if (!back.noted || s.name.empty())
            s.name = "record_" + record_number_text(back.first);
        settings.carrier = o.carrier_given || s.carrier == 0 ? o.carrier : s.carrier;
        std::string what;
        const bool made = o.form->write_signal(s, settings, text, what);
        if (!made) {
            const std::string records = back.first == back.last ? "record " + record_number_text(back.first)
                                                                : "records " + record_number_text(back.first) + "-" +
                                                                      record_number_text(back.last);
            outcome = failure(records + ": " + what);
            return;
        }
        ++written;
        if (out != nullptr) out_text(*out, text);
        text.clear();
    };
    signal_reading reading;
    for_each_listed(o.records, capture.records, [&](std::uint64_t number) {
        const std::string number_text = record_number_text(number);
        word_span record;
        if (!capture.stream)
            record = image_words(capture.image, record_first_word(number), kRecordWords);
        else if (!stream_record(capture, number, record))
            return false;  // the end of the stream, or a failed read of it
        std::uint64_t negative_word = 0;
        bool ended;
        if (const int error = read_record_signal(record, false, checked, negative_word, ended))
            outcome = failure(std::string("cannot read ") + o.capture + ": " + std::strerror(error));
        else if (negative_word != 0)
            outcome = failure("record " + number_text + ": word " + std::to_string(negative_word) +
                              " is negative, no duration");
        else
            read_back_record(reading, number, record, each);
        return !outcome.failed();
    });
    if (!outcome.failed()) finish_read_back(reading, each);
    warn_empty();
    if (outcome.failed() || out == nullptr) return outcome;
    if (capture.stream && capture.error != 0)
        return failure(std::string("cannot read ") + o.capture + ": " + std::strerror(capture.error));
    // A stream's last record is known only at its end.
    if (capture.stream && capture.ended) {
        if (const std::uint64_t past = first_past(o.records, capture.next - 1))
            return failure("record " + record_number_text(past) + " is past the last record of " + o.capture);
        if (problem p = check_names(o, names, capture.next - 1); p.failed()) return p;
    }
    if (o.form->write_around != nullptr) o.form->write_around(true, settings, text);
    out_text(*out, text);
    if (written == 0) warn(kTool, "no record of " + std::string(o.capture) + " holds a signal");
    return {};
}

// The export of one capture: the output planned, the capture opened, its
// records written.
problem export_capture(const options& o, const std::map<std::uint64_t, std::string>& names) {
    output_file output;
    if (problem p = plan_output(o.output, false, output); p.failed()) return p;
    if (same_regular_file(output, o.capture))
        return refusal(std::string("OUTPUT ") + o.output + " is the same file as CAPTURE " + o.capture);
    if (o.names != nullptr && same_regular_file(output, o.names))
        return refusal(std::string("OUTPUT ") + o.output + " is the same file as --names " + o.names);
    capture_file capture;
    if (problem p = open_capture_file(o.capture, capture, true); p.failed()) return p;
    if (const std::uint64_t past = first_past(o.records, capture.records)) {
        close_capture_file(capture);
        return failure("record " + record_number_text(past) + " is past the last record of " + o.capture);
    }
    if (problem p = check_names(o, names, capture.records); p.failed()) {
        close_capture_file(capture);
        return p;
    }

    // An output that cannot be taken back (standard output, a FIFO, a
    // device) gets nothing unless every record can be written. From a file,
    // the records are checked in a first walk that writes nothing; a stream
    // can be walked once only, so its export is spooled and copied out at
    // the end.
    owned_writer writer;
    out_writer& out = writer.out;
    problem outcome = open_output(output, capture.stream);
    if (!outcome.failed() && !output.spooled && output.how != output_file::kind::replace)
        outcome = export_records(o, names, capture, nullptr);
    // Signals go out through the writer as they are made; on a failure the
    // output is abandoned, and a replaced file stays as it was.
    if (!outcome.failed())
        outcome = out_init(out, output.fd) ? export_records(o, names, capture, &out) : write_failure(output, ENOMEM);
    close_capture_file(capture);
    if (!outcome.failed() && !out_flush(out)) outcome = write_failure(output, out.error);
    if (!outcome.failed()) outcome = commit_output(output);
    if (outcome.failed()) abandon_output(output);
    return outcome;
}

// --into DIR: each capture exported to DIR, named after it (below a folder
// named, its path below it) with the form's end. Every name is checked
// before anything is written; a capture that cannot be exported is left out
// (said, status 3) and its output not written; one that cannot be written
// ends the run.
problem export_into(options o) {
    const std::vector<batch_input> captures = list_inputs(o.captures, ".cap");
    if (captures.empty()) return failure("no capture in the inputs");
    std::vector<std::string> outputs;
    for (const batch_input& capture : captures)
        outputs.push_back(path_in(o.into, output_name(capture.name, {".cap"}, o.form->extension)));
    if (problem p = check_output_names(captures, outputs); p.failed()) return p;
    progress_start(kTool, captures.size(), nullptr);
    std::uint64_t left_out = 0;
    for (std::size_t i = 0; i < captures.size(); ++i) {
        progress_step(i, 0, captures[i].path);
        o.capture = captures[i].path.c_str();
        o.output = outputs[i].c_str();
        problem p;
        if (const int error = make_folders_of(outputs[i]))
            p = failure("cannot make the folder of " + outputs[i] + ": " + std::strerror(error));
        else
            p = export_capture(o, {});
        if (!p.failed()) continue;
        // The capture's own faults cost it only; the outputs' end the run.
        if (p.message.rfind("cannot write ", 0) == 0 || p.message.rfind("cannot create ", 0) == 0 ||
            p.message.rfind("cannot make ", 0) == 0) {
            progress_end();
            return p;
        }
        warn(kTool, p.message + "; left out");
        ++left_out;
    }
    progress_end();
    warn(kTool, std::to_string(captures.size()) + " captures, " + std::to_string(captures.size() - left_out) +
                    " exported" + (left_out > 0 ? ", " + std::to_string(left_out) + " left out" : ""));
    if (left_out > 0) return problem{kStatusPartial, "captures of the inputs were left out", false};
    return {};
}

// One run: the command line, the names, then one capture's export or many.
problem run(int argc, char** argv) {
    options o;
    if (auto ended = read_options(argc, argv, o)) return *ended;
    if (o.into != nullptr) return export_into(o);
    std::map<std::uint64_t, std::string> names;
    if (o.names != nullptr)
        if (problem p = read_names(o.names, names); p.failed()) return p;
    return export_capture(o, names);
}

}  // namespace

problem run_export(int argc, char** argv) { return run(argc, argv); }
