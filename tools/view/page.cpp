// The viewer's page.
#include "tools/view/page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "output/writer.h"
#include "tools/shared/record_list.h"
#include "tools/shared/text_input.h"
#include "tools/view/compare.h"
#include "tools/view/fit.h"
#include "tools/view/table.h"

namespace {

// Strip geometry, in pixels: a word of the record's typical duration (the
// median) is kUnit wide; a duration over kLongUnits of them is drawn
// kLongUnits wide and broken.
constexpr double kUnit = 16;
constexpr double kLongUnits = 8;
constexpr int kLeft = 24;  // room for the decoder letters
constexpr int kHigh = 20, kLow = 46;
constexpr int kBandTop = 60, kBandHeight = 72;
constexpr int kMarkRow = 50, kEndRow = 64;  // the rows of R and gap, and of the end note, in a band
constexpr int kScaleRoom = 300;             // Tb and Te marks after the strip

// The length of the character at the start of `text` that a page may hold:
// a printable one (tools/shared/text_input.h) other than U+FFFE and U+FFFF,
// which XML does not allow; or 0.
std::size_t page_character(std::string_view text) {
    const std::size_t length = printable_length(text, 0);
    const bool noncharacter = length == 3 && text.substr(0, 2) == "\xEF\xBF" &&
                              (text[2] == '\xBE' || text[2] == '\xBF');
    return noncharacter ? 0 : length;
}

// `text` as page text: markup characters as entities, and every byte that
// is not part of a character a page may hold (a control byte, invalid
// UTF-8) as the visible text \xNN.
void escaped(std::string& html, std::string_view text) {
    while (!text.empty()) {
        const char c = text[0];
        const std::size_t length = page_character(text);
        if (c == '&')
            html += "&amp;";
        else if (c == '<')
            html += "&lt;";
        else if (c == '>')
            html += "&gt;";
        else if (c == '"')
            html += "&quot;";
        else if (length != 0)
            html.append(text.substr(0, length));
        else
            append_hex_escape(html, static_cast<unsigned char>(c));
        text.remove_prefix(length == 0 ? 1 : length);
    }
}

std::string hex8(std::int32_t v) {
    char text[16];
    return std::string(text, put_hex8(text, static_cast<std::uint32_t>(v)));
}

// "0x000001A0 (416)"
std::string value_text(std::int32_t v) { return "0x" + hex8(v) + " (" + std::to_string(v) + ")"; }

std::string num(double v) { return std::to_string(std::lround(v)); }

// Where each word of the record is drawn.
struct strip {
    std::vector<int> x;  // x[i] to x[i + 1]: word i
    double scale = 1;    // pixels per unit of duration
    double unit = 1;
};

bool is_long(std::int32_t w, double unit) { return w < 0 || w > kLongUnits * unit; }

strip lay_out(const std::vector<std::int32_t>& words) {
    strip s;
    std::vector<std::int32_t> durations;
    for (std::size_t i = 1; i < words.size(); ++i)
        if (words[i] > 0) durations.push_back(words[i]);
    if (durations.empty() && !words.empty() && words[0] > 0) durations.push_back(words[0]);
    if (!durations.empty()) {
        std::nth_element(durations.begin(), durations.begin() + static_cast<std::ptrdiff_t>(durations.size() / 2),
                         durations.end());
        s.unit = durations[durations.size() / 2];
    }
    s.scale = kUnit / s.unit;
    s.x.push_back(kLeft);
    for (const std::int32_t w : words) {
        const double width = w == 0 ? 6 : is_long(w, s.unit) ? kLongUnits * kUnit : std::max(2.0, w * s.scale);
        s.x.push_back(s.x.back() + static_cast<int>(std::lround(width)));
    }
    return s;
}

void draw_waveform(const record_readings& r, const strip& s, std::string& svg) {
    const std::vector<std::int32_t>& w = r.words;
    std::string path = "M" + num(s.x[0]) + " " + num(kLow);
    for (std::size_t i = 0; i < w.size(); ++i) path += " V" + num(i % 2 == 1 ? kHigh : kLow) + " H" + num(s.x[i + 1]);
    svg += "<path class=\"wave\" d=\"" + path + "\"/>\n";
    for (std::size_t i = 0; i < w.size(); ++i) {
        const int mid = (s.x[i] + s.x[i + 1]) / 2, level = i % 2 == 1 ? kHigh : kLow;
        if (w[i] == 0) {
            svg += "<path class=\"zero\" d=\"M" + num(mid) + " " + num(kHigh - 4) + " V" + num(kLow + 4) + "\"/>\n";
        } else if (is_long(w[i], s.unit)) {
            // Broken: a gap in the line, two slashes, and the value.
            svg += "<rect class=\"cut\" x=\"" + num(mid - 4) + "\" y=\"" + num(level - 6) +
                   "\" width=\"8\" height=\"12\"/><path class=\"slash\" d=\"M" + num(mid - 6) + " " + num(level + 6) +
                   " L" + num(mid - 2) + " " + num(level - 6) + " M" + num(mid + 2) + " " + num(level + 6) + " L" +
                   num(mid + 6) + " " + num(level - 6) + "\"/>\n";
            svg += "<text class=\"long\" x=\"" + num(mid) + "\" y=\"" + num(i % 2 == 1 ? kHigh - 6 : kLow + 12) +
                   "\">" + std::to_string(w[i]) + "</text>\n";
        }
    }
}

// The words' hover regions, each with its index and value: one rect each, in
// a group whose style gives them their height.
void draw_hover(const record_readings& r, const strip& s, std::string& svg) {
    svg += "<g class=\"words\">";
    for (std::size_t i = 0; i < r.words.size(); ++i)
        svg += "<rect x=\"" + num(s.x[i]) + "\" width=\"" + num(s.x[i + 1] - s.x[i]) + "\"><title>word " +
               std::to_string(i) + (i % 2 == 1 ? " burst " : " gap ") + std::to_string(r.words[i]) + " (0x" +
               hex8(r.words[i]) + ")</title></rect>";
    svg += "</g>\n";
}

// The x of the start of record word `i`, which may lie past the drawn words.
int x_at(const strip& s, std::uint64_t i) { return i < s.x.size() ? s.x[i] : s.x.back(); }

void draw_decoder(const record_readings& r, const strip& s, const format_profile& p, const decoder_reading& d,
                  int top, std::string& svg) {
    svg += "<g class=\"band\" style=\"--c:" + std::string(p.colour) + "\"><text class=\"letter\" x=\"4\" y=\"" +
           num(top + 22) + "\">" + p.letter + "</text>\n";
    if (d.fits)
        svg += "<text class=\"fitmark\" x=\"4\" y=\"" + num(top + 40) + "\">✓<title>fits: " + d.fit_reason +
               "</title></text>\n";
    const std::uint64_t drawn = r.words.size();
    if (!d.reached || ends_walk(d)) {
        svg += "<text class=\"note\" x=\"" + num(kLeft) + "\" y=\"" + num(top + 22) + "\">" +
               (!d.reached       ? "not decoded: the " + std::string(p.name) + " walk stopped at an earlier record"
                : d.reach_known ? std::string(p.walk_end) + ": the " + std::string(p.name) + " walk stops at this record"
                                : std::string(p.walk_end) + ": the " + std::string(p.name) +
                                      " walk stops here if it gets here") +
               "</text></g>\n";
        return;
    }
    const std::uint64_t anchor = d.record.anchor.offset;
    if (anchor != 0 && anchor < drawn)
        svg += "<text class=\"mark\" x=\"" + num((x_at(s, anchor) + x_at(s, anchor + 1)) / 2) + "\" y=\"" +
               num(top + kMarkRow) + "\">gap</text>\n";
    const std::uint64_t reference = anchor + p.reference;
    if (reference < drawn)
        svg += "<text class=\"mark\" x=\"" + num((x_at(s, reference) + x_at(s, reference + 1)) / 2) + "\" y=\"" +
               num(top + kMarkRow) + "\">R</text>\n";
    const frame_reading& f = d.record.frame;
    const std::uint64_t first = anchor + p.first_pair;
    const unsigned bits = static_cast<unsigned>(f.stats.n_all);
    // Pairs of each bit as one path, their digits as one text with a place
    // per character, and so the groups: a few elements a band, however many
    // pairs it has.
    std::string ones, zeros, digits, digit_x, boxes, open_boxes, labels, label_x;
    const auto add_text = [](std::string& text, std::string& xs, std::string_view chars, int centre) {
        for (std::size_t i = 0; i < chars.size(); ++i) {
            text += chars[i];
            xs += (xs.empty() ? "" : " ") + num(centre + (2 * static_cast<double>(i) + 1 - chars.size()) * 3.5);
        }
    };
    for (unsigned n = 0; n < bits && first + 2 * n < drawn; ++n) {
        const std::uint64_t a = first + 2 * n;
        const int x0 = x_at(s, a), x1 = x_at(s, a + 2);
        const char bit = d.bits[n + n / p.group_width];
        (bit == '1' ? ones : zeros) +=
            "M" + num(x0) + " " + num(top) + "h" + num(x1 - x0) + "v18h-" + num(x1 - x0) + "Z";
        if (x1 - x0 >= 8) add_text(digits, digit_x, std::string_view(&bit, 1), (x0 + x1) / 2);
    }
    char group[4];
    for (unsigned g = 0; g * p.group_width < bits; ++g) {
        const std::uint64_t a = first + 2 * g * p.group_width;
        if (a >= drawn) break;
        const bool whole = g < f.group_count;
        const unsigned pairs = whole ? p.group_width : bits - g * p.group_width;
        const int x0 = x_at(s, a), x1 = x_at(s, a + 2 * pairs);
        (whole ? boxes : open_boxes) +=
            "M" + num(x0) + " " + num(top + 20) + "h" + num(x1 - x0) + "v18h-" + num(x1 - x0) + "Z";
        const std::string label = whole ? std::string(group, put_hex(group, f.groups[g], p.group_width / 4, '0'))
                                        : "+" + std::to_string(pairs);
        add_text(labels, label_x, label, (x0 + x1) / 2);
    }
    if (!ones.empty()) svg += "<path class=\"bit1\" d=\"" + ones + "\"/>\n";
    if (!zeros.empty()) svg += "<path class=\"bit0\" d=\"" + zeros + "\"/>\n";
    if (!digits.empty())
        svg += "<text class=\"bit\" x=\"" + digit_x + "\" y=\"" + num(top + 13) + "\">" + digits + "</text>\n";
    if (!boxes.empty()) svg += "<path class=\"group\" d=\"" + boxes + "\"/>\n";
    if (!open_boxes.empty()) svg += "<path class=\"open\" d=\"" + open_boxes + "\"/>\n";
    if (!labels.empty())
        svg += "<text class=\"hex\" x=\"" + label_x + "\" y=\"" + num(top + 33) + "\">" + labels + "</text>\n";
    // Where the frame ended: the start of the pair that ended it.
    const std::uint64_t end = anchor + f.end_pair + (f.end == frame_end::group_limit ? 2 : 0);
    const int end_x = x_at(s, std::min(end, drawn));
    svg += "<path class=\"end\" d=\"M" + num(end_x) + " " + num(top - 2) + " V" + num(top + 40) +
           "\"/><text class=\"endnote\" x=\"" + num(end_x + 3) + "\" y=\"" + num(top + kEndRow) + "\">" +
           (end >= drawn && anchor + f.words_read > kRecordWords ? "→ " : "") +
           (f.end == frame_end::long_duration ? "end: over Te"
            : f.end == frame_end::zero        ? "end: 0"
                                              : "end: 256 groups") +
           "</text>\n";
    // Tb and Te to scale, after the strip.
    int x = s.x.back() + 16;
    for (const auto& [name, value] : {std::pair<const char*, std::int32_t>{"Tb", f.tb}, {"Te", f.te}}) {
        const double width = value <= 0 ? 0 : std::min<double>(value * s.scale, kLongUnits * kUnit);
        svg += "<text class=\"scale\" x=\"" + num(x) + "\" y=\"" + num(top + 13) + "\">" + name +
               "</text><rect class=\"scalebar\" x=\"" + num(x + 18) + "\" y=\"" + num(top + 5) + "\" width=\"" +
               num(width) + "\" height=\"8\"><title>" + name + " = " + value_text(value) + "</title></rect>\n";
        x += 24 + static_cast<int>(kLongUnits * kUnit);
    }
    svg += "</g>\n";
}

// What a decoder did with the record, in words.
std::string summary(const record_readings& r, const format_profile& p, const decoder_reading& d,
                    std::uint64_t capture_bytes) {
    std::string text = "<b>" + std::string(p.name) + "</b>" +
                       (d.fits ? " <span class=\"fit\">✓ fits</span> (" + d.fit_reason + ")"
                               : " (does not fit: " + d.fit_reason + ")") +
                       ": ";
    const std::string walk = "the " + std::string(p.name) + " walk";
    if (!d.reached) return text + "not decoded: " + walk + " stopped at an earlier record.";
    if (!d.reach_known) text += "(records before were not read: whether " + walk + " reaches this record is not known) ";
    if (ends_walk(d))
        return text + std::string(p.walk_end) + ": " +
               (d.reach_known ? walk + " stops at this record; no later record is decoded."
                              : "if " + walk + " gets here, it stops at this record, and no later record is decoded.");
    if (p.anchor != nullptr)
        text += d.record.anchor.offset != 0 ? "long gap in word " + std::to_string(d.record.anchor.offset) + " (" +
                                           value_text(r.words.size() > d.record.anchor.offset ? r.words[d.record.anchor.offset] : 0) +
                                           "), the frame after it. "
                                     : "no long gap; word 510 is set: the frame is read from the record's start. ";
    const frame_reading& f = d.record.frame;
    text += "R is word " + std::to_string(d.record.anchor.offset + p.reference) + ": " + value_text(f.reference) + "; Tb " +
            value_text(f.tb) + "; Te " + value_text(f.te) + ". ";
    const auto counted = [](std::uint64_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    text += counted(static_cast<std::uint64_t>(f.stats.n_all), "bit", "bits") + ", " +
            counted(f.group_count, "group", "groups");
    if (f.stats.n_all % static_cast<std::int32_t>(p.group_width) != 0 && f.group_count < kMaxGroups)
        text += ", " + counted(f.stats.n_all % p.group_width, "bit", "bits") + " without a group";
    const std::uint64_t pair = d.record.anchor.offset + f.end_pair;
    const std::uint64_t absolute = record_first_word(r.number) + pair;
    text += ". ";
    if (f.end == frame_end::group_limit) {
        text += "Ends at its 256th group.";
    } else {
        text += "Ends at the pair in words " + std::to_string(pair) + " and " + std::to_string(pair + 1);
        if (pair >= kRecordWords)
            text += " (words of record " + record_number_text(r.number + pair / kRecordWords) + ")";
        if (f.end == frame_end::long_duration)
            text += ": " + value_text(f.end_duration) + " is over Te.";
        else
            text += 4 * (absolute + 1) >= capture_bytes ? ": its second duration is 0, past the end of the data."
                                                        : ": its second duration is 0.";
    }
    if (d.record.anchor.offset + f.words_read > kRecordWords) text += " The frame reads on into the next record.";
    text += " SEPARATE: " + (d.separate_known ? "0x" + hex8(d.record.tail[d.record.tail_count - 1]) : std::string("not known")) + ".";
    text += d.line.empty() ? " tavlin prints nothing for it." : " tavlin prints <code>";
    if (!d.line.empty()) {
        escaped(text, d.line.back() == '\n' ? d.line.substr(0, d.line.size() - 1) : d.line);
        text += "</code>";
        if (d.record.frame.group_count == 0) text += ", on a line the next output continues";
        text += ".";
    }
    const std::vector<std::string> other = notations(p, d);
    for (std::size_t n = 0; n < other.size(); ++n) {
        text += n == 0 ? " In other notations: <code>" : "; <code>";
        escaped(text, other[n]);
        text += "</code>";
    }
    if (!other.empty()) text += ".";
    return text;
}

// What the page says of where a record stands in its signal, when it is
// part of one an import laid out.
std::string place_text(const record_readings& r) {
    const record_place& p = r.place;
    if (!p.noted) return "";
    std::string text;
    if (p.note_alone)
        text = "This record holds only the note of record " + record_number_text(r.number - 1) +
               ", which its durations left no room for.";
    else if (p.part > 0)
        text = "Its durations continue the frame of record " + record_number_text(r.number - 1) +
               ", which is filled to its end: they start at word 0.";
    if (!p.note_alone && p.end == kRecordWords)
        text += std::string(text.empty() ? "" : " ") + "The frame goes on into record " +
                record_number_text(r.number + 1) + ".";
    if (!p.note_alone && p.end < kRecordWords)
        text += std::string(text.empty() ? "" : " ") + "Its durations end at word " + std::to_string(p.end) +
                "; the words after them (its note, word 510) are not drawn.";
    return "<p class=\"place\">" + text + "</p>\n";
}

void write_table(const std::vector<table_row>& rows, const format_profile& p, std::string& html) {
    html += "<table class=\"rows\" style=\"--c:" + std::string(p.colour) + "\"><tr><th>record</th><th>" +
            std::string(p.name) + "</th><th>fits</th></tr>\n";
    for (const table_row& row : rows) {
        html += "<tr><td>" + record_number_text(row.first) +
                (row.last != row.first ? "–" + record_number_text(row.last) : "");
        if (const std::string labels = row_labels(row); !labels.empty()) {
            html += " <span class=\"name\">";
            escaped(html, labels);
            html += "</span>";
        }
        html += "</td><td><code>";
        // A run of changed characters is one mark.
        for (std::size_t i = 0; i < row.text.size(); ++i) {
            if (row.changed[i] && (i == 0 || !row.changed[i - 1])) html += "<mark>";
            escaped(html, row.text.substr(i, 1));
            if (row.changed[i] && (i + 1 == row.text.size() || !row.changed[i + 1])) html += "</mark>";
        }
        html += std::string("</code></td><td>") + (row.fits ? "<span class=\"fit\">✓</span>" : "") + "</td></tr>\n";
    }
    html += "</table>\n";
}

// The workbench section: per group, the byte table with the nibbles that
// differ from the base marked, the bit ranges that change, the checksums.
void write_workbench(const workbench& bench, profile_list profiles, std::optional<std::uint64_t> base,
                     std::string& html) {
    html += "<h2>Workbench: frames of the same length</h2>\n<p>The fitting frames of whole bytes, grouped by decoder "
            "and length; bytes in sending order, from 0. Highlighted nibbles have bits that differ from the base "
            "record's.</p>\n";
    if (bench.groups.empty()) html += "<p>No decoder reads a fitting frame of whole bytes in these records.</p>\n";
    char hex[4];
    for (const bench_group& g : bench.groups) {
        const group_study s = study_group(g, base);
        html += "<h3>" + std::string(profiles[g.decoder]->name) + ", " + std::to_string(g.length) + " bytes: " +
                std::to_string(g.frames.size()) + (g.frames.size() == 1 ? " record" : " records") +
                ", against record " + record_number_text(g.frames[s.base].record) + "</h3>\n";
        html += "<table class=\"rows bench\" style=\"--c:" + std::string(profiles[g.decoder]->colour) +
                "\"><tr><th>record</th><th>bytes</th></tr>\n";
        for (std::size_t i = 0; i < g.frames.size(); ++i) {
            html += "<tr><td class=\"n\">" + record_number_text(g.frames[i].record) + " <span class=\"name\">";
            escaped(html, g.frames[i].label);
            html += "</span></td><td><code>";
            for (std::size_t b = 0; b < g.length; ++b) {
                snprintf(hex, sizeof hex, "%02X", g.frames[i].bytes[b]);
                html += b ? " " : "";
                for (unsigned half = 0; half < 2; ++half) {
                    bool changed = false;
                    for (unsigned k = 0; k < 4; ++k) changed = changed || s.changed[i][8 * b + 4 * (1 - half) + k];
                    html += changed ? std::string("<mark>") + hex[half] + "</mark>" : std::string(1, hex[half]);
                }
            }
            html += "</code></td></tr>\n";
        }
        html += "</table>\n<p>" + std::string(s.changes.empty() ? "No bit differs from the base." : "Bits that differ:") +
                "</p>\n<ul>";
        for (const bit_change& c : s.changes) {
            html += "<li>" + bits_range(c) + ": ";
            for (std::size_t n = 0; n < c.frames.size() && n < kMostNamed; ++n) {
                html += n ? ", " : "";
                escaped(html, frame_name(g.frames[c.frames[n]]));
            }
            if (c.frames.size() > kMostNamed) html += " and " + std::to_string(c.frames.size() - kMostNamed) + " more";
            html += "</li>";
        }
        html += "</ul>\n<p>Checksums: ";
        if (!s.searched)
            html += g.length > kMostSearchedBytes ? "not looked for in frames over 64 bytes." : "need two or more frames that differ.";
        else if (s.checksums.empty())
            html += "no rule holds in all frames.";
        for (std::size_t c = 0; c < s.checksums.size(); ++c) {
            const checksum_hit& h = s.checksums[c];
            html += std::string(c ? "; " : "") + "byte " + std::to_string(h.at) + " = " +
                    rule_text(checksum_rules()[h.rule]) + " of bytes " + std::to_string(h.first) + "-" +
                    std::to_string(h.last);
        }
        html += "</p>\n";
    }
}

constexpr const char* kStyle =
    "body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222}"
    "h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.6em}"
    "code,pre,.rows td{font-family:ui-monospace,monospace;white-space:pre}"
    // A long frame wraps inside its own cell or line, never widening the page.
    ".rows td code,.decoders code{white-space:pre-wrap;overflow-wrap:anywhere}"
    ".rows td:first-child{white-space:normal;min-width:4em}.name{font-family:system-ui,sans-serif;color:#555}"
    ".tables{display:flex;flex-wrap:wrap;gap:1.5em;align-items:flex-start}.tables>table{max-width:100%}"
    ".rows{border-collapse:collapse}.rows th,.rows td{padding:1px 8px;text-align:left;border-bottom:1px solid #ddd}"
    ".rows th{border-bottom:2px solid var(--c);color:var(--c)}"
    "mark{background:#ffd54f;color:#000}"
    ".strip{overflow-x:auto;border:1px solid #ddd;background:#fcfcfc}"
    ".wave{fill:none;stroke:#222;stroke-width:1.5}.zero{stroke:#c00;stroke-width:2}"
    ".cut{fill:#fcfcfc}.slash{stroke:#222;fill:none}"
    ".long{font-size:10px;text-anchor:middle;fill:#555}"
    ".words rect{y:0;height:60px;fill:transparent}.words rect:hover{fill:rgba(0,0,0,.06)}"
    ".letter{font-weight:bold;fill:var(--c)}"
    ".bit1{fill:var(--c);fill-opacity:.55}.bit0{fill:var(--c);fill-opacity:.12}"
    "text.bit{font:11px ui-monospace,monospace;text-anchor:middle;pointer-events:none}"
    ".group{fill:none;stroke:var(--c)}.open{fill:none;stroke:var(--c);stroke-dasharray:3 2}"
    ".hex{font:11px ui-monospace,monospace;text-anchor:middle;pointer-events:none}"
    ".mark{font-size:11px;text-anchor:middle;fill:var(--c);font-weight:bold}"
    ".end{stroke:#c00;stroke-width:2}.endnote{font-size:11px;fill:#c00}"
    ".scale{font-size:11px;fill:var(--c)}.scalebar{fill:var(--c);fill-opacity:.4}"
    ".note{font-size:12px;fill:#555}.from{stroke:#555;stroke-dasharray:3 2}.fromnote{font-size:11px;fill:#555}"
    ".place{color:#555;margin:.2em 0}"
    ".fit{color:#1a7f37;font-weight:bold}.fitmark{font-size:13px;fill:#1a7f37;font-weight:bold}"
    ".bench td{font-family:ui-monospace,monospace}.bench td.n{font-family:system-ui,sans-serif;color:#555}"
    ".decoders p{margin:.3em 0}"
    // Records out of view are laid out only when scrolled to.
    "section{content-visibility:auto;contain-intrinsic-size:auto 420px}";

}  // namespace

void write_page(const page_facts& facts, profile_list profiles,
                const std::vector<record_readings>& records, std::string& html) {
    html +=
        "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n<meta "
        "charset=\"utf-8\"/>\n<title>";
    escaped(html, "tavlin-view: " + facts.capture_name);
    html += "</title>\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n<h1>";
    escaped(html, facts.capture_name);
    html += "</h1>\n<p>" + std::to_string(facts.capture_bytes) + " bytes, " + std::to_string(facts.record_count) +
            " records. Shown: " + std::to_string(records.size()) + " records";
    if (!records.empty())
        html += " (" + record_number_text(records.front().number) + " to " + record_number_text(records.back().number) +
                ")";
    if (facts.left_out != 0)
        html +=
            "; " + std::to_string(facts.left_out) + " more records of the list are left out (choose with --records)";
    html += ". Record numbers are hexadecimal, as tavlin prints them.</p>\n";
    if (!profiles.empty()) {
        html +=
            "<h2>What the decoders print</h2>\n<p>One row per record (records that print the same share a row); "
            "highlighted bits differ from ";
        html += facts.base != nullptr ? "record " + record_number_text(facts.base->number) + "'s"
                                      : std::string("the row above");
        html += ".</p>\n<div class=\"tables\">\n";
        for (std::size_t p = 0; p < profiles.size(); ++p)
            write_table(table_rows(records, *profiles[p], p, facts.base), *profiles[p], html);
        html += "</div>\n";
        if (facts.bench != nullptr)
            write_workbench(*facts.bench, profiles,
                            facts.base != nullptr ? std::optional<std::uint64_t>(facts.base->number) : std::nullopt, html);
    }
    html += "<h2>Records</h2>\n<p>Bursts (odd words) high, gaps (even words) low, widths to scale; a duration over " +
            num(kLongUnits) +
            " times the record's median is drawn broken, with its value. Hover over a word for its "
            "index and value. Under the signal, each decoder's reading: a pair per bit (shaded for 1), groups with "
            "their hex, R, where the frame ended (red), and Tb and Te to scale after the strip.</p>\n";
    for (const record_readings& r : records) {
        html += "<section id=\"r" + record_number_text(r.number) + "\">\n<h3>Record " + record_number_text(r.number);
        if (!r.label.empty()) {
            html += ": ";
            escaped(html, r.label);
        }
        html += "</h3>\n" + place_text(r);
        const strip s = lay_out(r.words);
        const int width = s.x.back() + kScaleRoom;
        const int height = kBandTop + kBandHeight * static_cast<int>(profiles.size());
        html += "<div class=\"strip\"><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) +
                "\" height=\"" + num(height) + "\" viewBox=\"0 0 " + num(width) + " " + num(height) + "\">\n";
        if (r.words.empty())
            html += "<text class=\"note\" x=\"" + num(kLeft) + "\" y=\"" + num(kLow) + "\">" +
                    (r.place.note_alone ? "no signal: the note of record " + record_number_text(r.number - 1)
                                        : std::string("all words are 0")) +
                    "</text>\n";
        if (r.place.part > 0)
            html += "<path class=\"from\" d=\"M" + num(kLeft) + " " + num(kHigh - 8) + " V" + num(kLow + 8) +
                    "\"/><text class=\"fromnote\" x=\"" + num(kLeft + 3) + "\" y=\"" + num(kHigh - 10) +
                    "\">← from record " + record_number_text(r.number - 1) + "</text>\n";
        draw_waveform(r, s, html);
        draw_hover(r, s, html);
        for (std::size_t p = 0; p < profiles.size(); ++p)
            draw_decoder(r, s, *profiles[p], r.decoders[p], kBandTop + kBandHeight * static_cast<int>(p), html);
        html += "</svg></div>\n<div class=\"decoders\">\n";
        for (std::size_t p = 0; p < profiles.size(); ++p)
            html += "<p style=\"--c:" + std::string(profiles[p]->colour) + "\">" +
                    summary(r, *profiles[p], r.decoders[p], facts.capture_bytes) + "</p>\n";
        html += "</div>\n</section>\n";
    }
    html += "</body>\n</html>\n";
}
