// json: code sets kept as JSON, as home-automation integrations keep them:
// a device's code file ({"commandsEncoding": "Base64", "commands": {"off":
// "JgC...", "heat": {"low": {"16": "JgC..."}}}}), stored learned codes
// ({"data": {"tv": {"power": "JgB...", "volume_up": ["JgB...", "JgB..."]}}}),
// a map of names to codes, and the like: what is a signal and how it is
// named is in stores.h. The file is parsed as it is read, with comments
// allowed; a file that is no JSON is refused with its line and column.
//
// Written back: json as a device's code file of Broadlink base64 codes,
// nested by the names' '/' (a name that cannot nest where its object was
// closed before goes in whole as one key: it reads back the same);
// home-assistant as stored learned codes, the first part of a name the
// device ("remote" for a name without '/') and the rest the command.
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>

#include "tools/forms/kit.h"
#include "tools/forms/stores.h"

namespace {

// The input a character at a time for the parser, dropping what it has
// read a chunk at a time, and counting lines as it goes.
struct json_input {
    text_source* source;
    std::size_t at = 0;       // in the text not yet dropped
    std::size_t counted = 0;  // the text up to here has its lines counted in `line`
    unsigned line = 1;
};

struct json_iterator {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    json_input* input = nullptr;  // nullptr: the end

    bool at_end() const {
        if (input == nullptr) return true;
        text_source& source = *input->source;
        if (input->at < source_text(source).size()) return false;
        if (input->at >= std::size_t{1} << 16) {  // done with what is held
            for (std::size_t i = input->counted; i < input->at; ++i) input->line += source_text(source)[i] == '\n';
            drop_text(source, input->at);
            input->at = input->counted = 0;
        }
        return !read_more(source) || input->at >= source_text(source).size();
    }
    const char& operator*() const { return source_text(*input->source)[input->at]; }
    json_iterator& operator++() {
        ++input->at;
        return *this;
    }
    json_iterator operator++(int) {
        json_iterator before = *this;
        ++input->at;
        return before;
    }
    bool operator==(const json_iterator& other) const { return at_end() == other.at_end(); }
    bool operator!=(const json_iterator& other) const { return !(*this == other); }
};

unsigned line_of(json_input& input) {
    const std::string_view text = source_text(*input.source);
    for (; input.counted < input.at && input.counted < text.size(); ++input.counted)
        input.line += text[input.counted] == '\n';
    return input.line;
}

// The parser's events, passed to the walk.
struct json_events {
    tree_walk& walk;
    json_input& input;
    import_error* parse = nullptr;

    bool scalar(std::string_view text, bool number) { return walk_scalar(walk, text, number, line_of(input)); }
    bool null() { return scalar("", false); }
    bool boolean(bool) { return scalar("", false); }
    bool number_integer(std::int64_t v) { return scalar(std::to_string(v), true); }
    bool number_unsigned(std::uint64_t v) { return scalar(std::to_string(v), true); }
    bool number_float(double, const std::string& text) { return scalar(text, true); }
    bool string(std::string& text) { return scalar(text, false); }
    bool binary(nlohmann::json::binary_t&) { return scalar("", false); }
    bool start_object(std::size_t) { return walk_open(walk, true, line_of(input)); }
    bool end_object() { return walk_close(walk); }
    bool start_array(std::size_t) { return walk_open(walk, false, line_of(input)); }
    bool end_array() { return walk_close(walk); }
    bool key(std::string& text) { return walk_key(walk, text); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception& e) {
        // "[json.exception.parse_error.101] parse error at line L, column C: what; last read: '...'"
        std::string_view what = e.what();
        unsigned line = line_of(input), column = 0;
        const auto number_after = [&](std::string_view word) -> unsigned {
            const std::size_t at = what.find(word);
            if (at == std::string_view::npos) return 0;
            const std::string_view digits = what.substr(at + word.size());
            const std::optional<std::uint64_t> n =
                read_number(digits.substr(0, digits.find_first_not_of("0123456789")), 0xFFFFFFFF);
            return n ? static_cast<unsigned>(*n) : 0;
        };
        if (const unsigned at = number_after(" at line ")) line = at;
        column = number_after(", column ");
        if (const std::size_t colon = what.find(": "); colon != std::string_view::npos) what.remove_prefix(colon + 2);
        std::string message = "not JSON: ";
        append_escaped(message, what.substr(0, what.find("; last read")));
        *parse = import_error{line, column, message};
        return false;
    }
};

bool read_json(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    tree_walk walk = start_walk(sink);
    json_input input{&source};
    import_error parse;
    json_events events{walk, input, &parse};
    const bool parsed = nlohmann::json::sax_parse(json_iterator{&input}, json_iterator{}, &events,
                                                  nlohmann::json::input_format_t::json, true, true);
    drop_text(source, std::min(input.at, source_text(source).size()));
    if (walk.stopped) return error = walk.error, false;
    if (!parsed) return error = parse, false;
    return true;
}

// Plainly a JSON code set: an object or a list whose first key or value is
// a string, or that says its encoding.
bool recognise_json(std::string_view text) {
    skip_byte_order_mark(text);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || (text[first] != '{' && text[first] != '[')) return false;
    const std::size_t next = text.find_first_not_of(" \t\r\n[{", first);
    return next != std::string_view::npos && (text[next] == '"' || text.find("\"commandsEncoding\"") != text.npos);
}

// Closes the open objects beyond the first `keep`, and returns the indent
// of what follows.
void close_objects(open_objects& open, std::size_t keep, std::size_t base, std::string& text) {
    while (open.keys.size() > keep) {
        open.keys.pop_back();
        open.filled.pop_back();
        text += '\n' + std::string(2 * (base + open.keys.size()), ' ') + '}';
    }
}

// The next entry of the innermost open object: its comma and indent.
void start_entry(open_objects& open, std::size_t base, std::string& text) {
    if (open.filled.back()) text += ',';
    open.filled.back() = true;
    text += '\n' + std::string(2 * (base + open.keys.size()), ' ');
}

// Writes `code` under the keys of `keys`, in objects opened or kept open
// from the signal before. `base` is the depth of the outermost open object.
void write_nested(const write_settings& settings, std::vector<std::string> keys, std::string_view code,
                  std::size_t base, std::string& text) {
    open_objects& open = settings.open;
    // The open objects that the keys go on in, the outermost always.
    std::size_t keep = 1;
    while (keep < open.keys.size() && keep < keys.size() && open.keys[keep] == keys[keep - 1]) ++keep;
    close_objects(open, keep, base, text);
    // The objects to open: each one new in its parent, or the rest goes in
    // whole as one key.
    std::string path;
    for (std::size_t i = 0; i < keep - 1; ++i) path += keys[i] + '/';
    for (std::size_t i = keep - 1; i + 1 < keys.size(); ++i) {
        if (settings.identifiers.count(path + keys[i] + '/') != 0 || settings.identifiers.count(path + keys[i]) != 0) {
            for (std::size_t k = i + 1; k < keys.size(); ++k) keys[i] += '/' + keys[k];
            keys.resize(i + 1);
            break;
        }
        path += keys[i] + '/';
        settings.identifiers.emplace(path, 0);
        start_entry(open, base, text);
        append_json_string(text, keys[i]);
        text += ": {";
        open.keys.push_back(keys[i]);
        open.filled.push_back(false);
    }
    // A last key that names a code, that an object of the same key holds
    // already, or that a signal of the same name took, is spelt with its
    // first bytes escaped, one more for each such spelling before it: the
    // same name read back, another key to a reader that keeps one value a
    // key.
    const bool object_before = settings.identifiers.count(path + keys.back() + '/') != 0;
    const bool hidden = object_before || (keys.size() > 1 && names_a_code(keys.back()));
    const unsigned before = settings.identifiers[path + keys.back()]++;
    start_entry(open, base, text);
    append_json_string(text, keys.back(), (hidden ? 1 : 0) + before);
    text += ": ";
    append_json_string(text, code);
}

// A code set's head, up to the open object `container` that holds the codes,
// and its end: the objects still open closed.
void around_code_set(bool end, const write_settings& settings, std::string& text, std::string_view head,
                     const char* container) {
    if (end) {
        close_objects(settings.open, 0, 1, text);
        text += "\n}\n";
        return;
    }
    text += "{\n";
    text += head;
    text += std::string("  \"") + container + "\": {";
    settings.open = open_objects{{container}, {false}};
}

void around_json(bool end, const write_settings& settings, std::string& text) {
    around_code_set(end, settings, text,
                    "  \"supportedController\": \"Broadlink\",\n  \"commandsEncoding\": \"Base64\",\n", "commands");
}

bool write_json(const ir_signal& s, const write_settings& settings, std::string& text, std::string& problem) {
    std::string code;
    if (!broadlink_code(s, code, problem)) return false;
    write_nested(settings, name_keys(s.name), code, 1, text);
    return true;
}

void around_home_assistant(bool end, const write_settings& settings, std::string& text) {
    around_code_set(end, settings, text,
                    "  \"version\": 1,\n  \"minor_version\": 1,\n  \"key\": \"broadlink_remote_codes\",\n", "data");
}

bool write_home_assistant(const ir_signal& s, const write_settings& settings, std::string& text, std::string& problem) {
    std::string code;
    if (!broadlink_code(s, code, problem)) return false;
    const std::size_t slash = s.name.find('/');
    std::vector<std::string> keys = {slash == std::string::npos ? "remote" : s.name.substr(0, slash),
                                     slash == std::string::npos ? s.name : s.name.substr(slash + 1)};
    write_nested(settings, std::move(keys), code, 1, text);
    return true;
}

// Plainly stored learned codes: a JSON object with the store's "key".
bool recognise_home_assistant(std::string_view text) {
    return recognise_json(text) && text.find("\"key\": \"broadlink_remote_") != std::string_view::npos;
}

}  // namespace

extern const signal_form kJsonForm{"json",
                                   read_json,
                                   recognise_json,
                                   around_json,
                                   write_json,
                                   0,
                                   "JSON code sets: a device's codes by name, stored learned codes, any nesting "
                                   "of names down to Broadlink, Pronto, sendir or raw codes",
                                   ".json"};

extern const signal_form kHomeAssistantForm{"home-assistant",
                                            read_json,
                                            recognise_home_assistant,
                                            around_home_assistant,
                                            write_home_assistant,
                                            0,
                                            "Home Assistant's stored Broadlink codes, by device and command (read "
                                            "as json)",
                                            ".json"};
