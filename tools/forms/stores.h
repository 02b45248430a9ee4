// Signals kept in the trees of JSON and YAML files: home-automation code
// sets, stored learned codes, microcontroller configurations. The json and
// yaml forms parse their files into the events below; what the events mean
// is the same for both:
//   - a string that is a code (Broadlink base64 or hex, Pronto, sendir, or
//     with the file's "commandsEncoding" "Raw" a list of durations) is a
//     signal, and so is a list of numbers under a key that names a code
//     (code, data, packet, RawData, ...): positive bursts and negative gaps,
//     or without signs alternating burst, gap;
//   - a signal's name is its path of keys in the file ("heat/low/16"), less a
//     first "commands" or "data" and a last key that names a code, with a
//     list's items counted from 1; under a map that has a "name" or "alias",
//     it is that (then "/2", "/3" for its further codes);
//   - a map's "carrier_frequency" or "frequency" ("38kHz", 38000) is the
//     carrier of its codes and of those below it, and "repeat: times: N" of a
//     code's map asks for N sends.
// A string that does not look like a code is no signal (a maker's name, a
// mode's list); one that looks like one and does not read is an entry left
// out, with where and why.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/forms/registry.h"

struct tree_level {
    bool map = false;
    bool ignored = false;                 // a map used as a key: nothing below it counts
    bool numbers = false;                 // a list that may be a code's durations, while it holds only numbers
    bool expect_key = true;               // a map: the next scalar is a key (YAML gives keys as scalars)
    std::string key;                      // the key or item number this level is under in its parent
    std::string next_key;                 // a map: the key of the value to come
    std::size_t items = 0;                // a list: the items so far
    bool named = false;                   // a map with a "name" or "alias"
    std::string label;                    // its value
    unsigned labelled = 0;                // the codes named after `label` so far
    std::uint32_t carrier = 0;            // Hz, from this map's frequency key
    unsigned times = 0;                   // from "repeat: times: N" in this map
    std::vector<std::int64_t> durations;  // a numbers list's values so far
    unsigned line = 0;                    // where the list started
    std::string broken;                   // a list of durations that cannot be read: why
    bool pending = false;                 // a code of this map, held until the map ends to take its siblings' carrier
    ir_signal held;
    std::string held_key;
};

struct tree_walk {
    std::vector<tree_level> levels;
    std::string encoding;  // the file's "commandsEncoding", lower case
    signal_sink* sink = nullptr;
    bool stopped = false;  // the sink refused an entry left out
    import_error error;
};

// A walk that sends its signals to `sink`.
tree_walk start_walk(signal_sink& sink);

// The events of a document, in order. A map's keys come as `key`, or as
// scalars (YAML) when `expect_key` is set: `scalar` takes them. `number`
// says the scalar was written as a number (JSON) or reads as one (YAML).
// Each returns false once the walk has stopped.
bool walk_open(tree_walk& walk, bool map, unsigned line);
bool walk_close(tree_walk& walk);
bool walk_key(tree_walk& walk, std::string_view key);
bool walk_scalar(tree_walk& walk, std::string_view text, bool number, unsigned line);

// The deepest nesting a file may have.
constexpr std::size_t kMostLevels = 256;

// Code sets written back out: `name` split at its '/' into keys (a JSON or
// YAML string's text, escaped as comment names are so that any bytes come
// back), and the code of the Broadlink form for a signal.
std::vector<std::string> name_keys(std::string_view name);
bool broadlink_code(const ir_signal& signal, std::string& code, std::string& problem);

// Appends `text` as a JSON string: in quotes, the name's escapes (see
// append_escaped) and then '"' and '\' escaped for JSON. YAML's double
// quotes read it the same. The first `hidden` bytes are escapes too: a last
// key that names a code is then no such key, and a key can be spelt apart
// from another of the same text.
void append_json_string(std::string& out, std::string_view text, std::size_t hidden = 0);

// The keys under which a value is a code, and no part of its name ("code",
// "packet", "value", ...).
bool names_a_code(std::string_view key);
