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

// A number's text without the suffixes C allows after it (u, l).
std::string_view without_suffix(std::string_view digits) {
    while (!digits.empty() &&
           (digits.back() == 'u' || digits.back() == 'U' || digits.back() == 'l' || digits.back() == 'L'))
        digits.remove_suffix(1);
    return digits;
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
            if (text[i] == '\\')
                ++i;
            else if (text[i] == '"')
                return i + 1;
            else if (text[i] == '\n')
                return i;
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
// Skips white space from `at`, and the quote marks ("> ", ">> ") that
// start a line of text quoted in a mail or an issue; with `commas`, commas
// too.
std::size_t skip_blanks(std::string_view text, std::size_t at, bool commas = false) {
    while (at < text.size() && (is_space(text[at]) || (commas && text[at] == ','))) {
        if (text[at++] != '\n') continue;
        while (at < text.size() && (is_blank(text[at]) || text[at] == '>')) ++at;
    }
    return at;
}

std::size_t skip_space(std::string_view text, std::size_t at) {
    for (;;) {
        at = skip_blanks(text, at);
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
std::optional<array_head> head_at(std::string_view text, std::size_t name_at, std::size_t bracket, std::size_t& stop) {
    array_head head{text.substr(name_at, bracket - name_at), {}, std::nullopt, name_at, 0, false};
    std::size_t at = stop = skip_space(text, bracket + 1);
    const std::size_t count_at = at;
    while (at < text.size() && is_word_character(text[at])) ++at;
    head.count_text = text.substr(count_at, at - count_at);
    head.count = read_number(without_suffix(head.count_text), UINT64_MAX);
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

// Where a problem was found, and what it is.
struct array_problem {
    std::size_t at = 0;
    std::string message;
};

// The values of an array body up to its '}'. Returns the offset after '}';
// `reach` is how far it looked.
std::optional<std::size_t> read_values(std::string_view text, const array_head& head,
                                       std::vector<std::uint64_t>& values, std::size_t& reach, array_problem& problem) {
    for (std::size_t at = head.body_at;;) {
        at = reach = skip_space(text, at);
        if (at >= text.size()) {
            problem = {head.name_at, std::string(head.name) + " has no closing '}'"};
            return std::nullopt;
        }
        if (text[at] == '}') return at + 1;
        if (text[at] == ',') {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && is_word_character(text[end])) ++end;
        reach = end;
        const std::string_view token = without_suffix(text.substr(at, end - at));
        const std::optional<std::uint64_t> value = read_number(token, UINT32_MAX);
        if (!value || end == at) {
            problem = {at, "not a number in " + std::string(head.name) + ": " +
                               quoted(text.substr(at, std::max<std::size_t>(end - at, 1)))};
            return std::nullopt;
        }
        values.push_back(*value);
        at = end;
    }
}

// The "+N, -N" entries of a timing block, until the first other text.
// Returns the offset of that text; `reach` is how far it looked.
std::optional<std::size_t> read_timing(std::string_view text, const array_head& head,
                                       std::vector<std::uint64_t>& values, std::size_t& reach, array_problem& problem) {
    for (std::size_t at = head.body_at;;) {
        at = skip_blanks(text, at, true);
        reach = at;
        if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return at;
        const bool burst = text[at] == '+';
        if (burst != (values.size() % 2 == 0)) {
            problem = {at, burst ? "a burst where a gap must be" : "a gap where a burst must be"};
            return std::nullopt;
        }
        std::size_t digits = at + 1;
        while (digits < text.size() && is_blank(text[digits])) ++digits;
        std::size_t end = digits;
        while (end < text.size() && is_digit(text[end])) ++end;
        reach = end;
        const std::optional<std::uint64_t> value = read_number(text.substr(digits, end - digits), UINT32_MAX);
        if (!value) {
            problem = {at, "not a timing entry: " + quoted(text.substr(at, end + 1 - at))};
            return std::nullopt;
        }
        values.push_back(*value);
        at = end;
    }
}

// The counts that "#define NAME VALUE" lines gave, the latest few: enough
// for the dump sketches that size their arrays so, bounded whatever the
// text holds.
struct defined_counts {
    static constexpr std::size_t kMost = 64;
    std::vector<std::pair<std::string, std::uint64_t>> counts;
    std::size_t next = 0;  // the oldest, replaced next once kMost are held
};

void define_count(defined_counts& d, std::string_view name, std::uint64_t value) {
    for (auto& [held, count] : d.counts)
        if (held == name) return void(count = value);
    if (d.counts.size() < defined_counts::kMost) return d.counts.emplace_back(name, value), void();
    d.counts[d.next] = {std::string(name), value};
    d.next = (d.next + 1) % defined_counts::kMost;
}

std::optional<std::uint64_t> defined_count(const defined_counts& d, std::string_view name) {
    for (const auto& [held, count] : d.counts)
        if (held == name) return count;
    return std::nullopt;
}

// Lines and columns of offsets in the text held, counted once as the
// scanning moves on.
struct text_cursor {
    std::size_t counted = 0;     // offsets before this are counted
    unsigned lines = 0;          // line ends before `counted`
    std::size_t line_start = 0;  // the offset after the last of them
};

void count_to(text_cursor& cursor, std::string_view text, std::size_t to) {
    for (; cursor.counted < to && cursor.counted < text.size(); ++cursor.counted)
        if (text[cursor.counted] == '\n') ++cursor.lines, cursor.line_start = cursor.counted + 1;
}

// The array signals of a text, read a construct at a time (a comment, a
// literal, a word, an array's head and body), each from the text held. One
// that runs to the end of what is held while the input goes on is read again
// once twice as much is held, so that a long one costs linear time; what
// lies before the line of the construct is dropped once it is read.
bool read_c_array(text_source& source, const read_settings& settings, signal_sink& sink, import_error& error) {
    // How near the end of what is held a construct may end and still be
    // known whole: the longest word looked ahead at is "PROGMEM".
    constexpr std::size_t kLookahead = 8;
    text_cursor cursor;
    defined_counts counts;
    bool whole = false;  // the writer's mark came just before
    std::size_t at = 0;
    for (;;) {
        const std::string_view text = source_text(source);
        const auto cut = [&](std::size_t reach) { return !source.ended && reach + kLookahead > text.size(); };
        const auto more = [&] { read_at_least(source, std::max<std::size_t>(2 * text.size(), std::size_t{1} << 16)); };
        const auto place = [&](std::size_t where, std::string message) {
            count_to(cursor, text, where);
            return import_error{source.line + cursor.lines, static_cast<unsigned>(where - cursor.line_start) + 1,
                                std::move(message)};
        };
        if (cut(at)) {
            more();
            continue;
        }
        if (at >= text.size()) return true;
        // Done with what lies before this line.
        count_to(cursor, text, at);
        if (cursor.line_start > 0) {
            drop_text(source, cursor.line_start);
            at -= cursor.line_start;
            cursor = text_cursor{at, 0, 0};
            continue;
        }
        if (const std::size_t end = end_of_comment_or_literal(text, at); end != std::string_view::npos) {
            if (cut(end)) {
                more();
                continue;
            }
            if (trimmed(text.substr(at, end - at)) == kWholeMark) whole = true;
            at = end;
            continue;
        }
        if (text.substr(at, 8) == "#define ") {
            // "#define NAME VALUE": a count an array may be sized by.
            const std::size_t line_end = text.find('\n', at);
            if (line_end == std::string_view::npos && !source.ended) {
                more();
                continue;
            }
            line_tokens tokens{text.substr(at + 8, line_end == std::string_view::npos ? text.npos : line_end - at - 8)};
            const std::string_view macro = tokens.next();
            if (const std::optional<std::uint64_t> value = read_number(without_suffix(tokens.next()), UINT64_MAX))
                define_count(counts, macro, *value);
            at = line_end == std::string_view::npos ? text.size() : line_end;
            continue;
        }
        if (!is_word_character(text[at])) {
            ++at;
            continue;
        }
        std::size_t word_end = at;
        while (word_end < text.size() && is_word_character(text[word_end])) ++word_end;
        if (cut(word_end)) {
            more();
            continue;
        }
        if (word_end >= text.size() || text[word_end] != '[' || is_digit(text[at])) {
            at = word_end;
            continue;
        }
        std::size_t stop;
        const std::optional<array_head> head = head_at(text, at, word_end, stop);
        if (cut(stop)) {
            more();
            continue;
        }
        if (!head) {
            at = std::max(stop, word_end + 1);
            continue;
        }
        // The body, read again whole when it runs to the end of what is held.
        std::vector<std::uint64_t> values;
        std::size_t reach = 0;
        array_problem problem;
        const std::optional<std::size_t> end = head->timing ? read_timing(text, *head, values, reach, problem)
                                                            : read_values(text, *head, values, reach, problem);
        if (cut(reach)) {
            more();
            continue;
        }
        const bool marked = whole;
        whole = false;
        const std::string name(head->name);
        count_to(cursor, text, head->name_at);
        ir_signal s{name, source.line + cursor.lines, {}};
        // A problem costs the array: the scanning goes on after it.
        at = end ? *end : std::max(problem.at + 1, head->body_at);
        // A count by a macro is the value the text defined for it; one the
        // text does not define leaves the count to the braces.
        std::optional<std::uint64_t> count = head->count;
        if (!count && !head->count_text.empty() && !is_digit(head->count_text[0]))
            count = defined_count(counts, head->count_text);
        if (!head->count_text.empty() && !count && is_digit(head->count_text[0]))
            problem = {head->name_at, name + "[" + std::string(head->count_text) + "]: the count is not a number"};
        else if (end && count && count != values.size())
            problem = {head->name_at, name + "[" + std::string(head->count_text) + "] holds " +
                                          std::to_string(values.size()) + (head->timing ? " entries" : " values")};
        else if (end && values.empty())
            problem = {head->name_at, name + " holds no value"};
        // The gap before the signal, which tick dumps print first; never
        // in an array the writer marked.
        if (end && problem.message.empty() && !marked && starts_with_leading_gap(values)) values.erase(values.begin());
        for (std::size_t i = 0; i < values.size() && problem.message.empty(); ++i) {
            if (values[i] == 0)
                problem = {head->name_at, name + " holds a zero duration"};
            else if (values[i] > kLongestDuration / settings.unit)
                problem = {head->name_at, name + " holds a duration over 2147483647 microseconds"};
            else
                s.durations.push_back(static_cast<std::uint32_t>(values[i] * settings.unit));
        }
        if (problem.message.empty()) {
            sink.take(s);
        } else if (error = place(problem.at, problem.message); !sink.skip(error)) {
            return false;
        }
    }
}

// Plainly c-array: an array's head in the text, whether its body reads or
// not (the text may cut it).
bool recognise_c_array(std::string_view text) {
    text_source source = text_source_of(text);
    bool found = false;
    signal_sink sink{[&](ir_signal&) { found = true; }, [&](const import_error&) { return found = true, false; },
                     [](const std::string&) {}};
    import_error error;
    read_c_array(source, read_settings{}, sink, error);
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

extern const signal_form kCArrayForm{
    "c-array",
    read_c_array,
    recognise_c_array,
    nullptr,
    write_c_array,
    kUnitOption,
    "'NAME[N] = { ... };' arrays and 'Timing[N]:' blocks of IR libraries' dump sketches, anywhere in the text",
    ".c"};
