// Laying out signals as records with their notes, and the manifest that
// names them.
#include "tools/shared/record_layout.h"

#include <algorithm>

#include "output/writer.h"
#include "tools/shared/record_list.h"
#include "tools/shared/text_input.h"

namespace {

// A record ends its durations at word 508 at the latest (two 0 words,
// then word 510's mark); its note starts no earlier than word 5, so that a
// record of a note alone reads as no frame from its words 0 to 4.
constexpr std::uint64_t kLastEnd = kFromStartWord - 2;
constexpr std::uint64_t kFirstNoteWord = 5;
constexpr std::uint64_t kNoteHead = 4;  // magic, version, length, checksum
// The longest name a note keeps, escaped, so that a note fits a record.
constexpr std::size_t kMostNoteName = 800;

bool needs_escape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '\\'; }

void append_manifest_name(std::string& text, std::string_view name) {
    // Runs of bytes that need no escape are appended whole.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (!needs_escape(static_cast<unsigned char>(name[i]))) continue;
        text.append(name.substr(plain, i - plain));
        append_hex_escape(text, static_cast<unsigned char>(name[i]));
        plain = i + 1;
    }
    text.append(name.substr(plain));
}

// A name as a manifest or a note holds it, its \xNN escapes decoded; any
// other backslash stands for itself.
std::string manifest_name(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && hex_digit_value(text[i + 2]) >= 0 &&
            hex_digit_value(text[i + 3]) >= 0) {
            name += static_cast<char>(hex_digit_value(text[i + 2]) * 16 + hex_digit_value(text[i + 3]));
            i += 3;
            continue;
        }
        name += text[i];
    }
    return name;
}

std::string signal_label(const ir_signal& s, std::string_view source) {
    return s.name.empty() ? std::string(source) + ":" + std::to_string(s.line) : s.name;
}

// Two frames of which the second repeats the first: the same count, each
// duration within a quarter of the longer of the two.
bool repeats_frame(const std::uint32_t* a, const std::uint32_t* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t longer = std::max(a[i], b[i]), shorter = std::min(a[i], b[i]);
        if (4 * (longer - shorter) > longer) return false;
    }
    return true;
}

void add_line(std::string& text, std::string_view key, std::uint64_t value) {
    text += key;
    text += ' ';
    text += std::to_string(value);
    text += '\n';
}

// The note's text: a line per fact, "key value", those at their defaults
// left out.
std::string note_text(const record_note& note) {
    std::string text;
    if (note.for_previous) text += "for-previous\n";
    if (note.starts_signal) {
        text += "signal\n";
        if (!note.name.empty()) {
            text += "name ";
            append_manifest_name(text, note.name);
            text += '\n';
        }
        if (!note.form.empty()) text += "form " + note.form + "\n";
        if (note.carrier != 0) add_line(text, "carrier", note.carrier);
        if (note.duty != 0) add_line(text, "duty", note.duty);
        if (note.repeats != 0) add_line(text, "repeats", note.repeats);
        if (note.copies != 1) {
            add_line(text, "copies", note.copies);
            add_line(text, "copy-gap", note.copy_gap);
        }
    }
    if (note.after != 0) add_line(text, "after", note.after);
    if (note.continued != 0) add_line(text, "continued", note.continued);
    return text;
}

std::uint64_t note_words(const std::string& text) { return kNoteHead + (text.size() + 1) / 2; }

// A checksum of the note's text (Fletcher's, 16 bits).
std::uint32_t note_checksum(std::string_view text) {
    std::uint32_t a = 0, b = 0;
    for (const char c : text) {
        a = (a + static_cast<unsigned char>(c)) % 255;
        b = (b + a) % 255;
    }
    return b << 8 | a;
}

void put_note(std::uint32_t* words, std::uint64_t at, const std::string& text) {
    words[at] = kNoteMagic;
    words[at + 1] = kNoteVersion;
    words[at + 2] = static_cast<std::uint32_t>(text.size());
    words[at + 3] = note_checksum(text);
    for (std::size_t i = 0; i < text.size(); ++i)
        words[at + kNoteHead + i / 2] |= std::uint32_t{static_cast<unsigned char>(text[i])} << (i % 2 * 8);
}

// The words of one record being made, and where it ends.
struct record_words {
    std::uint32_t words[kRecordWords] = {};
    std::uint64_t count = 0;
};

struct laying {
    const layout_options& options;
    layout_state& state;
    capture_writer& capture;
    out_writer* manifest;
    std::string manifest_entry;  // the signal's label, escaped, and a line end
};

void write_out(laying& l, const record_words& r) {
    write_record(l.capture, r.words, kRecordWords);
    ++l.state.records;
    if (l.manifest == nullptr) return;
    char number[24];
    out_bytes(*l.manifest, number, static_cast<std::size_t>(put_hex(number, l.state.records, 1, '0') - number));
    out_bytes(*l.manifest, "\t", 1);
    out_text(*l.manifest, l.manifest_entry);
}

// Ends a record after `end` words of durations: the two 0 words, its note
// (here, or in a record of its own after it), and the mark.
void finish_record(laying& l, record_words& r, std::uint64_t end, record_note note) {
    const std::string text = note_text(note);
    const std::uint64_t at = std::max(end + 2, kFirstNoteWord);
    const bool fits = at + note_words(text) <= kFromStartWord;
    if (fits) put_note(r.words, at, text);
    r.words[kFromStartWord] = kFromStartMark;
    write_out(l, r);
    if (fits) return;
    record_words alone;
    note.for_previous = true;
    put_note(alone.words, kFirstNoteWord, note_text(note));
    alone.words[kFromStartWord] = kFromStartMark;
    write_out(l, alone);
}

// Lays out a run of durations (burst first and last) from its first record
// on: on into further records where it does not fit one. `note` is the
// note of its last record but for `continued`. Returns whether it had to be
// cut where no gap of its own was (a remainder that neither fits a record
// nor fills one), the rest laid out as a run of its own after the gap there.
bool lay_out_run(laying& l, const std::uint32_t* d, std::size_t count, record_note note) {
    bool cut = false;
    for (;;) {
        record_words r;
        std::uint64_t word = 0;
        r.words[word++] = l.options.idle;
        unsigned continued = 0;
        std::size_t at = 0;
        // Records filled to their end while the rest fills another one, up to
        // the most records a run spans.
        while (count - at > kLastEnd - word && count - at >= kRecordWords - word && continued + 1 < kMostRunRecords) {
            for (; word < kRecordWords; ++word) r.words[word] = d[at++];
            write_out(l, r);
            r = record_words{};
            word = 0;
            ++continued;
        }
        if (count - at <= kLastEnd - word) {
            for (; at < count; ++word) r.words[word] = d[at++];
            note.continued = continued;
            finish_record(l, r, word, note);
            return cut;
        }
        // A rest that neither fits nor fills: this record ends at its last
        // burst before word 508, the gap after it goes into its note, and the
        // rest starts a record of its own.
        // Word 508 is even, so the record's last duration is a burst.
        const std::size_t take = kLastEnd - word;
        for (std::size_t i = 0; i < take; ++i) r.words[word++] = d[at++];
        record_note part = note;
        part.after = d[at++];
        part.continued = continued;
        finish_record(l, r, word, part);
        note.starts_signal = false;
        d += at;
        count -= at;
        cut = true;
    }
}

}  // namespace

void lay_out_signal(const ir_signal& s, std::string_view form, const layout_options& options, layout_state& state,
                    capture_writer& capture, out_writer* manifest, std::string_view source,
                    const std::function<void(const std::string&)>& warn) {
    laying l{options, state, capture, manifest, {}};
    const std::string label = signal_label(s, source);
    if (manifest != nullptr) {
        append_manifest_name(l.manifest_entry, label);
        l.manifest_entry += '\n';
    }
    // The durations as sent: the copies joined by the copy gap; the last gap
    // apart, in the note of the last record.
    const std::vector<std::uint32_t>& d = s.durations;
    const bool last_gap = d.size() % 2 == 0;
    const std::size_t copy = d.size() - (last_gap ? 1 : 0);
    const unsigned copies = options.copies != 0 ? options.copies : s.repeats + 1;
    const std::uint32_t copy_gap = options.copies == 0 && last_gap ? d.back() : options.copy_gap;
    std::vector<std::uint32_t> sent;
    sent.reserve(copies * (copy + 1));
    for (unsigned c = 0; c < copies; ++c) {
        if (c > 0) sent.push_back(copy_gap);
        sent.insert(sent.end(), d.begin(), d.begin() + static_cast<std::ptrdiff_t>(copy));
    }

    record_note note;
    note.starts_signal = true;
    note.name = s.name;
    if (!s.name.empty()) {
        std::string escaped;
        append_manifest_name(escaped, s.name);
        if (escaped.size() > kMostNoteName) {
            // Cut before an escape or a character that would pass the limit.
            std::size_t keep = 0, length = 0;
            for (std::size_t i = 0; i < s.name.size();) {
                const std::size_t character = std::max<std::size_t>(printable_length(s.name, i), 1);
                std::string piece;
                append_manifest_name(piece, s.name.substr(i, character));
                if (length + piece.size() > kMostNoteName) break;
                length += piece.size();
                i += character;
                keep = i;
            }
            note.name = s.name.substr(0, keep);
            warn("signal " + quoted(label) + ": its name is cut to " + std::to_string(keep) +
                 " bytes in the capture (--manifest keeps it whole)");
        }
    }
    note.form = std::string(form);
    note.carrier = s.carrier;
    note.duty = s.duty;
    note.repeats = s.repeats;
    note.copies = copies;
    note.copy_gap = copies > 1 ? copy_gap : 0;

    // Frames end at gaps of at least the frame gap; a frame joins the run
    // before it when it repeats the run's last frame and the run still fits
    // one record.
    bool cut = false;
    std::size_t run = 0, last_frame = 0;  // where the run and its last frame start
    for (std::size_t at = 0; at < sent.size();) {
        std::size_t end = at + 1;
        while (end < sent.size() && (options.frame_gap == 0 || sent[end] < options.frame_gap)) end += 2;
        if (end > sent.size()) end = sent.size();
        // [at, end) is a frame; sent[end], when there, the gap after it.
        const bool repeats = at > run && end - at == at - 1 - last_frame &&
                             repeats_frame(sent.data() + last_frame, sent.data() + at, end - at) &&
                             end - run <= kLastEnd - 1;
        if (at > run && !repeats) {
            note.after = sent[at - 1];
            cut = lay_out_run(l, sent.data() + run, at - 1 - run, note) || cut;
            note = record_note{};
            run = at;
        }
        last_frame = at;
        at = end + 1;
    }
    note.after = last_gap ? d.back() : 0;
    cut = lay_out_run(l, sent.data() + run, sent.size() - run, note) || cut;
    if (cut)
        warn("signal " + quoted(label) +
             ": a frame is cut where no gap of its own is, to fit the records (the decoders read its parts apart)");
}

void start_manifest(out_writer& manifest) { out_text(manifest, "# record (hex, as tavlin prints it)\tsignal\n"); }

std::string manifest_line(std::uint64_t record, const ir_signal& signal, std::string_view source) {
    std::string text;
    char number[24];
    text.append(number, static_cast<std::size_t>(put_hex(number, record, 1, '0') - number));
    text += '\t';
    append_manifest_name(text, signal_label(signal, source));
    text += '\n';
    return text;
}

std::string read_manifest(std::string_view text, std::map<std::uint64_t, std::string>& names) {
    skip_byte_order_mark(text);
    std::string error;
    for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        const std::size_t tab = line.text.find('\t');
        std::vector<record_range> number;
        if (tab == std::string_view::npos || !read_record_list(line.text.substr(0, tab), number).empty() ||
            number.size() != 1 || number[0].first != number[0].last) {
            error = "line " + std::to_string(line.number) + ": expected a record number (hex), a tab and a name";
            return false;
        }
        std::string_view name = line.text.substr(tab + 1);
        if (!name.empty() && name.back() == '\r') name.remove_suffix(1);
        names[number[0].first] = manifest_name(name);
        return true;
    });
    return error;
}

int read_record_signal(const word_span& record, bool from_word_0, std::vector<std::uint32_t>& durations,
                       std::uint64_t& negative_word, bool& ended) {
    durations.clear();
    negative_word = 0;
    ended = false;
    std::uint64_t i = from_word_0 ? 0 : 1;
    for (; i < kRecordWords; ++i) {
        const std::int32_t word = load_word(record.words + 4 * i);
        if (word <= 0) {
            if (word < 0) negative_word = i;
            ended = true;
            break;
        }
        durations.push_back(static_cast<std::uint32_t>(word));
    }
    // The words looked at: the durations and the word that ended them.
    if (std::min(i + 1, kRecordWords) > record.delivered) return record.error;
    return 0;
}

namespace {

// The note after durations that end at word `end`, in a record's words.
std::optional<record_note> note_in(const std::uint32_t* words, std::uint64_t end) {
    const auto word = [&](std::uint64_t i) -> std::uint32_t { return i < kRecordWords ? words[i] : 0; };
    const std::uint64_t at = std::max(end + 2, kFirstNoteWord);
    if (word(end) != 0 || word(end + 1) != 0 || word(at) != kNoteMagic || word(at + 1) != kNoteVersion)
        return std::nullopt;
    const std::uint32_t length = word(at + 2);
    if (at + kNoteHead + (length + 1) / 2 > kFromStartWord) return std::nullopt;
    std::string text;
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint32_t pair = word(at + kNoteHead + i / 2);
        if (pair > 0xFFFF) return std::nullopt;
        text += static_cast<char>(pair >> (i % 2 * 8) & 0xFF);
    }
    if (word(at + 3) != note_checksum(text)) return std::nullopt;
    record_note note;
    bool good = true;
    for_each_line(text, [&](text_line line) {
        const std::size_t space = line.text.find(' ');
        const std::string_view key = line.text.substr(0, space);
        const std::string_view value = space == std::string_view::npos ? "" : line.text.substr(space + 1);
        const std::optional<std::uint64_t> number = read_number(value, 0x7FFFFFFF);
        if (key == "signal")
            note.starts_signal = true;
        else if (key == "for-previous")
            note.for_previous = true;
        else if (key == "name")
            note.name = manifest_name(value);
        else if (key == "form")
            note.form = std::string(value);
        else if (!number)
            good = false;  // every other fact is a number; a later version may add facts
        else if (key == "carrier")
            note.carrier = static_cast<std::uint32_t>(*number);
        else if (key == "duty")
            note.duty = static_cast<std::uint32_t>(std::min<std::uint64_t>(*number, 1000000));
        else if (key == "repeats")
            note.repeats = static_cast<unsigned>(std::min<std::uint64_t>(*number, 255));
        else if (key == "copies")
            note.copies = static_cast<unsigned>(std::max<std::uint64_t>(*number, 1));
        else if (key == "copy-gap")
            note.copy_gap = static_cast<std::uint32_t>(*number);
        else if (key == "after")
            note.after = static_cast<std::uint32_t>(*number);
        else if (key == "continued")
            note.continued = static_cast<unsigned>(std::min<std::uint64_t>(*number, 1u << 20));
        return good;
    });
    if (!good) return std::nullopt;
    return note;
}

}  // namespace

std::optional<record_note> read_record_note(const word_span& record, std::uint64_t end) {
    // Most records of a capture from elsewhere have no note: told from the
    // mark without copying the record.
    const std::uint64_t mark = std::max(end + 2, kFirstNoteWord);
    if (mark >= record.delivered || mark >= kRecordWords ||
        static_cast<std::uint32_t>(load_word(record.words + 4 * mark)) != kNoteMagic)
        return std::nullopt;
    std::uint32_t words[kRecordWords];
    for (std::uint64_t i = 0; i < kRecordWords; ++i)
        words[i] = i < record.delivered ? static_cast<std::uint32_t>(load_word(record.words + 4 * i)) : 0;
    return note_in(words, end);
}

namespace {

using each_signal = std::function<void(const read_back_signal&)>;

using record_words_array = signal_reading::words;

// Durations of a record's words from `from` up to the first 0 (or a
// negative word), and where they end.
std::uint64_t durations_from(const record_words_array& words, std::uint64_t from, std::vector<std::uint32_t>* into) {
    std::uint64_t i = from;
    for (; i<kRecordWords&& static_cast<std::int32_t>(words[i])> 0; ++i)
        if (into != nullptr) into->push_back(words[i]);
    return i;
}

void close_signal(signal_reading& r, const each_signal& each) {
    if (!r.open) return;
    r.open = false;
    std::vector<std::uint32_t>& d = r.signal.signal.durations;
    // The copies laid out, taken apart, when they are whole copies.
    const std::uint64_t copies = r.facts.copies;
    if (copies > 1 && (d.size() + 1) % copies == 0) d.resize((d.size() + 1) / copies - 1);
    if (r.after != 0) d.push_back(r.after);
    each(r.signal);
}

// A record without a note: a signal of its own.
void alone(signal_reading& r, std::uint64_t number, const record_words_array& words, const each_signal& each) {
    close_signal(r, each);
    read_back_signal s;
    s.first = s.last = number;
    durations_from(words, 1, &s.signal.durations);
    each(s);
}

// The waiting records as they stand, without a note: each a signal of its own.
void flush_runs(signal_reading& r, const each_signal& each) {
    for (const auto& [number, words] : r.runs) alone(r, number, words, each);
    r.runs.clear();
    r.last_unnoted = false;
}

// The waiting records, a run ended by its note, into the signal.
void take_run(signal_reading& r, const record_note& note, const each_signal& each) {
    if (note.starts_signal || !r.open || r.after == 0) {
        close_signal(r, each);
        r.open = true;
        r.signal = read_back_signal{};
        r.signal.first = r.runs.front().first;
        r.signal.noted = true;
        r.facts = note.starts_signal ? note : record_note{};
        r.signal.form = r.facts.form;
        r.signal.signal.name = r.facts.name;
        r.signal.signal.carrier = r.facts.carrier;
        r.signal.signal.duty = r.facts.duty;
        r.signal.signal.repeats = r.facts.repeats;
    } else {
        r.signal.signal.durations.push_back(r.after);
    }
    for (std::size_t i = 0; i < r.runs.size(); ++i)
        durations_from(r.runs[i].second, i == 0 ? 1 : 0, &r.signal.signal.durations);
    r.signal.last = r.runs.back().first;
    r.after = note.after;
    r.runs.clear();
    r.last_unnoted = false;
}

}  // namespace

void read_back_record(signal_reading& r, std::uint64_t number, const word_span& record, const each_signal& each) {
    if (number != r.next) {
        flush_runs(r, each);
        close_signal(r, each);
    }
    r.next = number + 1;
    record_words_array words;
    for (std::uint64_t i = 0; i < kRecordWords; ++i)
        words[i] = static_cast<std::uint32_t>(load_word(record.words + 4 * i));
    if (r.last_unnoted) {
        // The note of the run's last record, in a record of its own.
        const std::optional<record_note> note =
            durations_from(words, 1, nullptr) == 1 ? note_in(words.data(), 1) : std::nullopt;
        if (note && note->for_previous && note->continued + 1 == r.runs.size()) {
            take_run(r, *note, each);
            return;
        }
        flush_runs(r, each);
    }
    const bool continues = !r.runs.empty();
    const std::uint64_t end = durations_from(words, continues ? 0 : 1, nullptr);
    if (end == kRecordWords) {
        // Filled to its end: a run that goes on into the next record, or a
        // record of its own.
        r.runs.emplace_back(number, words);
        if (r.runs.size() == kMostRunRecords) flush_runs(r, each);
        return;
    }
    const std::optional<record_note> note = note_in(words.data(), end);
    if (note && !note->for_previous && note->continued == r.runs.size()) {
        r.runs.emplace_back(number, words);
        take_run(r, *note, each);
        return;
    }
    if (!note && static_cast<std::int32_t>(words[end]) == 0) {
        r.runs.emplace_back(number, words);
        r.last_unnoted = true;
        return;
    }
    flush_runs(r, each);
    alone(r, number, words, each);
}

void finish_read_back(signal_reading& r, const each_signal& each) {
    flush_runs(r, each);
    close_signal(r, each);
}
