// Lines, tokens, numbers and quoted words.
#include "tools/shared/text_input.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output/writer.h"
#include "platform/platform.h"

std::string_view line_tokens::next(std::string_view separators, unsigned& column) {
    if (separators.empty()) {  // blanks only: the common case, without the search of the separators
        while (at < text.size() && is_blank(text[at])) ++at;
        column = static_cast<unsigned>(at) + 1;
        const std::size_t start = at;
        while (at < text.size() && !is_blank(text[at])) ++at;
        return text.substr(start, at - start);
    }
    const auto separates = [&](char c) { return is_blank(c) || separators.find(c) != std::string_view::npos; };
    while (at < text.size() && separates(text[at])) ++at;
    column = static_cast<unsigned>(at) + 1;
    const std::size_t start = at;
    while (at < text.size() && !separates(text[at])) ++at;
    return text.substr(start, at - start);
}

std::string_view line_tokens::rest() {
    while (at < text.size() && is_blank(text[at])) ++at;
    return text.substr(at);
}

bool is_blank_or_comment(std::string_view line) {
    std::size_t first = 0;
    while (first < line.size() && is_blank(line[first])) ++first;
    return first == line.size() || line[first] == '#';
}

std::optional<std::uint64_t> read_number(std::string_view text, std::uint64_t limit) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        if (digit > limit || value > (limit - digit) / base) return std::nullopt;
        value = value * base + digit;
    }
    return value;
}

std::string quoted(std::string_view word) {
    constexpr std::size_t kShown = 40;
    std::string text = "'";
    for (std::size_t i = 0; i < word.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(word[i]);
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            append_hex_escape(text, c);
        }
    }
    return text + (word.size() > kShown ? "'..." : "'");
}

int read_text_file(const char* path, std::string& text) {
    const bool standard_input = path[0] == '-' && path[1] == '\0';
    std::FILE* in = standard_input ? stdin : platform_fopen(path, "rb");
    if (in == nullptr) return errno;
    char chunk[1 << 16];
    std::size_t n;
    int error = 0;
    // Reading stops as soon as the input shows it is no text (a NUL byte, a
    // binary start): the caller refuses it from what was read, and an
    // endless binary stream is not read on. Text beyond kMostText is refused.
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        if (text.size() + n > kMostText) {
            error = EFBIG;
            break;
        }
        const bool was_short = text.size() < 1024;
        text.append(chunk, n);
        if (std::memchr(chunk, '\0', n) != nullptr || (was_short && text.size() >= 1024 && looks_binary(text))) break;
    }
    if (error == 0 && std::ferror(in)) error = errno != 0 ? errno : EIO;
    if (!standard_input) std::fclose(in);
    return error;
}

void skip_byte_order_mark(std::string_view& text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
}

bool looks_binary(std::string_view text) {
    constexpr std::size_t kHeader = 1024;
    if (text.find('\0') != std::string_view::npos) return true;
    const std::string_view start = text.substr(0, kHeader);
    for (const char c : start) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\v' && byte != '\f' && byte != '\r' &&
             byte != 0x1B) ||
            byte == 0x7F)
            return true;
    }
    return start.size() == kHeader && static_cast<unsigned char>(start[0]) >= 0x80 &&
           start.find_first_not_of(start[0]) == std::string_view::npos;
}

std::size_t printable_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned c = byte(at);
    if (c < 0x20 || c == 0x7F) return 0;
    if (c < 0x80) return 1;
    // The lead byte's length, and the range of the byte after it that keeps
    // the character shortest, outside the surrogates, not over U+10FFFF and
    // not a C1 control (U+0080 to U+009F).
    struct lead {
        unsigned first, last;
        std::size_t length;
        unsigned low, high;
    };
    constexpr lead kLeads[] = {{0xC2, 0xC2, 2, 0xA0, 0xBF}, {0xC3, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
                               {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF},
                               {0xF0, 0xF0, 4, 0x90, 0xBF}, {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}};
    for (const lead& l : kLeads) {
        if (c < l.first || c > l.last) continue;
        if (byte(at + 1) < l.low || byte(at + 1) > l.high) return 0;
        for (std::size_t k = 2; k < l.length; ++k)
            if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) return 0;
        return l.length;
    }
    return 0;
}

void append_hex_escape(std::string& text, unsigned char c) {
    text += "\\x";
    text += kHexDigits[c >> 4];
    text += kHexDigits[c & 0xFu];
}

int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

text_source text_source_of(std::string_view text) {
    text_source source;
    source.buffer = std::string(text);
    source.ended = true;
    return source;
}

int open_text_source(const char* path, text_source& source) {
    source = text_source{};
    if (path[0] == '-' && path[1] == '\0') {
        source.file = stdin;
        return 0;
    }
    errno = 0;
    source.file = platform_fopen(path, "rb");
    if (source.file == nullptr) return errno != 0 ? errno : EIO;
    source.own_file = true;
    return 0;
}

void close_text_source(text_source& source) {
    if (source.own_file && source.file != nullptr) std::fclose(source.file);
    source.file = nullptr;
    source.own_file = false;
}

bool read_more(text_source& source) {
    if (source.ended) return false;
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    // The text dropped is given back before the buffer grows, so that it
    // holds what is still needed and one chunk.
    if (source.start > 0 && source.start >= source.buffer.size() / 2) {
        source.buffer.erase(0, source.start);
        source.start = 0;
    }
    const std::size_t had = source.buffer.size();
    source.buffer.resize(had + kChunk);
    errno = 0;
    const std::size_t n = std::fread(source.buffer.data() + had, 1, kChunk, source.file);
    source.buffer.resize(had + n);
    if (n == 0) {
        source.error = std::ferror(source.file) ? (errno != 0 ? errno : EIO) : 0;
        source.ended = true;
        return false;
    }
    source.total += n;
    if (source.buffer.size() - source.start > kMostText) {
        source.error = EFBIG;
        source.ended = true;
    }
    // Reading stops at a NUL byte: the input is no text, and an endless
    // binary stream is not read on.
    if (const void* nul = std::memchr(source.buffer.data() + had, '\0', n)) {
        source.buffer.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - source.buffer.data()));
        source.binary = true;
        source.ended = true;
    }
    return source.buffer.size() > had;
}

void read_at_least(text_source& source, std::size_t bytes) {
    while (source_text(source).size() < bytes && read_more(source)) {
    }
}

void drop_text(text_source& source, std::size_t bytes) {
    const std::string_view gone = source_text(source).substr(0, bytes);
    source.line += static_cast<unsigned>(std::count(gone.begin(), gone.end(), '\n'));
    source.start += gone.size();
}

std::string terminal_text(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t length = printable_length(text, i)) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            append_hex_escape(out, static_cast<unsigned char>(text[i++]));
        }
    }
    return out;
}
