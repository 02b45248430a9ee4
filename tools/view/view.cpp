// tavlin-view: shows as a picture what tavlin prints as text. It writes one
// HTML page with each record's signal and what each decoder read in it, or,
// with --diff, the comparison table of the decoders' lines as text.
#include "tools/view/view.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "output/writer.h"
#include "passes/modes.h"
#include "tools/shared/capture_file.h"
#include "tools/shared/command_line.h"
#include "tools/shared/output_file.h"
#include "tools/shared/record_layout.h"
#include "tools/shared/record_list.h"
#include "tools/shared/text_input.h"
#include "tools/view/compare.h"
#include "tools/view/json.h"
#include "tools/view/page.h"
#include "tools/view/readings.h"
#include "tools/view/table.h"

namespace {

constexpr const char* kTool = kViewTool;
constexpr std::uint64_t kDefaultRecords = 50;
constexpr std::uint64_t kMostOnPage = 2000;  // records on one page: about 130 MB of page for dense records

const char* const kHelpStart =
    "usage: tavlin-view [--mode N] [--records LIST] [--base N] [-o FILE] CAPTURE\n"
    "       tavlin-view --diff [--mode N] [--records LIST] [--base N] CAPTURE\n"
    "       tavlin-view --json [--mode N] [--records LIST] [-o FILE] CAPTURE\n"
    "       tavlin-view --compare [--json] [--mode N] [--records LIST] [--base N] [-o FILE] CAPTURE\n"
    "Writes one HTML page (to standard output, or FILE) that shows each record\n"
    "of the capture file CAPTURE ('-' reads standard input): its signal, and\n"
    "what each decoder read in it, exactly as tavlin decides it; and a table of\n"
    "the decoders' lines with the bits that change from record to record\n"
    "highlighted. With --diff, writes that table as text instead. With --json,\n"
    "writes JSON Lines for scripts, an object per record and decoder (every\n"
    "record by default; the man page says each field). With --compare, writes\n"
    "the workbench: the fitting frames of whole bytes grouped by decoder and\n"
    "length, a byte table per group with '^' under the nibbles that differ from\n"
    "the base record, the bit ranges that change, and the checksum rules that\n"
    "hold in every frame of a group (every record by default).\n"
    "A '*' in the --diff table marks a row whose decoder's reading fits it.\n";

const char* const kHelpRest =
    "  --records LIST    the records to show, as tavlin numbers them (hex):\n"
    "                    1-1F,23,40- (default: the first 50)\n"
    "  --base N          compare every record's bits with record N's, not with\n"
    "                    the record before\n"
    "  -o FILE           write the page to FILE, replaced only when it is whole\n"
    "Exit status: 0; 1 when CAPTURE cannot be read or is no capture, or the\n"
    "output cannot be written; 2 for a usage error.\n"
    "  -h, --help        this text\n"
    "  --version         the version\n";

// The modes the viewer takes, from the list of formats: "-1, 0, 1, 2 or 3".
std::string mode_list() {
    std::string list = "-1, 0";
    for (std::size_t n = 1; n <= kFormats.size(); ++n)
        list += (n == kFormats.size() ? " or " : ", ") + std::to_string(n);
    return list;
}

// The help text, with the modes of the list of formats.
std::string help_text() {
    std::string modes = "tavlin's mode: -1 (the default) every decoder,";
    for (std::size_t n = 1; n <= kFormats.size(); ++n)
        modes += " " + std::to_string(n) + " " + std::string(kFormats[n - 1]->name) + ",";
    return kHelpStart + help_option("--mode N", modes + " 0 the signals alone") + kHelpRest;
}

const std::vector<option_rule> kOptions = {{"--mode", true}, {"--records", true}, {"--base", true},
                                           {"-o", true},     {"--diff", false},   {"--json", false},
                                           {"--compare", false}};

struct options {
    profile_list profiles = kFormats;
    std::vector<record_range> records;
    std::optional<std::uint64_t> base;
    const char* output = "-";
    bool diff = false;
    bool json = false;
    bool compare = false;
    const char* capture = nullptr;
};

// Reads the command line. Returns how the run ends when it ends here,
// nothing when it goes on.
std::optional<problem> read_options(int argc, char** argv, options& o) {
    command_line line;
    if (auto ended = take_command_line(kTool, help_text(), argc, argv, kOptions, line)) return ended;
    bool output_given = false;
    for (const given_option& option : line.options) {
        const std::string_view name = option.name;
        if (name == "--mode") {
            // tavlin reads its mode as atoi does; the viewer takes the modes
            // that run something, written as tavlin's help writes them.
            const std::string_view text = option.value;
            const std::int32_t mode = parse_mode(option.value);
            if (text != std::to_string(mode) || mode < -1 || mode > static_cast<std::int32_t>(kFormats.size()))
                return usage_error("bad mode " + quoted(text) + " (" + mode_list() + ")");
            o.profiles = mode_passes(mode).formats;
        } else if (name == "--records") {
            if (const std::string error = read_record_list(option.value, o.records); !error.empty())
                return usage_error(error);
        } else if (name == "--base") {
            std::vector<record_range> base;
            if (!read_record_list(option.value, base).empty() || base.size() != 1 || base[0].first != base[0].last)
                return usage_error("bad --base " + quoted(option.value) + " (one record, in hex)");
            o.base = base[0].first;
        } else if (name == "-o") {
            o.output = option.value;
            output_given = true;
        } else if (name == "--json") {
            o.json = true;
        } else if (name == "--compare") {
            o.compare = true;
        } else {
            o.diff = true;
        }
    }
    if (o.json && o.diff) return usage_error("--json and --diff are two outputs; give one");
    if (o.compare && o.diff) return usage_error("--compare and --diff are two outputs; give one");
    if (o.compare && o.profiles.empty()) return usage_error("--compare compares frames; --mode 0 has none");
    if (o.json && o.base && !o.compare) return usage_error("--base has no effect with --json");
    if (o.json && o.profiles.empty()) return usage_error("--json gives the decoders' readings; --mode 0 has none");
    if (o.diff && output_given) return usage_error("--diff writes to standard output; -o is for the page");
    if (o.diff && o.profiles.empty()) return usage_error("--diff compares decoders; --mode 0 has none");
    if (line.operands.size() != 1) return usage_error("needs one CAPTURE");
    o.capture = line.operands[0];
    return std::nullopt;
}

// The most of a capture the viewer can look at: up to the last record it
// can show or compare with, and the words a frame there reads on into. A
// capture on a pipe is copied no further.
std::uint64_t bytes_looked_at(const options& o) {
    if ((o.json || o.compare) && o.records.empty()) return UINT64_MAX;  // every record
    std::uint64_t last = o.records.empty() ? kDefaultRecords : 0;
    if (!o.records.empty()) {
        std::uint64_t left_out = 0;
        const std::vector<std::uint64_t> shown = listed_records(o.records, UINT64_MAX, kMostOnPage, left_out);
        last = o.diff || o.json || o.compare ? o.records.back().last : shown.empty() ? 0 : shown.back();
    }
    if (o.base) last = std::max(last, *o.base);
    // A record's run goes on for up to kMostRunRecords records, its note
    // perhaps in the record after them.
    if (last > (UINT64_MAX - kHeaderBytes) / kRecordBytes - kFrameSpanWords - kMostRunRecords - 1) return UINT64_MAX;
    last += kMostRunRecords + 1;
    return kHeaderBytes + last * kRecordBytes + 4 * kFrameSpanWords;
}

// Opens a text output that is written as the records are read, and its
// writer; spooled where it cannot be taken back, so that it gets nothing
// from a failed run.
problem open_streamed(output_file& output, out_writer& out) {
    if (problem p = open_output(output, true); p.failed()) return p;
    if (out_init(out, output.fd)) return {};
    abandon_output(output);
    return write_failure(output, ENOMEM);
}

// Commits it when all was written; abandons it otherwise.
problem finish_streamed(output_file& output, out_writer& out) {
    problem outcome = out_flush(out) ? commit_output(output) : write_failure(output, out.error);
    if (outcome.failed()) abandon_output(output);
    return outcome;
}

// Writes the --diff tables, one decoder after the other, each made as the
// records are read and written a row at a time as rows close: its memory is
// a record and a row, whatever the number of records. The output is spooled
// where it cannot be taken back, so that it gets nothing from a failed run.
problem write_diff(const options& o, capture_file& capture, const std::vector<record_range>& listed,
                   const record_readings* base, output_file& output) {
    owned_writer writer;
    out_writer& out = writer.out;
    if (problem p = open_streamed(output, out); p.failed()) return p;
    std::uint64_t shown = 0;
    for (std::size_t p = 0; p < o.profiles.size(); ++p) {
        out_text(out, std::string(p == 0 ? "" : "\n") + std::string(o.profiles[p]->name) + "\n");
        const profile_list one = o.profiles.subspan(p, 1);
        reading_walk walk = start_walk(one);
        record_readings base_alone;
        if (base != nullptr) {
            base_alone.number = base->number;
            base_alone.decoders = {base->decoders[p]};
        }
        comparison_table table = start_table(*o.profiles[p], 0, base != nullptr ? &base_alone : nullptr);
        record_readings r;
        int error = 0;
        shown = 0;
        for_each_listed(listed, capture.records, [&](std::uint64_t number) {
            if (o.records.empty() && shown == kDefaultRecords) return false;
            ++shown;
            if ((error = read_shown_record(capture.image, walk, number, r)) != 0) return false;
            add_to_table(table, r);
            if (table.rows.size() > 1) {
                // Every row but the last is closed.
                out_text(out, table_text({table.rows.begin(), table.rows.end() - 1}));
                table.rows.erase(table.rows.begin(), table.rows.end() - 1);
            }
            return true;
        });
        if (error != 0) {
            abandon_output(output);
            return capture_read_failure(o.capture, error);
        }
        out_text(out, table_text(table.rows));
    }
    if (o.records.empty() && capture.records > shown)
        out_text(out, "\n" + std::to_string(capture.records - shown) + " more records of the list are left out\n");
    return finish_streamed(output, out);
}

// Writes the readings of every listed record as JSON Lines, made as the
// records are read: its memory is a record, whatever their number. The
// output is spooled where it cannot be taken back.
problem write_json(const options& o, capture_file& capture, const std::vector<record_range>& listed,
                   output_file& output) {
    owned_writer writer;
    out_writer& out = writer.out;
    if (problem p = open_streamed(output, out); p.failed()) return p;
    reading_walk walk = start_walk(o.profiles);
    record_readings r;
    std::string text;
    int error = 0;
    for_each_listed(listed, capture.records, [&](std::uint64_t number) {
        if ((error = read_shown_record(capture.image, walk, number, r)) != 0) return false;
        text.clear();
        append_json_record(text, o.profiles, r);
        out_text(out, text);
        return out.error == 0;
    });
    if (error != 0) {
        abandon_output(output);
        return capture_read_failure(o.capture, error);
    }
    return finish_streamed(output, out);
}

// Writes the workbench of every listed record, text or JSON Lines. Its
// memory is the frames kept (at most kMostBenchFrames).
problem write_compare(const options& o, capture_file& capture, const std::vector<record_range>& listed,
                      output_file& output) {
    reading_walk walk = start_walk(o.profiles);
    workbench bench;
    record_readings r;
    int error = 0;
    for_each_listed(listed, capture.records, [&](std::uint64_t number) {
        if ((error = read_shown_record(capture.image, walk, number, r)) != 0) return false;
        add_to_workbench(bench, o.profiles, r);
        return true;
    });
    if (error != 0) return capture_read_failure(o.capture, error);
    return write_whole_output(output, o.json ? workbench_json(bench, o.profiles, o.base)
                                             : workbench_text(bench, o.profiles, o.base));
}

// One run: the command line, the output planned, the capture opened, the
// records read, the page or the table written.
problem run(int argc, char** argv) {
    options o;
    if (auto ended = read_options(argc, argv, o)) return *ended;
    output_file output;
    if (problem p = plan_output(o.output, false, output); p.failed()) return p;
    if (same_regular_file(output, o.capture))
        return refusal(std::string("the page ") + o.output + " is the same file as CAPTURE " + o.capture);
    capture_file capture;
    if (problem p = open_capture_file(o.capture, capture, false, bytes_looked_at(o)); p.failed()) return p;

    const auto finish = [&](problem p) {
        close_capture_file(capture);
        return p;
    };
    if (o.base && *o.base > capture.records)
        return finish(failure("--base " + record_number_text(*o.base) + " is past the last record, " +
                              record_number_text(capture.records) + ", of " + o.capture));
    if (const std::uint64_t past = first_past(o.records, capture.records))
        return finish(failure("record " + record_number_text(past) + " is past the last record, " +
                              record_number_text(capture.records) + ", of " + o.capture));

    record_readings base;
    if (o.base)
        if (const int error = read_record_alone(capture.image, o.profiles, *o.base, base))
            return finish(capture_read_failure(o.capture, error));
    const std::vector<record_range> everything = {{1, UINT64_MAX}};
    const std::vector<record_range>& listed = o.records.empty() ? everything : o.records;

    // Only the records asked for are read, with the walk of the records
    // before and between them where it is short (tools/view/readings.h).
    std::string text;
    if (o.compare) {
        const problem outcome = write_compare(o, capture, listed, output);
        close_capture_file(capture);
        return outcome;
    }
    if (o.json) {
        const problem outcome = write_json(o, capture, listed, output);
        close_capture_file(capture);
        return outcome;
    }
    if (o.diff) {
        const problem outcome = write_diff(o, capture, listed, o.base ? &base : nullptr, output);
        close_capture_file(capture);
        return outcome;
    }
    reading_walk walk = start_walk(o.profiles);
    {
        // A page shows a bounded number of records; a longer list is cut,
        // and the page says how to choose.
        std::uint64_t left_out = 0;
        const std::uint64_t most = o.records.empty() ? kDefaultRecords : kMostOnPage;
        const std::vector<std::uint64_t> numbers = listed_records(listed, capture.records, most, left_out);
        std::vector<record_readings> records(numbers.size());
        for (std::size_t i = 0; i < numbers.size(); ++i)
            if (const int error = read_shown_record(capture.image, walk, numbers[i], records[i]))
                return finish(capture_read_failure(o.capture, error));
        workbench bench;
        for (const record_readings& r : records) add_to_workbench(bench, o.profiles, r);
        const page_facts facts{o.capture, capture.image.size, capture.records, left_out, o.base ? &base : nullptr,
                               &bench};
        write_page(facts, o.profiles, records, text);
    }
    close_capture_file(capture);

    return write_whole_output(output, text);
}

}  // namespace

problem run_view(int argc, char** argv) { return run(argc, argv); }
