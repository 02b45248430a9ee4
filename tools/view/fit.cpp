// The fit rule and the notations.
#include "tools/view/fit.h"

#include <algorithm>

#include "passes/formats.h"

namespace {

// The record's words that are its signal, before the 0 that ends them.
std::uint64_t signal_length(const record_readings& r) {
    if (r.place.noted) return r.place.note_alone ? 0 : std::min<std::uint64_t>(r.place.end, r.words.size());
    std::uint64_t n = r.words.size();
    while (n > 0 && r.words[n - 1] == 0) --n;
    return n;
}

// The longest run of the signal's words with none over `te`.
std::uint64_t longest_stretch(const std::vector<std::int32_t>& words, std::uint64_t length, std::int32_t te) {
    std::uint64_t longest = 0, run = 0;
    for (std::uint64_t i = 0; i < length; ++i) {
        run = words[i] > te ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

struct width_class {
    std::int64_t sum = 0, least = INT64_MAX, most = INT64_MIN;
    std::int64_t count = 0;
    void add(std::int32_t w) {
        sum += w;
        least = std::min<std::int64_t>(least, w);
        most = std::max<std::int64_t>(most, w);
        ++count;
    }
    // Every width within 25 % of the mean: 4 x |w - mean| <= mean, in sums.
    bool tight() const { return 4 * (most * count - sum) <= sum && 4 * (sum - least * count) <= sum; }
};

std::string verdict(const format_profile& p, const decoder_reading& d, const record_readings& r, bool& fits) {
    fits = false;
    if (!d.reached || ends_walk(d)) return "not decoded";
    const frame_reading& f = d.record.frame;
    if (f.group_count == 0) return "no whole group";
    if (f.end == frame_end::group_limit) return "ends at the 256th group";
    if (f.tb <= 0 || f.te <= f.tb) return "thresholds not positive";
    const std::uint64_t length = signal_length(r);
    const std::uint64_t first = std::uint64_t{d.record.anchor.offset} + p.first_pair;
    // The pair that ended the frame starts inside the signal, or at the 0
    // that ends it.
    if (std::uint64_t{d.record.anchor.offset} + f.end_pair > length) return "reads past the record's signal";
    const std::uint64_t read = 2 * static_cast<std::uint64_t>(f.stats.n_all);
    const std::uint64_t stretch = longest_stretch(r.words, length, f.te);
    const std::string words = std::to_string(read) + " of " + std::to_string(stretch) + " words";
    if (4 * read < 3 * stretch) return "reads " + words + " of the longest stretch";
    width_class ones, zeros;
    const std::string bits = sent_bits(d);
    for (std::size_t n = 0; n < bits.size(); ++n) {
        const std::int32_t w = r.words[first + 2 * n + 1];
        (bits[n] == '1' ? ones : zeros).add(w);
    }
    if (ones.count == 0 || zeros.count == 0) return "one bit value only";
    if (zeros.least <= 0) return "a duration not positive";
    if (!ones.tight()) return "1-bit widths spread over 25 %";
    if (!zeros.tight()) return "0-bit widths spread over 25 %";
    const std::int64_t long_mean = ones.sum / ones.count, short_mean = zeros.sum / zeros.count;
    const std::int64_t tenths = short_mean == 0 ? 0 : long_mean * 10 / short_mean;
    const std::string ratio = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "x";
    if (2 * ones.sum * zeros.count < 3 * zeros.sum * ones.count) return "widths only " + ratio + " apart";
    fits = true;
    return "widths " + std::to_string(short_mean) + " and " + std::to_string(long_mean) + " (" + ratio + "), " +
           words;
}

std::string hex(std::uint64_t value, int digits) {
    std::string text = "0x";
    while (digits < 16 && value >> (4 * digits) != 0) ++digits;
    for (int d = digits - 1; d >= 0; --d) text += "0123456789ABCDEF"[value >> (4 * d) & 0xF];
    return text;
}

// Bits `first` to `first + count - 1` of the frame, the first sent the
// least significant.
std::uint64_t field(const std::string& bits, std::size_t first, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value |= std::uint64_t{bits[first + i] == '1'} << i;
    return value;
}

// The bits as one number, the first sent the most significant.
std::string raw_value(const std::string& bits) {
    std::uint64_t value = 0;
    for (const char c : bits) value = value << 1 | std::uint64_t{c == '1'};
    return "raw " + hex(value, static_cast<int>((bits.size() + 3) / 4)) + ", sent order MSB first";
}

std::string sirc(const std::string& bits) {
    const std::size_t n = bits.size();
    const unsigned address_bits = n == 15 ? 8 : 5;
    std::string text = "SIRC-" + std::to_string(n) + ": command " + hex(field(bits, 0, 7), 2) + ", address " +
                       hex(field(bits, 7, address_bits), 2);
    if (n == 20)
        text += ", extended " + hex(field(bits, 12, 8), 2) + " (13-bit address " + hex(field(bits, 7, 13), 4) + ")";
    return text + " (" + raw_value(bits) + ")";
}

std::string nec(const std::vector<std::uint64_t>& b, const std::string& bits) {
    if ((b[2] ^ b[3]) != 0xFF) return "";
    if ((b[0] ^ b[1]) == 0xFF)
        return "NEC: address " + hex(b[0], 2) + ", command " + hex(b[2], 2) + " (" + raw_value(bits) + ")";
    return "NEC extended: address " + hex(b[0] | b[1] << 8, 4) + ", command " + hex(b[2], 2) + " (" +
           raw_value(bits) + ")";
}

std::string checked(const char* what, std::uint64_t value, std::uint64_t expected, int digits) {
    return std::string(what) + " " + hex(value, digits) +
           (value == expected ? " ok" : " (expected " + hex(expected, digits) + ")");
}

std::string kaseikyo(const std::vector<std::uint64_t>& b) {
    const std::uint64_t vendor = b[0] | b[1] << 8;
    const std::uint64_t folded = b[0] ^ b[1];
    std::string text = "Kaseikyo: vendor " + hex(vendor, 4) + (vendor == 0x2002 ? " (Panasonic)" : "") + ", " +
                       checked("vendor parity", b[2] & 0xF, (folded ^ folded >> 4) & 0xF, 1);
    text += ", genre1 " + hex(b[2] >> 4, 1) + ", genre2 " + hex(b[3] & 0xF, 1) + ", data " +
            hex(b[3] >> 4 | (b[4] & 0x3F) << 4, 3) + ", ID " + std::to_string(b[4] >> 6) + ", " +
            checked("check", b[5], b[2] ^ b[3] ^ b[4], 2);
    return text + "; device " + hex(b[2], 2) + ", subdevice " + hex(b[3], 2) + ", function " + hex(b[4], 2);
}

}  // namespace

std::string sent_bits(const decoder_reading& d) {
    std::string bits;
    for (const char c : d.bits)
        if (c != ' ') bits += c;
    return bits;
}

void judge_fits(profile_list profiles, record_readings& r) {
    for (std::size_t p = 0; p < profiles.size() && p < r.decoders.size(); ++p) {
        decoder_reading& d = r.decoders[p];
        d.fit_reason = verdict(*profiles[p], d, r, d.fits);
    }
}

std::vector<std::string> notations(const format_profile& profile, const decoder_reading& d) {
    std::vector<std::string> out;
    if (!d.fits) return out;
    const std::string bits = sent_bits(d);
    const std::size_t n = bits.size();
    if (&profile == &kSony && (n == 12 || n == 15 || n == 20)) out.push_back(sirc(bits));
    if (profile.group_width != 8 || n % 8 != 0) return out;
    std::vector<std::uint64_t> bytes;
    for (std::size_t i = 0; i < n; i += 8) bytes.push_back(field(bits, i, 8));
    if (&profile == &kKanden && n == 32)
        if (std::string text = nec(bytes, bits); !text.empty()) out.push_back(text);
    if (&profile == &kKanden && n == 48) out.push_back(kaseikyo(bytes));
    if (&profile == &kKanden || &profile == &kMitsubishi) {
        std::string text = "bytes: {";
        for (std::size_t i = 0; i < bytes.size(); ++i) text += (i ? ", " : "") + hex(bytes[i], 2);
        out.push_back(text + "}");
    }
    return out;
}
