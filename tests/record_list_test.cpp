// Record lists as the companions read them (--records, --base, the names of
// a manifest), and record numbers as tavlin prints them.
#include "tools/shared/record_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kBad = " (records as tavlin numbers them, in hex: 1-1F,23)";

struct list_case {
    const char* text;
    std::string ranges;  // "first-last ..." with ~ for the last record; or the error
};

void PrintTo(const list_case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class RecordList : public ::testing::TestWithParam<list_case> {};

TEST_P(RecordList, ReadsRangesOrSaysWhichItemIsBad) {
    std::vector<record_range> ranges;
    std::string got = read_record_list(GetParam().text, ranges);
    if (got.empty())
        for (const record_range& r : ranges)
            got += (got.empty() ? "" : " ") + std::to_string(r.first) + "-" +
                   (r.last == UINT64_MAX ? "~" : std::to_string(r.last));
    EXPECT_EQ(got, GetParam().ranges);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, RecordList,
    ::testing::Values(
        list_case{"1", "1-1"}, list_case{"A", "10-10"}, list_case{"0x1f", "31-31"}, list_case{"1-1F,23", "1-31 35-35"},
        list_case{"40-", "64-~"}, list_case{"3,1-2", "1-3"}, list_case{"5-9,7-C", "5-12"},
        list_case{"FFFFFFFFFFFFFFFE", "18446744073709551614-18446744073709551614"},
        list_case{"0", "bad record list item '0'" + kBad}, list_case{"0-3", "bad record list item '0-3'" + kBad},
        list_case{"2,0x0", "bad record list item '0x0'" + kBad}, list_case{"3-1", "bad record list item '3-1'" + kBad},
        list_case{"1,,2", "bad record list item ''" + kBad}, list_case{"-3", "bad record list item '-3'" + kBad},
        list_case{"g", "bad record list item 'g'" + kBad},
        list_case{"FFFFFFFFFFFFFFFF", "bad record list item 'FFFFFFFFFFFFFFFF'" + kBad}));

TEST(RecordNumber, IsPrintedAsTavlinPrintsIt) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {1, "1"}, {9, "9"}, {10, "A"}, {17, "11"}, {255, "FF"}, {0x1000, "1000"}, {UINT64_MAX - 1, "FFFFFFFFFFFFFFFE"}};
    for (const auto& [number, text] : cases) EXPECT_EQ(record_number_text(number), text) << number;
}

}  // namespace
