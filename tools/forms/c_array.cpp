// c-array: the arrays that microcontroller IR libraries' dump sketches print,
// as people paste them: every "NAME[N] = { ... };" of integers in the text
// (with any type and qualifiers before it, PROGMEM after the brackets, over
// any number of lines, with C comments), and every "Timing[N]:" block of
// "+N, -N" entries; none inside a comment or a string. A count, when
// given (decimal or 0x-hexadecimal), must be the number of values. Other
// text is skipped. Each array is a signal named after it, burst first, its
// values times --unit microseconds. A tick dump that starts with the gap
// before the signal is recognised by its shape, an even count whose first
// value is more than five times every other, and loses that first value;
// the writer marks an array of that shape with a comment before it, and
// such an array is read whole.
#include <algorithm>
#include <optional>

#include "tools/forms/kit.h"

namespace {

// The comment the writer puts before an array that has the shape of a
// tick dump with its leading gap: the array after it is read whole.
constexpr std::string_view kWholeMark = "// a whole signal: its first value is a burst";

// A tick dump's shape: an even count, the first value (the gap before the
// signal) more than five times every other.
template <class Values>
bool starts_with_leading_gap(const Values& values) {
    const std::uint64_t longest_rest = values.size() > 1 ? *std::max_element(values.begin() + 1, values.end()) : 0;
    return values.size() % 2 == 0 && values[0] > 5 * longest_rest;
}

bool is_word_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_space(char c) { return is_blank(c) || c == '\n' || c == '\f' || c == '\v'; }

// Line and column (from 1) of byte `at`: for a message, once.
void place_of(std::string_view text, std::size_t at, unsigned& line, unsigned& column) {
    const std::string_view before = text.substr(0, at);
    line = static_cast<unsigned>(std::count(before.begin(), before.end(), '\n')) + 1;
    const std::size_t line_start = before.rfind('\n');
    column = static_cast<unsigned>(at - (line_start == std::string_view::npos ? 0 : line_start + 1)) + 1;
}

bool fail_at(std::string_view text, std::size_t at, import_error& error, std::string message) {
    unsigned line, column;
    place_of(text, at, line, column);
    return fail(error, line, column, std::move(message));
}

// The end of the comment that starts at `at` ("//" or "/*"), or of the
// string or character literal; npos when none starts there.
std::size_t end_of_comment_or_literal(std::string_view text, std::size_t at) {
    const std::string_view two = text.substr(at, 2);
    if (two == "//") return std::min(text.find('\n', at), text.size());
    if (two == "/*") {
        const std::size_t end = text.find("*/", at + 2);
        return end == std::string_view::npos ? text.size() : end + 2;
    }
    const char quote = text[at];
    if (quote == '"') {
        // To the closing quote, or the line's end for one never closed.
        for (std::size_t i = at + 1; i < text.size(); ++i) {
            if (text[i] == '\\') ++i;
            else if (text[i] == '"') return i + 1;
            else if (text[i] == '\n') return i;
        }
        return text.size();
    }
    if (quote == '\'') {
        // Only a whole character literal: an apostrophe of prose is text.
        std::size_t i = at + 1;
        if (i < text.size() && text[i] == '\\') ++i;
        if (i + 1 < text.size() && text[i] != '\n' && text[i + 1] == '\'') return i + 2;
        for (std::size_t k = at + 2; k < text.size() && k < at + 12 && text[k] != '\n'; ++k)
            if (text[k] == '\'' && text[at + 1] == '\\') return k + 1;
    }
    return std::string_view::npos;
}

// Skips white space and C comments from `at`.
std::size_t skip_space(std::string_view text, std::size_t at) {
    for (;;) {
        while (at < text.size() && is_space(text[at])) ++at;
        if (text.substr(at, 2) != "//" && text.substr(at, 2) != "/*") return at;
        at = end_of_comment_or_literal(text, at);
    }
}

// An array's head: NAME[COUNT] then "= {" (an array) or ":" (a timing block).
struct array_head {
    std::string_view name;
    std::string_view count_text;  // as written; empty for "NAME[]"
    std::optional<std::uint64_t> count;
    std::size_t name_at;
    std::size_t body_at;  // after '{' or ':'
    bool timing;
};

// The head of the array named by the word at `name_at` whose '[' is at
// `bracket`, if it is one; `stop` is where reading it stopped.
std::optional<array_head> head_at(std::string_view text, std::size_t name_at, std::size_t bracket,
                                  std::size_t& stop) {
    array_head head{text.substr(name_at, bracket - name_at), {}, std::nullopt, name_at, 0, false};
    std::size_t at = stop = skip_space(text, bracket + 1);
    const std::size_t count_at = at;
    while (at < text.size() && is_word_character(text[at])) ++at;
    head.count_text = text.substr(count_at, at - count_at);
    std::string_view digits = head.count_text;
    while (!digits.empty() && (digits.back() == 'u' || digits.back() == 'U' || digits.back() == 'l' ||
                               digits.back() == 'L'))
        digits.remove_suffix(1);
    head.count = read_number(digits, UINT64_MAX);
    at = stop = skip_space(text, at);
    if (at >= text.size() || text[at] != ']') return std::nullopt;
    at = stop = skip_space(text, at + 1);
    if (head.name == "Timing" && at < text.size() && text[at] == ':') {
        head.timing = true;
        head.body_at = at + 1;
        return head;
    }
    if (text.substr(at, 7) == "PROGMEM") at = stop = skip_space(text, at + 7);
    if (at >= text.size() || text[at] != '=') return std::nullopt;
    at = stop = skip_space(text, at + 1);
    if (at >= text.size() || text[at] != '{') return std::nullopt;
    head.body_at = at + 1;
    return head;
}

// The values of an array body up to its '}'. Returns the offset after '}'.
std::optional<std::size_t> read_values(std::string_view text, const array_head& head,
                                       std::vector<std::uint64_t>& values, import_error& error) {
    for (std::size_t at = head.body_at;;) {
        at = skip_space(text, at);
        if (at >= text.size()) {
            fail_at(text, head.name_at, error, std::string(head.name) + " has no closing '}'");
            return std::nullopt;
        }
        if (text[at] == '}') return at + 1;
        if (text[at] == ',') {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && is_word_character(text[end])) ++end;
        std::string_view token = text.substr(at, end - at);
        while (!token.empty() &&
               (token.back() == 'u' || token.back() == 'U' || token.back() == 'l' || token.back() == 'L'))
            token.remove_suffix(1);
        const std::optional<std::uint64_t> value = read_number(token, UINT32_MAX);
        if (!value || end == at) {
            fail_at(text, at, error,
                    "not a number in " + std::string(head.name) + ": " +
                        quoted(text.substr(at, std::max<std::size_t>(end - at, 1))));
            return std::nullopt;
        }
        values.push_back(*value);
        at = end;
    }
}

// The "+N, -N" entries of a timing block, until the first other text.
// Returns the offset of that text.
std::optional<std::size_t> read_timing(std::string_view text, const array_head& head,
                                       std::vector<std::uint64_t>& values, import_error& error) {
    for (std::size_t at = head.body_at;;) {
        while (at < text.size() && (is_space(text[at]) || text[at] == ',')) ++at;
        if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return at;
        const bool burst = text[at] == '+';
        if (burst != (values.size() % 2 == 0)) {
            fail_at(text, at, error, burst ? "a burst where a gap must be" : "a gap where a burst must be");
            return std::nullopt;
        }
        std::size_t digits = at + 1;
        while (digits < text.size() && is_blank(text[digits])) ++digits;
        std::size_t end = digits;
        while (end < text.size() && is_digit(text[end])) ++end;
        const std::optional<std::uint64_t> value = read_number(text.substr(digits, end - digits), UINT32_MAX);
        if (!value) {
            fail_at(text, at, error, "not a timing entry: " + quoted(text.substr(at, end + 1 - at)));
            return std::nullopt;
        }
        values.push_back(*value);
        at = end;
    }
}

// Calls `each(head, line, whole)` for every array head outside comments
// and literals, in one pass: `line` is the line of its name, `whole` says
// whether the writer's mark came just before it. `each` returns where the
// scanning goes on, or npos to stop.
template <class Each>
void for_each_head(std::string_view text, Each each) {
    unsigned line = 1;
    bool whole = false;
    const auto move_to = [&](std::size_t& at, std::size_t to) {
        line += static_cast<unsigned>(std::count(text.begin() + static_cast<std::ptrdiff_t>(at),
                                                 text.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
        at = to;
    };
    for (std::size_t at = 0; at < text.size();) {
        if (const std::size_t end = end_of_comment_or_literal(text, at); end != std::string_view::npos) {
            if (trimmed(text.substr(at, end - at)) == kWholeMark) whole = true;
            move_to(at, end);
            continue;
        }
        if (!is_word_character(text[at])) {
            if (text[at] == '\n') ++line;
            ++at;
            continue;
        }
        std::size_t word_end = at;
        while (word_end < text.size() && is_word_character(text[word_end])) ++word_end;
        if (word_end >= text.size() || text[word_end] != '[' || is_digit(text[at])) {
            at = word_end;
            continue;
        }
        std::size_t stop;
        const std::optional<array_head> head = head_at(text, at, word_end, stop);
        if (!head) {
            move_to(at, std::max(stop, word_end + 1));
            continue;
        }
        const std::size_t next = each(*head, line, whole);
        if (next == std::string_view::npos) return;
        whole = false;
        move_to(at, next);
    }
}

bool read_c_array(std::string_view text, const read_settings& settings, read_result& result, import_error& error) {
    bool ok = true;
    for_each_head(text, [&](const array_head& head, unsigned line, bool whole) -> std::size_t {
        constexpr std::size_t kStop = std::string_view::npos;
        const std::string name(head.name);
        if (!head.count_text.empty() && !head.count && !is_digit(head.count_text[0])) {
            ok = fail_at(text, head.name_at, error,
                         name + "[" + std::string(head.count_text) + "]: the count is not a number");
            return kStop;
        }
        std::vector<std::uint64_t> values;
        const std::optional<std::size_t> end =
            head.timing ? read_timing(text, head, values, error) : read_values(text, head, values, error);
        if (!end) return ok = false, kStop;
        if (!head.count_text.empty() && head.count != values.size()) {
            ok = fail_at(text, head.name_at, error,
                         name + "[" + std::string(head.count_text) + "] holds " + std::to_string(values.size()) +
                             (head.timing ? " entries" : " values"));
            return kStop;
        }
        if (values.empty()) return ok = fail_at(text, head.name_at, error, name + " holds no value"), kStop;
        // The gap before the signal, which tick dumps print first; never
        // in an array the writer marked.
        if (!whole && starts_with_leading_gap(values)) values.erase(values.begin());
        ir_signal s{name, line, {}, 0};
        s.durations.reserve(values.size());
        for (const std::uint64_t v : values) {
            if (v == 0) return ok = fail_at(text, head.name_at, error, name + " holds a zero duration"), kStop;
            if (v > kLongestDuration / settings.unit)
                return ok = fail_at(text, head.name_at, error,
                                    name + " holds a duration over 2147483647 microseconds"),
                       kStop;
            s.durations.push_back(static_cast<std::uint32_t>(v * settings.unit));
        }
        result.signals.push_back(std::move(s));
        return *end;
    });
    return ok;
}

bool recognise_c_array(std::string_view text) {
    bool found = false;
    for_each_head(text, [&](const array_head&, unsigned, bool) {
        found = true;
        return std::string_view::npos;
    });
    return found;
}

bool write_c_array(const ir_signal& s, const write_settings& settings, std::string& text, std::string&) {
    if (starts_with_leading_gap(s.durations)) {
        text += kWholeMark;
        text += '\n';
    }
    const bool wide = std::any_of(s.durations.begin(), s.durations.end(), [](std::uint32_t d) { return d > 0xFFFF; });
    text += wide ? "uint32_t " : "uint16_t ";
    append_c_identifier(text, s.name, settings.identifiers);
    text += '[';
    append_decimal(text, s.durations.size());
    text += "] = {";
    for (std::size_t i = 0; i < s.durations.size(); ++i) {
        text += i % 12 == 0 ? (i == 0 ? "\n    " : ",\n    ") : ", ";
        append_decimal(text, s.durations[i]);
    }
    text += "\n};\n";
    return true;
}

}  // namespace

extern const signal_form kCArrayForm{"c-array", read_c_array, recognise_c_array, nullptr, write_c_array, kUnitOption,
                              "'NAME[N] = { ... };' arrays and 'Timing[N]:' blocks of IR libraries' dump sketches, anywhere in the text"};
