// What the forms share.
#include "tools/forms/kit.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "output/writer.h"

bool fail(import_error& error, unsigned line, unsigned column, std::string message) {
    error = {line, column, std::move(message)};
    return false;
}

bool read_duration(std::string_view token, unsigned line, unsigned column, std::uint64_t unit, std::uint32_t& value,
                   import_error& error) {
    if (!token.empty() && token[0] == '-') return fail(error, line, column, "negative duration: " + quoted(token));
    if (token.empty() || token.find_first_not_of("0123456789") != std::string_view::npos)
        return fail(error, line, column, "not a number: " + quoted(token));
    const std::optional<std::uint64_t> number = read_number(token, kLongestDuration / unit);
    if (!number) return fail(error, line, column, "duration over 2147483647 microseconds: " + quoted(token));
    if (*number == 0) return fail(error, line, column, "zero duration");
    value = static_cast<std::uint32_t>(*number * unit);
    return true;
}

void open_signal(stream_signal& s, unsigned line) {
    if (s.open) return;
    s.signal = ir_signal{std::move(s.name), line, {}};
    s.name.clear();
    s.open = true;
}

void end_signal(stream_signal& s, signal_sink& sink) {
    if (s.open && !s.skipping) sink.take(s.signal);
    s.open = s.skipping = false;
}

bool reads_cleanly(bool (*read)(text_source&, const read_settings&, signal_sink&, import_error&),
                   std::string_view text) {
    text_source source = text_source_of(text);
    bool found = false, clean = true;
    signal_sink sink{[&](ir_signal&) { found = true; }, [&](const import_error&) { return clean = false; },
                     [](const std::string&) {}};
    import_error error;
    return read(source, read_settings{}, sink, error) && clean && found;
}

void add_duration(ir_signal& s, bool burst, std::uint32_t value) {
    std::vector<std::uint32_t>& d = s.durations;
    const bool last_is_burst = d.size() % 2 == 1;
    if (!d.empty() && last_is_burst == burst)
        d.back() =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(d.back() + std::uint64_t{value}, kLongestDuration));
    else if (burst || !d.empty())  // a gap before the first burst is idle time, not signal
        d.push_back(value);
}

std::string_view trimmed(std::string_view name) {
    while (!name.empty() && is_blank(name.front())) name.remove_prefix(1);
    while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
    return name;
}

std::uint64_t to_ticks(std::uint64_t microseconds, tick_length tick) {
    return (2 * microseconds * tick.den + tick.num) / (2 * tick.num);
}

std::uint64_t to_microseconds(std::uint64_t ticks, tick_length tick) {
    return (2 * ticks * tick.num + tick.den) / (2 * tick.den);
}

void append_decimal(std::string& text, std::uint64_t value) { text += std::to_string(value); }

void append_durations(std::string& text, const std::vector<std::uint32_t>& durations, std::string_view separator) {
    for (const std::uint32_t d : durations) {
        text += separator;
        append_decimal(text, d);
    }
}

std::string_view first_content_line(std::string_view text) {
    std::string_view found;
    for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        found = line.text;
        return false;
    });
    return found;
}

namespace {

void append_escapes(std::string& text, std::string_view name, bool quote) {
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = printable_length(name, i);
        if (name[i] == '\\' || (quote && name[i] == '"')) {
            text += '\\';
            text += name[i++];
        } else if (length == 0) {
            append_hex_escape(text, static_cast<unsigned char>(name[i++]));
        } else {
            text += name.substr(i, length);
            i += length;
        }
    }
}

}  // namespace

void append_escaped(std::string& text, std::string_view name) { append_escapes(text, name, false); }

void append_name_comment(std::string& text, std::string_view name) {
    text += "# ";
    std::size_t first = 0, last = name.size();
    while (first < last && is_blank(name[first])) append_hex_escape(text, static_cast<unsigned char>(name[first++]));
    // ir-ctl ends a message at a "# timeout" comment.
    if (name.substr(first, 7) == "timeout") append_hex_escape(text, static_cast<unsigned char>(name[first++]));
    std::size_t end = last;
    while (end > first && is_blank(name[end - 1])) --end;
    append_escaped(text, name.substr(first, end - first));
    for (std::size_t i = end; i < last; ++i) append_hex_escape(text, static_cast<unsigned char>(name[i]));
    text += '\n';
}

std::string comment_name(std::string_view line) {
    line = trimmed(line);
    return line.empty() ? std::string() : unescaped_name(trimmed(line.substr(1)));
}

std::string unescaped_name(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            name += text[++i];
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hex_digit_value(text[i + 2]) >= 0 &&
                   hex_digit_value(text[i + 3]) >= 0) {
            name += static_cast<char>(hex_digit_value(text[i + 2]) * 16 + hex_digit_value(text[i + 3]));
            i += 3;
        } else {
            name += text[i];
        }
    }
    return name;
}

void append_quoted(std::string& text, std::string_view name) {
    text += '"';
    append_escapes(text, name, true);
    text += '"';
}

void append_name(std::string& text, std::string_view name, std::string_view specials, std::string_view keyword) {
    bool quote = name.empty() || name == keyword || name[0] == '#' || name[0] == '"' || name[0] == '\'' ||
                 is_blank(name.front()) || is_blank(name.back()) ||
                 name.find_first_of(specials) != std::string_view::npos;
    for (std::size_t i = 0; i < name.size() && !quote;) {
        const std::size_t length = printable_length(name, i);
        quote = length == 0;
        i += length;
    }
    if (quote)
        append_quoted(text, name);
    else
        text += name;
}

bool read_quoted(std::string_view line, unsigned line_number, std::size_t& at, std::string& name, import_error& error) {
    const std::size_t open = at;
    name.clear();
    for (std::size_t i = at + 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            at = i + 1;
            return true;
        }
        if (line[i] != '\\') {
            name += line[i];
            continue;
        }
        const unsigned column = static_cast<unsigned>(i) + 1;
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (next == '\\' || next == '"') {
            name += next;
            ++i;
        } else if (next == 'x' && i + 3 < line.size() && hex_digit_value(line[i + 2]) >= 0 &&
                   hex_digit_value(line[i + 3]) >= 0) {
            name += static_cast<char>(hex_digit_value(line[i + 2]) * 16 + hex_digit_value(line[i + 3]));
            i += 3;
        } else {
            return fail(error, line_number, column, "an escape in a quoted name that is not \\\\, \\\" or \\xNN");
        }
    }
    return fail(error, line_number, static_cast<unsigned>(open) + 1, "a quoted name without its closing '\"'");
}

namespace {

// Keywords of C and C++, and the names of their standard headers' macros
// and types that an array's name could meet.
constexpr std::string_view kReservedIdentifiers[] = {"alignas",
                                                     "alignof",
                                                     "and",
                                                     "and_eq",
                                                     "asm",
                                                     "auto",
                                                     "bitand",
                                                     "bitor",
                                                     "bool",
                                                     "break",
                                                     "case",
                                                     "catch",
                                                     "char",
                                                     "char8_t",
                                                     "char16_t",
                                                     "char32_t",
                                                     "class",
                                                     "compl",
                                                     "concept",
                                                     "const",
                                                     "consteval",
                                                     "constexpr",
                                                     "constinit",
                                                     "const_cast",
                                                     "continue",
                                                     "co_await",
                                                     "co_return",
                                                     "co_yield",
                                                     "decltype",
                                                     "default",
                                                     "delete",
                                                     "do",
                                                     "double",
                                                     "dynamic_cast",
                                                     "else",
                                                     "enum",
                                                     "explicit",
                                                     "export",
                                                     "extern",
                                                     "false",
                                                     "final",
                                                     "float",
                                                     "for",
                                                     "friend",
                                                     "goto",
                                                     "if",
                                                     "import",
                                                     "inline",
                                                     "int",
                                                     "long",
                                                     "module",
                                                     "mutable",
                                                     "namespace",
                                                     "new",
                                                     "noexcept",
                                                     "not",
                                                     "not_eq",
                                                     "nullptr",
                                                     "operator",
                                                     "or",
                                                     "or_eq",
                                                     "override",
                                                     "private",
                                                     "protected",
                                                     "public",
                                                     "register",
                                                     "reinterpret_cast",
                                                     "requires",
                                                     "restrict",
                                                     "return",
                                                     "short",
                                                     "signed",
                                                     "sizeof",
                                                     "static",
                                                     "static_assert",
                                                     "static_cast",
                                                     "struct",
                                                     "switch",
                                                     "template",
                                                     "this",
                                                     "thread_local",
                                                     "throw",
                                                     "true",
                                                     "try",
                                                     "typedef",
                                                     "typeid",
                                                     "typename",
                                                     "typeof",
                                                     "typeof_unqual",
                                                     "union",
                                                     "unsigned",
                                                     "using",
                                                     "virtual",
                                                     "void",
                                                     "volatile",
                                                     "wchar_t",
                                                     "while",
                                                     "xor",
                                                     "xor_eq",
                                                     "NULL",
                                                     "EOF",
                                                     "BUFSIZ",
                                                     "PROGMEM",
                                                     "assert",
                                                     "errno",
                                                     "offsetof",
                                                     "main",
                                                     "stdin",
                                                     "stdout",
                                                     "stderr",
                                                     "size_t",
                                                     "ptrdiff_t",
                                                     "intptr_t",
                                                     "uintptr_t",
                                                     "int8_t",
                                                     "int16_t",
                                                     "int32_t",
                                                     "int64_t",
                                                     "uint8_t",
                                                     "uint16_t",
                                                     "uint32_t",
                                                     "uint64_t",
                                                     "INT_MAX",
                                                     "INT_MIN",
                                                     "UINT_MAX",
                                                     "CHAR_BIT",
                                                     "SIZE_MAX",
                                                     "UINT16_MAX",
                                                     "UINT32_MAX",
                                                     "Timing"};

// The longest identifier made before a number is added: C compilers need
// tell apart only the first 63 characters.
constexpr std::size_t kLongestIdentifier = 56;

bool is_word_byte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

void append_c_identifier(std::string& text, std::string_view name, identifier_set& taken) {
    // Word characters kept, every run of others as one '_', no '_' first and
    // never two in a row (the implementation's own names).
    std::string base;
    for (const char c : name) {
        if (base.size() >= kLongestIdentifier) break;
        const char kept = is_word_byte(c) ? c : '_';
        if (kept == '_' && (base.empty() || base.back() == '_')) continue;
        base += kept;
    }
    if (base.empty()) base = "signal";
    const bool reserved = std::find(std::begin(kReservedIdentifiers), std::end(kReservedIdentifiers), base) !=
                          std::end(kReservedIdentifiers);
    if (reserved || (base[0] >= '0' && base[0] <= '9')) base = "ir_" + base;
    std::string identifier = base;
    if (const auto found = taken.find(base); found != taken.end()) {
        unsigned& next = found->second;
        do {
            identifier = base + (base.back() == '_' ? "" : "_") + std::to_string(next++);
        } while (taken.count(identifier) != 0);
    }
    taken.emplace(identifier, 2);
    text += identifier;
}

std::size_t empty_field(std::string_view line, std::size_t from) {
    bool empty = true;
    for (std::size_t i = from; i < line.size(); ++i) {
        if (line[i] == ',') {
            if (empty) return i;
            empty = true;
        } else if (!is_blank(line[i])) {
            empty = false;
        }
    }
    return std::string_view::npos;
}
