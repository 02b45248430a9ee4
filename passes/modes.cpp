// Mode reading and the passes of each mode.
#include "passes/modes.h"

#include "passes/dump.h"

namespace {

bool is_atoi_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::int32_t parse_mode(const char* text) {
    while (is_atoi_space(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    // Unsigned arithmetic wraps modulo 2^32 by definition; the conversion to
    // a signed value is then the two's-complement reading of the bit pattern.
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + static_cast<std::uint32_t>(*text - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

mode_row mode_passes(std::int32_t mode) {
    // -1 and no mode at all: the format decoders in turn, not the dump. Each
    // pass reads the file through the window again; the page cache serves
    // the later reads.
    if (mode == -1) return {false, kFormats};
    if (mode == 0) return {true, {}};
    if (mode > 0 && static_cast<std::uint64_t>(mode) <= kFormats.size())
        return {false, kFormats.subspan(static_cast<std::size_t>(mode) - 1, 1)};
    return {};
}

int run_mode(std::int32_t mode, capture_image& image, out_writer& out, bool verbose) {
    const mode_row row = mode_passes(mode);
    if (row.dump) return dump_records(image, out);
    for (const format_profile* format : row.formats)
        if (const int error = decode_format(image, *format, out, verbose)) return error;
    return 0;
}
