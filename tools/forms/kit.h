// The forms of signals, one file each, and what their readers and writers
// share: failing with a place, durations read as microseconds, names, and
// numbers written out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/forms/registry.h"
#include "tools/shared/text_input.h"

// The longest duration: a capture's word is a signed 32-bit duration.
constexpr std::uint64_t kLongestDuration = 0x7FFFFFFF;

// The most durations a signal of a text form holds: as many as 64 records
// of continued frames take, and more, so that memory holds one signal.
constexpr std::size_t kMostDurations = 65536;

// The gap that pair forms (Pronto, sendir) add after a signal that ends with
// a burst: 100 ms, longer than the gap between repeats of common remotes.
constexpr std::uint32_t kLeadOut = 100000;

// In the forms that are a stream of durations (mode2), a gap over this
// ends a signal: longer than the gaps between the frames of one press.
constexpr std::uint32_t kSignalGap = 100000;

// Sets `error` and returns false.
bool fail(import_error& error, unsigned line, unsigned column, std::string message);

// Reads a form of one entry a line: `each(line)` reads one, and returns
// false with `error` set for a line that cannot be read, which the sink
// skips; when `fatal` is then set, the error ends the reading instead.
template <class Each>
bool for_each_entry_line(text_source& source, signal_sink& sink, import_error& error, const bool& fatal, Each each) {
    return for_each_line(source, [&](text_line line) { return each(line) || (!fatal && sink.skip(error)); });
}
inline constexpr bool kNeverFatal = false;

// The signal being read in a form that is a stream of durations (mode2,
// ir-ctl): open from its first burst to its end; a line of it that cannot be
// read leaves the rest of it out; a comment line before it names it.
struct stream_signal {
    bool open = false;
    bool skipping = false;
    ir_signal signal;
    std::string name;
};

// Opens the signal at `line`, when none is open.
void open_signal(stream_signal& s, unsigned line);

// Ends the open signal: to the sink, unless it is left out.
void end_signal(stream_signal& s, signal_sink& sink);

// True when `read` reads all of `text` without leaving out an entry, and
// finds a signal in it (the recognisers that try a reader).
bool reads_cleanly(bool (*read)(text_source&, const read_settings&, signal_sink&, import_error&),
                   std::string_view text);

// A positive decimal count times `unit`, as microseconds from 1 to
// 2147483647.
bool read_duration(std::string_view token, unsigned line, unsigned column, std::uint64_t unit, std::uint32_t& value,
                   import_error& error);

// Appends a duration to `s` as the next burst (`burst` true) or gap: a
// duration of the same kind as the last one is added to it, as a sender
// would emit them back to back.
void add_duration(ir_signal& s, bool burst, std::uint32_t value);

// `name` trimmed of blanks.
std::string_view trimmed(std::string_view name);

// The length of a form's tick (a carrier cycle, a Broadlink tick, a count
// of a tick dump): num / den microseconds.
struct tick_length {
    std::uint64_t num;
    std::uint64_t den;
};

// Durations and ticks converted, each rounded to the nearest (halves up).
// Callers keep microseconds under 2^32 and ticks under 2^16 times den/num.
std::uint64_t to_ticks(std::uint64_t microseconds, tick_length tick);
std::uint64_t to_microseconds(std::uint64_t ticks, tick_length tick);

// Appends `value` in decimal.
void append_decimal(std::string& text, std::uint64_t value);

// Appends each duration after `separator`.
void append_durations(std::string& text, const std::vector<std::uint32_t>& durations, std::string_view separator);

// The first line of `text` that is neither blank nor a comment ("" if none):
// what the forms recognise input by.
std::string_view first_content_line(std::string_view text);

// Names in text forms. A name may hold any bytes; a form's text holds no
// control byte (C0, DEL, C1) and no invalid UTF-8 raw. Where it must, a
// name is shown or quoted with escapes: "\xNN" for such a byte, "\\" for a
// backslash, and inside quotes "\"" for a quote.

// Appends `name` with every byte that is not printable, and every
// backslash, escaped: what a comment line shows.
void append_escaped(std::string& text, std::string_view name);

// A name as a comment line shows it (append_escaped), its escapes read
// back; a backslash that starts no escape stands for itself.
std::string unescaped_name(std::string_view text);

// A comment line naming the entry after it: "# " and the name escaped, a
// blank at either end too, and the first letter of a name that starts with
// "timeout" (which ir-ctl reads as the end of a message). comment_name reads it back from a blank or
// comment line ("" for a blank one).
void append_name_comment(std::string& text, std::string_view name);
std::string comment_name(std::string_view line);

// As for_each_entry_line, for forms of one entry a line that a comment line
// just before it names (pronto, sendir): `each(line, name)`, the name ""
// when there is none.
template <class Each>
bool for_each_named_line(text_source& source, signal_sink& sink, import_error& error, Each each) {
    std::string name;
    return for_each_entry_line(source, sink, error, kNeverFatal, [&](text_line line) {
        if (is_blank_or_comment(line.text)) {
            name = comment_name(line.text);
            return true;
        }
        std::string named = std::move(name);
        name.clear();
        return each(line, std::move(named));
    });
}

// Appends `name` in double quotes, escaped.
void append_quoted(std::string& text, std::string_view name);

// Appends `name` as it is when the form reads it back whole, quoted when
// not: when it is empty, starts with '#', '"' or '\'', starts or ends with
// a blank, holds a byte that is not printable or one of `specials`, or is
// `keyword`.
void append_name(std::string& text, std::string_view name, std::string_view specials, std::string_view keyword = {});

// Reads the quoted name that starts at the '"' at `at` in `line`, into
// `name`; `at` ends after the closing quote. False, with `error` set, for a
// quote never closed or an escape that is not one.
bool read_quoted(std::string_view line, unsigned line_number, std::size_t& at, std::string& name, import_error& error);

// Appends a valid C identifier made from `name`, not one of the keywords,
// macros and reserved identifiers of C and C++, and not one of `taken`,
// which it joins.
void append_c_identifier(std::string& text, std::string_view name, identifier_set& taken);

// The offset of the first ',' in `line` from `from` that ends an empty
// field (only blanks since `from` or the ',' before it), or npos.
std::size_t empty_field(std::string_view line, std::size_t from);
