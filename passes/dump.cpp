// The raw record dump: every record's stored durations, as they are.
#include "passes/dump.h"

int dump_records(capture_image& image, out_writer& out) {
    const std::uint64_t records = record_count(image.size);
    for (std::uint64_t number = 1; number <= records; ++number) {
        // The dump stops at the record's end even when no word is 0: unlike a
        // frame, a dump line never reads into the next record.
        const word_span record = image_words(image, record_first_word(number), kRecordWords);
        char* cursor = put_record_prefix(out_room(out, 32 + kRecordWords * 9 + 1), 'R', number);
        std::uint64_t shown = 0;
        for (; shown < kRecordWords; ++shown) {
            const std::int32_t word = load_word(record.words + 4 * shown);
            if (word == 0) break;
            cursor = put_hex8(cursor, static_cast<std::uint32_t>(word));
            *cursor++ = ' ';
        }
        // The words looked at: those shown and the 0 that ended them.
        const std::uint64_t looked_at = shown < kRecordWords ? shown + 1 : kRecordWords;
        if (looked_at > record.delivered) return record.error;
        *cursor++ = '\n';
        out_commit(out, cursor);
    }
    return 0;
}
