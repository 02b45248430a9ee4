// mkcapture: writes a capture file from its text description, or from the
// text forms other infrared tools print or store (--from). Outputs are
// planned before anything is read and committed only when everything was
// written (tools/shared/output_file.h), so a failed run changes no file.
#include "tools/mkcapture/mkcapture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/writer.h"
#include "tools/shared/command_line.h"
#include "tools/shared/description.h"
#include "tools/shared/output_file.h"
#include "tools/shared/record_layout.h"
#include "tools/forms/registry.h"
#include "tools/shared/text_input.h"

namespace {

constexpr const char* kTool = kMkcaptureTool;

const std::vector<option_rule> kOptions = {
    {"--from", true},  {"--idle", true}, {"--copies", true},    {"--copy-gap", true}, {"--header", true},
    {"--split", true}, {"--unit", true}, {"--truncate", false}, {"--manifest", true},
};

struct options {
    bool from = false;                  // --from was given
    const signal_form* form = nullptr;  // nullptr with --from: auto
    layout_options layout;
    bool copies_given = false;
    read_settings reading;
    unsigned form_options = 0;  // the form_option bits given
    const char* manifest = nullptr;
    const char* input = nullptr;
    const char* output = nullptr;
};

// Refuses options that the form does not read.
problem check_form_options(const options& o, const signal_form& form, const std::string& reading_as) {
    const struct {
        form_option bit;
        const char* name;
    } checks[] = {{kSplitOption, "--split"}, {kUnitOption, "--unit"}};
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
                return usage_error("unknown form " + quoted(option.value) + " (auto, " + form_names(false) + ")");
        } else if (name == "--manifest") {
            o.manifest = option.value;
        } else if (name == "--truncate") {
            o.layout.truncate = true;
        } else if (name == "--idle" && (n = number(1, 0x7FFFFFFF))) {
            o.layout.idle = static_cast<std::uint32_t>(*n);
        } else if (name == "--copies" && (n = number(1, kMostDurations))) {
            o.layout.copies = static_cast<unsigned>(*n);
            o.copies_given = true;
        } else if (name == "--copy-gap" && (n = number(1, 0x7FFFFFFF))) {
            o.layout.copy_gap = static_cast<std::uint32_t>(*n);
        } else if (name == "--header" && (n = number(0, 255))) {
            o.layout.header = static_cast<unsigned char>(*n);
        } else if (name == "--split" && (n = number(1, 0x7FFFFFFF))) {
            o.reading.split_gap = static_cast<std::uint32_t>(*n);
            o.form_options |= kSplitOption;
        } else if (name == "--unit" && (n = number(1, 0x7FFFFFFF))) {
            o.reading.unit = static_cast<std::uint32_t>(*n);
            o.form_options |= kUnitOption;
        } else {
            return usage_error("bad value for " + std::string(name) + ": " + quoted(option.value));
        }
    }
    if (!o.from && !needs_from.empty())
        return usage_error(std::string(needs_from) + " has no effect without --from");
    if (o.form != nullptr)
        if (problem p = check_form_options(o, *o.form, "with --from " + std::string(o.form->name)); p.failed())
            return p;
    if (line.operands.size() != 2) return usage_error("needs INPUT and OUTPUT");
    o.input = line.operands[0];
    o.output = line.operands[1];
    return std::nullopt;
}

// The outputs, planned: refused when one is the same file as the input or
// as the other.
problem plan_outputs(const options& o, output_file& capture, output_file& manifest) {
    if (problem p = plan_output(o.output, true, capture); p.failed()) return p;
    if (same_regular_file(capture, o.input))
        return refusal(std::string("OUTPUT ") + o.output + " is the same file as INPUT " + o.input);
    if (o.manifest == nullptr) return {};
    if (problem p = plan_output(o.manifest, false, manifest); p.failed()) return p;
    if (same_regular_file(manifest, o.input))
        return refusal(std::string("--manifest ") + o.manifest + " is the same file as INPUT " + o.input);
    if (same_output(manifest, capture))
        return refusal(std::string("--manifest ") + o.manifest + " is the same file as OUTPUT " + o.output);
    return {};
}

// Opens every output, writes each through `write`, then commits them all; on
// any failure abandons them all.
template <class Write>
problem write_outputs(std::vector<output_file*> outputs, Write write) {
    owned_writer writer;
    out_writer& out = writer.out;
    problem outcome;
    for (std::size_t i = 0; i < outputs.size() && !outcome.failed(); ++i) outcome = open_output(*outputs[i]);
    for (std::size_t i = 0; i < outputs.size() && !outcome.failed(); ++i) {
        if (!out_init(out, outputs[i]->fd))
            outcome = write_failure(*outputs[i], ENOMEM);
        else if (const int error = write(i, out))
            outcome = write_failure(*outputs[i], error);
    }
    if (!outcome.failed()) return commit_outputs(outputs);
    for (output_file* o : outputs) abandon_output(*o);
    return outcome;
}

// A form's reader's error, with where it is in the input.
problem import_failure(const char* input, const import_error& error) {
    std::string where = error.line == 0 ? "" : "line " + std::to_string(error.line);
    if (error.column != 0) where += ", column " + std::to_string(error.column);
    return failure(std::string(input) + ": " + where + (where.empty() ? "" : ": ") + error.message);
}

// One run: the command line, the outputs planned, the input read, the
// outputs written.
problem run(int argc, char** argv) {
    options o;
    if (auto ended = read_options(argc, argv, o)) return *ended;
    output_file capture, manifest;
    if (problem p = plan_outputs(o, capture, manifest); p.failed()) return p;

    std::string input;
    if (const int error = read_text_file(o.input, input))
        return failure(std::string("cannot read ") + o.input + ": " + std::strerror(error));
    std::string_view text = input;
    skip_byte_order_mark(text);
    if (looks_binary(text))
        return failure(std::string(o.input) + " looks like a binary file; are INPUT and OUTPUT swapped?");

    if (!o.from) {
        description d;
        std::string error;
        if (!read_description(text, d, error)) return failure(std::string(o.input) + ": " + error);
        if (d.records == 0 && !d.size)
            warn(kTool, std::string(o.input) + ": no record and no size line: the capture holds only its header");
        return write_outputs({&capture}, [&](std::size_t, out_writer& out) {
            capture_writer writer = start_capture(out, d.size);
            write_description(text, d, writer);
            return finish_capture(writer);
        });
    }

    const signal_form* form = o.form;
    if (form == nullptr) {
        form = recognise_form(text);
        if (form == nullptr)
            return failure(std::string(o.input) + ": cannot tell its form; name it with --from (" +
                           form_names(false) + ")");
        warn(kTool, std::string(o.input) + ": read as " + std::string(form->name));
        if (problem p =
                check_form_options(o, *form, "on " + std::string(o.input) + ", read as " + std::string(form->name));
            p.failed())
            return p;
    }
    read_result result;
    std::vector<ir_signal>& signals = result.signals;
    std::vector<std::string> warnings;
    import_error error;
    const bool read = form->read(text, o.reading, result, error);
    if (read && signals.empty()) error = {0, 0, "no signal in the input"};
    if (o.copies_given)
        for (ir_signal& s : signals) s.copies = 0;
    if (read)
        for (const std::string& note : result.notes) warn(kTool, std::string(o.input) + ": " + note);
    if (!read || signals.empty() || !check_records(signals, o.layout, o.input, warnings, error))
        return import_failure(o.input, error);
    for (const std::string& warning : warnings) warn(kTool, std::string(o.input) + ": " + warning);
    std::vector<output_file*> outputs = {&capture};
    if (o.manifest != nullptr) outputs.push_back(&manifest);
    return write_outputs(outputs, [&](std::size_t i, out_writer& out) {
        if (i == 1) {
            out_text(out, manifest_text(signals, o.input));
            out_flush(out);
            return out.error;
        }
        capture_writer writer = start_capture(out, std::nullopt);
        write_records(signals, o.layout, writer);
        return finish_capture(writer);
    });
}

}  // namespace

problem run_mkcapture(int argc, char** argv) { return run(argc, argv); }
