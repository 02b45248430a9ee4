// The workbench of frames of the same length.
#include "tools/view/compare.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>

#include "tools/shared/record_list.h"
#include "tools/shared/text_input.h"
#include "tools/view/fit.h"
#include "tools/view/json.h"

namespace {

// The rules the checksum finder tries: the plain folds, then CRC-8 with each
// common polynomial, straight and reflected, from 0 and from 0xFF.
std::vector<checksum_rule> make_rules() {
    std::vector<checksum_rule> rules = {
        {"sum", 0, 0, false, 0}, {"xor", 1, 0, false, 0}, {"nibbles", 2, 0, false, 0}, {"negated sum", 3, 0, false, 0}};
    for (const std::uint8_t poly : {0x07, 0x31, 0x1D, 0x2F, 0x9B})
        for (const bool reflected : {false, true})
            for (const std::uint8_t init : {0x00, 0xFF}) rules.push_back({"crc8", 4, poly, reflected, init});
    return rules;
}

using crc_table = std::array<std::uint8_t, 256>;

crc_table make_table(std::uint8_t poly, bool reflected) {
    std::uint8_t mirrored = 0;
    for (unsigned b = 0; b < 8; ++b) mirrored = static_cast<std::uint8_t>(mirrored | ((poly >> b & 1) << (7 - b)));
    crc_table table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned c = v;
        for (unsigned b = 0; b < 8; ++b)
            c = reflected ? (c & 1 ? c >> 1 ^ mirrored : c >> 1) : (c & 0x80 ? (c << 1 ^ poly) & 0xFF : c << 1 & 0xFF);
        table[v] = static_cast<std::uint8_t>(c);
    }
    return table;
}

// One step of rule `rule` over byte `b`, from `value`.
inline unsigned step(const checksum_rule& rule, const crc_table& table, unsigned value, std::uint8_t b) {
    switch (rule.kind) {
        case 1:
            return value ^ b;
        case 2:
            return (value + (b >> 4) + (b & 0xF)) & 0xFF;
        case 4:
            return table[(value ^ b) & 0xFF];
        default:
            return (value + b) & 0xFF;
    }
}

inline unsigned result(const checksum_rule& rule, unsigned value) {
    return rule.kind == 3 ? (0x100 - value) & 0xFF : value;
}

std::uint64_t low_bits(unsigned n) { return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1; }

// The finder: for every rule and every range [i, j) of bytes, the set of
// byte positions outside it that hold the rule's result in every frame so
// far, as a bit mask. A frame costs rules x b^2 / 2 steps and mask ANDs;
// the search stops when no candidate is left.
std::vector<checksum_hit> find_checksums(const bench_group& group) {
    const std::vector<checksum_rule>& rules = checksum_rules();
    const unsigned b = static_cast<unsigned>(group.length);
    const std::size_t span = std::size_t{b + 1} * (b + 1);
    std::vector<std::uint64_t> masks(rules.size() * span, 0);
    for (std::size_t r = 0; r < rules.size(); ++r)
        for (unsigned i = 0; i < b; ++i)
            for (unsigned j = i + 1; j <= b; ++j)
                masks[r * span + i * (b + 1) + j] = low_bits(b) & ~(low_bits(j) & ~low_bits(i));
    std::vector<crc_table> tables;
    for (const checksum_rule& rule : rules) tables.push_back(make_table(rule.poly, rule.reflected));
    std::array<std::uint64_t, 256> where{};  // the positions of each byte value in the frame
    for (const bench_frame& frame : group.frames) {
        for (unsigned t = 0; t < b; ++t) where[frame.bytes[t]] |= std::uint64_t{1} << t;
        bool any = false;
        for (std::size_t r = 0; r < rules.size(); ++r)
            for (unsigned i = 0; i < b; ++i) {
                unsigned value = rules[r].kind == 4 ? rules[r].init : 0;
                std::uint64_t* row = &masks[r * span + i * (b + 1)];
                for (unsigned j = i + 1; j <= b; ++j) {
                    value = step(rules[r], tables[r], value, frame.bytes[j - 1]);
                    row[j] &= where[result(rules[r], value)];
                    any = any || row[j] != 0;
                }
            }
        for (unsigned t = 0; t < b; ++t) where[frame.bytes[t]] = 0;
        if (!any) return {};
    }
    // Bytes that are the same in every frame say nothing: a hit needs a
    // result byte that changes and a range with a byte that changes. Of the
    // ranges that hold for one rule and one result byte, the longest.
    std::vector<bool> varies(b, false);
    for (const bench_frame& frame : group.frames)
        for (unsigned t = 0; t < b; ++t) varies[t] = varies[t] || frame.bytes[t] != group.frames[0].bytes[t];
    std::vector<checksum_hit> hits;
    for (unsigned t = 0; t < b; ++t) {
        if (!varies[t]) continue;
        for (std::size_t r = 0; r < rules.size(); ++r) {
            checksum_hit best{};
            bool found = false;
            for (unsigned i = 0; i < b; ++i)
                for (unsigned j = i + 1; j <= b; ++j) {
                    if ((masks[r * span + i * (b + 1) + j] >> t & 1) == 0) continue;
                    if (std::none_of(varies.begin() + i, varies.begin() + j, [](bool v) { return v; })) continue;
                    if (!found || j - i > best.last + 1 - best.first) best = {r, i, j - 1, t};
                    found = true;
                }
            if (found) hits.push_back(best);
        }
    }
    return hits;
}

std::string hex2(unsigned v) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", v & 0xFF);
    return text;
}

std::string bytes_range(unsigned first, unsigned last) {
    return first == last ? "byte " + std::to_string(first)
                         : "bytes " + std::to_string(first) + "-" + std::to_string(last);
}

}  // namespace

std::string bits_range(const bit_change& c) {
    std::string text = c.first_bit == c.last_bit
                           ? "bit " + std::to_string(c.first_bit)
                           : "bits " + std::to_string(c.first_bit) + "-" + std::to_string(c.last_bit);
    const unsigned byte = c.first_bit / 8;
    if (c.last_bit / 8 == byte)
        text += " (byte " + std::to_string(byte) + ", " +
                (c.first_bit == c.last_bit
                     ? "bit " + std::to_string(c.first_bit % 8)
                     : "bits " + std::to_string(c.first_bit % 8) + "-" + std::to_string(c.last_bit % 8)) +
                ")";
    return text;
}

namespace {

std::string group_title(const bench_group& g, profile_list profiles) {
    return std::string(profiles[g.decoder]->name) + ", " + std::to_string(g.length) + " bytes";
}

std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

const std::vector<checksum_rule>& checksum_rules() {
    static const std::vector<checksum_rule> rules = make_rules();
    return rules;
}

unsigned checksum_of(const checksum_rule& rule, const std::vector<std::uint8_t>& bytes) {
    const crc_table table = make_table(rule.poly, rule.reflected);
    unsigned value = rule.kind == 4 ? rule.init : 0;
    for (const std::uint8_t b : bytes) value = step(rule, table, value, b);
    return result(rule, value);
}

std::string rule_text(const checksum_rule& rule) {
    switch (rule.kind) {
        case 0:
            return "8-bit sum";
        case 1:
            return "XOR";
        case 2:
            return "sum of nibbles";
        case 3:
            return "two's complement of the sum";
        default:
            return "CRC-8 poly 0x" + hex2(rule.poly) + (rule.reflected ? " reflected" : "") + " init 0x" +
                   hex2(rule.init);
    }
}

std::string frame_name(const bench_frame& frame) {
    return frame.label.empty() ? "record " + record_number_text(frame.record) : frame.label;
}

void add_to_workbench(workbench& bench, profile_list profiles, const record_readings& r) {
    for (std::size_t p = 0; p < profiles.size() && p < r.decoders.size(); ++p) {
        const decoder_reading& d = r.decoders[p];
        const frame_reading& f = d.record.frame;
        if (!d.fits || profiles[p]->group_width != 8) continue;
        if (static_cast<std::uint64_t>(f.stats.n_all) != 8 * std::uint64_t{f.group_count}) continue;
        std::size_t g = 0;
        while (g < bench.groups.size() && !(bench.groups[g].decoder == p && bench.groups[g].length == f.group_count))
            ++g;
        std::uint64_t kept = 0;
        for (const bench_group& group : bench.groups) kept += group.frames.size();
        if (kept >= kMostBenchFrames) {
            ++bench.left_out;
            continue;
        }
        if (g == bench.groups.size()) bench.groups.push_back({p, f.group_count, {}});
        bench_frame frame{r.number, r.label, {}};
        for (unsigned i = 0; i < f.group_count; ++i) frame.bytes.push_back(static_cast<std::uint8_t>(f.groups[i]));
        bench.groups[g].frames.push_back(std::move(frame));
    }
}

group_study study_group(const bench_group& group, std::optional<std::uint64_t> base) {
    group_study s;
    for (std::size_t i = 0; base && i < group.frames.size(); ++i)
        if (group.frames[i].record == *base) {
            s.base = i;
            break;
        }
    const std::size_t bits = 8 * group.length;
    const std::vector<std::uint8_t>& reference = group.frames[s.base].bytes;
    bool differ = false;
    for (const bench_frame& frame : group.frames) {
        std::vector<bool> changed(bits);
        for (std::size_t k = 0; k < bits; ++k)
            changed[k] = ((frame.bytes[k / 8] ^ reference[k / 8]) >> (k % 8) & 1) != 0;
        differ = differ || frame.bytes != reference;
        s.changed.push_back(std::move(changed));
    }
    // Consecutive bits of one byte that change make one range, with the
    // frames in which any of them changes.
    for (std::size_t k = 0; k < bits; ++k) {
        std::vector<std::size_t> frames;
        for (std::size_t f = 0; f < group.frames.size(); ++f)
            if (s.changed[f][k]) frames.push_back(f);
        if (frames.empty()) continue;
        if (!s.changes.empty() && s.changes.back().last_bit + 1 == k && k % 8 != 0) {
            bit_change& c = s.changes.back();
            c.last_bit = static_cast<unsigned>(k);
            std::vector<std::size_t> both;
            std::set_union(c.frames.begin(), c.frames.end(), frames.begin(), frames.end(), std::back_inserter(both));
            c.frames = std::move(both);
        } else {
            s.changes.push_back({static_cast<unsigned>(k), static_cast<unsigned>(k), std::move(frames)});
        }
    }
    s.searched = differ && group.length <= kMostSearchedBytes;
    if (s.searched) s.checksums = find_checksums(group);
    return s;
}

std::string workbench_text(const workbench& bench, profile_list profiles, std::optional<std::uint64_t> base) {
    std::string text;
    if (bench.groups.empty()) text += "No decoder reads a fitting frame of whole bytes in these records.\n";
    for (const bench_group& g : bench.groups) {
        text += group_title(g, profiles) + ": " + counted(g.frames.size(), "record", "records") + "\n";
    }
    if (bench.left_out != 0) text += std::to_string(bench.left_out) + " more frames are left out\n";
    for (const bench_group& g : bench.groups) {
        const group_study s = study_group(g, base);
        text +=
            "\n" + group_title(g, profiles) + ", against record " + record_number_text(g.frames[s.base].record) + "\n";
        // Names are measured and cut in characters: what a terminal shows is
        // valid UTF-8.
        const auto columns = [](std::string_view t) {
            return static_cast<std::size_t>(std::count_if(t.begin(), t.end(), [](char c) {
                return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            }));
        };
        std::size_t width = 4;
        for (const bench_frame& f : g.frames)
            width = std::max(width, std::min<std::size_t>(24, columns(terminal_text(f.label))));
        for (std::size_t i = 0; i < g.frames.size(); ++i) {
            const bench_frame& f = g.frames[i];
            std::string name = terminal_text(f.label);
            if (columns(name) > width) {
                std::size_t cut = 0;
                for (std::size_t kept = 0; kept < width - 2; ++kept)
                    do ++cut;
                    while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80);
                name = name.substr(0, cut) + "..";
            }
            const std::string number = record_number_text(f.record);
            std::string line = std::string(number.size() < 8 ? 8 - number.size() : 0, ' ') + number + "  " + name +
                               std::string(width - std::min(width, columns(name)), ' ') + " ";
            std::string marks(columns(line), ' ');
            bool any = false;
            for (std::size_t b = 0; b < g.length; ++b) {
                line += " " + hex2(f.bytes[b]);
                const auto nibble = [&](unsigned from) {
                    for (unsigned k = from; k < from + 4; ++k)
                        if (s.changed[i][8 * b + k]) return true;
                    return false;
                };
                const bool high = nibble(4), low = nibble(0);
                marks += std::string(" ") + (high ? '^' : ' ') + (low ? '^' : ' ');
                any = any || high || low;
            }
            text += line + "\n";
            while (!marks.empty() && marks.back() == ' ') marks.pop_back();
            if (any) text += marks + "\n";
        }
        text += s.changes.empty() ? "No bit differs from the base.\n" : "Bits that differ from the base:\n";
        for (const bit_change& c : s.changes) {
            text += "  " + bits_range(c) + ":";
            for (std::size_t n = 0; n < c.frames.size() && n < kMostNamed; ++n)
                text += (n ? ", " : " ") + terminal_text(frame_name(g.frames[c.frames[n]]));
            if (c.frames.size() > kMostNamed) text += " and " + std::to_string(c.frames.size() - kMostNamed) + " more";
            text += "\n";
        }
        if (!s.searched)
            text += g.length > kMostSearchedBytes ? "Checksums: not looked for in frames over 64 bytes.\n"
                                                  : "Checksums: need two or more frames that differ.\n";
        else if (s.checksums.empty())
            text += "Checksums: no rule holds in all " + counted(g.frames.size(), "frame", "frames") + ".\n";
        else
            text += "Checksums that hold in all " + counted(g.frames.size(), "frame", "frames") + ":\n";
        for (const checksum_hit& h : s.checksums)
            text += "  byte " + std::to_string(h.at) + " = " + rule_text(checksum_rules()[h.rule]) + " of " +
                    bytes_range(h.first, h.last) + "\n";
    }
    return text;
}

std::string workbench_json(const workbench& bench, profile_list profiles, std::optional<std::uint64_t> base) {
    std::string text;
    for (const bench_group& g : bench.groups) {
        const group_study s = study_group(g, base);
        text += "{\"version\":1,\"decoder\":";
        append_json_string(text, profiles[g.decoder]->name);
        text += ",\"bytes\":" + std::to_string(g.length) + ",\"base\":" + std::to_string(g.frames[s.base].record) +
                ",\"frames\":[";
        for (std::size_t i = 0; i < g.frames.size(); ++i) {
            const bench_frame& f = g.frames[i];
            text += std::string(i ? "," : "") + "{\"record\":" + std::to_string(f.record);
            if (!f.label.empty()) {
                text += ",\"name\":";
                append_json_string(text, f.label);
            }
            text += ",\"bytes\":[";
            for (std::size_t b = 0; b < f.bytes.size(); ++b) text += (b ? "," : "") + std::to_string(f.bytes[b]);
            text += "]}";
        }
        text += "],\"changes\":[";
        for (std::size_t c = 0; c < s.changes.size(); ++c) {
            text += std::string(c ? "," : "") + "{\"first_bit\":" + std::to_string(s.changes[c].first_bit) +
                    ",\"last_bit\":" + std::to_string(s.changes[c].last_bit) + ",\"records\":[";
            for (std::size_t n = 0; n < s.changes[c].frames.size(); ++n)
                text += (n ? "," : "") + std::to_string(g.frames[s.changes[c].frames[n]].record);
            text += "]}";
        }
        text += std::string("],\"searched\":") + (s.searched ? "true" : "false") + ",\"checksums\":[";
        for (std::size_t c = 0; c < s.checksums.size(); ++c) {
            const checksum_hit& h = s.checksums[c];
            text += std::string(c ? "," : "") + "{\"rule\":";
            append_json_string(text, rule_text(checksum_rules()[h.rule]));
            text += ",\"first\":" + std::to_string(h.first) + ",\"last\":" + std::to_string(h.last) +
                    ",\"at\":" + std::to_string(h.at) + "}";
        }
        text += "]}\n";
    }
    return text;
}
