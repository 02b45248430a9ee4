// The checks of a round trip through a form.
#include "fuzz/form_checks.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

namespace {

// The tick of a form that rounds, in microseconds (num / den), 0 for one
// that keeps durations exactly; and the gap it adds after a signal that
// ends with a burst.
struct rounding {
    std::string_view form;
    double tick;
    double lead_out;
};
constexpr rounding kRoundings[] = {{"pronto", 26.295814, 100000},  // 0x6D cycles of 0.241246 µs
                                   {"sendir", 1e6 / 38000, 100000},
                                   {"broadlink", 1e6 / 32768, 0x0D05 * (1e6 / 32768)},
                                   {"json", 1e6 / 32768, 0x0D05 * (1e6 / 32768)},
                                   {"home-assistant", 1e6 / 32768, 0x0D05 * (1e6 / 32768)}};

bool valid_utf8_text(std::string_view text, std::size_t& bad) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) return bad = i, false;
        std::size_t length = c < 0x80                 ? 1
                             : c >= 0xC2 && c <= 0xDF ? 2
                             : c >= 0xE0 && c <= 0xEF ? 3
                             : c >= 0xF0 && c <= 0xF4 ? 4
                                                      : 0;
        if (length == 0 || i + length > text.size()) return bad = i, false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return bad = i, false;
        if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) return bad = i, false;
        i += length;
    }
    return true;
}

// The name a Flipper file holds for `name`: printable ASCII, others as '_',
// blanks at either end as '_', "_" for an empty name.
std::string flipper_name(std::string_view name) {
    std::string kept;
    for (const char c : name) kept += c >= 0x20 && c < 0x7F ? c : '_';
    if (kept.empty()) kept = "_";
    if (kept.front() == ' ') kept.front() = '_';
    if (kept.back() == ' ') kept.back() = '_';
    return kept;
}

bool valid_identifier(std::string_view id) {
    static const std::set<std::string_view> reserved = {"int",  "NULL",  "char",     "if",       "while", "return",
                                                        "true", "false", "uint16_t", "uint32_t", "void",  "static"};
    if (id.empty() || (id[0] >= '0' && id[0] <= '9') || id[0] == '_' || id.find("__") != std::string_view::npos ||
        reserved.count(id) != 0 || id.size() > 63)
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

bool near(std::uint32_t read, double expected, double tick) {
    const double wanted = std::max(expected, tick);  // a duration under a tick is written as one
    return read >= wanted - tick / 2 - 1 && read <= wanted + tick / 2 + 1;
}

}  // namespace

std::string write_signals(const signal_form& form, const std::vector<ir_signal>& signals,
                          std::vector<ir_signal>& written) {
    std::string text;
    const write_settings settings;
    if (form.write_around != nullptr) form.write_around(false, settings, text);
    for (const ir_signal& s : signals) {
        std::string one, problem;
        if (!form.write_signal(s, settings, one, problem)) continue;
        text += one;
        written.push_back(s);
    }
    if (form.write_around != nullptr) form.write_around(true, settings, text);
    return text;
}

std::string compare_read_back(const signal_form& form, std::string_view text, const std::vector<ir_signal>& written,
                              bool compare_durations) {
    const std::string in = std::string(form.name) + ": ";
    if (std::size_t bad; !valid_utf8_text(text, bad))
        return in + "a control byte or invalid UTF-8 at offset " + std::to_string(bad);
    std::vector<ir_signal> signals;
    import_error error;
    if (!read_all_signals(form, text, read_settings{}, signals, nullptr, error))
        return in + "refused what it wrote: line " + std::to_string(error.line) + ": " + error.message;
    // mode2 ends a signal at a gap over 100 ms, which it keeps as the
    // signal's last gap: a written signal with such a gap reads back as
    // the signals between them.
    std::vector<ir_signal> split;
    if (form.name == "mode2") {
        for (const ir_signal& w : written) {
            split.push_back(ir_signal{w.name, 0, {}});
            for (std::size_t i = 0; i < w.durations.size(); ++i) {
                split.back().durations.push_back(w.durations[i]);
                if (i % 2 == 1 && w.durations[i] > 100000 && i + 1 < w.durations.size())
                    split.push_back(ir_signal{"", 0, {}});
            }
        }
    }
    const std::vector<ir_signal>& expected = form.name == "mode2" ? split : written;
    if (signals.size() != expected.size())
        return in + std::to_string(expected.size()) + " signals written, " + std::to_string(signals.size()) + " read";
    const rounding* r = nullptr;
    for (const rounding& each : kRoundings)
        if (each.form == form.name) r = &each;
    std::set<std::string> identifiers;
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const ir_signal &w = expected[k], &got = signals[k];
        const std::string which = in + "signal " + std::to_string(k + 1) + ": ";
        if (form.name == "home-assistant") {  // stored codes are by device, then command
            if (got.name != (w.name.find('/') == std::string::npos ? "remote/" + w.name : w.name))
                return which + "the name is not under its device";
        } else if (form.name != "flipper" && form.name != "c-array") {
            if (got.name != w.name) return which + "the name changed";
        } else if (form.name == "flipper") {
            if (got.name != flipper_name(w.name)) return which + "the name is not its Flipper replacement";
        } else if (form.name == "c-array") {
            if (!valid_identifier(got.name) || !identifiers.insert(got.name).second)
                return which + "the name is no valid, unreserved, unique identifier";
        }
        if (!compare_durations) continue;
        const std::vector<std::uint32_t>& d = w.durations;
        const std::size_t added = r != nullptr && d.size() % 2 == 1 ? 1 : 0;
        if (got.durations.size() != d.size() + added) return which + "a different number of durations";
        for (std::size_t i = 0; i < d.size(); ++i)
            if (r == nullptr ? got.durations[i] != d[i] : !near(got.durations[i], d[i], r->tick))
                return which + "duration " + std::to_string(i + 1) + " changed";
        if (added != 0 && !near(got.durations.back(), r->lead_out, r->tick)) return which + "not the lead-out gap";
    }
    return "";
}

std::string compare_laid_out(const std::vector<ir_signal>& signals, const layout_options& options) {
    std::FILE* spool = std::tmpfile();
    if (spool == nullptr) return "no temporary file";
    out_writer out;
    if (!out_init(out, fileno(spool))) return std::fclose(spool), "no writer";
    capture_writer capture = start_capture(out, std::nullopt);
    write_header(capture, options.header);
    layout_state state;
    for (const ir_signal& s : signals)
        lay_out_signal(s, "raw", options, state, capture, nullptr, "in", [](const std::string&) {});
    finish_capture(capture);
    out_release(out);
    std::fseek(spool, 0, SEEK_END);
    std::string file(static_cast<std::size_t>(std::ftell(spool)), '\0');
    std::rewind(spool);
    const bool read = std::fread(file.data(), 1, file.size(), spool) == file.size();
    std::fclose(spool);
    if (!read || file.size() != kHeaderBytes + kRecordBytes * state.records) return "not whole records";

    std::vector<read_back_signal> back;
    signal_reading reading;
    const auto each = [&](const read_back_signal& b) { back.push_back(b); };
    for (std::uint64_t k = 1; k <= state.records; ++k) {
        const auto* words = reinterpret_cast<const unsigned char*>(file.data()) + kHeaderBytes + kRecordBytes * (k - 1);
        const auto word = [&](std::uint64_t i) { return static_cast<std::uint32_t>(load_word(words + 4 * i)); };
        if (word(kFromStartWord) != kFromStartMark && word(kRecordWords - 1) == 0)
            return "record " + std::to_string(k) + ": word 510 does not hold the mark";
        std::uint64_t end = 1;
        while (end < kRecordWords && word(end) != 0) ++end;
        for (std::uint64_t i = end; i < kRecordWords; ++i)
            if (word(i) > 0xFFFF || (i <= end + 1 && word(i) != 0))
                return "record " + std::to_string(k) + ": word " + std::to_string(i) + " after the durations";
        read_back_record(reading, k, word_span{words, kRecordWords, 0}, each);
    }
    finish_read_back(reading, each);
    if (back.size() != signals.size())
        return std::to_string(signals.size()) + " signals laid out, " + std::to_string(back.size()) + " read back";
    for (std::size_t k = 0; k < signals.size(); ++k) {
        const ir_signal &w = signals[k], &got = back[k].signal;
        const std::string which = "signal " + std::to_string(k + 1) + ": ";
        if (got.durations != w.durations) return which + "other durations";
        // A name is cut only where its escaped form passes 800 bytes.
        if (got.name != w.name.substr(0, got.name.size()) ||
            (got.name.size() < w.name.size() && manifest_line(1, w, "in").size() <= 800))
            return which + "another name";
        if (got.carrier != w.carrier || got.duty != w.duty || got.repeats != w.repeats)
            return which + "another carrier, duty cycle or repeat count";
    }
    return "";
}
