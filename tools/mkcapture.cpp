// mkcapture: writes a capture file from its text description, or from the
// text forms other infrared tools print (--from). The output is written to a
// temporary name beside it and renamed only when all is well, so a failed run
// never leaves a partial capture.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/capture_text.h"
#include "tools/record_layout.h"
#include "tools/signal_import.h"

namespace {

const char* const kImportHelp =
    "\n"
    "usage: mkcapture --from FORMAT [OPTION...] INPUT OUTPUT\n"
    "Writes one record per signal read from INPUT in another tool's text form:\n"
    "  mode2    lines 'pulse N', 'space N', 'timeout N' (a long space or a\n"
    "           timeout ends a signal)\n"
    "  ir-ctl   one signal a line: '+N -N +N ...', optionally '# timeout N'\n"
    "  raw      one signal a line: '[name:] N N N ...' or 'N,N,N', burst first\n"
    "  pronto   one learned Pronto code a line: '0000 FFFF NNNN NNNN ...'\n"
    "Durations are in microseconds. A record is word 0 (the idle time), the\n"
    "signal's copies (bursts at odd words, gaps at even words, the copy gap\n"
    "between copies, a trailing gap of the signal after the last), then 0.\n"
    "Options (numbers decimal or 0x-hexadecimal):\n"
    "  --idle N          word 0 of every record (default 0x2000)\n"
    "  --copies N        copies of the signal in a record (default 1)\n"
    "  --copy-gap N      the gap before each further copy (default 0x20000)\n"
    "  --header BYTE     the header's fill byte (default 0)\n"
    "  --split N         mode2: a space over N ends a signal (default 50000)\n"
    "  --truncate        cut a signal that does not fit in a record (511\n"
    "                    durations with its copies) instead of failing\n"
    "  --manifest FILE   write each record's number (hex, as tavlin prints\n"
    "                    it) and its signal's name or input line to FILE\n";

struct options {
    std::optional<signal_format> format;
    layout_options layout;
    std::uint32_t split_gap = 50000;
    const char* manifest = nullptr;
    const char* input = nullptr;
    const char* output = nullptr;
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "mkcapture: %s\n(mkcapture --help tells more)\n", message.c_str());
    return 2;
}

int io_error(const char* what, const char* path) {
    std::fprintf(stderr, "mkcapture: %s %s: %s\n", what, path, std::strerror(errno));
    return 2;
}

// Reads the command line; returns 0, or the status to end with.
int read_options(int argc, char** argv, options& o) {
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.size() < 3 || arg.substr(0, 2) != "--") {
            paths.push_back(argv[i]);
            continue;
        }
        if (arg == "--truncate") {
            o.layout.truncate = true;
            continue;
        }
        if (i + 1 == argc) return usage_error(std::string(arg) + " needs a value");
        const char* value = argv[++i];
        const auto number = [&](std::uint64_t low, std::uint64_t high) {
            const std::optional<std::uint64_t> n = read_number(value, high);
            return n && *n >= low ? n : std::nullopt;
        };
        std::optional<std::uint64_t> n;
        if (arg == "--from") {
            signal_format format;
            if (!signal_format_named(value, format))
                return usage_error(std::string("unknown format '") + value + "' (mode2, ir-ctl, raw, pronto)");
            o.format = format;
        } else if (arg == "--manifest") {
            o.manifest = value;
        } else if (arg == "--idle" && (n = number(1, 0x7FFFFFFF))) {
            o.layout.idle = static_cast<std::uint32_t>(*n);
        } else if (arg == "--copies" && (n = number(1, 511))) {
            o.layout.copies = static_cast<unsigned>(*n);
        } else if (arg == "--copy-gap" && (n = number(1, 0x7FFFFFFF))) {
            o.layout.copy_gap = static_cast<std::uint32_t>(*n);
        } else if (arg == "--header" && (n = number(0, 255))) {
            o.layout.header = static_cast<unsigned char>(*n);
        } else if (arg == "--split" && (n = number(1, 0x7FFFFFFF))) {
            o.split_gap = static_cast<std::uint32_t>(*n);
        } else if (arg == "--idle" || arg == "--copies" || arg == "--copy-gap" || arg == "--header" ||
                   arg == "--split") {
            return usage_error(std::string("bad value for ") + std::string(arg) + ": '" + value + "'");
        } else {
            return usage_error("unknown option " + std::string(arg));
        }
    }
    if (paths.size() != 2) return usage_error("needs INPUT and OUTPUT");
    o.input = paths[0];
    o.output = paths[1];
    return 0;
}

bool read_all(std::FILE* in, std::string& text) {
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, n);
    return !std::ferror(in);
}

// A file written under a temporary name beside `path`, to be renamed to it.
struct staged_file {
    const char* path;
    std::string temporary;
};

bool stage(const char* path, const std::string& bytes, staged_file& staged) {
    staged = {path, std::string(path) + ".XXXXXX"};
    const int fd = mkstemp(staged.temporary.data());
    if (fd < 0) return false;
    // mkstemp makes the file private; give it the mode a new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const int saved = errno;
    if (done != bytes.size() || fsync(fd) != 0 || close(fd) != 0) {
        if (done != bytes.size()) errno = saved;
        unlink(staged.temporary.c_str());
        return false;
    }
    return true;
}

// Writes every file, or none: each goes to a temporary name first.
int write_all(const std::vector<std::pair<const char*, const std::string*>>& files) {
    std::vector<staged_file> staged(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!stage(files[i].first, *files[i].second, staged[i])) {
            const int saved = errno;
            for (std::size_t j = 0; j < i; ++j) unlink(staged[j].temporary.c_str());
            errno = saved;
            return io_error("cannot write", files[i].first);
        }
    }
    for (const staged_file& s : staged) {
        if (std::rename(s.temporary.c_str(), s.path) != 0) {
            const int saved = errno;
            for (const staged_file& t : staged) unlink(t.temporary.c_str());
            errno = saved;
            return io_error("cannot rename into", s.path);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kCaptureTextHelp, stdout);
        std::fputs(kImportHelp, stdout);
        return 0;
    }
    options o;
    if (const int status = read_options(argc, argv, o)) return status;

    const bool from_stdin = std::strcmp(o.input, "-") == 0;
    std::FILE* in = from_stdin ? stdin : std::fopen(o.input, "rb");
    if (in == nullptr) return io_error("cannot open", o.input);
    std::string text;
    const bool read_ok = read_all(in, text);
    if (!from_stdin) std::fclose(in);
    if (!read_ok) return io_error("cannot read", o.input);

    if (!o.format) {
        std::string capture, error;
        if (!capture_from_text(text, capture, error)) {
            std::fprintf(stderr, "mkcapture: %s: %s\n", o.input, error.c_str());
            return 1;
        }
        return write_all({{o.output, &capture}});
    }

    std::vector<ir_signal> signals;
    layout_result layout;
    import_error error;
    if (!import_signals(*o.format, text, o.split_gap, signals, error) ||
        !lay_out_records(signals, o.layout, o.input, layout, error)) {
        std::string where = error.line == 0 ? "" : "line " + std::to_string(error.line);
        if (error.column != 0) where += ", column " + std::to_string(error.column);
        std::fprintf(stderr, "mkcapture: %s: %s%s%s\n", o.input, where.c_str(), where.empty() ? "" : ": ",
                     error.message.c_str());
        return 1;
    }
    for (const std::string& warning : layout.warnings)
        std::fprintf(stderr, "mkcapture: %s: %s\n", o.input, warning.c_str());
    if (o.manifest != nullptr) return write_all({{o.output, &layout.capture}, {o.manifest, &layout.manifest}});
    return write_all({{o.output, &layout.capture}});
}
