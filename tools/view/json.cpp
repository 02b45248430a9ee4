// The JSON Lines of the readings.
#include "tools/view/json.h"

#include <array>
#include <cstdio>

#include "tools/shared/text_input.h"
#include "tools/view/fit.h"

namespace {

// Appends `text` as a JSON string: '"', '\' and control bytes escaped, a
// byte that is not valid UTF-8 as the character of its value (U+0080 to
// U+00FF), so that the line is always valid JSON and valid UTF-8.
// The bytes that a JSON string holds as they are: printable ASCII but the
// quote and the backslash.
constexpr auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    return plain;
}();

void append_string(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        // A run of plain ASCII goes in whole: most of what the lines hold.
        std::size_t run = i;
        while (run < text.size() && kPlain[static_cast<unsigned char>(text[run])]) ++run;
        out.append(text.substr(i, run - i));
        if ((i = run) == text.size()) break;
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = printable_length(text, i);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n' || c == '\t') {
            out += c == '\n' ? "\\n" : "\\t";
            ++i;
        } else if (length != 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
            ++i;
        }
    }
    out += '"';
}

void append_field(std::string& out, std::string_view key) {
    out += ",\"";
    out += key;
    out += "\":";
}

void append_number(std::string& out, std::string_view key, long long value) {
    append_field(out, key);
    out += std::to_string(value);
}

const char* end_text(frame_end end) {
    switch (end) {
        case frame_end::long_duration:
            return "long";
        case frame_end::zero:
            return "zero";
        case frame_end::group_limit:
            return "groups";
    }
    return "";
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) { append_string(out, text); }

void append_json_record(std::string& text, profile_list profiles, const record_readings& r) {
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        const format_profile& profile = *profiles[p];
        const decoder_reading& d = r.decoders[p];
        text += "{\"version\":" + std::to_string(kJsonVersion);
        append_number(text, "record", static_cast<long long>(r.number));
        if (r.place.noted && !r.place.name.empty()) {
            append_field(text, "name");
            append_string(text, r.place.name);
        }
        append_field(text, "decoder");
        append_string(text, profile.name);
        append_field(text, "reached");
        text += d.reached ? "true" : "false";
        append_field(text, "state_known");
        text += d.reach_known && d.separate_known ? "true" : "false";
        if (d.reached) {
            append_field(text, "ends_pass");
            text += d.record.anchor.ends_pass ? "true" : "false";
        }
        if (d.reached && !d.record.anchor.ends_pass) {
            const frame_reading& f = d.record.frame;
            append_number(text, "anchor", d.record.anchor.offset);
            append_number(text, "R", f.reference);
            append_number(text, "Tb", f.tb);
            append_number(text, "Te", f.te);
            append_field(text, "bits");
            append_string(text, d.bits);
            append_field(text, "groups");
            text += '[';
            for (unsigned g = 0; g < f.group_count; ++g) text += (g ? "," : "") + std::to_string(f.groups[g]);
            text += ']';
            // The bits after the last whole group, which no group shows.
            const std::size_t last_space = d.bits.rfind(' ');
            append_field(text, "ungrouped");
            append_string(text, last_space == std::string::npos ? d.bits : d.bits.substr(last_space + 1));
            append_number(text, "pairs", f.stats.n_all);
            append_number(text, "ones", f.stats.n_on);
            append_number(text, "zeros", f.stats.n_off);
            append_field(text, "end");
            append_string(text, end_text(f.end));
            if (f.end == frame_end::long_duration) append_number(text, "end_duration", f.end_duration);
            append_field(text, "tail");
            text += '[';
            for (unsigned t = 0; t < d.record.tail_count; ++t)
                text += (t ? "," : "") + std::to_string(static_cast<std::uint32_t>(d.record.tail[t]));
            text += ']';
        }
        append_field(text, "fits");
        text += d.fits ? "true" : "false";
        append_field(text, "fit_reason");
        append_string(text, d.fit_reason);
        append_field(text, "notations");
        text += '[';
        const std::vector<std::string> names = notations(profile, d);
        for (std::size_t n = 0; n < names.size(); ++n) {
            if (n != 0) text += ',';
            append_string(text, names[n]);
        }
        text += ']';
        append_field(text, "line");
        append_string(text, d.line);
        append_field(text, "verbose_line");
        append_string(text, d.verbose_line);
        text += "}\n";
    }
}
