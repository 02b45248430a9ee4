// yaml: codes kept in YAML: microcontroller configurations that send them
// (`remote_transmitter.transmit_raw: {carrier_frequency: 38kHz, code: [9000,
// -4500, ...]}`, `transmit_pronto: {data: "0000 006D ..."}`), home-automation
// scripts and dashboards (`packet: JgC...`, `command: b64:JgC...`), code
// sets as YAML: what is a signal and how it is named is in stores.h. The
// file is parsed as it is read, every document of it; aliases are not
// followed. A file that is no YAML is refused with its line and column.
//
// esphome reads the same, and writes each signal as a template button of
// the microcontroller's configuration that sends it raw, with its carrier
// and its repeats.
#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/exceptions.h>
#include <yaml-cpp/parser.h>

#include <algorithm>
#include <istream>
#include <streambuf>

#include "tools/forms/kit.h"
#include "tools/forms/stores.h"

namespace {

// The parser holds what it has read of a document until the document
// ends: a document may be this long.
constexpr std::uint64_t kMostDocument = std::uint64_t{4} << 20;

// The input for the parser, a chunk at a time, each dropped once given; it
// ends early when a document runs past kMostDocument.
struct source_buffer : std::streambuf {
    text_source& source;
    std::size_t given = 0;
    std::uint64_t consumed = 0;        // the input given so far
    std::uint64_t document_start = 0;  // where the document being read starts in the input
    bool too_long = false;

    explicit source_buffer(text_source& s) : source(s) {}
    int_type underflow() override {
        drop_text(source, given);
        consumed += given;
        given = 0;
        if (consumed > document_start + kMostDocument) {
            too_long = true;
            return traits_type::eof();
        }
        if (source_text(source).empty() && !read_more(source)) return traits_type::eof();
        char* start = source.buffer.data() + source.start;
        given = source_text(source).size();
        setg(start, start, start + given);
        return traits_type::to_int_type(*start);
    }
};

// The parser's events, passed to the walk. A scalar is a number when it is
// plain (not quoted) and starts as one ("-4500", "4500.0").
// A document that starts where the one before started is a token that no
// value starts with (a ',', ']' or '}' outside a flow): the parser leaves it
// there, and would give an empty document for it over and over.
struct yaml_events : YAML::EventHandler {
    tree_walk& walk;
    source_buffer& input;
    int last_start = -1;
    bool stuck = false;
    YAML::Mark stuck_at;
    yaml_events(tree_walk& w, source_buffer& b) : walk(w), input(b) {}

    static unsigned line_of(const YAML::Mark& mark) { return static_cast<unsigned>(mark.line) + 1; }
    void OnDocumentStart(const YAML::Mark& mark) override {
        input.document_start = static_cast<std::uint64_t>(std::max(mark.pos, 0));
        stuck = mark.pos == last_start;
        stuck_at = mark;
        last_start = mark.pos;
    }
    void OnDocumentEnd() override {}
    void OnNull(const YAML::Mark& mark, YAML::anchor_t) override { walk_scalar(walk, "", false, line_of(mark)); }
    void OnAlias(const YAML::Mark& mark, YAML::anchor_t) override { walk_scalar(walk, "", false, line_of(mark)); }
    void OnScalar(const YAML::Mark& mark, const std::string& tag, YAML::anchor_t, const std::string& value) override {
        const std::size_t digit = !value.empty() && (value[0] == '-' || value[0] == '+') ? 1 : 0;
        const bool number = tag == "?" && digit < value.size() && value[digit] >= '0' && value[digit] <= '9';
        walk_scalar(walk, value, number, line_of(mark));
    }
    void OnSequenceStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t,
                         YAML::EmitterStyle::value) override {
        walk_open(walk, false, line_of(mark));
    }
    void OnSequenceEnd() override { walk_close(walk); }
    void OnMapStart(const YAML::Mark& mark, const std::string&, YAML::anchor_t, YAML::EmitterStyle::value) override {
        walk_open(walk, true, line_of(mark));
    }
    void OnMapEnd() override { walk_close(walk); }
};

bool read_yaml(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    tree_walk walk = start_walk(sink);
    source_buffer buffer(source);
    std::istream in(&buffer);
    yaml_events events(walk, buffer);
    // The parser's own errors are its exceptions: they end the reading.
    try {
        YAML::Parser parser(in);
        while (!walk.stopped && !events.stuck && parser.HandleNextDocument(events)) {
        }
    } catch (const YAML::Exception& e) {
        // The walk's own end (nested too deep, a strict import's first bad
        // code) says more than what the parser met after it.
        if (walk.stopped) return error = walk.error, false;
        if (buffer.too_long)
            return fail(error, static_cast<unsigned>(e.mark.line) + 1, 0,
                        "a YAML document longer than 4 MiB (split it into documents with '---')");
        std::string message = "not YAML: ";
        append_escaped(message, e.msg);
        error = import_error{static_cast<unsigned>(e.mark.line) + 1, static_cast<unsigned>(e.mark.column) + 1, message};
        return false;
    }
    drop_text(source, buffer.given);
    if (walk.stopped) return error = walk.error, false;
    if (buffer.too_long)
        return fail(error, 0, 0, "a YAML document longer than 4 MiB (split it into documents with '---')");
    if (events.stuck)
        return fail(error, yaml_events::line_of(events.stuck_at), static_cast<unsigned>(events.stuck_at.column) + 1,
                    "not YAML: no value starts here");
    return true;
}

// Plainly YAML that holds codes: its first line is a key (or a list item
// or document start), and its start names a way of sending codes.
bool recognise_yaml(std::string_view text) {
    skip_byte_order_mark(text);
    std::string_view line = trimmed(first_content_line(text));
    if (line.substr(0, 2) == "- ") line = trimmed(line.substr(2));
    const std::size_t colon = line.find(':');
    const bool key_line = line == "---" || (colon != std::string_view::npos && colon > 0 &&
                                            line.substr(0, colon).find_first_of(" \t\"'{[,") == std::string_view::npos);
    if (!key_line) return false;
    for (const std::string_view word :
         {"transmit_raw", "transmit_pronto", "remote_transmitter", "packet:", "b64:", "commandsEncoding:", "code: ["})
        if (text.find(word) != std::string_view::npos) return true;
    return false;
}

bool recognise_esphome(std::string_view text) {
    return recognise_yaml(text) && (text.find("esphome:") != std::string_view::npos ||
                                    text.find("remote_transmitter.transmit_") != std::string_view::npos);
}

void around_esphome(bool end, const write_settings&, std::string& text) {
    if (!end) text += "# Each signal as a button that sends it.\nbutton:\n";
}

bool write_esphome(const ir_signal& s, const write_settings& settings, std::string& text, std::string&) {
    text += "  - platform: template\n    name: ";
    append_json_string(text, s.name);
    text += "\n    on_press:\n      - remote_transmitter.transmit_raw:\n          carrier_frequency: ";
    append_decimal(text, s.carrier != 0 ? s.carrier : settings.carrier);
    text += "Hz\n";
    if (s.repeats != 0) {
        text += "          repeat:\n            times: ";
        append_decimal(text, std::min(s.repeats, 255u) + 1);
        text += '\n';
    }
    text += "          code: [";
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        if (i != 0) text += i % 12 == 0 ? ",\n                 " : ", ";
        if (i % 2 == 1) text += '-';
        append_decimal(text, s.durations[i]);
    }
    text += "]\n";
    return true;
}

}  // namespace

extern const signal_form kEsphomeForm{"esphome",
                                      read_yaml,
                                      recognise_esphome,
                                      around_esphome,
                                      write_esphome,
                                      kCarrierOption,
                                      "ESPHome configurations: transmit_raw and transmit_pronto actions (read as "
                                      "yaml); written as buttons that send the signals",
                                      ".yaml"};

extern const signal_form kYamlForm{"yaml",
                                   read_yaml,
                                   recognise_yaml,
                                   nullptr,
                                   nullptr,
                                   0,
                                   "YAML that holds codes: 'code: [...]', 'data: \"0000 ...\"', 'packet:' and "
                                   "'command: b64:' of configurations, scripts and dashboards",
                                   ".yaml"};
