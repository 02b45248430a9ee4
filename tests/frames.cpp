#include "tests/frames.h"

#include <cstdio>

#include "passes/formats.h"

std::string pairs(std::string_view first, std::string_view zero, std::string_view one, std::string_view bits) {
    std::string text;
    for (char bit : bits) {
        if (bit == ' ') continue;
        text += " " + std::string(first) + " " + std::string(bit == '1' ? one : zero);
    }
    return text;
}

const std::string kKandenRecord =
    "0x2000 0xD00 0x680" + pairs("0x1A0", "0x1A0", "0x4E0", "01000000 00000100") + " 0x1A0 0x8000\n";
const std::string kMitsubishiRecord =
    "0x3000" + pairs("0x100", "0x300", "0x600", "01010010 10000011") + " 0x100 0x2000\n";

namespace {
const std::string kSonyCopy = "0x960" + pairs("0x258", "0x258", "0x4B0", "1010 1001 0000");
}
const std::string kSonyRecord = "0x50 " + kSonyCopy + " 0x20000 " + kSonyCopy + " 0x20000 " + kSonyCopy + "\n";

const std::string kKandenLine = "K : [ 1] : 01000000 00000100 : 0220 \n";
const std::string kMitsubishiLine = "M : [ 1] : 01010010 10000011 : 4AC1 \n";
const std::string kSonyLine = "S : [ 1] : 1010 1001 0000 : 5 9 0 \n";

const char* const kDumpOnly = "0x123 0x456\n";
const std::string kDumpLine = "R : [ 1] : 00000123 00000456 \n";

const std::string kKandenHeader(kKanden.header);
const std::string kMitsubishiHeader(kMitsubishi.header);
const std::string kSonyHeader(kSony.header);

std::string zero_frame(const format_profile& profile, unsigned record, unsigned bits, const std::string& tail) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%c : [%2X] : ", profile.letter, record);
    std::string line = prefix;
    const unsigned width = profile.group_width, groups = bits / width;
    for (unsigned g = 0; g < groups; ++g) line += std::string(width, '0') + " ";
    line += std::string(bits % width, '0') + ": ";
    for (unsigned g = 0; g < groups; ++g)
        line += std::string(width / 4, '0') + ((g + 1) % profile.groups_per_space ? "" : " ");
    return line + tail + "\n";
}

std::string kanden_durations(const std::vector<unsigned>& bytes) {
    std::string text = "3500 1750";
    for (const unsigned byte : bytes)
        for (unsigned bit = 0; bit < 8; ++bit) text += (byte >> bit & 1) ? " 435 1300" : " 435 435";
    return text + " 435";
}

std::string kanden_line(unsigned record, const std::vector<unsigned>& bytes, std::size_t first) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "K : [%2X] : ", record);
    std::string line = prefix, hex;
    for (std::size_t i = first; i < bytes.size(); ++i) {
        for (unsigned bit = 0; bit < 8; ++bit) line += (bytes[i] >> bit & 1) ? '1' : '0';
        line += ' ';
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X", bytes[i]);
        hex += byte;
        if ((i - first) % 2 == 1) hex += ' ';
    }
    return line + ": " + hex + "\n";
}
