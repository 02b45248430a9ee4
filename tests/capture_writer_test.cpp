// The capture writer: the header, the records as they come, and a size that
// cuts the file or extends it, wherever it falls. The bytes expected are
// built here, not by the writer, since every other test's captures come from
// it.
#include <gtest/gtest.h>

#include <string>

#include "capture/writer.h"
#include "tests/harness.h"

namespace {

// Record k holds the words k, k + 1 and 0 after them.
std::string expected_bytes(unsigned records, std::optional<std::uint64_t> size) {
    std::string bytes(kHeaderBytes, 'A');
    for (unsigned k = 1; k <= records; ++k) {
        std::string record(kRecordBytes, '\0');
        for (unsigned i = 0; i < 2; ++i) store_word(reinterpret_cast<unsigned char*>(record.data()) + 4 * i, k + i);
        bytes += record;
    }
    if (size) bytes.resize(*size, '\0');
    return bytes;
}

std::string written_capture(unsigned records, std::optional<std::uint64_t> size) {
    return written([&](out_writer& out) {
        capture_writer capture = start_capture(out, size);
        write_header(capture, 'A');
        for (std::uint32_t k = 1; k <= records; ++k) {
            const std::uint32_t words[2] = {k, k + 1};
            write_record(capture, words, 2);
        }
        EXPECT_EQ(finish_capture(capture), 0);
    });
}

TEST(CaptureWriter, FileHasExactlyItsSizeWhereverTheSizeFalls) {
    for (unsigned records = 0; records <= 4; ++records) {
        for (const std::uint64_t size :
             {0ull, 1000ull, 1024ull, 1030ull, 3000ull, 3072ull, 3073ull, 7096ull, 9216ull, 20000ull}) {
            SCOPED_TRACE(std::to_string(records) + " records, size " + std::to_string(size));
            EXPECT_PRED_FORMAT2(same_text, written_capture(records, size), expected_bytes(records, size));
        }
        EXPECT_PRED_FORMAT2(same_text, written_capture(records, std::nullopt), expected_bytes(records, std::nullopt));
    }
}

}  // namespace
