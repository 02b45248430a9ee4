// The raw record dump: every record's stored durations, as they are.
#include "passes/dump.h"

void dump_records(const capture_image& image, out_writer& out, bool /*verbose*/) {
    const std::uint64_t records = record_count(image);
    for (std::uint64_t number = 1; number <= records; ++number) {
        print_record_prefix(out, 'R', number);
        // The dump stops at the record's end even when no word is 0: unlike a
        // frame, a dump line never reads into the next record.
        const std::uint64_t first = record_first_word(number);
        for (std::uint64_t i = 0; i < kRecordWords; ++i) {
            std::int32_t word = image_word(image, first + i);
            if (word == 0) break;
            out_hex8(out, static_cast<std::uint32_t>(word));
            out_char(out, ' ');
        }
        out_char(out, '\n');
    }
}
