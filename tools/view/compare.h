// The workbench: the frames that one decoder reads, fitting, as the same
// number of bytes, side by side (an appliance's remote sends its whole
// state in every press, so a button's effect is the bits it changes).
// For each group of one decoder and one length: a byte table with a row per
// record, the bits that differ from a base record, which bit ranges change
// in which records, and the checksum rules that hold in every frame.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/view/readings.h"

// Frames kept in one run; later ones are counted as left out.
constexpr std::uint64_t kMostBenchFrames = 100000;
// Records named in one line of the changes; the rest are counted.
constexpr std::size_t kMostNamed = 12;
// Frames longer than this are tabled but not searched for checksums.
constexpr unsigned kMostSearchedBytes = 64;

struct bench_frame {
    std::uint64_t record = 0;
    std::string label;  // the record's signal (record_readings::label), or ""
    std::vector<std::uint8_t> bytes;
};

struct bench_group {
    std::size_t decoder = 0;  // in the profiles of the run
    std::size_t length = 0;   // bytes
    std::vector<bench_frame> frames;
};

struct workbench {
    std::vector<bench_group> groups;  // in the order of their first frames
    std::uint64_t left_out = 0;
};

// Adds the fitting whole-byte frames of `r` (decoders with 8-bit groups).
void add_to_workbench(workbench& bench, profile_list profiles, const record_readings& r);

struct bit_change {
    unsigned first_bit = 0, last_bit = 0;  // in sending order: bit 8 x byte + bit within it
    std::vector<std::size_t> frames;       // the frames in which a bit of it differs from the base's
};

struct checksum_rule {
    const char* name;
    unsigned kind;  // 0 sum, 1 xor, 2 sum of nibbles, 3 two's complement of the sum, 4 CRC-8
    std::uint8_t poly;
    bool reflected;
    std::uint8_t init;
};

struct checksum_hit {
    std::size_t rule = 0;        // in checksum_rules()
    unsigned first = 0, last = 0;  // the bytes summed, inclusive
    unsigned at = 0;             // the byte that holds the result
};

struct group_study {
    std::size_t base = 0;  // the frame the others are compared with
    std::vector<std::vector<bool>> changed;  // per frame, per bit: differs from the base
    std::vector<bit_change> changes;  // runs of changed bits within a byte
    bool searched = false;  // two or more frames that differ, of at most kMostSearchedBytes
    std::vector<checksum_hit> checksums;
};

const std::vector<checksum_rule>& checksum_rules();

// The rule's result over `bytes`, as the finder computes it a byte at a time.
unsigned checksum_of(const checksum_rule& rule, const std::vector<std::uint8_t>& bytes);

// The group compared with the frame of record `base` when it has one, else
// with its first.
group_study study_group(const bench_group& group, std::optional<std::uint64_t> base);

// "bit 32 (byte 4, bit 0)", "bits 36-37 (byte 4, bits 4-5)".
std::string bits_range(const bit_change& change);

// A frame's name for the summaries: its label, or "record N".
std::string frame_name(const bench_frame& frame);

// The rule as words: "8-bit sum", "CRC-8 poly 0x31 reflected init 0xFF".
std::string rule_text(const checksum_rule& rule);

// The workbench as text: the groups, then each group's byte table with '^'
// under the changed nibbles, its changes and its checksums.
std::string workbench_text(const workbench& bench, profile_list profiles, std::optional<std::uint64_t> base);

// The workbench as JSON Lines: one object per group.
std::string workbench_json(const workbench& bench, profile_list profiles, std::optional<std::uint64_t> base);
