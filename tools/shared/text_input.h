// Reading the text that users bring: lines with their numbers, tokens with
// their columns, numbers, and words quoted safely in messages. Every text
// reader of the tools goes through these.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// One line of an input, without its line end; numbered from 1.
struct text_line {
    std::string_view text;
    unsigned number;
};

// Calls `each(line)` for every line of `text`, in order, until it returns
// false; returns false when it did.
template <class Each>
bool for_each_line(std::string_view text, Each each) {
    for (unsigned number = 1; !text.empty(); ++number) {
        const std::size_t end = text.find('\n');
        if (!each(text_line{text.substr(0, end), number})) return false;
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return true;
}

inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// A line taken apart into tokens: runs of characters between blanks (space,
// tab, carriage return) and the separator characters a form adds.
struct line_tokens {
    std::string_view text;
    std::size_t at = 0;

    // The next token, empty at the end of the line; `column` is where it
    // starts, counted from 1.
    std::string_view next(std::string_view separators, unsigned& column);
    std::string_view next(std::string_view separators = {}) {
        unsigned column;
        return next(separators, column);
    }
    // The rest of the line after the tokens taken, without leading blanks.
    std::string_view rest();
};

// True for a line of blanks only, or one whose first other character is '#'.
bool is_blank_or_comment(std::string_view line);

// An unsigned decimal, or hexadecimal with 0x, no greater than `limit`.
std::optional<std::uint64_t> read_number(std::string_view text, std::uint64_t limit);

// `word` as a message shows it: in single quotes, cut to 40 characters with
// "..." after it, control characters and bytes outside ASCII as \xNN.
std::string quoted(std::string_view word);

// The most text a companion reads from one input.
constexpr std::size_t kMostText = std::size_t{1} << 30;

// Text read as it comes, a chunk at a time: readers see the buffered text
// from the start of the line they are at, and drop what they are done with,
// so that memory holds the longest line or entry, never the whole input.
struct text_source {
    std::FILE* file = nullptr;
    bool own_file = false;
    bool ended = false;   // no more to read: the end of the input, a NUL byte or a failure
    bool binary = false;  // a NUL byte ended it
    int error = 0;        // the errno of a failed read, EFBIG for a line or entry over kMostText
    std::string buffer;
    std::size_t start = 0;    // where the text not yet dropped starts in `buffer`
    unsigned line = 1;        // the number of the line at `start`
    std::uint64_t total = 0;  // bytes read so far
};

// A source that holds all of `text` and reads nothing more (for the
// recognisers, the tests and the fuzz targets).
text_source text_source_of(std::string_view text);

// Opens `path` ("-": standard input). Returns 0 or the errno.
int open_text_source(const char* path, text_source& source);
void close_text_source(text_source& source);

// The text read and not yet dropped.
inline std::string_view source_text(const text_source& source) {
    return std::string_view(source.buffer).substr(source.start);
}

// Reads the next chunk onto the end of the text; false when nothing more
// came. Views of the text taken before are no longer valid.
bool read_more(text_source& source);

// Reads until the text holds `bytes` bytes or the input ended.
void read_at_least(text_source& source, std::size_t bytes);

// Drops the first `bytes` of the text, counting its lines.
void drop_text(text_source& source, std::size_t bytes);

// Calls `each(line)` for every line of the input, each dropped once done
// with, until it returns false; returns false when it did.
template <class Each>
bool for_each_line(text_source& source, Each each) {
    for (;;) {
        std::string_view text = source_text(source);
        std::size_t end = text.find('\n');
        // A long line is searched once: each chunk from where the last ended.
        for (std::size_t searched = text.size(); end == std::string_view::npos && read_more(source);
             searched = text.size()) {
            text = source_text(source);
            end = text.find('\n', searched);
        }
        text = source_text(source);
        if (text.empty()) return true;
        const text_line line{text.substr(0, end), source.line};
        if (!each(line)) return false;
        drop_text(source, end == std::string_view::npos ? text.size() : end + 1);
    }
}

// Reads the whole of `path` ("-": standard input), or, from input that
// shows itself to be binary (see looks_binary), as far as it showed it.
// Returns 0, or the errno of the failure (EFBIG past kMostText).
int read_text_file(const char* path, std::string& text);

// Drops a UTF-8 byte-order mark from the start of `text`: it is invisible in
// an editor, and would otherwise stick to the first word.
void skip_byte_order_mark(std::string_view& text);

// True for input that is no text: it holds a NUL byte, or its first 1024
// bytes hold another control byte (blanks, line ends and the escape of
// terminal colours aside), or are 1024 copies of one byte outside ASCII, as
// a capture's header may be.
bool looks_binary(std::string_view text);

// The length of the valid, printable UTF-8 character at `at`, or 0 for a
// control byte or a byte of invalid UTF-8.
std::size_t printable_length(std::string_view text, std::size_t at);

// `text` as a terminal may show it (a message, a name in a table): valid,
// printable UTF-8 as it is, every control byte and byte of invalid UTF-8 as
// \xNN.
std::string terminal_text(std::string_view text);

// Appends `c` as the four characters \xNN, in uppercase hexadecimal.
void append_hex_escape(std::string& text, unsigned char c);

// The value of a hexadecimal digit, or -1.
int hex_digit_value(char c);
