// The raw record dump: every record's stored durations, as they are.
#include "passes/dump.h"

namespace {

// A record's words up to the first 0, each as "%08X ".
template <typename Read>
char* put_words(char* cursor, Read word_at) {
    for (std::uint64_t i = 0; i < kRecordWords; ++i) {
        const std::int32_t word = word_at(i);
        if (word == 0) break;
        cursor = put_hex8(cursor, static_cast<std::uint32_t>(word));
        *cursor++ = ' ';
    }
    return cursor;
}

}  // namespace

void dump_records(const capture_image& image, out_writer& out, bool /*verbose*/) {
    const std::uint64_t records = record_count(image);
    for (std::uint64_t number = 1; number <= records; ++number) {
        // The dump stops at the record's end even when no word is 0: unlike a
        // frame, a dump line never reads into the next record.
        const std::uint64_t first = record_first_word(number);
        const unsigned char* words = image_words(image, first, kRecordWords);
        char* cursor = put_record_prefix(out_room(out, 32 + kRecordWords * 9 + 1), 'R', number);
        if (words != nullptr)
            cursor = put_words(cursor, [words](std::uint64_t i) { return load_word(words + 4 * i); });
        else  // the last record may be partial; its reads past the data give 0
            cursor = put_words(cursor, [&image, first](std::uint64_t i) { return image_word(image, first + i); });
        // A record that could not be read is not printed: the run reports the
        // failed read instead.
        if (image_failed(image)) return;
        *cursor++ = '\n';
        out_commit(out, cursor);
    }
}
