// The run: arguments, progress notes, loading, the passes, the exit status.
//
// Progress notes go to standard error as they happen; everything else goes
// through the one buffered writer, flushed when the run ends. No note is
// written after the first pass output, so the order of the two streams is
// the order in which the run produced them.
#include "app/run.h"

#include <cinttypes>
#include <cstdio>

#include "app/arguments.h"
#include "app/exit_status.h"
#include "capture/image.h"
#include "passes/modes.h"

int run_tavlin(int argc, native_char** argv) {
    // The output buffer is the program's own: tavlin allocates nothing
    // before it loads the capture.
    static char standard_output_buffer[out_writer::kCapacity];
    out_writer out;
    out_init(out, kStandardOutput, standard_output_buffer);
    if (argc < 2) return end_with_usage(out);

    const run_options options = read_arguments(argc, argv);
    if (options.mode_given) std::fprintf(stderr, "argc=%d\n", argc);

    std::FILE* file = nullptr;
    if (int error = open_capture(options.path, &file)) return end_with_failure(out, "fopen", error, kStatusOpen);

    std::fputs("Input File ", stderr);
    platform_note_element(options.path);
    std::fputs(" :", stderr);
    int size_error = 0;
    const std::int64_t size = measure_capture(file, size_error);
    // A zero-byte file has nothing to allocate: it is reported with the code
    // of a failed zero-byte allocation. An unreadable position keeps its own.
    if (size == 0) size_error = platform_empty_block_error();
    std::fprintf(stderr, "%" PRId64 " \n", size);
    if (size <= 0) {
        std::fclose(file);
        return end_with_failure(out, "malloc", size_error, kStatusAllocation);
    }

    capture_image image;
    const load_result loaded = load_capture(file, static_cast<std::uint64_t>(size), image);
    if (loaded.failure != load_failure::none) {
        std::fclose(file);
        if (loaded.failure == load_failure::allocation)
            return end_with_failure(out, "malloc", loaded.error, kStatusAllocation);
        return end_with_failure(out, "fread", loaded.error, kStatusRead);
    }

    // A read that fails during the passes ends them; the lines decoded from
    // the bytes read before it stand, and the run fails as a short read does.
    const int read_error = run_mode(options.mode, image, out, options.verbose);
    release_capture(image);
    std::fclose(file);
    if (read_error != 0) return end_with_failure(out, "fread", read_error, kStatusRead);
    return end_run(out, kStatusSuccess);
}
