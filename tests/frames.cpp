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
