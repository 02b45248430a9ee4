// The decoders' readings for the viewer.
#include "tools/view/readings.h"

#include <algorithm>

#include "passes/pass.h"
#include "tools/view/fit.h"

namespace {

// One record through one pass, with its bits and its line kept as text.
// Returns 0, or the errno of a failed read.
int read_decoder(capture_image& image, const format_profile& profile, std::uint64_t number, pass_state& state,
                 decoder_reading& d) {
    d = decoder_reading{};
    if (state.ended) {
        d.reached = false;
        return 0;
    }
    char text[32 + kMostBitsText + kMaxGroups * 3 + 8];
    char* const bits = put_record_prefix(text, profile.letter, number);
    char* end = bits;
    if (const int error = read_record(image, profile, number, state, true, d.record, bits, &end)) return error;
    if (state.ended) return 0;
    d.bits.assign(bits, end);
    d.prefix_size = static_cast<std::size_t>(bits - text);
    if (d.record.frame.stats.n_all != 0) {
        d.line.assign(text, put_line_end(end, profile, d.record, false));
        d.verbose_line.assign(text, put_line_end(end, profile, d.record, true));
    }
    return 0;
}

int read_words(capture_image& image, std::uint64_t number, record_readings& readings) {
    const word_span record = image_words(image, record_first_word(number), kRecordWords);
    std::uint64_t last = kRecordWords;
    while (last > 0 && load_word(record.words + 4 * (last - 1)) == 0) --last;
    if (last > record.delivered) return record.error;
    readings.number = number;
    readings.words.clear();
    for (std::uint64_t i = 0; i < last; ++i) readings.words.push_back(load_word(record.words + 4 * i));
    return 0;
}

// Places the record in its signal and keeps of its words those that are
// signal: up to the 0 that ends its durations, or as far as a decoder's
// frame read; never the note after them. A record of a note alone has none.
int place_words(capture_image& image, place_cache& cache, record_readings& readings) {
    record_place& place = readings.place;
    if (const int error = place_record(image, readings.number, cache, place)) return error;
    readings.label = place_label(place);
    if (!place.noted) return 0;
    std::uint64_t drawn = place.note_alone ? 0 : std::min<std::uint64_t>(place.end + 1, kRecordWords);
    for (const decoder_reading& d : readings.decoders)
        if (d.reached && !ends_walk(d) && !place.note_alone)
            drawn = std::max<std::uint64_t>(
                drawn, std::min<std::uint64_t>(std::uint64_t{d.record.anchor.offset} + d.record.frame.words_read,
                                               kRecordWords));
    // Past the last non-zero word, the words are 0.
    readings.words.resize(drawn, 0);
    return 0;
}

// A frame that ends on a long duration sets last_separate anew.
bool sets_separate(const decoder_reading& d) {
    return d.reached && !d.record.anchor.ends_pass && d.record.frame.end == frame_end::long_duration;
}

}  // namespace

reading_walk start_walk(profile_list profiles) {
    reading_walk walk;
    walk.profiles = profiles;
    walk.states.resize(profiles.size());
    walk.reach_known.assign(profiles.size(), true);
    walk.separate_known.assign(profiles.size(), true);
    return walk;
}

int read_shown_record(capture_image& image, reading_walk& walk, std::uint64_t number, record_readings& readings) {
    const std::size_t count = walk.profiles.size();
    if (number - walk.next > kMostWalked) {
        // Too far to walk: what the records in between would change is
        // not known.
        for (std::size_t p = 0; p < count; ++p) {
            if (walk.profiles[p]->anchor != nullptr) walk.reach_known[p] = false;
            walk.separate_known[p] = false;
        }
        walk.next = number;
    }
    decoder_reading scratch;
    for (; walk.next < number; ++walk.next)
        for (std::size_t p = 0; p < count; ++p) {
            if (const int error = read_decoder(image, *walk.profiles[p], walk.next, walk.states[p], scratch))
                return error;
            if (sets_separate(scratch)) walk.separate_known[p] = true;
        }
    if (const int error = read_words(image, number, readings)) return error;
    readings.decoders.resize(count);
    for (std::size_t p = 0; p < count; ++p) {
        decoder_reading& d = readings.decoders[p];
        if (const int error = read_decoder(image, *walk.profiles[p], number, walk.states[p], d)) return error;
        if (sets_separate(d)) walk.separate_known[p] = true;
        d.reach_known = walk.reach_known[p];
        d.separate_known = walk.separate_known[p];
    }
    walk.next = number + 1;
    if (const int error = place_words(image, walk.places, readings)) return error;
    judge_fits(walk.profiles, readings);
    return 0;
}

int read_record_alone(capture_image& image, profile_list profiles, std::uint64_t number, record_readings& readings) {
    if (const int error = read_words(image, number, readings)) return error;
    readings.decoders.resize(profiles.size());
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        pass_state state;
        if (const int error = read_decoder(image, *profiles[p], number, state, readings.decoders[p])) return error;
    }
    place_cache cache;
    if (const int error = place_words(image, cache, readings)) return error;
    judge_fits(profiles, readings);
    return 0;
}
