// make_bench_flipper DIR [FILES SIGNALS MB]: writes a tree of Flipper .ir
// files for the import benchmark, of the shape of a large public collection
// (default 8901 files, 301838 signals, about 112 MB): folders three levels
// deep (category/brand/model.ir, names with blanks and a few non-ASCII
// letters), each file a header, comment lines, and signals that are mostly
// raw (data: lines of about 40 to 300 durations, air conditioners' long ones
// among them) and many parsed, of every protocol the reader encodes and a few it
// does not. Seeded: the same arguments give the same tree, byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/random.h"

namespace {

// A number from 0 to n - 1.
unsigned below(std::uint64_t& state, unsigned n) { return static_cast<unsigned>(next_random(state) % n); }

const char* const kCategories[] = {"TVs",         "ACs",          "Audio_and_Video_Receivers",
                                   "Projectors",  "Fans",         "Cameras",
                                   "Consoles",    "LED_Lighting", "Cable_Boxes",
                                   "DVD_Players", "Heaters",      "Toys"};
const char* const kBrands[] = {"Akira", "Bexa", "Cordoba", "Delmar", "Elvo",  "Fontaine", "Grelo", "Hakuna",
                               "Ivra",  "Jubo", "Kestrel", "Lumio",  "Mirel", "Nordik",   "Orvo",  "Pleto",
                               "Quara", "Rovi", "Selka",   "Tarvo",  "Ulmo",  "Vesto",    "Wenda", "Xeno"};
const char* const kButtons[] = {"Power",   "Vol_up",  "Vol_dn", "Ch_next", "Ch_prev", "Mute",  "Input",
                                "Menu",    "Ok",      "Up",     "Down",    "Left",    "Right", "Back",
                                "Cool_hi", "Heat_lo", "Off",    "Dh",      "Play",    "Pause"};
// The protocols the reader encodes, and two it does not (left out with a note).
const char* const kProtocols[] = {"NEC",    "NECext",  "NEC42",     "NEC42ext", "Samsung32", "SIRC", "SIRC15",
                                  "SIRC20", "Pioneer", "RCA",       "Kaseikyo", "RC5",       "RC5X", "RC6",
                                  "NEC",    "NECext",  "Samsung32", "Denon",    "Sharp"};

void hex_bytes(std::string& text, std::uint32_t value) {
    char byte[8];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", (value >> (8 * i)) & 0xFFu);
        text += byte;
    }
}

// A raw signal's data: pulse-distance frames of `count` durations with
// jitter, a long gap between repeated frames.
void raw_data(std::string& text, std::uint64_t& state, unsigned count) {
    const unsigned mark = 500 + below(state, 100), zero = 500 + below(state, 100), one = 1600 + below(state, 150);
    text += "data:";
    char number[16];
    for (unsigned i = 0; i < count; ++i) {
        unsigned d;
        if (i == 0)
            d = 9000 + below(state, 100);
        else if (i == 1)
            d = 4400 + below(state, 100);
        else if (i % 2 == 0)
            d = mark + below(state, 40);
        else if (i % 100 == 99 && i + 1 < count)
            d = 40000 + below(state, 2000);
        else
            d = (below(state, 2) != 0 ? one : zero) + below(state, 40);
        std::snprintf(number, sizeof number, " %u", d);
        text += number;
    }
    text += '\n';
}

void one_signal(std::string& text, std::uint64_t& state, unsigned index, unsigned raw_mean) {
    text += below(state, 8) == 0 ? "# \n" : "#\n";
    if (below(state, 40) == 0) text += "# Model: captured by hand\n#\n";
    text += "name: ";
    text += kButtons[index % (sizeof kButtons / sizeof *kButtons)];
    if (index >= sizeof kButtons / sizeof *kButtons) {
        text += '_';
        text += std::to_string(index);
    }
    text += '\n';
    if (below(state, 100) < 40) {
        text += "type: parsed\nprotocol: ";
        text += kProtocols[below(state, sizeof kProtocols / sizeof *kProtocols)];
        text += "\naddress: ";
        hex_bytes(text, below(state, 256));
        text += "\ncommand: ";
        hex_bytes(text, below(state, 256));
        text += '\n';
        return;
    }
    text += "type: raw\nfrequency: 38000\nduty_cycle: 0.330000\n";
    // Most are TV-like, of `raw_mean` durations give or take 40, some long
    // air conditioner frames (180 to 300).
    const unsigned count = below(state, 100) < 15 ? 180 + below(state, 121) : raw_mean - 40 + below(state, 80);
    raw_data(text, state, count | 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: make_bench_flipper DIR [FILES SIGNALS MB]\n");
        return 2;
    }
    const unsigned files = argc == 5 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 8901;
    const unsigned signals = argc == 5 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 301838;
    const double megabytes = argc == 5 ? std::strtod(argv[4], nullptr) : 112;
    if (files == 0 || signals < files) {
        std::fprintf(stderr, "make_bench_flipper: needs at least one signal a file\n");
        return 2;
    }
    std::uint64_t state = 20261209;
    // Signals per file: from 1 to 67, then evened out to the total.
    std::vector<unsigned> counts(files);
    std::uint64_t sum = 0;
    for (unsigned& c : counts) sum += c = 1 + below(state, 67);
    while (sum != signals) {
        unsigned& c = counts[below(state, files)];
        if (sum < signals && c < 400) ++c, ++sum;
        if (sum > signals && c > 1) --c, --sum;
    }
    // Bytes per signal fix the raw signals' mean length: a raw duration
    // takes about 4.1 bytes on average, a raw signal 75 more, a parsed one (40 %) 110.
    const double per_signal = megabytes * 1e6 / signals;
    const double raw_bytes = (per_signal - 0.4 * 110) / 0.6;
    const double mean = ((raw_bytes - 75) / 4.1 - 0.15 * 240) / 0.85;
    const unsigned raw_mean = mean < 41 ? 41 : static_cast<unsigned>(mean);

    const std::filesystem::path top = argv[1];
    std::string text;
    std::uint64_t bytes = 0;
    for (unsigned f = 0; f < files; ++f) {
        const unsigned category = below(state, sizeof kCategories / sizeof *kCategories);
        const unsigned brand = below(state, sizeof kBrands / sizeof *kBrands);
        std::filesystem::path dir = top / kCategories[category] / kBrands[brand];
        // A few brands keep their files a level deeper.
        if (brand % 5 == 0) dir /= "Series " + std::to_string(below(state, 4));
        std::string model = "Model " + std::to_string(f);
        if (f % 97 == 0) model += " T\xC3\xA9l\xC3\xA9";  // "Télé"
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (error) {
            std::fprintf(stderr, "make_bench_flipper: %s: %s\n", dir.string().c_str(), error.message().c_str());
            return 1;
        }
        text = "Filetype: IR signals file\nVersion: 1\n";
        if (below(state, 3) == 0) text += "# Last checked 2026-12-01\n";
        for (unsigned s = 0; s < counts[f]; ++s) one_signal(text, state, s, raw_mean);
        const std::filesystem::path path = dir / (model + ".ir");
        std::FILE* out = std::fopen(path.string().c_str(), "wb");
        if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
            std::perror(path.string().c_str());
            return 1;
        }
        bytes += text.size();
    }
    std::printf("%u files, %u signals, %llu bytes\n", files, signals, static_cast<unsigned long long>(bytes));
    return 0;
}
