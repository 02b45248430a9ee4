// The benchmarks' inputs are made from a seed: the same bytes on every run.
#pragma once

#include <cstdint>

// The next number of the splitmix64 sequence from `state`.
inline std::uint64_t next_random(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}
