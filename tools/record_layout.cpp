// Laying out signals as records, and the manifest that names them.
#include "tools/record_layout.h"

#include <cstdio>

namespace {

constexpr std::size_t kHeaderBytes = 1024;
constexpr std::size_t kRecordWords = 512;

void put_word(std::string& capture, std::uint32_t word) {
    for (int i = 0; i < 4; ++i) capture.push_back(static_cast<char>((word >> (8 * i)) & 0xFFu));
}

// The durations of a record: the copies of the signal (each without a
// trailing gap), the copy gap between them, and the signal's own trailing
// gap, if it has one, after the last copy.
std::vector<std::uint32_t> record_durations(const ir_signal& s, const layout_options& options) {
    const bool trailing_gap = s.durations.size() % 2 == 0;
    const std::size_t copy_length = s.durations.size() - (trailing_gap ? 1 : 0);
    std::vector<std::uint32_t> d;
    for (unsigned c = 0; c < options.copies; ++c) {
        if (c > 0) d.push_back(options.copy_gap);
        d.insert(d.end(), s.durations.begin(), s.durations.begin() + static_cast<std::ptrdiff_t>(copy_length));
    }
    if (trailing_gap) d.push_back(s.durations.back());
    return d;
}

std::string signal_label(const ir_signal& s, std::string_view source) {
    return s.name.empty() ? std::string(source) + ":" + std::to_string(s.line) : s.name;
}

}  // namespace

bool lay_out_records(const std::vector<ir_signal>& signals, const layout_options& options, std::string_view source,
                     layout_result& result, import_error& error) {
    if (signals.empty()) {
        error = {0, 0, "no signal in the input"};
        return false;
    }
    result.capture.assign(kHeaderBytes, static_cast<char>(options.header));
    result.manifest = "# record (hex, as tavlin prints it)\tsignal\n";
    char number[24];
    for (std::size_t k = 0; k < signals.size(); ++k) {
        const ir_signal& s = signals[k];
        std::vector<std::uint32_t> d = record_durations(s, options);
        if (d.size() > kMostDurations) {
            const std::string what = "signal " + signal_label(s, source) + " has " + std::to_string(d.size()) +
                                     " durations with its copies; a record holds " + std::to_string(kMostDurations);
            if (!options.truncate) {
                error = {s.line, 0, what + " (--truncate cuts it)"};
                return false;
            }
            result.warnings.push_back("line " + std::to_string(s.line) + ": " + what + "; cut to " +
                                      std::to_string(kMostDurations));
            d.resize(kMostDurations);
        }
        const std::size_t start = result.capture.size();
        put_word(result.capture, options.idle);
        for (std::uint32_t duration : d) put_word(result.capture, duration);
        result.capture.resize(start + 4 * kRecordWords, '\0');

        std::snprintf(number, sizeof number, "%zX", k + 1);
        result.manifest += std::string(number) + "\t" + signal_label(s, source) + "\n";
    }
    return true;
}
