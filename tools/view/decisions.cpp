// The decoders' decisions for the viewer.
#include "tools/view/decisions.h"

#include "passes/pass.h"

namespace {

// One record through one pass: the anchor, the frame, and the pass state
// after it. Returns 0, or the errno of a failed read.
int decide(capture_image& image, const format_profile& profile, std::uint64_t number, pass_state& state, bool& stopped,
           decoder_decision& d) {
    d = decoder_decision{};
    if (stopped) {
        d.reached = false;
        return 0;
    }
    std::uint64_t anchor = record_first_word(number);
    if (profile.anchor != nullptr) {
        const word_span record = image_words(image, anchor, kRecordWords);
        d.anchor = profile.anchor(record.words);
        if (d.anchor.words_read > record.delivered) return record.error;
        if (d.anchor.ends_pass) {
            d.ends_walk = stopped = true;
            return 0;
        }
        anchor += d.anchor.offset;
    }
    const word_span span = image_words(image, anchor, kFrameSpanWords);
    char bits[kMaxGroups * 9 + 8];
    const char* end = read_frame(span.words, profile, d.frame, bits);
    if (d.frame.words_read > span.delivered) return span.error;
    d.bits.assign(bits, static_cast<std::size_t>(end - bits));
    if (d.frame.end == frame_end::long_duration) state.last_separate = d.frame.end_duration;
    d.tail_count = tail_fields(span.words, profile, d.frame, state.last_separate, d.tail);
    if (d.frame.stats.n_all != 0) {
        char text[kMaxGroups * 12 + 64];
        char* p = put_record_prefix(text, profile.letter, number);
        d.line.assign(text, static_cast<std::size_t>(p - text));
        d.line += d.bits;
        if (d.frame.group_count != 0) {
            p = put_text(text, ": ");
            p = put_groups(p, profile, d.frame);
            d.line.append(text, static_cast<std::size_t>(p - text));
            d.line += '\n';
        }
    }
    return 0;
}

int read_words(capture_image& image, std::uint64_t number, record_decisions& decisions) {
    const word_span record = image_words(image, record_first_word(number), kRecordWords);
    std::uint64_t last = kRecordWords;
    while (last > 0 && load_word(record.words + 4 * (last - 1)) == 0) --last;
    if (last > record.delivered) return record.error;
    decisions.number = number;
    decisions.words.clear();
    for (std::uint64_t i = 0; i < last; ++i) decisions.words.push_back(load_word(record.words + 4 * i));
    return 0;
}

}  // namespace

decision_walk start_walk(const std::vector<const format_profile*>& profiles) {
    decision_walk walk;
    walk.profiles = profiles;
    walk.states.resize(profiles.size());
    walk.stopped.assign(profiles.size(), false);
    walk.reach_known.assign(profiles.size(), true);
    walk.separate_known.assign(profiles.size(), true);
    return walk;
}

int decide_record(capture_image& image, decision_walk& walk, std::uint64_t number, record_decisions& decisions) {
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
    decoder_decision scratch;
    for (; walk.next < number; ++walk.next)
        for (std::size_t p = 0; p < count; ++p) {
            bool stopped = walk.stopped[p];
            if (const int error = decide(image, *walk.profiles[p], walk.next, walk.states[p], stopped, scratch))
                return error;
            walk.stopped[p] = stopped;
            if (scratch.frame.end == frame_end::long_duration && scratch.reached && !scratch.ends_walk)
                walk.separate_known[p] = true;
        }
    if (const int error = read_words(image, number, decisions)) return error;
    decisions.decoders.resize(count);
    for (std::size_t p = 0; p < count; ++p) {
        bool stopped = walk.stopped[p];
        decoder_decision& d = decisions.decoders[p];
        if (const int error = decide(image, *walk.profiles[p], number, walk.states[p], stopped, d)) return error;
        walk.stopped[p] = stopped;
        if (d.reached && !d.ends_walk && d.frame.end == frame_end::long_duration) walk.separate_known[p] = true;
        d.reach_known = walk.reach_known[p];
        d.separate_known = walk.separate_known[p];
    }
    walk.next = number + 1;
    return 0;
}

int decide_alone(capture_image& image, const std::vector<const format_profile*>& profiles, std::uint64_t number,
                 record_decisions& decisions) {
    if (const int error = read_words(image, number, decisions)) return error;
    decisions.decoders.resize(profiles.size());
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        pass_state state;
        bool stopped = false;
        if (const int error = decide(image, *profiles[p], number, state, stopped, decisions.decoders[p])) return error;
    }
    return 0;
}
