// The output checks, written from the output format alone: the dump is
// rebuilt from the capture's bytes; frame lines are parsed and their groups
// rebuilt from their bits.
#include "fuzz/output_check.h"

#include <cstdint>
#include <cstdio>

#include "capture/layout.h"
#include "passes/formats.h"

namespace {

// Word `index` of the capture: 0 past its end, the missing high-order bytes
// of a word that straddles the end 0.
std::uint32_t capture_word(const std::vector<unsigned char>& capture, std::uint64_t index) {
    unsigned char bytes[4] = {};
    for (std::uint64_t b = 0; b < 4; ++b)
        if (4 * index + b < capture.size()) bytes[b] = capture[4 * index + b];
    return static_cast<std::uint32_t>(load_word(bytes));
}

std::string expected_dump(const std::vector<unsigned char>& capture) {
    std::string text;
    const std::uint64_t records = record_count(capture.size());
    char field[32];
    for (std::uint64_t k = 1; k <= records; ++k) {
        std::snprintf(field, sizeof field, "R : [%2llX] : ", static_cast<unsigned long long>(k));
        text += field;
        for (std::uint64_t i = 0; i < kRecordWords; ++i) {
            const std::uint32_t word = capture_word(capture, record_first_word(k) + i);
            if (word == 0) break;
            std::snprintf(field, sizeof field, "%08X ", word);
            text += field;
        }
        text += '\n';
    }
    return text;
}

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Parses the output of the format passes named in `letters`, in order.
std::string check_frames(std::string_view letters, bool verbose, std::string_view out) {
    std::vector<const format_profile*> passes;
    for (char letter : letters)
        for (const format_profile* profile : kFormats)
            if (profile->letter == letter) passes.push_back(profile);
    std::vector<bool> header_seen(passes.size(), false);
    std::size_t current = 0;  // passes before this one have ended
    std::size_t p = 0;
    const auto at = [&](std::size_t i) { return i < out.size() ? out[i] : '\0'; };
    const auto where = [&](const char* what) { return std::string(what) + " at byte " + std::to_string(p); };

    while (p < out.size()) {
        bool header = false;
        for (std::size_t j = current; j < passes.size() && verbose && !header; ++j) {
            if (out.substr(p, passes[j]->header.size()) != passes[j]->header) continue;
            if (header_seen[j]) return where("a second header");
            header_seen[j] = header = true;
            current = j;
            p += passes[j]->header.size();
        }
        if (header) continue;

        std::size_t j = current;
        while (j < passes.size() && out.substr(p, 5) != std::string(1, passes[j]->letter) + " : [") ++j;
        if (j == passes.size()) return where("text that is neither a header nor a frame line of the next passes");
        if (verbose && !header_seen[j]) return where("a frame line before its pass's header");
        current = j;
        const format_profile& shape = *passes[j];
        p += 5;

        const std::size_t number_start = p;
        while (at(p) == ' ') ++p;
        while (is_hex_digit(at(p))) ++p;
        if (p - number_start < 2 || out.substr(p, 4) != "] : " || out[p - 1] == ' ')
            return where("a malformed record number");
        p += 4;

        // Bits, with a space after every whole group.
        std::string bits;
        while (at(p) == '0' || at(p) == '1') {
            bits += out[p++];
            if (bits.size() % shape.group_width == 0 && out[p++] != ' ') return where("no space after a whole group");
        }
        const std::size_t groups = bits.size() / shape.group_width;
        if (bits.empty()) return where("a frame line without bits");
        if (groups > kMaxGroups) return where("more than 256 groups");
        if (groups == 0) continue;  // an open line: the next output continues it

        if (out.substr(p, 2) != ": ") return where("whole groups not followed by \": \"");
        p += 2;
        std::string expected;
        for (std::size_t g = 0; g < groups; ++g) {
            unsigned value = 0;
            for (unsigned b = 0; b < shape.group_width; ++b)
                value |= unsigned(bits[g * shape.group_width + b] == '1') << b;
            char digits[8];
            std::snprintf(digits, sizeof digits, "%0*X", static_cast<int>(shape.group_width / 4), value);
            expected += digits;
            if ((g + 1) % shape.groups_per_space == 0) expected += ' ';
        }
        if (out.substr(p, expected.size()) != expected) return where("hex groups that are not the bits regrouped");
        p += expected.size();
        if (verbose) {
            if (at(p++) != ':') return where("no statistics tail");
            for (unsigned f = 0; f < shape.tail_word_count + 4; ++f) {
                if (at(p++) != ' ') return where("a malformed statistics field");
                for (int d = 0; d < 8; ++d)
                    if (!is_hex_digit(at(p++))) return where("a malformed statistics field");
            }
        }
        if (at(p++) != '\n') return where("a frame line that does not end after its groups");
    }
    return "";
}

}  // namespace

std::string check_output(std::string_view passes, bool verbose, const std::vector<unsigned char>& capture,
                         std::string_view out) {
    if (passes.empty()) return out.empty() ? "" : "output from a mode that selects no pass";
    if (passes == "R") return out == expected_dump(capture) ? "" : "a dump that is not the records' leading words";
    return check_frames(passes, verbose, out);
}
