// The capture description language that tests, examples and benchmarks use.
#include "tools/shared/description.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/harness.h"

namespace {

std::string word(std::uint32_t w) {
    return {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8 & 0xFF), static_cast<char>(w >> 16 & 0xFF),
            static_cast<char>(w >> 24 & 0xFF)};
}

// The header, then one record holding `words` and zeros after them.
std::string capture_of(char header_fill, const std::string& words) {
    return std::string(1024, header_fill) + words + std::string(2048 - words.size(), '\0');
}

struct text_case {
    const char* text;
    std::string bytes;
};

void PrintTo(const text_case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class CaptureText : public ::testing::TestWithParam<text_case> {};

TEST_P(CaptureText, BuildsTheBytes) { EXPECT_EQ(capture_bytes(GetParam().text), GetParam().bytes); }

INSTANTIATE_TEST_SUITE_P(
    Descriptions, CaptureText,
    ::testing::Values(
        text_case{"", std::string(1024, '\0')}, text_case{"# only a comment\n\n", std::string(1024, '\0')},
        text_case{"header 7\n1 0x2", capture_of(7, word(1) + word(2))},
        text_case{"  -1\t0xffffffff 4294967295 # comment", capture_of(0, word(~0u) + word(~0u) + word(~0u))},
        text_case{"-2147483648 0x10*3 5*0", capture_of(0, word(0x80000000u) + word(16) + word(16) + word(16))},
        text_case{"0x7B\nsize 1025", std::string(1024, '\0') + "\x7B"},
        text_case{"size 1030\n", std::string(1030, '\0')},
        text_case{"1\nsize 1030\nheader 9\n", std::string(1024, '\t') + "\x01" + std::string(5, '\0')}));

struct error_case {
    const char* text;
    const char* error;
};

void PrintTo(const error_case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class CaptureTextError : public ::testing::TestWithParam<error_case> {};

TEST_P(CaptureTextError, NamesTheLine) {
    description d;
    std::string error;
    EXPECT_FALSE(read_description(GetParam().text, d, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Malformed, CaptureTextError,
                         ::testing::Values(error_case{"1 2\nfoo", "line 2: bad duration 'foo'"},
                                           error_case{"4294967296", "line 1: bad duration '4294967296'"},
                                           error_case{"-2147483649", "line 1: bad duration '-2147483649'"},
                                           error_case{"0x", "line 1: bad duration '0x'"},
                                           error_case{"1*513", "line 1: bad repeat count in '1*513'"},
                                           error_case{"1*300 2*213", "line 1: more than 512 durations in one record"},
                                           error_case{"\n\nheader 256", "line 3: bad header '256'"},
                                           error_case{"header 1\nheader 2", "line 2: header given twice"},
                                           error_case{"size", "line 1: size takes one number"},
                                           error_case{"size 1 2", "line 1: size takes one number"},
                                           error_case{"size 1099511627777", "line 1: bad size '1099511627777'"},
                                           error_case{"1 \x01\xC3\xA9"
                                                      "0123456789012345678901234567890123456789",
                                                      "line 1: bad duration '\\x01\\xC3\\xA9"
                                                      "0123456789012345678901234567890123456'..."}));

}  // namespace
