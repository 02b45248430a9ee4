// Records placed in their signals.
#include "tools/view/signals.h"

#include <cerrno>
#include <optional>

#include "tools/shared/record_layout.h"

namespace {

// What one record's words say: where its durations end (the first word
// from word 1 that is not positive), whether its word 0 is a duration, and
// the note after its durations.
struct record_look {
    std::uint64_t end = 0;
    bool word_0_positive = false;
    bool ended_by_zero = false;  // a 0 ends the durations (not a negative word)
    std::optional<record_note> note;
};

int look_at(capture_image& image, std::uint64_t number, record_look& look) {
    const word_span span = image_words(image, record_first_word(number), kRecordWords);
    if (span.delivered < kRecordWords) return span.error != 0 ? span.error : EIO;
    look = record_look{};
    look.word_0_positive = load_word(span.words) > 0;
    std::uint64_t i = 1;
    while (i < kRecordWords && load_word(span.words + 4 * i) > 0) ++i;
    look.end = i;
    if (i < kRecordWords) {
        look.ended_by_zero = load_word(span.words + 4 * i) == 0;
        look.note = read_record_note(span, i);
    }
    return 0;
}

bool filled(const record_look& look) { return look.end == kRecordWords; }

// Whether record `r` is known filled, and, when `after_first`, with word 0 a
// duration.
bool known_filled(const place_cache& cache, std::uint64_t r, bool after_first) {
    return cache.filled_first != 0 && r >= cache.filled_first && r <= cache.filled_last &&
           (!after_first || r > cache.filled_first);
}

void remember_filled(place_cache& cache, std::uint64_t r, const record_look& look) {
    if (!filled(look)) return;
    if (cache.filled_first != 0 && r == cache.filled_last + 1 && look.word_0_positive)
        cache.filled_last = r;
    else if (!known_filled(cache, r, false))
        cache.filled_first = cache.filled_last = r;
}

// A record that holds only the note of the record before.
bool is_note_alone(const record_look& look) { return look.end == 1 && look.note && look.note->for_previous; }

struct run_found {
    bool found = false;
    std::uint64_t start = 0, end = 0;  // its records
    std::uint64_t note_record = 0;     // `end`, or the record after it that holds its note alone
    record_note note;
};

// The run that record `number` belongs to: its records filled to their end
// up to the one whose durations end before, then the note (there, or alone
// in the next record), whose count of records before agrees.
int find_run(capture_image& image, std::uint64_t number, place_cache& cache, run_found& run) {
    run = run_found{};
    record_look look;
    for (std::uint64_t j = 0; j < kMostRunRecords; ++j) {
        const std::uint64_t r = number + j;
        if (r < number) return 0;
        if (known_filled(cache, r, j > 0)) continue;
        if (const int error = look_at(image, r, look)) return error;
        remember_filled(cache, r, look);
        if (j > 0 && !look.word_0_positive) return 0;
        if (filled(look)) continue;
        std::optional<record_note> note = look.note;
        std::uint64_t note_record = r;
        if (!note && look.ended_by_zero) {
            record_look next;
            if (const int error = look_at(image, r + 1, next)) return error;
            if (is_note_alone(next)) note = next.note;
            note_record = r + 1;
        } else if (note && note->for_previous) {
            return 0;
        }
        if (!note || note->continued < j || note->continued >= r) return 0;
        run.start = r - note->continued;
        // The records before `number` in the run are filled too.
        for (std::uint64_t b = run.start; b < number; ++b) {
            if (known_filled(cache, b, b > run.start)) continue;
            if (const int error = look_at(image, b, look)) return error;
            remember_filled(cache, b, look);
            if (!filled(look) || (b > run.start && !look.word_0_positive)) return 0;
        }
        run.found = true;
        run.end = r;
        run.note_record = note_record;
        run.note = *note;
        return 0;
    }
    return 0;
}

// The run whose note is in record `record`, if there is one.
int run_noted_in(capture_image& image, std::uint64_t record, place_cache& cache, run_found& run) {
    run = run_found{};
    record_look look;
    if (const int error = look_at(image, record, look)) return error;
    if (is_note_alone(look)) {
        if (record < 2) return 0;
        if (const int error = find_run(image, record - 1, cache, run)) return error;
    } else if (look.note) {
        if (const int error = find_run(image, record, cache, run)) return error;
    }
    if (run.found && run.note_record != record) run = run_found{};
    return 0;
}

// The frame and name of `run`: back over the runs before it that its
// signal holds, up to the one whose note starts the signal.
int name_run(capture_image& image, const run_found& run, place_cache& cache, record_place& place) {
    run_found current = run;
    unsigned before = 0;  // runs of the signal before `run`
    place.frame = 0;
    for (unsigned step = 0; step <= kMostFramesBack; ++step) {
        if (current.note.starts_signal) {
            place.frame = before + 1;
            place.name = current.note.name;
            break;
        }
        const std::uint64_t previous = current.start - 1;
        bool cached = false;
        for (const place_cache::run& c : cache.runs)
            if (c.note_record == previous && c.goes_on) {
                // A run after one whose frame is not known is not known either.
                place.frame = c.frame == 0 ? 0 : c.frame + before + 1;
                place.name = c.name;
                cached = true;
            }
        if (cached) break;
        run_found earlier;
        if (previous >= 1)
            if (const int error = run_noted_in(image, previous, cache, earlier)) return error;
        if (!earlier.found || earlier.note.after == 0) {
            // A run that follows no run of a signal starts one of its own,
            // without facts.
            place.frame = before + 1;
            place.name.clear();
            break;
        }
        current = earlier;
        ++before;
    }
    // However it was found, a frame past the bound is not known, so that
    // a record is labelled the same whatever the list it is shown in.
    if (place.frame > kMostFramesBack + 1) {
        place.frame = 0;
        place.name.clear();
    }
    if (cache.runs.size() == 4) cache.runs.erase(cache.runs.begin());
    cache.runs.push_back({run.note_record, place.frame, place.name, run.note.after != 0});
    return 0;
}

}  // namespace

int place_record(capture_image& image, std::uint64_t number, place_cache& cache, record_place& place) {
    place = record_place{};
    record_look look;
    if (const int error = look_at(image, number, look)) return error;
    run_found run;
    if (is_note_alone(look) && number >= 2) {
        if (const int error = run_noted_in(image, number, cache, run)) return error;
        place.note_alone = run.found;
        place.end = 1;
    } else {
        if (const int error = find_run(image, number, cache, run)) return error;
        place.end = look.end;
    }
    if (!run.found) return 0;
    place.noted = true;
    place.part = place.note_alone ? 0 : number - run.start;
    for (const place_cache::run& c : cache.runs)
        if (c.note_record == run.note_record) {
            place.frame = c.frame;
            place.name = c.name;
            return 0;
        }
    return name_run(image, run, cache, place);
}

std::string place_label(const record_place& place) {
    if (!place.noted) return "";
    std::string what;
    const auto add = [&](const std::string& part) { what += (what.empty() ? "" : ", ") + part; };
    if (place.frame == 0) add("a frame after " + std::to_string(kMostFramesBack) + " others");
    if (place.frame > 1) add("frame " + std::to_string(place.frame));
    if (place.part > 0) add("continued");
    if (place.note_alone) add("its note");
    if (what.empty()) return place.name;
    return place.name.empty() ? "(" + what + ")" : place.name + " (" + what + ")";
}
