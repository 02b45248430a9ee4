// libFuzzer target: mkcapture's readers on arbitrary text.
//
// The first byte chooses the reader: the capture description language, or
// one of the forms of --from; the rest is the input. Beyond the sanitizers'
// checks it stops when an accepted input does not give a capture whose
// records, written through capture/ and read back through the capture image,
// hold what the reader accepted:
//   - a description: the header's fill byte, each record's words and zeros
//     after them, all cut or extended to the size it gives;
//   - a --from form: every signal it reads (each duration from 1 to
//     2147483647 microseconds), entries it cannot read left out, laid out
//     as records and read back whole (see compare_laid_out).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "capture/image.h"
#include "capture/writer.h"
#include "fuzz/form_checks.h"
#include "fuzz/form_selectors.h"
#include "tools/forms/registry.h"
#include "tools/shared/description.h"
#include "tools/shared/record_layout.h"

namespace {

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fuzz_mkcapture: %s\n", what);
    std::abort();
}

// A capture written by `write` into an in-memory file, loaded as an image.
struct written_capture {
    std::FILE* file = nullptr;
    capture_image image;
    std::uint64_t size = 0;

    template <class Write>
    explicit written_capture(Write write) {
        const int fd = memfd_create("capture", 0);
        static out_writer out;
        out_init(out, fd);
        if (write(out) != 0) fault("the capture could not be written");
        size = static_cast<std::uint64_t>(lseek(fd, 0, SEEK_END));
        file = fdopen(fd, "rb");
        if (size > 0 && load_capture(file, size, image).failure != load_failure::none) fault("cannot load");
    }
    ~written_capture() {
        if (size > 0) release_capture(image);
        std::fclose(file);
    }
    std::uint32_t word(std::uint64_t index) {
        return static_cast<std::uint32_t>(load_word(image_words(image, index, 1).words));
    }
};

void check_description(std::string_view text) {
    description d;
    std::string error;
    if (!read_description(text, d, error)) return;
    written_capture c([&](out_writer& out) {
        capture_writer capture = start_capture(out, d.size);
        write_description(text, d, capture);
        return finish_capture(capture);
    });
    const std::uint64_t size = d.size.value_or(kHeaderBytes + kRecordBytes * d.records);
    if (c.size != size) fault("the capture does not have the size the description gives");
    if (size == 0) return;
    for (std::uint64_t w = 0; w < kHeaderBytes / 4; ++w) {
        std::uint32_t fill = 0;
        for (std::uint64_t b = 0; b < 4; ++b)
            if (4 * w + b < size) fill |= std::uint32_t{d.header_fill} << (8 * b);
        if (c.word(w) != fill) fault("a header word is not the fill byte");
    }
    std::uint64_t number = 0;
    for_each_record(text, [&](const std::uint32_t* words, std::uint64_t count) {
        const std::uint64_t first = record_first_word(++number);
        for (std::uint64_t i = 0; i < kRecordWords; ++i) {
            std::uint32_t expected = i < count ? words[i] : 0;
            const std::uint64_t start = 4 * (first + i);
            if (start >= size)
                expected = 0;
            else if (size - start < 4)
                expected &= (std::uint32_t{1} << (8 * (size - start))) - 1;
            if (c.word(first + i) != expected) fault("a record word is not the described one");
        }
    });
}

void check_form(const signal_form& form, std::string_view text) {
    text_source source = text_source_of(text);
    std::vector<ir_signal> signals;
    signal_sink sink{[&](ir_signal& s) {
                         if (!s.durations.empty()) signals.push_back(std::move(s));
                     },
                     [](const import_error&) { return true; }, [](const std::string&) {}};
    import_error error;
    form.read(source, read_settings{}, sink, error);
    for (const ir_signal& s : signals)
        for (const std::uint32_t d : s.durations)
            if (d == 0 || d > 0x7FFFFFFF) fault("an accepted duration out of range");
    if (const std::string problem = compare_laid_out(signals, layout_options{}); !problem.empty())
        fault(problem.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tell_form_selectors(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<const signal_form*>& forms = signal_forms();
    const unsigned choice = data[0] % (1 + forms.size());
    if (choice == 0)
        check_description(text);
    else
        check_form(*forms[choice - 1], text);
    return 0;
}
