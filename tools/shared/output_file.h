// Where the companions write: their outputs are treated as cp and a shell
// redirection treat them, never worse.
//   -              standard output (refused for binary data when it is a
//                  terminal); so are /dev/stdout, /dev/fd/N and
//                  /proc/self/fd/N for their open descriptor, which is
//                  written as it is, never replaced or cut
//   a new path     created under a temporary name beside it, renamed into
//                  place when everything is written
//   a regular file replaced the same way, only when the user could open it
//                  for writing; the new file keeps its permission bits (and,
//                  for root, its owner)
//   a symbolic link  its target is written as above; the link stays
//   a device, a FIFO or a socket  written into directly, never replaced
// A file that can be written but not replaced (no temporary file can be made
// beside it, or it is a mount point) is written in place, with a warning.
// A failure at any point, or a signal that ends the tool, leaves every
// existing file as it was and no temporary file behind.
// On Windows the same, with Windows' own kinds of file: "-" is standard
// output, put in binary mode for binary data; NUL, CON and other devices
// and named pipes are written into; a file is replaced by a move over it;
// there are no links to follow and no permission bits to keep; Ctrl-C or
// Ctrl-Break removes the temporary files. The implementations are the
// platform's: platform/outputs_posix.cpp and platform/outputs_windows.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <span>
#include <string_view>

#include "output/writer.h"
#include "tools/shared/problem.h"

struct output_file {
    const char* path = nullptr;  // as given
    enum class kind { descriptor, direct, replace } how = kind::replace;
    int descriptor = -1;  // the open descriptor written (kind::descriptor)
    std::string target;   // the path written or replaced: a symbolic link's target
    bool exists = false;  // target names an existing file
    std::uint32_t mode = 0;  // permission bits of the existing file (POSIX)
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    // Identity of the existing file, or of the descriptor's: device and
    // inode on POSIX, volume serial number and file index on Windows.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool regular = false;  // the identity is that of a regular file
    std::string temporary;
    int fd = -1;  // where the output is written: the file, or its spool
    // Written first to an unnamed spool file and copied to where it goes at
    // the commit, after every other output succeeded: for a file written in
    // place, and for a descriptor or a device that must get nothing unless
    // the whole output can be made.
    bool spooled = false;
};

// A writer whose buffer is freed with it, for the companions.
struct owned_writer {
    out_writer out;
    owned_writer() = default;
    owned_writer(const owned_writer&) = delete;
    owned_writer& operator=(const owned_writer&) = delete;
    ~owned_writer() { out_release(out); }
};

// Readies the process of the companion `tool`, first thing in main: its name
// for the shared room's warnings, descriptors 0 to
// 2 opened on /dev/null where they are closed, SIGPIPE and SIGXFSZ ignored
// (a write then fails and is reported), and every other signal that ends
// the process made to remove the temporary files first.
void start_companion(const char* tool);

// Decides how `path` is written, before anything is. Refuses a directory, a
// regular file the user cannot write, and, for `binary` data, a terminal as
// standard output.
problem plan_output(const char* path, bool binary, output_file& out);

// True when the output and the input are the same regular file (device and
// inode), however they are spelled. An input path "-" is standard input.
bool same_regular_file(const output_file& out, const char* input_path);

// True when the two outputs would write the same file: the same existing
// regular file, the same descriptor, or the same new path.
bool same_output(const output_file& a, const output_file& b);

// Opens the output for writing: the temporary file, the device, or standard
// output; with `spool`, an output that is not replaced (a descriptor, a
// device) is spooled instead, so that it gets nothing from a failed run.
problem open_output(output_file& out, bool spool = false);

// Makes the written output the file at its path: flushes it to disk and
// renames the temporary file into place. Every output is committed only
// after all have been written.
problem commit_output(output_file& out);

// Commits several outputs all or none: the renames first, then the copies
// of spooled outputs; when one fails, those committed before it are put back
// as they were (a replaced file from a second name kept until all are in
// place, a new file removed), and every output is abandoned. A copy that
// fails midway leaves its target cut short: it is the one that says so.
// Ending signals wait until the commit is done.
problem commit_outputs(std::span<output_file* const> outputs);

// Drops an output that was not committed: its temporary file is removed.
void abandon_output(output_file& out);

// Opens the output, writes all of `text`, and commits it; on a failure,
// abandons it.
problem write_whole_output(output_file& out, std::string_view text);

// "cannot write PATH: <errno text>", status 1.
problem write_failure(const output_file& out, int error);
