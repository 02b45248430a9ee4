// The POSIX side of the companions' outputs: planning, opening, committing
// and abandoning them, and the signals that end a companion.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "output/writer.h"
#include "tools/shared/output_file.h"

namespace {

// Temporary files not yet committed, removed by the handler of a signal that
// ends the tool. Plain arrays: the handler may only make async-signal-safe
// calls.
constexpr int kMostTemporaries = 8;
char temporaries[kMostTemporaries][PATH_MAX];
volatile sig_atomic_t temporary_used[kMostTemporaries];

// Every signal whose default action ends the process, but SIGKILL and
// SIGSTOP, which cannot be caught, and SIGPIPE and SIGXFSZ, which are
// ignored so that a vanished reader or a file-size limit is a failed write.
// The real-time signals end it too; they are added where they are set.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,    SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                                  SIGUSR1, SIGSEGV, SIGUSR2, SIGALRM,   SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF,
                                  SIGIO,   SIGSYS,
#ifdef SIGSTKFLT
                                  SIGSTKFLT,
#endif
#ifdef SIGPWR
                                  SIGPWR,
#endif
};

void ending_signal_set(sigset_t& set) {
    sigemptyset(&set);
    for (int s : kEndingSignals) sigaddset(&set, s);
#ifdef SIGRTMIN
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaddset(&set, s);
#endif
}

extern "C" void remove_temporaries(int signal_number) {
    for (int i = 0; i < kMostTemporaries; ++i)
        if (temporary_used[i]) unlink(temporaries[i]);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void block_ending_signals(bool block, sigset_t& saved) {
    sigset_t set;
    ending_signal_set(set);
    sigprocmask(block ? SIG_BLOCK : SIG_SETMASK, block ? &set : &saved, block ? &saved : nullptr);
}

void remember_temporary(const std::string& path) {
    for (int i = 0; i < kMostTemporaries; ++i) {
        if (temporary_used[i] || path.size() >= PATH_MAX) continue;
        std::memcpy(temporaries[i], path.c_str(), path.size() + 1);
        temporary_used[i] = 1;
        return;
    }
}

void forget_temporary(const std::string& path) {
    for (int i = 0; i < kMostTemporaries; ++i)
        if (temporary_used[i] && path == temporaries[i]) temporary_used[i] = 0;
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string failure_text(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " + std::strerror(error);
}

// The descriptor that a path of the form /dev/fd/N or /proc/self/fd/N (or
// /proc/PID/fd/N of this process) stands for, or -1.
int descriptor_named(const std::string& path) {
    const std::string own = "/proc/" + std::to_string(getpid()) + "/fd/";
    for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), own}) {
        if (path.compare(0, prefix.size(), prefix) != 0 || path.size() == prefix.size()) continue;
        const std::string digits = path.substr(prefix.size());
        if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
        return std::stoi(digits);
    }
    return -1;
}

// Follows symbolic links from `path` to the path they lead to, which may not
// exist, or to an open descriptor (`descriptor` >= 0). Returns 0, or the
// errno of the failure (ELOOP for a cycle).
int follow_links(const char* path, std::string& target, int& descriptor) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        if ((descriptor = descriptor_named(target)) >= 0) return 0;
        struct stat st;
        if (lstat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode)) return 0;
        char link[PATH_MAX];
        const ssize_t n = readlink(target.c_str(), link, sizeof link - 1);
        if (n < 0) return errno;
        const std::string next(link, static_cast<std::size_t>(n));
        target = next[0] == '/' ? next : directory_of(target) + "/" + next;
    }
    return ELOOP;
}

// A second name for the existing file `out` replaces, beside it, so that it
// can be put back; empty when none can be made (the file system has no hard
// links): the file is then replaced without a way back.
std::string keep_old_file(const output_file& out) {
    std::string kept = out.temporary;
    kept.back() = 'K';  // the temporary's name with another last letter, in its directory
    for (int attempt = 0; attempt < 16; ++attempt) {
        kept[kept.size() - 2] = static_cast<char>('a' + attempt);
        sigset_t saved;
        block_ending_signals(true, saved);
        const bool linked = link(out.target.c_str(), kept.c_str()) == 0;
        if (linked) remember_temporary(kept);
        block_ending_signals(false, saved);
        if (linked) return kept;
        if (errno != EEXIST) break;
    }
    return {};
}

// An unnamed file in the temporary directory that an output is written to
// before it is copied where it goes.
problem open_spool(output_file& out) {
    const char* directory = std::getenv("TMPDIR");
    if (directory == nullptr || *directory == '\0') directory = "/tmp";
    out.fd = open(directory, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (out.fd < 0) {
        std::FILE* file = std::tmpfile();  // where O_TMPFILE is not known
        out.fd = file != nullptr ? dup(fileno(file)) : -1;
        if (file != nullptr) std::fclose(file);
    }
    if (out.fd < 0) return failure(failure_text("cannot create a temporary file in", directory, errno));
    out.spooled = true;
    return {};
}

// Writes all of `from` (from its start) to `to`; a regular file is cut to
// that length. Returns 0, or the errno of the failure.
int copy_spool(int from, int to, bool regular) {
    char chunk[1 << 16];
    off_t total = 0;
    for (;;) {
        const ssize_t n = pread(from, chunk, sizeof chunk, total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(to, chunk + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return errno;
            if (w == 0) return EIO;
            done += w;
        }
        total += n;
    }
    if (regular && ftruncate(to, total) != 0) return errno;
    return 0;
}

// Copies a spooled output to where it goes. Returns 0, or the errno.
int deliver_spool(output_file& out) {
    int to = out.descriptor;
    if (out.how != output_file::kind::descriptor) {
        // In place: the file is not cut before its new bytes are there.
        to = open(out.target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (to < 0) return errno;
    }
    int error = copy_spool(out.fd, to, out.how != output_file::kind::descriptor && out.regular);
    if (out.how != output_file::kind::descriptor && close(to) != 0 && error == 0) error = errno;
    return error;
}

void take_identity(output_file& out, const struct stat& st) {
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.regular = S_ISREG(st.st_mode);
}

}  // namespace

void start_companion(const char* tool) {
    set_tool_name(tool);
    // A descriptor of 0 to 2 that is closed would be the next file opened,
    // and warnings meant for standard error would be written into an output.
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (opened != fd) {
                // Said where it can be; no output is safe to write now.
                static const char message[] = ": cannot open /dev/null for a closed standard descriptor\n";
                if (fcntl(2, F_GETFD) >= 0 && write(2, tool, std::strlen(tool)) >= 0)
                    (void)!write(2, message, sizeof message - 1);
                _exit(kStatusFailure);
            }
        }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    sigset_t set;
    ending_signal_set(set);
    struct sigaction action = {};
    action.sa_handler = remove_temporaries;
    sigemptyset(&action.sa_mask);
    for (int s = 1; s < NSIG; ++s) {
        if (sigismember(&set, s) != 1) continue;
        // A signal ignored by whoever started the tool stays ignored, as
        // nohup asks; one that already has a handler (a sanitizer's, for
        // the faults) keeps it.
        struct sigaction before = {};
        if (sigaction(s, nullptr, &before) != 0 || (before.sa_flags & SA_SIGINFO) != 0 ||
            before.sa_handler != SIG_DFL)
            continue;
        sigaction(s, &action, nullptr);
    }
}

problem plan_output(const char* path, bool binary, output_file& out) {
    out = output_file{};
    out.path = path;
    int descriptor = std::strcmp(path, "-") == 0 ? STDOUT_FILENO : -1;
    if (descriptor < 0)
        if (const int error = follow_links(path, out.target, descriptor))
            return failure(failure_text("cannot write", path, error));
    if (descriptor >= 0) {
        out.how = output_file::kind::descriptor;
        out.descriptor = descriptor;
        struct stat st;
        if (fstat(descriptor, &st) != 0) return failure(failure_text("cannot write", path, errno));
        take_identity(out, st);
        if (binary && isatty(descriptor))
            return refusal("refusing to write binary data to a terminal: redirect standard output, or name OUTPUT");
        return {};
    }
    struct stat st;
    if (stat(out.target.c_str(), &st) != 0) {
        if (errno != ENOENT) return failure(failure_text("cannot write", path, errno));
        out.how = output_file::kind::replace;  // a new file
        return {};
    }
    out.exists = true;
    take_identity(out, st);
    if (S_ISDIR(st.st_mode)) return failure(failure_text("cannot write", path, EISDIR));
    if (!S_ISREG(st.st_mode)) {
        out.how = output_file::kind::direct;
        return {};
    }
    // Replaced only when a shell redirection could write it: the test is the
    // same open, which changes nothing.
    const int probe = open(out.target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (probe < 0) return failure(failure_text("cannot write", path, errno));
    close(probe);
    out.how = output_file::kind::replace;
    out.mode = st.st_mode & 0777;
    out.owner = st.st_uid;
    out.group = st.st_gid;
    return {};
}

bool same_output(const output_file& a, const output_file& b) {
    using kind = output_file::kind;
    // Two descriptors are the same output when they are one descriptor, or
    // two for the same file or pipe (3>&1).
    if (a.how == kind::descriptor && b.how == kind::descriptor)
        return a.descriptor == b.descriptor || (a.device == b.device && a.inode == b.inode);
    if (a.regular && b.regular) return a.device == b.device && a.inode == b.inode;
    if (a.how == kind::descriptor || b.how == kind::descriptor || a.exists || b.exists) return false;
    // Two new files: the same when their directories are, and their names.
    const auto canonical = [](const std::string& path) {
        char directory[PATH_MAX];
        const std::size_t slash = path.rfind('/');
        if (realpath(directory_of(path).c_str(), directory) == nullptr) return path;
        return std::string(directory) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
    };
    return canonical(a.target) == canonical(b.target);
}

bool same_regular_file(const output_file& out, const char* input_path) {
    struct stat st;
    const bool known = std::strcmp(input_path, "-") == 0 ? fstat(STDIN_FILENO, &st) == 0 : stat(input_path, &st) == 0;
    return known && S_ISREG(st.st_mode) && out.regular && out.device == st.st_dev && out.inode == st.st_ino;
}

problem open_output(output_file& out, bool spool) {
    if (out.how != output_file::kind::replace && (spool || out.spooled)) return open_spool(out);
    switch (out.how) {
        case output_file::kind::descriptor:
            out.fd = out.descriptor;
            return {};
        case output_file::kind::direct:
            out.fd = open(out.target.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
            if (out.fd < 0) return write_failure(out, errno);
            return {};
        case output_file::kind::replace:
            break;
    }
    const std::string& target = out.target;
    const std::size_t slash = target.rfind('/');
    // ".NAME.XXXXXX", with NAME cut so that the temporary name is a name the
    // directory can hold when NAME is.
    const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
    out.temporary = directory_of(target) + "/." + name.substr(0, NAME_MAX - 8) + ".XXXXXX";
    sigset_t saved;
    block_ending_signals(true, saved);
    out.fd = mkstemp(out.temporary.data());
    if (out.fd >= 0) remember_temporary(out.temporary);
    block_ending_signals(false, saved);
    if (out.fd < 0) {
        const int error = errno;
        out.temporary.clear();
        // A file that can be written where no file can be created beside it
        // is written in place, as a shell redirection would write it.
        if (out.exists) {
            warn(tool_name(), failure_text("cannot create a temporary file in", directory_of(target), error) +
                                  "; writing " + out.path + " in place");
            out.how = output_file::kind::direct;
            return open_spool(out);
        }
        return failure(failure_text("cannot create a temporary file in", directory_of(target), error));
    }
    // mkstemp makes the file private: give it the mode the file had, or the
    // one a new file gets.
    mode_t mode = out.mode;
    if (!out.exists) {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(out.fd, mode) != 0 || (out.exists && geteuid() == 0 && fchown(out.fd, out.owner, out.group) != 0)) {
        const int error = errno;
        abandon_output(out);
        return write_failure(out, error);
    }
    return {};
}

problem commit_outputs(std::span<output_file* const> outputs) {
    const auto give_up = [&](const output_file& failed, int error) {
        for (output_file* out : outputs) abandon_output(*out);
        return write_failure(failed, error);
    };
    // Everything written reaches the disk first: what fails here fails
    // before any file has changed.
    for (output_file* out : outputs) {
        if (out->spooled || out->how == output_file::kind::descriptor) continue;
        int error = 0;
        if (out->how == output_file::kind::replace && fsync(out->fd) != 0) error = errno;
        if (close(out->fd) != 0 && error == 0) error = errno;
        out->fd = -1;
        if (error != 0) return give_up(*out, error);
    }
    sigset_t saved;
    block_ending_signals(true, saved);
    // Then the renames, then the copies of spooled outputs. A file replaced
    // before a later step failed is put back from a second name (a hard
    // link) kept until all have succeeded; a file that was new is removed.
    std::vector<std::string> kept(outputs.size());
    std::string unrestored;  // a file that could not be put back, and where its old bytes are
    const auto undo = [&](std::size_t before) {
        for (std::size_t j = 0; j < before; ++j) {
            output_file& done = *outputs[j];
            if (done.how != output_file::kind::replace) continue;
            if (!kept[j].empty()) {
                if (rename(kept[j].c_str(), done.target.c_str()) != 0) {
                    unrestored += "; cannot put back " + done.target + ": its old content is kept as " + kept[j];
                    forget_temporary(kept[j]);
                }
                kept[j].clear();
            } else if (!done.exists) {
                unlink(done.target.c_str());
            }
            forget_temporary(done.temporary);
            done.temporary.clear();
        }
    };
    const auto finish = [&](problem p) {
        for (std::string& k : kept)
            if (!k.empty()) {
                unlink(k.c_str());
                forget_temporary(k);
            }
        if (p.failed()) {
            for (output_file* out : outputs) abandon_output(*out);
            p.message += unrestored;
        }
        block_ending_signals(false, saved);
        return p;
    };
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        output_file& out = *outputs[i];
        if (out.how != output_file::kind::replace) continue;
        if (out.exists && i + 1 < outputs.size()) kept[i] = keep_old_file(out);
        if (rename(out.temporary.c_str(), out.target.c_str()) == 0) continue;
        const int error = errno;
        if (error == EBUSY && out.exists) {
            // A mount point: it cannot be renamed over, so it is written in
            // place, after the renames, from its temporary file.
            out.fd = open(out.temporary.c_str(), O_RDONLY | O_CLOEXEC);
            if (out.fd >= 0) {
                out.spooled = true;
                out.how = output_file::kind::direct;
                warn(tool_name(), std::string("cannot replace ") + out.path +
                                      " by renaming (a mount point); writing it in place");
                continue;
            }
        }
        undo(i);
        return finish(write_failure(out, error));
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        output_file& out = *outputs[i];
        if (!out.spooled) continue;
        if (const int error = deliver_spool(out)) {
            undo(outputs.size());
            return finish(write_failure(out, error));
        }
    }
    for (output_file* out : outputs) {
        if (out->spooled) {
            close(out->fd);
            out->fd = -1;
            out->spooled = false;
            if (!out->temporary.empty()) unlink(out->temporary.c_str());
        }
        forget_temporary(out->temporary);
        out->temporary.clear();
    }
    return finish({});
}

void abandon_output(output_file& out) {
    if (out.fd >= 0 && (out.spooled || out.how != output_file::kind::descriptor)) close(out.fd);
    out.fd = -1;
    out.spooled = false;
    if (out.temporary.empty()) return;
    unlink(out.temporary.c_str());
    forget_temporary(out.temporary);
    out.temporary.clear();
}

problem write_failure(const output_file& out, int error) {
    return failure(failure_text("cannot write", out.path, error));
}
