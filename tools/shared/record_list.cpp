// Record lists.
#include "tools/shared/record_list.h"

#include <algorithm>
#include <optional>

#include "output/writer.h"
#include "tools/shared/text_input.h"

namespace {

std::optional<std::uint64_t> record_number(std::string_view text) {
    if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") text.remove_prefix(2);
    if (text.empty() || text.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) return std::nullopt;
    const std::optional<std::uint64_t> n = read_number("0x" + std::string(text), UINT64_MAX - 1);
    return n && *n != 0 ? n : std::nullopt;
}

}  // namespace

std::string record_number_text(std::uint64_t number) {
    char text[32];
    return std::string(text, static_cast<std::size_t>(put_hex(text, number, 1, '0') - text));
}

std::string read_record_list(std::string_view text, std::vector<record_range>& ranges) {
    ranges.clear();
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view item = text.substr(at, comma - at);
        const std::size_t dash = item.find('-');
        const std::optional<std::uint64_t> first = record_number(item.substr(0, dash));
        std::optional<std::uint64_t> last = first;
        if (dash != std::string_view::npos)
            last = dash + 1 == item.size() ? std::optional<std::uint64_t>(UINT64_MAX)
                                           : record_number(item.substr(dash + 1));
        if (!first || !last || *last < *first)
            return "bad record list item " + quoted(item) + " (records as tavlin numbers them, in hex: 1-1F,23)";
        ranges.push_back({*first, *last});
        at = comma + 1;
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const record_range& a, const record_range& b) { return a.first < b.first; });
    std::vector<record_range> merged;
    for (const record_range& r : ranges) {
        if (!merged.empty() && (merged.back().last == UINT64_MAX || r.first <= merged.back().last + 1))
            merged.back().last = std::max(merged.back().last, r.last);
        else
            merged.push_back(r);
    }
    ranges = merged;
    return {};
}

std::vector<std::uint64_t> listed_records(const std::vector<record_range>& ranges, std::uint64_t count,
                                          std::uint64_t most, std::uint64_t& left_out) {
    std::vector<std::uint64_t> records;
    left_out = 0;
    for (const record_range& r : ranges) {
        if (r.first > count) break;
        const std::uint64_t last = std::min(r.last, count);
        const std::uint64_t room = most - records.size();
        const std::uint64_t taken = std::min(last - r.first + 1, room);
        for (std::uint64_t n = r.first; n < r.first + taken; ++n) records.push_back(n);
        left_out += last - r.first + 1 - taken;
    }
    return records;
}

std::uint64_t first_past(const std::vector<record_range>& ranges, std::uint64_t count) {
    // A range without an end runs to the last record: past the end only
    // when it starts there.
    for (const record_range& r : ranges)
        if (r.last == UINT64_MAX ? r.first > count : r.last > count) return std::max(r.first, count + 1);
    return 0;
}
