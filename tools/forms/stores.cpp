// What the events of a JSON or YAML file mean: which values are codes, and
// the names, carriers and repeats they take from around them.
#include "tools/forms/stores.h"

#include <algorithm>
#include <optional>

#include "tools/forms/kit.h"

extern const signal_form kBroadlinkForm, kProntoForm, kSendirForm;

namespace {

std::string lower_case(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool is_one_of(std::string_view key, std::initializer_list<std::string_view> keys) {
    const std::string lower = lower_case(key);
    return std::find(keys.begin(), keys.end(), lower) != keys.end();
}

bool is_hex_text(std::string_view t) {
    return !t.empty() && t.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// A signed decimal, as the lists of durations hold them.
std::optional<std::int64_t> signed_number(std::string_view t) {
    const bool negative = !t.empty() && t[0] == '-';
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.remove_prefix(1);
    if (t.empty() || t.size() > 12 || t.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    std::int64_t v = 0;
    for (const char c : t) v = v * 10 + (c - '0');
    return negative ? -v : v;
}

// "38kHz", "38000Hz", "38000", "38" (kHz), "38.5 kHz": Hz, or 0.
std::uint32_t carrier_of(std::string_view text) {
    std::string t = lower_case(trimmed(text));
    std::uint64_t scale = 1;
    for (const auto& [unit, times] : {std::pair<std::string_view, std::uint64_t>{"khz", 1000}, {"hz", 1}})
        if (t.size() > unit.size() && t.compare(t.size() - unit.size(), unit.size(), unit) == 0) {
            t = std::string(trimmed(t.substr(0, t.size() - unit.size())));
            scale = times;
            break;
        }
    const std::size_t point = t.find('.');
    const std::string whole = t.substr(0, point), fraction = point == std::string::npos ? "" : t.substr(point + 1);
    if (whole.empty() || whole.size() > 9 || fraction.size() > 3 ||
        (whole + fraction).find_first_not_of("0123456789") != std::string::npos)
        return 0;
    std::uint64_t milli =
        std::stoull(whole) * 1000 + (fraction.empty() ? 0 : std::stoull((fraction + "00").substr(0, 3)));
    if (scale == 1 && text.find_first_of("Hh") == std::string_view::npos && milli < 1000000) scale = 1000;
    const std::uint64_t hz = milli * scale / 1000;
    return hz >= 1000 && hz <= 10000000 ? static_cast<std::uint32_t>(hz) : 0;
}

// Durations from a list's numbers: positive bursts and negative gaps (a gap
// before the first burst is the idle time before the signal, left out), or
// without a sign alternating burst, gap. Empty, with `problem`, when they
// are no signal.
bool durations_of(const std::vector<std::int64_t>& values, ir_signal& s, std::string& problem) {
    const bool signs = std::any_of(values.begin(), values.end(), [](std::int64_t v) { return v < 0; });
    bool burst = true;
    for (const std::int64_t v : values) {
        if (v == 0) return problem = "a zero duration", false;
        const std::uint64_t magnitude = v < 0 ? static_cast<std::uint64_t>(-v) : static_cast<std::uint64_t>(v);
        if (magnitude > kLongestDuration)
            return problem = "a duration of " + std::to_string(magnitude) + " µs, longer than a record holds", false;
        if (signs) burst = v > 0;
        if (s.durations.empty() && !burst) continue;
        add_duration(s, burst, static_cast<std::uint32_t>(magnitude));
        burst = !burst;
    }
    if (s.durations.empty()) return problem = "no burst among its durations", false;
    return true;
}

enum class code_reading { none, signal, bad };

const std::string kTooManyDurations = "more than " + std::to_string(kMostDurations) + " durations";

// True at a level below a code set's "commands", where the file's encoding
// says what every string is.
bool in_commands(const tree_walk& walk) {
    return walk.levels.size() > 2 && is_one_of(walk.levels[2].key, {"commands"});
}

// A string that is a code, read by the form that holds such codes.
code_reading read_code(const tree_walk& walk, std::string_view key, std::string_view text, ir_signal& s,
                       std::string& problem) {
    std::string_view t = trimmed(text);
    const signal_form* form = nullptr;
    const std::string prefix = lower_case(t.substr(0, 4));
    const bool raw_text = t.find_first_not_of("0123456789+-, \t[]") == std::string_view::npos &&
                          t.find_first_of("0123456789") != std::string_view::npos &&
                          t.find_first_of(", \t") != std::string_view::npos;
    const std::string_view encoding = in_commands(walk) ? std::string_view(walk.encoding) : std::string_view();
    // Base64 of an infrared code: 0x26, then the repeat count, "Jg" to "Jv".
    const bool infrared = t.size() >= 2 && t[0] == 'J' && t[1] >= 'g' && t[1] <= 'v';
    if (prefix == "b64:" || infrared || (encoding == "base64" && !t.empty()) ||
        (is_hex_text(t) && (encoding == "hex" || (t.size() >= 8 && t.substr(0, 2) == "26"))))
        form = &kBroadlinkForm;
    else if (lower_case(t.substr(0, 7)) == "sendir,")
        form = &kSendirForm;
    else if (t.size() >= 9 && is_hex_text(t.substr(0, 4)) && t[4] == ' ' &&
             (encoding == "pronto" || t.substr(0, 4) == "0000"))
        form = &kProntoForm;
    else if (raw_text && (encoding == "raw" || names_a_code(key))) {
        std::vector<std::int64_t> values;
        line_tokens tokens{t};
        for (std::string_view token = tokens.next("[],"); !token.empty(); token = tokens.next("[],")) {
            const std::optional<std::int64_t> v = signed_number(token);
            if (!v) return problem = "not a duration: " + quoted(token), code_reading::bad;
            if (values.size() == kMostDurations) return problem = kTooManyDurations, code_reading::bad;
            values.push_back(*v);
        }
        return durations_of(values, s, problem) ? code_reading::signal : code_reading::bad;
    }
    if (form == nullptr && !encoding.empty() && !t.empty())
        return problem = "not a code of the file's encoding (" + std::string(encoding) + "): " + quoted(t),
               code_reading::bad;
    if (form == nullptr) return code_reading::none;
    std::vector<ir_signal> read;
    import_error error;
    if (!read_all_signals(*form, t, read_settings{}, read, nullptr, error))
        return problem = "not a " + std::string(form->name) + " code: " + error.message, code_reading::bad;
    if (read.size() != 1)
        return problem = "holds " + std::to_string(read.size()) + " " + std::string(form->name) + " codes",
               code_reading::bad;
    s.durations = std::move(read[0].durations);
    s.carrier = read[0].carrier;
    s.repeats = read[0].repeats;
    return code_reading::signal;
}

// The name of a code found under `key` of the level at `depth`: the label
// of the nearest map that has one when the key names a code (or the code is
// an item of a list under such a key) and no code set's "commands" is in
// between, its path of keys otherwise.
std::string name_of(tree_walk& walk, std::size_t depth, std::string_view key) {
    const bool item = !walk.levels[depth].map && depth > 0;
    if (names_a_code(key) || (item && names_a_code(walk.levels[depth].key)))
        for (std::size_t i = depth + 1; i-- > 0;) {
            tree_level& level = walk.levels[i];
            if (level.named)
                return ++level.labelled == 1 ? level.label : level.label + "/" + std::to_string(level.labelled);
            if (is_one_of(level.key, {"commands"})) break;
        }
    std::vector<std::string_view> path;
    for (std::size_t i = 2; i <= depth; ++i) path.push_back(walk.levels[i].key);
    path.push_back(key);
    std::size_t first = 0, last = path.size();
    if (last - first > 1 && is_one_of(path[first], {"commands", "data"})) ++first;
    if (last - first > 1 && names_a_code(path[last - 1])) --last;
    std::string name;
    for (std::size_t i = first; i < last; ++i) name += (i == first ? "" : "/") + unescaped_name(path[i]);
    return name;
}

void stop(tree_walk& walk, unsigned line, std::string message) {
    walk.stopped = true;
    walk.error = import_error{line, 0, std::move(message)};
}

// Sends `s` on, with the carrier and repeats of the map it was found in and
// the levels above.
void emit(tree_walk& walk, std::size_t level, ir_signal& s, std::string_view key) {
    s.name = name_of(walk, level, key);
    for (std::size_t i = level + 1; i-- > 0 && s.carrier == 0;) s.carrier = walk.levels[i].carrier;
    if (s.repeats == 0 && walk.levels[level].times > 1) s.repeats = walk.levels[level].times - 1;
    walk.sink->take(s);
}

void leave_out(tree_walk& walk, ir_signal& s, std::size_t depth, std::string_view key, const std::string& problem) {
    s.name = name_of(walk, depth, key);
    const import_error error{s.line, 0, (s.name.empty() ? std::string() : s.name + ": ") + problem};
    if (!walk.sink->skip(error)) {
        walk.stopped = true;
        walk.error = error;
    }
}

// A code read under `key` of the deepest level: held by a map when the key
// names a code, so that the map's carrier, wherever it is among the keys,
// comes with it; sent on at once otherwise.
void found(tree_walk& walk, std::string_view key, ir_signal& s) {
    // A code held before goes first, so that signals keep the file's order.
    for (std::size_t i = 0; i < walk.levels.size(); ++i)
        if (walk.levels[i].pending) {
            walk.levels[i].pending = false;
            emit(walk, i, walk.levels[i].held, walk.levels[i].held_key);
        }
    tree_level& top = walk.levels.back();
    if (top.map && names_a_code(key)) {
        top.held = std::move(s);
        top.held_key = std::string(key);
        top.pending = true;
        return;
    }
    emit(walk, walk.levels.size() - 1, s, key);
}

// A list of durations that holds what no duration is: left out at its end,
// with why.
void break_list(tree_level& level, std::string why) {
    level.numbers = false;
    level.durations.clear();
    level.broken = std::move(why);
}

// The value under `key` of the deepest level is done.
void advance(tree_level& level) {
    if (level.map)
        level.expect_key = true;
    else
        ++level.items;
}

// The key of the next value of the deepest level: none for the document's.
std::string child_key(const tree_walk& walk) {
    const tree_level& level = walk.levels.back();
    if (walk.levels.size() == 1) return {};
    return level.map ? level.next_key : std::to_string(level.items + 1);
}

}  // namespace

bool names_a_code(std::string_view key) {
    return is_one_of(key, {"code", "data", "packet", "value", "rawdata", "command"});
}

tree_walk start_walk(signal_sink& sink) {
    tree_walk walk;
    walk.sink = &sink;
    walk.levels.push_back(tree_level{});  // the document, holding its values
    return walk;
}

bool walk_open(tree_walk& walk, bool map, unsigned line) {
    if (walk.stopped) return false;
    if (walk.levels.size() >= kMostLevels) {
        stop(walk, line, "nested deeper than " + std::to_string(kMostLevels) + " levels");
        return false;
    }
    tree_level& parent = walk.levels.back();
    tree_level level;
    level.map = map;
    level.line = line;
    level.ignored = parent.ignored || (parent.map && parent.expect_key);
    if (!level.ignored) {
        level.key = child_key(walk);
        level.numbers = !map && (names_a_code(level.key) || (walk.encoding == "raw" && in_commands(walk)));
        // A list that holds a list or a map is no code; once it held
        // numbers, it is a code that cannot be read.
        if (parent.numbers && !parent.durations.empty())
            break_list(parent, "a list of durations holds a " + std::string(map ? "map" : "list"));
        parent.numbers = false;
    }
    walk.levels.push_back(std::move(level));
    return true;
}

bool walk_close(tree_walk& walk) {
    if (walk.stopped || walk.levels.size() < 2) return !walk.stopped;
    tree_level& level = walk.levels.back();
    const std::size_t at = walk.levels.size() - 1;
    if (level.pending) {
        level.pending = false;
        emit(walk, at, level.held, level.held_key);
    }
    tree_level closed = std::move(walk.levels.back());
    walk.levels.pop_back();
    tree_level& parent = walk.levels.back();
    const bool was_key = closed.ignored && !parent.ignored && parent.map && parent.expect_key;
    if (was_key) {  // a map or list as a key: its value comes next
        parent.next_key.clear();
        parent.expect_key = false;
        return !walk.stopped;
    }
    advance(parent);
    if (closed.ignored) return !walk.stopped;
    if (lower_case(closed.key) == "repeat" && closed.times != 0) parent.times = closed.times;
    ir_signal s;
    s.line = closed.line;
    std::string problem = std::move(closed.broken);
    if (closed.numbers && !closed.durations.empty() && durations_of(closed.durations, s, problem))
        found(walk, closed.key, s);
    else if (!problem.empty())
        leave_out(walk, s, walk.levels.size() - 1, closed.key, problem);
    return !walk.stopped;
}

bool walk_key(tree_walk& walk, std::string_view key) {
    if (walk.stopped) return false;
    tree_level& level = walk.levels.back();
    level.next_key = std::string(key);
    level.expect_key = false;
    return true;
}

bool walk_scalar(tree_walk& walk, std::string_view text, bool number, unsigned line) {
    if (walk.stopped) return false;
    tree_level& level = walk.levels.back();
    if (level.ignored) return true;
    if (level.map && level.expect_key) return walk_key(walk, text);
    const std::string key = child_key(walk);
    advance(level);
    if (level.numbers) {
        const std::optional<std::int64_t> v = number ? signed_number(text) : std::nullopt;
        if (v && level.durations.size() < kMostDurations) {
            level.durations.push_back(*v);
            return true;
        }
        if (v || number || !level.durations.empty()) {
            break_list(level, v        ? kTooManyDurations
                              : number ? "not a duration: " + quoted(text)
                                       : "a list of durations holds " + quoted(text));
            return true;
        }
        level.numbers = false;  // a list of strings: each may be a code
    }
    // A value that reads as a code is one, whatever its key ("power", or a
    // command named "name"); the keys below say what the others mean.
    ir_signal s;
    std::string problem;
    const code_reading reading = number ? code_reading::none : read_code(walk, key, text, s, problem);
    if (level.map && reading != code_reading::signal) {
        if (is_one_of(key, {"commandsencoding"})) {
            walk.encoding = lower_case(trimmed(text));
            return true;
        }
        if (is_one_of(key, {"name", "alias"})) {
            level.label = unescaped_name(text);
            level.named = true;
            return true;
        }
        if (is_one_of(key, {"carrier_frequency", "frequency", "carrier", "freq"})) {
            level.carrier = carrier_of(text);
            return true;
        }
        if (is_one_of(key, {"times"})) {
            const std::optional<std::int64_t> times = signed_number(text);
            if (times && *times > 0 && *times <= 256) level.times = static_cast<unsigned>(*times);
            return true;
        }
    }
    if (reading == code_reading::none) return true;  // a maker, a temperature, a count: no code
    s.line = line;
    if (reading == code_reading::bad)
        leave_out(walk, s, walk.levels.size() - 1, key, problem);
    else
        found(walk, key, s);
    return !walk.stopped;
}

std::vector<std::string> name_keys(std::string_view name) {
    std::vector<std::string> keys;
    for (std::size_t at = 0;;) {
        const std::size_t slash = name.find('/', at);
        keys.emplace_back(name.substr(at, slash == std::string_view::npos ? std::string_view::npos : slash - at));
        if (slash == std::string_view::npos) return keys;
        at = slash + 1;
    }
}

bool broadlink_code(const ir_signal& signal, std::string& code, std::string& problem) {
    ir_signal named = signal;
    named.name = "x";
    std::string line;
    if (!kBroadlinkForm.write_signal(named, write_settings{}, line, problem)) return false;
    code = line.substr(3, line.size() - 4);  // "x: CODE\n"
    return true;
}

void append_json_string(std::string& out, std::string_view text, std::size_t hidden) {
    std::string escaped;
    for (; hidden > 0 && !text.empty(); --hidden) {
        append_hex_escape(escaped, static_cast<unsigned char>(text[0]));  // read back as the byte it stands for
        text.remove_prefix(1);
    }
    append_escaped(escaped, text);
    out += '"';
    for (const char c : escaped) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}
