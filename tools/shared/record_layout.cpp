// Laying out signals as records, and the manifest that names them.
#include "tools/shared/record_layout.h"

#include <algorithm>

#include "output/writer.h"
#include "tools/shared/record_list.h"
#include "tools/shared/text_input.h"

namespace {

bool has_trailing_gap(const ir_signal& s) { return s.durations.size() % 2 == 0; }

unsigned copies_of(const ir_signal& s, const layout_options& options) {
    return s.copies != 0 ? s.copies : options.copies;
}

// Durations of a signal's record: the copies (each without a trailing gap),
// the copy gap between them, and the signal's own trailing gap, if it has
// one, after the last copy.
std::uint64_t record_length(const ir_signal& s, const layout_options& options) {
    if (s.durations.empty()) return 0;
    const std::uint64_t copy = s.durations.size() - (has_trailing_gap(s) ? 1 : 0);
    const unsigned copies = copies_of(s, options);
    return copies * copy + (copies - 1) + (has_trailing_gap(s) ? 1 : 0);
}

bool needs_escape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '\\'; }

void append_manifest_name(std::string& text, std::string_view name) {
    for (const char c : name) {
        if (!needs_escape(static_cast<unsigned char>(c))) {
            text += c;
            continue;
        }
        append_hex_escape(text, static_cast<unsigned char>(c));
    }
}

// A name of a manifest line, its \xNN escapes decoded; any other backslash
// stands for itself.
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

}  // namespace

bool check_records(const std::vector<ir_signal>& signals, const layout_options& options, std::string_view source,
                   std::vector<std::string>& warnings, import_error& error) {
    for (const ir_signal& s : signals) {
        if (s.durations.empty()) {
            error = {s.line, 0, "signal " + quoted(signal_label(s, source)) + " has no durations"};
            return false;
        }
        const std::uint64_t length = record_length(s, options);
        if (length <= kMostDurations) continue;
        const std::string what = "signal " + signal_label(s, source) + " has " + std::to_string(length) +
                                 " durations with its copies; a record holds " + std::to_string(kMostDurations);
        if (!options.truncate) {
            error = {s.line, 0, what + " (--truncate cuts it)"};
            return false;
        }
        warnings.push_back("line " + std::to_string(s.line) + ": " + what + "; cut to " +
                           std::to_string(kMostDurations));
    }
    return true;
}

void write_records(const std::vector<ir_signal>& signals, const layout_options& options, capture_writer& capture) {
    write_header(capture, options.header);
    std::uint32_t words[kRecordWords];
    for (const ir_signal& s : signals) {
        if (s.durations.empty()) continue;  // check_records refuses it
        const std::uint64_t copy = s.durations.size() - (has_trailing_gap(s) ? 1 : 0);
        std::uint64_t count = 0;
        const auto put = [&](std::uint32_t duration) {
            if (count <= kMostDurations) words[count++] = duration;
        };
        put(options.idle);
        for (unsigned c = 0; c < copies_of(s, options); ++c) {
            if (c > 0) put(options.copy_gap);
            for (std::uint64_t i = 0; i < copy; ++i) put(s.durations[i]);
        }
        if (has_trailing_gap(s)) put(s.durations.back());
        while (count < kFromStartWord) words[count++] = 0;
        words[count++] = kFromStartMark;
        write_record(capture, words, count);
    }
}

std::string manifest_text(const std::vector<ir_signal>& signals, std::string_view source) {
    std::string text = "# record (hex, as tavlin prints it)\tsignal\n";
    char number[24];
    for (std::size_t k = 0; k < signals.size(); ++k) {
        text.append(number, static_cast<std::size_t>(put_hex(number, k + 1, 1, '0') - number));
        text += '\t';
        append_manifest_name(text, signal_label(signals[k], source));
        text += '\n';
    }
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

int read_record_signal(const word_span& record, std::vector<std::uint32_t>& durations,
                       std::uint64_t& negative_word) {
    durations.clear();
    negative_word = 0;
    std::uint64_t i = 1;
    for (; i < kRecordWords; ++i) {
        const std::int32_t word = load_word(record.words + 4 * i);
        if (word <= 0) {
            if (word < 0) negative_word = i;
            break;
        }
        durations.push_back(static_cast<std::uint32_t>(word));
    }
    // The words looked at: the durations and the word that ended them.
    if (std::min(i + 1, kRecordWords) > record.delivered) return record.error;
    return 0;
}
