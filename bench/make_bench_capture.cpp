// make_bench_capture KIND MIB OUTPUT: writes a capture of MIB mebibytes for the
// benchmark.
//   random  every word a random non-zero value, so the dump prints all 512
//           words of every record;
//   dense   records that cycle through a long KANDEN, MITSUBISHI and SONY
//           frame of random bits, so every decoder prints long lines.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/random.h"
#include "capture/writer.h"

namespace {

void fill_random(std::uint32_t* record, std::uint64_t& state) {
    for (std::size_t i = 0; i < kRecordWords; ++i) {
        auto word = static_cast<std::uint32_t>(next_random(state));
        record[i] = word != 0 ? word : 1;
    }
}

// Pairs from word `first` on, one per bit, then the pair that ends the frame.
void fill_frame(std::uint32_t* record, std::size_t first, std::size_t bits, std::uint32_t pair_first,
                std::uint32_t zero, std::uint32_t one, std::uint32_t end_first, std::uint32_t end_second,
                std::uint64_t& state) {
    std::size_t w = first;
    std::uint64_t random = 0;
    for (std::size_t i = 0; i < bits; ++i) {
        if (i % 64 == 0) random = next_random(state);
        record[w++] = pair_first;
        record[w++] = (random >> (i % 64)) & 1 ? one : zero;
    }
    record[w++] = end_first;
    record[w++] = end_second;
}

void fill_dense(std::uint32_t* record, std::uint64_t number, std::uint64_t& state) {
    std::memset(record, 0, kRecordWords * sizeof *record);
    switch (number % 3) {
        case 0:  // KANDEN: leader, 31 bytes, a long gap that the SONY pass also finds
            record[0] = 0x2000, record[1] = 0xD00, record[2] = 0x680;
            fill_frame(record, 3, 248, 0x1A0, 0x1A0, 0x4E0, 0x1A0, 0x20000, state);
            break;
        case 1:  // MITSUBISHI: 31 bytes
            record[0] = 0x3000;
            fill_frame(record, 1, 248, 0x100, 0x300, 0x600, 0x100, 0x20000, state);
            break;
        default:  // SONY: a gap in word 2, the header mark, 252 bits
            record[0] = 0x50, record[1] = 0x960, record[2] = 0x20000, record[3] = 0x960;
            fill_frame(record, 4, 252, 0x258, 0x258, 0x4B0, 0x20000, 0x960, state);
            record[510] = 0x258;
            break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "random") != 0 && std::strcmp(argv[1], "dense") != 0)) {
        std::fprintf(stderr, "usage: make_bench_capture random|dense MIB OUTPUT\n");
        return 2;
    }
    const bool dense = std::strcmp(argv[1], "dense") == 0;
    const std::uint64_t records = std::strtoull(argv[2], nullptr, 10) * 512;  // 2048-byte records per MiB
    const int fd = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(argv[3]);
        return 1;
    }
    out_writer out;
    out_init(out, fd);
    capture_writer capture = start_capture(out, std::nullopt);
    write_header(capture, 0xFF);
    std::uint64_t state = 42;
    std::uint32_t record[kRecordWords];
    for (std::uint64_t number = 0; number < records; ++number) {
        if (dense)
            fill_dense(record, number, state);
        else
            fill_random(record, state);
        write_record(capture, record, kRecordWords);
    }
    if (const int error = finish_capture(capture); error != 0 || close(fd) != 0) {
        std::fprintf(stderr, "%s: %s\n", argv[3], std::strerror(error != 0 ? error : errno));
        return 1;
    }
    out_release(out);
    return 0;
}
