// pronto: learned Pronto codes (first word 0000), one a line (or wrapped
// over lines, as long as it has fewer words than its counts say), four hex
// digits a word: 0000, the frequency word F, the counts of once and repeat
// pairs, then the pairs. A count of carrier cycles lasts F × 0.241246 µs;
// the once sequence comes first, then the repeat sequence. Written codes
// hold every pair in the once sequence.
#include <optional>
#include <utility>

#include "output/writer.h"
#include "tools/forms/kit.h"

namespace {

// A carrier cycle of frequency word F lasts F × 241246 / 10^6 µs.
tick_length cycle_of(std::uint64_t frequency_word) { return {frequency_word * 241246, 1000000}; }

// A code being read: its words, each with the line and column it is at,
// over as many lines as it is wrapped on.
struct pronto_code {
    std::string name;
    std::vector<std::uint32_t> words;
    std::vector<std::pair<unsigned, unsigned>> places;
};

// The words a code's counts say it has, once they are read; 0 before.
std::size_t words_wanted(const pronto_code& c) {
    return c.words.size() < 4 ? 0 : 4 + 2 * (std::size_t{c.words[2]} + c.words[3]);
}

// The signal of a whole code, to the sink; false with `error` set for one
// that is no learned code.
bool finish_code(pronto_code& c, signal_sink& sink, import_error& error) {
    const auto at = [&](std::size_t i, std::string message) {
        return fail(error, c.places[i].first, c.places[i].second, std::move(message));
    };
    const std::vector<std::uint32_t>& words = c.words;
    if (words.size() < 4) return fail(error, c.places[0].first, 0, "a Pronto code needs at least 4 words");
    if (words[0] != 0) return at(0, "only learned Pronto codes (first word 0000) are read");
    if (words[1] == 0) return at(1, "a carrier frequency word of 0");
    if (words[2] == 0 && words[3] == 0)
        return at(2, "the code's counts of once and repeat pairs are both 0: it holds no burst");
    if (words.size() != words_wanted(c))
        return fail(error, c.places[0].first, 0,
                    "the code has " + std::to_string(words.size()) + " words, its counts say " +
                        std::to_string(words_wanted(c)));
    ir_signal s{std::move(c.name), c.places[0].first, {}};
    s.carrier = static_cast<std::uint32_t>((1000000000000 / 241246 + words[1] / 2) / words[1]);
    s.durations.reserve(words.size() - 4);
    for (std::size_t i = 4; i < words.size(); ++i) {
        if (words[i] == 0) return at(i, "zero duration");
        const std::uint64_t microseconds = to_microseconds(words[i], cycle_of(words[1]));
        // A count that lasts less than half a microsecond would be a 0,
        // which ends a record: it is no duration.
        if (microseconds == 0) return at(i, "a count of under half a microsecond");
        s.durations.push_back(static_cast<std::uint32_t>(microseconds));
    }
    sink.take(s);
    return true;
}

bool read_pronto(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    pronto_code code;  // no words when none is being read
    bool stopped = false;
    // Ends the code being read; false when the sink stops the reading.
    const auto end_code = [&] {
        const bool going = code.words.empty() || finish_code(code, sink, error) || sink.skip(error);
        code = pronto_code{};
        return going;
    };
    std::string name;  // a comment line just before a code names it
    // `stopped`: the sink stopped the reading at a code's end.
    const bool read = for_each_entry_line(source, sink, error, stopped, [&](text_line line) {
        // A code wrapped over lines goes on while it has fewer words than
        // its counts say; a blank or comment line ends it.
        const bool blank = is_blank_or_comment(line.text);
        const bool goes_on =
            !blank && !code.words.empty() && (words_wanted(code) == 0 || code.words.size() < words_wanted(code));
        if (!goes_on && !end_code()) return stopped = true, false;
        if (blank) {
            name = comment_name(line.text);
            return true;
        }
        if (code.words.empty()) code.name = std::exchange(name, std::string());
        line_tokens tokens{line.text};
        for (unsigned column;;) {
            const std::string_view token = tokens.next({}, column);
            if (token.empty()) break;
            const std::optional<std::uint64_t> word =
                token.size() <= 4 && token.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos
                    ? read_number("0x" + std::string(token), 0xFFFF)
                    : std::nullopt;
            if (!word) {
                code = pronto_code{};
                return fail(error, line.number, column, "not a Pronto word (four hex digits): " + quoted(token));
            }
            code.words.push_back(static_cast<std::uint32_t>(*word));
            code.places.emplace_back(line.number, column);
        }
        if (code.words.size() >= 4 && code.words.size() >= words_wanted(code) && !end_code()) stopped = true;
        return !stopped;
    });
    return read && end_code();
}

bool recognise_pronto(std::string_view text) {
    line_tokens tokens{first_content_line(text)};
    const std::string_view first = tokens.next(), second = tokens.next();
    return first == "0000" && second.size() == 4 &&
           second.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

void append_word(std::string& text, std::uint64_t word) {
    text += ' ';
    for (int shift = 12; shift >= 0; shift -= 4) text += kHexDigits[word >> shift & 0xF];
}

bool write_pronto(const ir_signal& s, const write_settings& settings, std::string& text, std::string& problem) {
    const std::uint64_t frequency_word = (1000000000000 / 241246 + settings.carrier / 2) / settings.carrier;
    if (frequency_word == 0 || frequency_word > 0xFFFF) {
        problem = "a carrier of " + std::to_string(settings.carrier) + " Hz has no Pronto frequency word";
        return false;
    }
    std::vector<std::uint32_t> d = s.durations;
    if (d.size() % 2 == 1) d.push_back(kLeadOut);
    append_name_comment(text, s.name);
    text += "0000";
    append_word(text, frequency_word);
    append_word(text, d.size() / 2);
    append_word(text, 0);
    for (const std::uint32_t microseconds : d) {
        const std::uint64_t count = std::max<std::uint64_t>(1, to_ticks(microseconds, cycle_of(frequency_word)));
        if (count > 0xFFFF) {
            problem = "a duration of " + std::to_string(microseconds) + " µs is more than 65535 carrier cycles";
            return false;
        }
        append_word(text, count);
    }
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kProntoForm{"pronto",
                                     read_pronto,
                                     recognise_pronto,
                                     nullptr,
                                     write_pronto,
                                     kCarrierOption,
                                     "learned Pronto codes, '0000 FFFF NNNN NNNN ...'",
                                     ".pronto"};
