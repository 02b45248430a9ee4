// mkcapture INPUT OUTPUT: writes a capture file from its text description.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/capture_text.h"

namespace {

bool read_all(std::FILE* in, std::string& text) {
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, n);
    return !std::ferror(in);
}

int fail(const char* what, const char* path) {
    std::fprintf(stderr, "mkcapture: %s %s: %s\n", what, path, std::strerror(errno));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kCaptureTextHelp, stdout);
        return 0;
    }
    if (argc != 3) {
        std::fputs(kCaptureTextHelp, stderr);
        return 2;
    }
    const bool from_stdin = std::strcmp(argv[1], "-") == 0;
    std::FILE* in = from_stdin ? stdin : std::fopen(argv[1], "rb");
    if (in == nullptr) return fail("cannot open", argv[1]);
    std::string text;
    bool read_ok = read_all(in, text);
    if (!from_stdin) std::fclose(in);
    if (!read_ok) return fail("cannot read", argv[1]);

    std::string capture, error;
    if (!capture_from_text(text, capture, error)) {
        std::fprintf(stderr, "mkcapture: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) return fail("cannot create", argv[2]);
    bool written = std::fwrite(capture.data(), 1, capture.size(), out) == capture.size();
    if (std::fclose(out) != 0 || !written) return fail("cannot write", argv[2]);
    return 0;
}
