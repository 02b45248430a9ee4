// sendir: Global Caché network IR commands, one a line:
// "sendir,M:P,ID,FREQ,REPEAT,OFFSET,ON1,OFF1,ON2,OFF2,...", the on and off
// times in cycles of the FREQ Hz carrier. The signal is the whole sequence,
// then REPEAT - 1 times the part from the OFFSET-th time on (the repeated
// part, as the device sends it). Written commands use module 1, port 1,
// ID 1, offset 1, and the signal's repeats.
#include <optional>

#include "tools/forms/kit.h"

namespace {

constexpr std::uint64_t kMostCycles = 65535;

tick_length cycle_of(std::uint64_t frequency) { return {1000000, frequency}; }

// The most durations a command's repeats may make: far more than a record
// holds, and a bound on what one line costs.

bool read_sendir(text_source& source, const read_settings&, signal_sink& sink, import_error& error) {
    return for_each_named_line(source, sink, error, [&](text_line line, std::string named) {
        if (const std::size_t comma = empty_field(line.text, 0); comma != std::string_view::npos)
            return fail(error, line.number, static_cast<unsigned>(comma) + 1, "an empty field before ','");
        if (trimmed(line.text).back() == ',')
            return fail(error, line.number, static_cast<unsigned>(line.text.rfind(',')) + 1,
                        "an empty field after the last ','");
        line_tokens tokens{line.text};
        unsigned column;
        const std::string_view command = tokens.next(",", column);
        if (command != "sendir") return fail(error, line.number, column, "expected 'sendir,'");
        const std::string_view address = tokens.next(",", column);
        if (address.find(':') == std::string_view::npos)
            return fail(error, line.number, column, "expected a module:port address: " + quoted(address));
        // ID, FREQ, REPEAT, OFFSET, then on and off times in pairs, read as
        // microseconds as they come.
        std::uint64_t head[4] = {};
        unsigned columns[4] = {};
        std::size_t count = 0;
        ir_signal s{std::move(named), line.number, {}};
        for (std::string_view token; !(token = tokens.next(",", column)).empty(); ++count) {
            const std::optional<std::uint64_t> v = token.find_first_not_of("0123456789") == std::string_view::npos
                                                       ? read_number(token, UINT32_MAX)
                                                       : std::nullopt;
            if (!v) return fail(error, line.number, column, "not a number: " + quoted(token));
            if (count < 4) {
                head[count] = *v;
                columns[count] = column;
                if (count == 1 && (*v < 15000 || *v > 500000))
                    return fail(error, line.number, column, "a carrier frequency outside 15000 to 500000 Hz");
                continue;
            }
            if (*v == 0 || *v > kMostCycles)
                return fail(error, line.number, column, "a time outside 1 to 65535 carrier cycles");
            s.durations.push_back(static_cast<std::uint32_t>(to_microseconds(*v, cycle_of(head[1]))));
        }
        if (count < 6 || count % 2 != 0)
            return fail(error, line.number, 0,
                        "a sendir command holds an ID, a frequency, a repeat count, an offset "
                        "and pairs of on and off times");
        const std::uint64_t repeat = head[2], offset = head[3];
        const std::size_t times = s.durations.size();
        if (repeat < 1 || repeat > 50) return fail(error, line.number, columns[2], "a repeat count outside 1 to 50");
        if (offset < 1 || offset > times || offset % 2 == 0)
            return fail(error, line.number, columns[3], "an offset that is not the place of an on time");
        const std::size_t repeated = times - (offset - 1);
        if (times + (repeat - 1) * repeated > kMostDurations)
            return fail(error, line.number, columns[2],
                        "the repeats make " + std::to_string(times + (repeat - 1) * repeated) +
                            " durations, more than " + std::to_string(kMostDurations));
        s.carrier = static_cast<std::uint32_t>(head[1]);
        // Repeats of the whole sequence are the signal's repeats; repeats of
        // a part of it are sent in it.
        if (offset == 1) {
            s.repeats = static_cast<unsigned>(repeat - 1);
        } else {
            s.durations.reserve(times + (repeat - 1) * repeated);
            for (std::uint64_t r = 1; r < repeat; ++r)
                for (std::size_t i = offset - 1; i < times; ++i) s.durations.push_back(s.durations[i]);
        }
        sink.take(s);
        return true;
    });
}

bool recognise_sendir(std::string_view text) { return trimmed(first_content_line(text)).substr(0, 7) == "sendir,"; }

bool write_sendir(const ir_signal& s, const write_settings& settings, std::string& text, std::string& problem) {
    std::vector<std::uint32_t> d = s.durations;
    if (d.size() % 2 == 1) d.push_back(kLeadOut);
    append_name_comment(text, s.name);
    text += "sendir,1:1,1,";
    append_decimal(text, settings.carrier);
    text += ',';
    append_decimal(text, std::min(s.repeats, 49u) + 1);
    text += ",1";
    for (const std::uint32_t microseconds : d) {
        const std::uint64_t cycles = std::max<std::uint64_t>(1, to_ticks(microseconds, cycle_of(settings.carrier)));
        if (cycles > kMostCycles) {
            problem = "a duration of " + std::to_string(microseconds) + " µs is more than 65535 carrier cycles";
            return false;
        }
        text += ',';
        append_decimal(text, cycles);
    }
    text += '\n';
    return true;
}

}  // namespace

extern const signal_form kSendirForm{"sendir",
                                     read_sendir,
                                     recognise_sendir,
                                     nullptr,
                                     write_sendir,
                                     kCarrierOption,
                                     "Global Cache 'sendir,M:P,ID,FREQ,REPEAT,OFFSET,ON,OFF,...'",
                                     ".sendir"};
