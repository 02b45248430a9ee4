// The capture description language: one record per line.
#include "tools/capture_text.h"

#include <cstdint>
#include <optional>

const char* const kCaptureTextHelp =
    "usage: mkcapture INPUT OUTPUT\n"
    "Writes the capture file OUTPUT from the text description INPUT ('-' reads\n"
    "standard input). A capture file is a 1024-byte header followed by 2048-byte\n"
    "records of 512 little-endian signed 32-bit durations.\n"
    "\n"
    "The description, one item per line:\n"
    "  # text            a comment; blank lines are ignored too\n"
    "  header BYTE       fill the header with BYTE (0 to 255; default 0)\n"
    "  size BYTES        cut or zero-extend the file to exactly BYTES bytes\n"
    "  D D D ...         one record: up to 512 durations, the rest of it 0\n"
    "\n"
    "A duration is decimal (-2147483648 to 4294967295) or hexadecimal with 0x\n"
    "(0x0 to 0xFFFFFFFF, the word's bit pattern). D*N stands for N copies of D.\n"
    "A '#' after the durations starts a comment. header and size may each be\n"
    "given once, anywhere. A malformed line is reported with its number, and\n"
    "nothing is written.\n";

namespace {

constexpr std::size_t kHeaderBytes = 1024;
constexpr std::size_t kRecordWords = 512;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view next_token(std::string_view& rest) {
    std::size_t start = 0;
    while (start < rest.size() && is_blank(rest[start])) ++start;
    std::size_t end = start;
    while (end < rest.size() && !is_blank(rest[end])) ++end;
    std::string_view token = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return token;
}

// A duration's 32-bit pattern: a number up to 0xFFFFFFFF, or a negative
// decimal down to -2147483648.
std::optional<std::uint32_t> read_duration(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    auto value = read_number(text, negative ? 0x80000000u : 0xFFFFFFFFu);
    if (!value) return std::nullopt;
    auto word = static_cast<std::uint32_t>(*value);
    return negative ? 0u - word : word;
}

void put_word(std::string& capture, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) capture.push_back(static_cast<char>((word >> (8 * i)) & 0xFFu));
}

struct description {
    std::optional<std::uint64_t> header_fill;
    std::optional<std::uint64_t> size;
    std::string records;
};

// One record line. Returns an error text, empty when the line is well formed.
std::string add_record(std::string_view line, std::string& records) {
    std::size_t words = 0;
    for (std::string_view rest = line;;) {
        std::string_view token = next_token(rest);
        if (token.empty()) break;
        std::uint64_t copies = 1;
        if (std::size_t star = token.find('*'); star != std::string_view::npos) {
            auto count = read_number(token.substr(star + 1), kRecordWords);
            if (!count) return "bad repeat count in '" + std::string(token) + "'";
            copies = *count;
            token = token.substr(0, star);
        }
        auto word = read_duration(token);
        if (!word) return "bad duration '" + std::string(token) + "'";
        if (words + copies > kRecordWords) return "more than 512 durations in one record";
        for (std::uint64_t i = 0; i < copies; ++i) put_word(records, *word);
        words += copies;
    }
    records.append(4 * (kRecordWords - words), '\0');
    return {};
}

// A header or size line. Returns an error text, empty when well formed.
std::string set_once(std::string_view keyword, std::string_view rest, std::uint64_t limit,
                     std::optional<std::uint64_t>& field) {
    std::string_view token = next_token(rest);
    std::string name(keyword);
    if (field) return name + " given twice";
    if (token.empty() || !next_token(rest).empty()) return name + " takes one number";
    auto value = read_number(token, limit);
    if (!value) return "bad " + name + " '" + std::string(token) + "'";
    field = value;
    return {};
}

std::string read_line(std::string_view line, description& d) {
    if (std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    std::string_view rest = line;
    std::string_view first = next_token(rest);
    if (first.empty()) return {};
    if (first == "header") return set_once(first, rest, 255, d.header_fill);
    if (first == "size") return set_once(first, rest, UINT64_C(1) << 40, d.size);
    return add_record(line, d.records);
}

}  // namespace

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
        value = value * base + digit;
        if (value > limit) return std::nullopt;
    }
    return value;
}

bool capture_from_text(std::string_view text, std::string& capture, std::string& error) {
    description d;
    std::size_t line_number = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++line_number;
        std::string problem = read_line(line, d);
        if (!problem.empty()) {
            error = "line " + std::to_string(line_number) + ": " + problem;
            return false;
        }
    }
    capture.assign(kHeaderBytes, static_cast<char>(d.header_fill.value_or(0)));
    capture += d.records;
    if (d.size) capture.resize(*d.size, '\0');
    return true;
}
