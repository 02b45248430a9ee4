// The pair loop, the frame end, and the frame line with its statistics tail.
#include "passes/frame_slicer.h"

#include "passes/pair_blocks.h"

namespace {

// Signed reading of a wrapped 32-bit result.
std::int32_t as_signed(std::uint32_t v) { return static_cast<std::int32_t>(v); }

std::int32_t bit_threshold(std::int32_t reference, const format_profile& profile) {
    const std::int32_t scaled = as_signed(static_cast<std::uint32_t>(reference) * profile.tb_multiplier);
    return scaled / profile.tb_divisor;  // truncates toward zero
}

// The most a frame line can take: header, prefix, 256 groups of up to 8 bits
// and their spaces, ": ", the groups in hex, the tail and the line end.
constexpr std::size_t kFrameRoom = 4096;
static_assert(128 + 32 + kMaxGroups * 9 + 2 + kMaxGroups * 3 + 6 * 9 + 2 <= kFrameRoom);

// The verbose statistics fields of a frame, after its groups: the profile's
// tail words, the three means (or the plain sums when a count is 0), and
// `last_separate`. Returns how many it stored in `fields` (at most 6).
unsigned tail_fields(const unsigned char* words, const format_profile& profile, const frame_reading& frame,
                     std::int32_t last_separate, std::int32_t fields[6]) {
    unsigned count = 0;
    for (unsigned i = 0; i < profile.tail_word_count; ++i)
        fields[count++] = load_word(words + 4 * profile.tail_words[i]);
    const frame_stats& s = frame.stats;
    if (s.n_all != 0 && s.n_on != 0 && s.n_off != 0) {
        fields[count++] = as_signed(s.sum_first) / s.n_all;
        fields[count++] = as_signed(s.sum_on) / s.n_on;
        fields[count++] = as_signed(s.sum_off) / s.n_off;
    } else {
        // Without a count for every mean the tail shows the plain sums.
        fields[count++] = as_signed(s.sum_first);
        fields[count++] = as_signed(s.sum_on);
        fields[count++] = as_signed(s.sum_off);
    }
    fields[count++] = last_separate;
    return count;
}

}  // namespace

int read_record(capture_image& image, const format_profile& profile, std::uint64_t number, pass_state& state,
                bool with_tail, record_reading& reading, char* bits, char** bits_end) {
    *bits_end = bits;
    reading.anchor = record_anchor{false, 0, 0};
    reading.tail_count = 0;
    if (state.ended) return 0;
    std::uint64_t anchor = record_first_word(number);
    if (profile.anchor != nullptr) {
        const word_span record = image_words(image, anchor, kRecordWords);
        reading.anchor = profile.anchor(record.words);
        if (reading.anchor.words_read > record.delivered) return record.error;
        if (reading.anchor.ends_pass) {
            state.ended = true;
            return 0;
        }
        anchor += reading.anchor.offset;
    }
    const word_span span = image_words(image, anchor, kFrameSpanWords);
    frame_reading& frame = reading.frame;
    *bits_end = read_frame(span.words, profile, frame, bits);
    if (frame.words_read > span.delivered) return span.error;
    if (frame.end == frame_end::long_duration) state.last_separate = frame.end_duration;
    if (with_tail) reading.tail_count = tail_fields(span.words, profile, frame, state.last_separate, reading.tail);
    return 0;
}

char* put_line_end(char* p, const format_profile& profile, const record_reading& reading, bool verbose) {
    // A frame without a whole group leaves its bits on an open line that the
    // next output continues.
    if (reading.frame.group_count == 0) return p;
    p = put_text(p, ": ");
    p = put_groups(p, profile, reading.frame);
    if (verbose) {
        *p++ = ':';
        for (unsigned i = 0; i < reading.tail_count; ++i) {
            *p++ = ' ';
            p = put_hex8(p, static_cast<std::uint32_t>(reading.tail[i]));
        }
    }
    *p++ = '\n';
    return p;
}

namespace {

// Prints the frame of record `number`: nothing when it ends before its first
// bit, its bits on an open line when it has no whole group, else the whole
// line. The bits go where they will print, behind the room that the header
// and the prefix take if the frame has a bit. Returns 0, or the errno of a
// failed read.
int print_frame(capture_image& image, std::uint64_t number, const format_profile& profile, pass_state& state,
                out_writer& out, bool verbose) {
    char prefix[32];
    const std::string_view prefix_text(
        prefix, static_cast<std::size_t>(put_record_prefix(prefix, profile.letter, number) - prefix));
    // The header belongs to the first frame the pass prints, not to the first
    // record it visits.
    const std::string_view header =
        profile.header.substr(0, verbose && !state.header_shown ? profile.header.size() : 0);
    char* const line = out_room(out, kFrameRoom);
    record_reading reading;
    char* cursor = nullptr;
    if (const int error =
            read_record(image, profile, number, state, verbose, reading, line + header.size() + prefix_text.size(),
                        &cursor))
        return error;
    if (state.ended || reading.frame.stats.n_all == 0) return 0;
    state.header_shown = true;
    put_text(put_text(line, header), prefix_text);
    out_commit(out, put_line_end(cursor, profile, reading, verbose));
    return 0;
}

}  // namespace

char* read_frame(const unsigned char* words, const format_profile& profile, frame_reading& frame, char* bits) {
    frame.reference = load_word(words + 4 * profile.reference);
    frame.tb = bit_threshold(frame.reference, profile);
    frame.te = as_signed(2u * static_cast<std::uint32_t>(frame.tb));
    frame.stats = frame_stats{};
    frame.group_count = 0;
    frame.end_duration = 0;
    frame_stats& s = frame.stats;
    const unsigned width = profile.group_width;
    unsigned bits_in_group = 0;
    std::uint32_t accumulator = 0;
    std::uint32_t word = profile.first_pair;
    for (;; word += 2) {
        if (bits_in_group == 0) {
            word = walk_blocks(words, word, profile, frame.tb, frame.te, bits, frame.groups, frame.group_count, s);
            if (frame.group_count == kMaxGroups) {
                frame.end = frame_end::group_limit;
                word -= 2;
                break;
            }
        }
        const std::int32_t a = load_word(words + 4 * word);
        const std::int32_t b = load_word(words + 4 * word + 4);
        const std::int32_t tested = profile.end_tested == end_tested_duration::first ? a : b;
        // The end test comes before the zero test: with a negative Te a zero
        // second duration is a long duration, and becomes last_separate.
        if (tested > frame.te) {
            frame.end = frame_end::long_duration;
            frame.end_duration = tested;
            break;
        }
        if (b == 0) {
            frame.end = frame_end::zero;
            break;
        }
        // Without branches on the bit: bits of real frames are unpredictable.
        const std::uint32_t one = b > frame.tb ? 1u : 0u;
        const std::uint32_t on_mask = 0u - one;
        accumulator = (accumulator | one << width) >> 1;
        *bits++ = static_cast<char>('0' + one);
        s.sum_first += static_cast<std::uint32_t>(a);
        s.sum_on += static_cast<std::uint32_t>(b) & on_mask;
        s.sum_off += static_cast<std::uint32_t>(b) & ~on_mask;
        s.n_on += static_cast<std::int32_t>(one);
        ++s.n_all;
        if (++bits_in_group == width) {
            frame.groups[frame.group_count++] = accumulator;
            *bits++ = ' ';
            if (frame.group_count == kMaxGroups) {
                frame.end = frame_end::group_limit;
                break;
            }
            accumulator = 0;
            bits_in_group = 0;
        }
    }
    s.n_off = s.n_all - s.n_on;
    frame.end_pair = word;
    frame.words_read = word + 2;
    return bits;
}

char* put_groups(char* p, const format_profile& profile, const frame_reading& frame) {
    const bool two_digits = profile.group_width == 8;
    for (unsigned i = 0; i < frame.group_count; ++i) {
        if (two_digits) *p++ = kHexDigits[frame.groups[i] >> 4 & 0xFu];
        *p++ = kHexDigits[frame.groups[i] & 0xFu];
        if ((i + 1) % profile.groups_per_space == 0) *p++ = ' ';
    }
    return p;
}

int decode_format(capture_image& image, const format_profile& profile, out_writer& out, bool verbose) {
    pass_state state;
    const std::uint64_t records = record_count(image.size);
    for (std::uint64_t number = 1; number <= records && !state.ended; ++number)
        if (const int error = print_frame(image, number, profile, state, out, verbose)) return error;
    return 0;
}
