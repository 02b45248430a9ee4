// The three format passes in one walk of the records. Reading the file is
// most of a pass's cost, so the passes take each record in turn while it is
// in the window: the KANDEN pass prints as it goes, the MITSUBISHI and SONY
// passes into unnamed temporary files that follow it onto the output. The
// bytes are exactly those of the passes run one after the other, and memory
// stays bounded. When a temporary file cannot be made or written, that pass
// is run again over the file instead.
#include "passes/all_formats.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "passes/kanden.h"
#include "passes/mitsubishi.h"
#include "passes/sony.h"

namespace {

// An unnamed file in $TMPDIR (or /tmp) to hold a pass's output; -1 when none
// can be made.
int open_spool() {
    const char* dir = std::getenv("TMPDIR");
    if (dir == nullptr || *dir == '\0') dir = "/tmp";
    int fd = open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string path = std::string(dir) + "/tavlin.XXXXXX";
    fd = mkstemp(path.data());
    if (fd >= 0) unlink(path.c_str());
    return fd;
}

// Copies the spooled output to `out`. Returns false when the spool cannot be
// read back, with `error` set.
bool copy_spool(int fd, out_writer& out, int& error) {
    constexpr std::size_t kChunk = std::size_t{1} << 16;
    if (lseek(fd, 0, SEEK_SET) != 0) {
        error = errno;
        return false;
    }
    for (;;) {
        char* room = out_room(out, kChunk);
        const ssize_t n = read(fd, room, kChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0) return true;
        out_commit(out, room + n);
    }
}

}  // namespace

void decode_all_formats(const capture_image& image, out_writer& out, bool verbose) {
    static out_writer spools[2];
    const record_step steps[3] = {kanden_record, mitsubishi_record, sony_record};
    const int spool_fds[2] = {open_spool(), open_spool()};
    if (spool_fds[0] < 0 || spool_fds[1] < 0) {
        for (int fd : spool_fds)
            if (fd >= 0) close(fd);
        for (record_step step : steps) walk_records(image, step, out, verbose);
        return;
    }

    out_writer* outs[3] = {&out, &spools[0], &spools[1]};
    out_init(spools[0], spool_fds[0]);
    out_init(spools[1], spool_fds[1]);
    pass_state states[3];
    bool running[3] = {true, true, true};
    const std::uint64_t records = record_count(image);
    for (std::uint64_t number = 1; number <= records && !image_failed(image); ++number)
        for (int p = 0; p < 3; ++p)
            if (running[p]) running[p] = steps[p](image, number, states[p], *outs[p], verbose);

    for (int s = 0; s < 2; ++s) {
        const bool spooled = out_flush(spools[s]);
        int error = 0;
        if (!spooled)
            walk_records(image, steps[s + 1], out, verbose);
        else if (!copy_spool(spool_fds[s], out, error))
            // The spool may have been copied in part, so the pass cannot be
            // printed again: the run fails as on a failed read of the capture.
            image.read_error = error != 0 ? error : EIO;
        close(spool_fds[s]);
    }
}
