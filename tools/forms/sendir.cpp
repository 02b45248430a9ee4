// sendir: Global Caché network IR commands, one a line:
// "sendir,M:P,ID,FREQ,REPEAT,OFFSET,ON1,OFF1,ON2,OFF2,...", the on and off
// times in cycles of the FREQ Hz carrier. The signal is the whole sequence,
// then REPEAT - 1 times the part from the OFFSET-th time on (the repeated
// part, as the device sends it). Written commands use module 1, port 1,
// ID 1, one repeat, offset 1.
#include <optional>

#include "tools/forms/kit.h"

namespace {

constexpr std::uint64_t kMostCycles = 65535;

tick_length cycle_of(std::uint64_t frequency) { return {1000000, frequency}; }

bool read_sendir(std::string_view text, const read_settings&, read_result& result, import_error& error) {
    return for_each_line(text, [&](text_line line) {
        if (is_blank_or_comment(line.text)) return true;
        line_tokens tokens{line.text};
        unsigned column;
        const std::string_view command = tokens.next(",", column);
        if (command != "sendir") return fail(error, line.number, column, "expected 'sendir,'");
        std::vector<std::uint64_t> fields;
        std::vector<unsigned> columns;
        const std::string_view address = tokens.next(",", column);
        if (address.find(':') == std::string_view::npos)
            return fail(error, line.number, column, "expected a module:port address: " + quoted(address));
        for (std::string_view token; !(token = tokens.next(",", column)).empty();) {
            const std::optional<std::uint64_t> v = token.find_first_not_of("0123456789") == std::string_view::npos
                                                       ? read_number(token, UINT32_MAX)
                                                       : std::nullopt;
            if (!v) return fail(error, line.number, column, "not a number: " + quoted(token));
            fields.push_back(*v);
            columns.push_back(column);
        }
        // ID, FREQ, REPEAT, OFFSET, then on and off times in pairs.
        if (fields.size() < 6 || fields.size() % 2 != 0)
            return fail(error, line.number, 0,
                        "a sendir command holds an ID, a frequency, a repeat count, an offset "
                        "and pairs of on and off times");
        const std::uint64_t frequency = fields[1], repeat = fields[2], offset = fields[3];
        const std::size_t times = fields.size() - 4;
        if (frequency < 15000 || frequency > 500000)
            return fail(error, line.number, columns[1], "a carrier frequency outside 15000 to 500000 Hz");
        if (repeat < 1 || repeat > 50) return fail(error, line.number, columns[2], "a repeat count outside 1 to 50");
        if (offset < 1 || offset > times || offset % 2 == 0)
            return fail(error, line.number, columns[3], "an offset that is not the place of an on time");
        ir_signal s{"", line.number, {}, 0};
        std::vector<std::uint32_t> once;
        for (std::size_t i = 4; i < fields.size(); ++i) {
            if (fields[i] == 0 || fields[i] > kMostCycles)
                return fail(error, line.number, columns[i], "a time outside 1 to 65535 carrier cycles");
            once.push_back(static_cast<std::uint32_t>(to_microseconds(fields[i], cycle_of(frequency))));
        }
        s.durations = once;
        for (std::uint64_t r = 1; r < repeat; ++r)
            s.durations.insert(s.durations.end(), once.begin() + static_cast<std::ptrdiff_t>(offset - 1), once.end());
        result.signals.push_back(std::move(s));
        return true;
    });
}

bool recognise_sendir(std::string_view text) { return trimmed(first_content_line(text)).substr(0, 7) == "sendir,"; }

bool write_sendir(const ir_signal& s, const write_settings& settings, std::string& text, std::string& problem) {
    std::vector<std::uint32_t> d = s.durations;
    if (d.size() % 2 == 1) d.push_back(kLeadOut);
    text += "# " + s.name + "\nsendir,1:1,1,";
    append_decimal(text, settings.carrier);
    text += ",1,1";
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

const signal_form kSendirForm{"sendir", read_sendir, recognise_sendir, nullptr, write_sendir, 0};
