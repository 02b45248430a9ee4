// The capture description language: one record per line.
#include "tools/shared/description.h"

#include "tools/shared/text_input.h"

const char* const kDescriptionHelp =
    "usage: mkcapture [OPTION...] INPUT OUTPUT\n"
    "Writes the capture file OUTPUT from the text description INPUT ('-' reads\n"
    "standard input, and '-' as OUTPUT writes standard output). A capture file is\n"
    "a 1024-byte header followed by 2048-byte records of 512 little-endian signed\n"
    "32-bit durations.\n"
    "\n"
    "The description, one item per line:\n"
    "  # text            a comment; blank lines are ignored too\n"
    "  header BYTE       fill the header with BYTE (0 to 255; default 0)\n"
    "  size BYTES        cut or zero-extend the file to exactly BYTES bytes\n"
    "                    (at most 1099511627776)\n"
    "  D D D ...         one record: up to 512 durations, the rest of it 0\n"
    "\n"
    "A duration is decimal (-2147483648 to 4294967295) or hexadecimal with 0x\n"
    "(0x0 to 0xFFFFFFFF, the word's bit pattern). D*N stands for N copies of D.\n"
    "A '#' after the durations starts a comment. header and size may each be\n"
    "given once, anywhere. A malformed line is reported with its number, and\n"
    "nothing is written.\n";

namespace {

constexpr std::uint64_t kLargestSize = std::uint64_t{1} << 40;

// A duration's 32-bit pattern: a number up to 0xFFFFFFFF, or a negative
// decimal down to -2147483648.
std::optional<std::uint32_t> read_duration(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    const auto value = read_number(text, negative ? 0x80000000u : 0xFFFFFFFFu);
    if (!value) return std::nullopt;
    const auto word = static_cast<std::uint32_t>(*value);
    return negative ? 0u - word : word;
}

// One record line into `words`. Returns an error text, empty when the line is
// well formed.
std::string read_record(std::string_view line, std::uint32_t (&words)[kRecordWords], std::uint64_t& count) {
    count = 0;
    line_tokens tokens{line};
    for (std::string_view token; !(token = tokens.next()).empty();) {
        std::uint64_t copies = 1;
        if (const std::size_t star = token.find('*'); star != std::string_view::npos) {
            const auto n = read_number(token.substr(star + 1), kRecordWords);
            if (!n) return "bad repeat count in " + quoted(token);
            copies = *n;
            token = token.substr(0, star);
        }
        const auto word = read_duration(token);
        if (!word) return "bad duration " + quoted(token);
        if (count + copies > kRecordWords) return "more than 512 durations in one record";
        for (std::uint64_t i = 0; i < copies; ++i) words[count++] = *word;
    }
    return {};
}

// A header or size line. Returns an error text, empty when well formed.
std::string set_once(std::string_view keyword, line_tokens& tokens, std::uint64_t limit,
                     std::optional<std::uint64_t>& field) {
    const std::string_view token = tokens.next();
    const std::string name(keyword);
    if (field) return name + " given twice";
    if (token.empty() || !tokens.next().empty()) return name + " takes one number";
    const auto value = read_number(token, limit);
    if (!value) return "bad " + name + " " + quoted(token);
    field = value;
    return {};
}

using record_sink = std::function<void(const std::uint32_t*, std::uint64_t)>;

// Reads every line; hands each record to `record`, when there is one.
bool walk_description(std::string_view text, description& d, std::string& error, const record_sink* record) {
    std::optional<std::uint64_t> header;
    std::uint32_t words[kRecordWords];
    d.records = 0;
    return for_each_line(text, [&](text_line line) {
        std::string_view content = line.text.substr(0, line.text.find('#'));
        line_tokens tokens{content};
        const std::string_view first = tokens.next();
        std::string problem;
        if (first.empty()) return true;
        if (first == "header") {
            problem = set_once(first, tokens, 255, header);
            if (header) d.header_fill = static_cast<unsigned char>(*header);
        } else if (first == "size") {
            problem = set_once(first, tokens, kLargestSize, d.size);
        } else {
            std::uint64_t count = 0;
            problem = read_record(content, words, count);
            if (problem.empty() && record != nullptr) (*record)(words, count);
            ++d.records;
        }
        if (problem.empty()) return true;
        error = "line " + std::to_string(line.number) + ": " + problem;
        return false;
    });
}

}  // namespace

bool read_description(std::string_view text, description& d, std::string& error) {
    d = description{};
    return walk_description(text, d, error, nullptr);
}

void for_each_record(std::string_view text, const record_sink& record) {
    description again;
    std::string unused;
    walk_description(text, again, unused, &record);
}

void write_description(std::string_view text, const description& d, capture_writer& capture) {
    write_header(capture, d.header_fill);
    for_each_record(text,
                    [&](const std::uint32_t* words, std::uint64_t count) { write_record(capture, words, count); });
}
