// libFuzzer target: the fuzzer's bytes are the records of a capture (after a
// zero header), decoded by every pass, verbose and not. Run under the address
// and undefined-behaviour sanitizers, it finds reads outside the image,
// overflowing arithmetic and overrunning group arrays.
#include <fcntl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/mode_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static out_writer out;
    static const int null_fd = open("/dev/null", O_WRONLY);
    std::vector<unsigned char> bytes(kHeaderBytes + size);
    if (size != 0) std::memcpy(bytes.data() + kHeaderBytes, data, size);
    const capture_image image = image_of_bytes(bytes.data(), bytes.size());
    out_init(out, null_fd);
    for (std::int32_t mode = -1; mode <= 3; ++mode) {
        run_mode(mode, image, out, false);
        run_mode(mode, image, out, true);
    }
    out_flush(out);
    return 0;
}
