#include "tests/frames.h"

#include <cstdio>

std::string pairs(std::string_view first, std::string_view zero, std::string_view one, std::string_view bits) {
    std::string text;
    for (char bit : bits) {
        if (bit == ' ') continue;
        text += " " + std::string(first) + " " + std::string(bit == '1' ? one : zero);
    }
    return text;
}

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
