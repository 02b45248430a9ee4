// mkcapture: writes a capture file from its text description, or from the
// text forms other infrared tools print or store (--from). Outputs are
// planned before anything is read and committed only when everything was
// written (tools/shared/output_file.h), so a failed run changes no file.
#include "tools/mkcapture/mkcapture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/writer.h"
#include "tools/forms/registry.h"
#include "tools/shared/batch.h"
#include "tools/shared/command_line.h"
#include "tools/shared/description.h"
#include "tools/shared/output_file.h"
#include "tools/shared/record_layout.h"
#include "tools/shared/text_input.h"

namespace {

constexpr const char* kTool = kMkcaptureTool;

const std::vector<option_rule> kOptions = {
    {"--from", true},      {"--idle", true},      {"--copies", true},  {"--copy-gap", true},
    {"--header", true},    {"--frame-gap", true}, {"--split", true},   {"--unit", true},
    {"--truncate", false}, {"--manifest", true},  {"--strict", false}, {"--into", true},
};

struct options {
    bool from = false;                  // --from was given
    const signal_form* form = nullptr;  // nullptr with --from: auto
    layout_options layout;
    bool strict = false;  // an entry that cannot be read refuses the input
    read_settings reading;
    unsigned form_options = 0;  // the form_option bits given
    const char* manifest = nullptr;  // with --into, the end of each manifest's name
    const char* into = nullptr;      // --into DIR: a capture per input
    std::vector<const char*> inputs;  // one without --from; with it, any number, directories among them
    const char* input = nullptr;      // the first
    const char* output = nullptr;
};

// Refuses options that the form does not read.
problem check_form_options(const options& o, const signal_form& form, const std::string& reading_as) {
    const struct {
        form_option bit;
        const char* name;
    } checks[] = {{kUnitOption, "--unit"}};
    for (const auto& check : checks)
        if ((o.form_options & check.bit) != 0 && (form.options & check.bit) == 0)
            return usage_error(std::string(check.name) + " has no effect " + reading_as);
    return {};
}

// Reads the command line into `o`. Returns how the run ends when it ends
// here (after --help or --version too), nothing when it goes on.
std::optional<problem> read_options(int argc, char** argv, options& o) {
    command_line line;
    const std::string help = std::string(kDescriptionHelp) + import_help();
    if (auto ended = take_command_line(kTool, help, argc, argv, kOptions, line)) return ended;

    std::string_view needs_from;  // an option that only --from gives a meaning
    bool truncate_given = false, split_given = false;
    for (const given_option& option : line.options) {
        const std::string_view name = option.name;
        const auto number = [&](std::uint64_t low, std::uint64_t high) -> std::optional<std::uint64_t> {
            const std::optional<std::uint64_t> n = read_number(option.value, high);
            return n && *n >= low ? n : std::nullopt;
        };
        std::optional<std::uint64_t> n;
        if (name != "--from" && needs_from.empty()) needs_from = name;
        if (name == "--from") {
            o.from = true;
            o.form = find_form(option.value);
            if (o.form == nullptr && std::string_view(option.value) != "auto")
                return usage_error("unknown form " + ::quoted(option.value) + " (auto, " + form_names(false) + ")");
        } else if (name == "--manifest") {
            o.manifest = option.value;
        } else if (name == "--into") {
            o.into = option.value;
        } else if (name == "--truncate") {
            truncate_given = true;
        } else if (name == "--strict") {
            o.strict = true;
        } else if (name == "--idle" && (n = number(1, 0x7FFFFFFF))) {
            o.layout.idle = static_cast<std::uint32_t>(*n);
        } else if (name == "--copies" && (n = number(1, 256))) {
            o.layout.copies = static_cast<unsigned>(*n);
        } else if (name == "--copy-gap" && (n = number(1, 0x7FFFFFFF))) {
            o.layout.copy_gap = static_cast<std::uint32_t>(*n);
        } else if (name == "--header" && (n = number(0, 255))) {
            o.layout.header = static_cast<unsigned char>(*n);
        } else if ((name == "--frame-gap" || name == "--split") && (n = number(0, 0x7FFFFFFF))) {
            split_given = split_given || name == "--split";
            o.layout.frame_gap = static_cast<std::uint32_t>(*n);
        } else if (name == "--unit" && (n = number(1, 0x7FFFFFFF))) {
            o.reading.unit = static_cast<std::uint32_t>(*n);
            o.form_options |= kUnitOption;
        } else {
            return usage_error("bad value for " + std::string(name) + ": " + ::quoted(option.value));
        }
    }
    if (!o.from && !needs_from.empty()) return usage_error(std::string(needs_from) + " has no effect without --from");
    if (o.form != nullptr)
        if (problem p = check_form_options(o, *o.form, "with --from " + std::string(o.form->name)); p.failed())
            return p;
    if (o.into != nullptr) {
        if (line.operands.empty()) return usage_error("needs INPUT... with --into");
        if (o.manifest != nullptr && (o.manifest[0] != '.' || std::strchr(o.manifest, '/') != nullptr ||
                                      std::strchr(o.manifest, '\\') != nullptr))
            return usage_error("with --into, --manifest takes the end of each manifest's name, as '.manifest': " +
                               ::quoted(o.manifest));
        o.inputs.assign(line.operands.begin(), line.operands.end());
    } else {
        if (line.operands.size() < 2 || (!o.from && line.operands.size() != 2))
            return usage_error(o.from ? "needs INPUT... and OUTPUT" : "needs INPUT and OUTPUT");
        o.inputs.assign(line.operands.begin(), line.operands.end() - 1);
        o.output = line.operands.back();
    }
    o.input = o.inputs[0];
    if (truncate_given)
        warn(kTool, "--truncate has no effect: a signal longer than a record goes on into the next records");
    if (split_given) warn(kTool, "--split is now --frame-gap, for every form");
    return std::nullopt;
}

// The outputs, planned: refused when one is the same file as the input or
// as the other.
// A refusal when an output is the same file as the input at `path`.
problem check_input(const options& o, const output_file& capture, const output_file* manifest, const char* path) {
    if (same_regular_file(capture, path))
        return refusal(std::string("OUTPUT ") + o.output + " is the same file as INPUT " + path);
    if (manifest != nullptr && same_regular_file(*manifest, path))
        return refusal(std::string("--manifest ") + o.manifest + " is the same file as INPUT " + path);
    return {};
}

problem plan_outputs(const options& o, output_file& capture, output_file& manifest) {
    if (problem p = plan_output(o.output, true, capture); p.failed()) return p;
    if (o.manifest != nullptr)
        if (problem p = plan_output(o.manifest, false, manifest); p.failed()) return p;
    for (const char* input : o.inputs)
        if (problem p = check_input(o, capture, o.manifest != nullptr ? &manifest : nullptr, input); p.failed())
            return p;
    if (o.manifest == nullptr) return {};
    if (same_output(manifest, capture))
        return refusal(std::string("--manifest ") + o.manifest + " is the same file as OUTPUT " + o.output);
    return {};
}

// Opens every output and a writer on each, has `write` write them, then
// commits them all; on any failure abandons them all. `write` returns the
// run's problem, if it has one; a run that went on past one (left-out
// entries) returns it with its status and the outputs are committed.
template <class Write>
problem write_outputs(std::vector<output_file*> outputs, bool spool, Write write) {
    owned_writer writers[2];
    problem outcome;
    for (std::size_t i = 0; i < outputs.size() && !outcome.failed(); ++i) {
        outcome = open_output(*outputs[i], spool);
        if (!outcome.failed() && !out_init(writers[i].out, outputs[i]->fd))
            outcome = write_failure(*outputs[i], ENOMEM);
    }
    problem result;
    if (!outcome.failed()) {
        result = write(writers[0].out, outputs.size() > 1 ? &writers[1].out : nullptr);
        if (result.status == kStatusPartial)
            outcome = {};
        else
            outcome = result;
    }
    for (std::size_t i = 0; i < outputs.size() && !outcome.failed(); ++i)
        if (!out_flush(writers[i].out)) outcome = write_failure(*outputs[i], writers[i].out.error);
    if (!outcome.failed()) {
        outcome = commit_outputs(outputs);
        return outcome.failed() ? outcome : result;
    }
    for (output_file* o : outputs) abandon_output(*o);
    return outcome;
}

// The start of an input, which tells binary data and the form.
constexpr std::size_t kStart = std::size_t{1} << 16;

// The refusal of an input that is no text.
problem binary_input(const char* path) {
    return failure(std::string(path) + " looks like a binary file; are INPUT and OUTPUT swapped?");
}

// A form's reader's error, after where it is in the input.
std::string placed(const import_error& error) {
    std::string where = error.line == 0 ? "" : "line " + std::to_string(error.line);
    if (error.column != 0) where += ", column " + std::to_string(error.column);
    return where + (where.empty() ? "" : ": ") + error.message;
}

// What the import of all its inputs keeps: the outputs, and counts for the
// summary.
struct import_run {
    const options& o;
    const output_file& capture_file;
    const output_file* manifest_file;
    capture_writer capture;
    out_writer& capture_out;
    out_writer* manifest;
    layout_state state;
    bool many = false;    // more than one input, or a directory: each input's messages are fewer
    bool prefix = false;  // names carry their input's path (one capture of many inputs)
    std::uint64_t files = 0, signals = 0, skipped = 0, files_skipped = 0;
    left_out_counts* left_out = nullptr;  // the signals left out, by reason
};

bool write_failed(const import_run& r) {
    return r.capture_out.error != 0 || (r.manifest != nullptr && r.manifest->error != 0);
}

// Reads the signals of the input at `path` and lays each out as it comes.
// Returns the problem that ends the input; with many inputs one that costs
// the input only is counted and said as a warning.
problem import_file(import_run& r, const char* path) {
    const options& o = r.o;
    text_source source;
    if (const int error = open_text_source(path, source))
        return failure(std::string("cannot read ") + path + ": " + std::strerror(error));
    struct closer {
        text_source& source;
        ~closer() { close_text_source(source); }
    } close_at_end{source};
    // The start of the input tells binary data and the form.
    read_at_least(source, kStart);
    if (source.error != 0) return failure(std::string("cannot read ") + path + ": " + std::strerror(source.error));
    if (source_text(source).substr(0, 3) == "\xEF\xBB\xBF") source.start += 3;
    if (looks_binary(source_text(source).substr(0, 1024)) || (source.binary && source_text(source).size() < 1024))
        return binary_input(path);
    const signal_form* form = o.form;
    if (form == nullptr) {
        form = recognise_form(source_text(source).substr(0, kStart));
        if (form == nullptr)
            return failure(std::string(path) + ": cannot tell its form; name it with --from (" + form_names(false) +
                           ")");
        if (!r.many) warn(kTool, std::string(path) + ": read as " + std::string(form->name));
        if (problem p =
                check_form_options(o, *form, "on " + std::string(path) + ", read as " + std::string(form->name));
            p.failed())
            return p;
    }
    std::uint64_t signals = 0, skipped = 0;
    import_error strict_error;
    const auto warn_input = [&](const std::string& message) { warn(kTool, std::string(path) + ": " + message); };
    signal_sink sink;
    sink.skip = [&](const import_error& error) {
        if (o.strict) return strict_error = error, false;
        ++skipped;
        if (r.left_out != nullptr) count_left_out(*r.left_out, error.message);
        warn_input(placed(error) + "; left out");
        return true;
    };
    sink.take = [&](ir_signal& s) {
        if (s.durations.empty()) {
            const std::string label = s.name.empty() ? std::string(path) + ":" + std::to_string(s.line) : s.name;
            sink.skip(import_error{s.line, 0, "signal " + ::quoted(label) + " has no durations"});
            return;
        }
        ++signals;
        if (r.prefix && !s.name.empty()) s.name = std::string(path) + ": " + s.name;
        lay_out_signal(s, form->name, o.layout, r.state, r.capture, r.manifest, path, warn_input);
        // A failed write ends the reading: nothing more can be written.
        if (write_failed(r)) source.ended = true;
    };
    sink.note = [&](const std::string& note) {
        // A signal the form leaves out on purpose (a protocol it does not
        // encode) counts with those left out, by its reason.
        constexpr std::string_view kLeftOut = "; left out";
        if (r.left_out != nullptr && note.size() > kLeftOut.size() &&
            note.compare(note.size() - kLeftOut.size(), kLeftOut.size(), kLeftOut) == 0) {
            std::string_view reason = note;
            if (const std::size_t colon = reason.find(": ");
                reason.substr(0, 5) == "line " && colon != std::string_view::npos)
                reason.remove_prefix(colon + 2);
            count_left_out(*r.left_out, reason);
        }
        warn_input(note);
    };
    import_error error;
    const bool read = form->read(source, o.reading, sink, error);
    r.signals += signals;
    r.skipped += skipped;
    if (write_failed(r)) return {};  // said by the caller
    if (source.error != 0) return failure(std::string("cannot read ") + path + ": " + std::strerror(source.error));
    if (source.binary) return binary_input(path);
    if (!strict_error.message.empty()) return failure(std::string(path) + ": " + placed(strict_error));
    if (!read) return failure(std::string(path) + ": " + placed(error));
    if (signals == 0)
        return failure(std::string(path) + ": no signal in the input" + (skipped > 0 ? " that can be read" : ""));
    return {};
}

// The summary of many inputs: files, signals, those left out and why.
void say_summary(std::uint64_t files, std::uint64_t signals, std::uint64_t files_skipped,
                 const left_out_counts& left_out) {
    warn(kTool, std::to_string(files) + " files, " + std::to_string(signals) + " signals imported" +
                    (files_skipped > 0 ? ", " + std::to_string(files_skipped) + " files left out" : ""));
    if (left_out.total > 0) warn(kTool, left_out_text(left_out));
}

// Reads every input and lays its signals out; with many inputs, an input
// that cannot be imported is left out (said, and counted), unless --strict.
problem import_signals(import_run& r) {
    const options& o = r.o;
    r.capture = start_capture(r.capture_out, std::nullopt);
    write_header(r.capture, o.layout.header);
    if (r.manifest != nullptr) start_manifest(*r.manifest);
    problem outcome;
    const std::vector<batch_input> files = list_inputs(o.inputs);
    r.many = r.prefix = r.many || files.size() > 1;
    left_out_counts left_out;
    r.left_out = &left_out;
    progress_start(kTool, files.size(), "signals");
    for (const batch_input& file : files) {
        progress_step(r.files, r.signals, file.path);
        ++r.files;
        if (problem p = check_input(o, r.capture_file, r.manifest_file, file.path.c_str()); p.failed()) {
            outcome = p;
            break;
        }
        problem p = import_file(r, file.path.c_str());
        if (!p.failed() || write_failed(r)) continue;
        if (!r.many || o.strict) {
            outcome = p;
            break;
        }
        warn(kTool, p.message + "; left out");
        ++r.files_skipped;
    }
    progress_end();
    if (outcome.failed() || write_failed(r)) return outcome;
    if (r.many && r.signals == 0) return failure("no signal in the inputs that can be read");
    finish_capture(r.capture);  // a failed write is the caller's to say
    if (r.many) say_summary(r.files, r.signals, r.files_skipped, left_out);
    if (r.skipped > 0 || r.files_skipped > 0)
        return problem{kStatusPartial,
                       r.many ? "entries or files of the inputs were left out (--strict refuses them instead)"
                              : std::string(o.input) + ": " + std::to_string(r.skipped) +
                                    (r.skipped == 1 ? " entry" : " entries") +
                                    " left out (--strict refuses the input instead)",
                       false};
    return {};
}

// The form's name ends that an input's name loses for its capture's.
std::vector<std::string_view> input_ends() {
    std::vector<std::string_view> ends = {".cap", ".txt"};
    for (const signal_form* form : signal_forms()) ends.push_back(form->extension);
    return ends;
}

// --into DIR: a capture for each input, named after it below DIR, and with
// --manifest END a manifest beside each, its name the capture's and END.
// Every name is checked before anything is written; an input that cannot
// be imported is left out (said, counted, status 3) and its capture not
// written; an output that cannot be written ends the run (status 1), the
// captures written before it whole.
problem make_into(const options& o) {
    const std::vector<batch_input> files = list_inputs(o.inputs);
    const std::vector<std::string_view> ends = input_ends();
    std::vector<std::string> outputs;
    std::vector<batch_input> made_from;  // the input of each output
    for (const batch_input& file : files) {
        outputs.push_back(path_in(o.into, output_name(file.name, ends, ".cap")));
        made_from.push_back(file);
    }
    if (o.manifest != nullptr)
        for (std::size_t i = 0; i < files.size(); ++i) {
            outputs.push_back(outputs[i] + o.manifest);
            made_from.push_back(files[i]);
        }
    if (problem p = check_output_names(made_from, outputs); p.failed()) return p;

    left_out_counts left_out;
    if (files.empty()) return failure("no file in the inputs");
    std::uint64_t signals = 0, skipped = 0, files_skipped = 0;
    progress_start(kTool, files.size(), "signals");
    problem outcome;
    for (std::size_t i = 0; i < files.size() && !outcome.failed(); ++i) {
        const std::string& path = files[i].path;
        progress_step(i, signals, path);
        output_file capture, manifest;
        const std::string& manifest_path = o.manifest != nullptr ? outputs[files.size() + i] : outputs[i];
        if (const int error = make_folders_of(outputs[i]))
            outcome = failure("cannot make the folder of " + outputs[i] + ": " + std::strerror(error));
        if (!outcome.failed()) outcome = plan_output(outputs[i].c_str(), true, capture);
        if (!outcome.failed() && o.manifest != nullptr) outcome = plan_output(manifest_path.c_str(), false, manifest);
        if (!outcome.failed() && same_regular_file(capture, path.c_str()))
            outcome = refusal(outputs[i] + " is the same file as INPUT " + path);
        if (outcome.failed()) break;
        std::vector<output_file*> written = {&capture};
        if (o.manifest != nullptr) written.push_back(&manifest);
        problem input_problem;
        const problem p = write_outputs(written, false, [&](out_writer& out, out_writer* manifest_out) {
            import_run r{o, capture, o.manifest != nullptr ? &manifest : nullptr, {}, out, manifest_out, {}};
            r.many = true;
            r.left_out = &left_out;
            r.capture = start_capture(out, std::nullopt);
            write_header(r.capture, o.layout.header);
            if (manifest_out != nullptr) start_manifest(*manifest_out);
            input_problem = import_file(r, path.c_str());
            signals += r.signals;
            skipped += r.skipped;
            if (!input_problem.failed() && !write_failed(r)) finish_capture(r.capture);
            return input_problem.failed() ? input_problem : problem{};
        });
        if (!p.failed()) continue;
        if (!input_problem.failed() || o.strict) {
            outcome = p;
            break;
        }
        warn(kTool, p.message + "; left out");
        ++files_skipped;
    }
    progress_end();
    if (outcome.failed()) return outcome;
    say_summary(files.size(), signals, files_skipped, left_out);
    if (skipped > 0 || files_skipped > 0)
        return problem{kStatusPartial, "entries or files of the inputs were left out (--strict refuses them instead)",
                       false};
    return {};
}

// A description, read whole (it is read twice, to check it and to write
// it), then written.
problem make_from_description(const options& o, output_file& capture) {
    text_source source;
    if (const int error = open_text_source(o.input, source))
        return failure(std::string("cannot read ") + o.input + ": " + std::strerror(error));
    while (read_more(source)) {
    }
    close_text_source(source);
    if (source.error != 0) return failure(std::string("cannot read ") + o.input + ": " + std::strerror(source.error));
    std::string_view text = source_text(source);
    skip_byte_order_mark(text);
    if (source.binary || looks_binary(text.substr(0, 1024))) return binary_input(o.input);
    description d;
    std::string error;
    if (!read_description(text, d, error)) {
        // Another tool's file, given without --from.
        if (const signal_form* form = recognise_form(text.substr(0, kStart)))
            error += " (it reads as " + std::string(form->name) + ": use --from " + std::string(form->name) +
                     " or --from auto)";
        return failure(std::string(o.input) + ": " + error);
    }
    if (d.records == 0 && !d.size)
        warn(kTool, std::string(o.input) + ": no record and no size line: the capture holds only its header");
    return write_outputs({&capture}, false, [&](out_writer& out, out_writer*) {
        capture_writer writer = start_capture(out, d.size);
        write_description(text, d, writer);
        finish_capture(writer);  // a failed write is the caller's to say
        return problem{};
    });
}

// One run: the command line, the outputs planned, the input read and the
// outputs written as it comes.
problem run(int argc, char** argv) {
    options o;
    if (auto ended = read_options(argc, argv, o)) return *ended;
    if (o.into != nullptr) return make_into(o);
    output_file capture, manifest;
    if (problem p = plan_outputs(o, capture, manifest); p.failed()) return p;
    if (!o.from) return make_from_description(o, capture);
    std::vector<output_file*> outputs = {&capture};
    if (o.manifest != nullptr) outputs.push_back(&manifest);
    // Signals are written as they are read: a file is replaced only when all
    // went well, while standard output, a FIFO or a device gets the capture
    // as it is made, as from any tool that streams.
    return write_outputs(outputs, false, [&](out_writer& out, out_writer* manifest_out) {
        import_run r{o, capture, o.manifest != nullptr ? &manifest : nullptr, {}, out, manifest_out, {}};
        r.many = o.inputs.size() > 1;
        return import_signals(r);
    });
}

}  // namespace

problem run_mkcapture(int argc, char** argv) { return run(argc, argv); }
