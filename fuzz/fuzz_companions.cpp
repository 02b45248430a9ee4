// libFuzzer target: the exporter and the viewer run in-process on arbitrary
// captures, with hostile record names and a hostile capture file name.
//
// Input: byte 0 chooses the form the exporter writes (bits 0-3, among the
// writable forms), whether the viewer draws its page or its --diff table
// (bit 4), and whether the records are named (bit 5); byte 1 is the length
// of the capture's file name, byte 2 the number of names; then the file
// name's bytes, the names (each a length byte and its bytes), and the
// records after a zero header. Beyond the sanitizers' checks it stops on:
//   - a run that ends with a status other than 0 or 1, or 1 with no message;
//   - an export that fails but leaves its output, or that succeeds with a
//     control byte in its text other than a line end or a tab;
//   - an export whose signals, read back by the same form, are not the
//     records that hold a signal, with their names (compare_read_back);
//   - a page that is not UTF-8 a page may hold (no control byte but line
//     ends and tabs), or a --diff table with a control byte.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture/layout.h"
#include "fuzz/form_checks.h"
#include "tools/export/export.h"
#include "tools/forms/registry.h"
#include "tools/shared/record_layout.h"
#include "tools/view/view.h"

namespace {

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "fuzz_companions: %s\n", what.c_str());
    std::abort();
}

char work_path[] = "/tmp/fuzz_companions.XXXXXX";

// Removes the working directory and what a run left in it.
void remove_work_dir() {
    const std::string dir = work_path;
    for (const char* name : {"err", "names", "out", "page"}) unlink((dir + "/" + name).c_str());
    rmdir(work_path);
}

std::string work_dir() {
    static std::string dir = [] {
        if (mkdtemp(work_path) == nullptr) fault("no temporary directory");
        std::atexit(remove_work_dir);
        return std::string(work_path);
    }();
    return dir;
}

void write_file(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) fault("cannot write " + path);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

bool read_file(const std::string& path, std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    bytes.clear();
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
    return true;
}

// Runs `run` with its standard error (and, for `out`, its standard output)
// going to files; returns the problem and what went to standard error.
template <class Run>
problem captured(Run run, std::string& err, const std::string* stdout_path) {
    const std::string err_path = work_dir() + "/err";
    std::fflush(stdout);
    std::fflush(stderr);
    const int saved_err = dup(2), saved_out = dup(1);
    const int e = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(e, 2);
    close(e);
    if (stdout_path != nullptr) {
        const int o = open(stdout_path->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(o, 1);
        close(o);
    }
    const problem p = run();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(saved_err, 2);
    dup2(saved_out, 1);
    close(saved_err);
    close(saved_out);
    read_file(err_path, err);
    return p;
}

problem run_with(problem (*run)(int, char**), std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run(static_cast<int>(args.size()), argv.data());
}

void check_ending(const problem& p, const std::string& what) {
    if (p.status != 0 && p.status != 1) fault(what + " ended with status " + std::to_string(p.status));
    if (p.status == 1 && p.message.empty()) fault(what + " failed without a message");
}

// True when every byte of `text` is part of a character a page may hold.
bool page_text(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) return false;
            ++i;
            continue;
        }
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || c > 0xF4 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0u) != 0x80u) return false;
        i += length;
    }
    return true;
}

bool has_control_byte(const std::string& text) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) return true;
    }
    return false;
}

// The signals of the capture as the exporter puts them back together from
// its records (and their notes, where they hold any).
std::vector<read_back_signal> capture_signals(const std::string& capture) {
    std::vector<read_back_signal> signals;
    signal_reading reading;
    const auto each = [&](const read_back_signal& s) { signals.push_back(s); };
    const std::uint64_t records = record_count(capture.size());
    unsigned char record[kRecordBytes];
    for (std::uint64_t r = 1; r <= records; ++r) {
        const std::uint64_t first = 4 * record_first_word(r);
        for (std::uint64_t b = 0; b < kRecordBytes; ++b)
            record[b] = first + b < capture.size() ? static_cast<unsigned char>(capture[first + b]) : 0;
        read_back_record(reading, r, word_span{record, kRecordWords, 0}, each);
    }
    finish_read_back(reading, each);
    return signals;
}

// Forms that give back every duration exactly, and those that give back
// every name whole.

std::vector<const signal_form*> writable_forms() {
    std::vector<const signal_form*> forms;
    for (const signal_form* form : signal_forms())
        if (form->write_signal != nullptr) forms.push_back(form);
    return forms;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    static const std::vector<const signal_form*> forms = writable_forms();
    const signal_form& form = *forms[(data[0] & 15) % forms.size()];
    const bool diff = (data[0] & 16) != 0, named = (data[0] & 32) != 0;
    std::size_t at = 3;
    const auto take = [&](std::size_t n) {
        n = std::min(n, size - at);
        std::string bytes(reinterpret_cast<const char*>(data + at), n);
        at += n;
        return bytes;
    };
    // The capture's file name: any bytes but '/' and NUL, never "." or "..".
    std::string name = take(data[1] % 64);
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    if (name.empty() || name == "." || name == "..") name = "c" + name;
    std::vector<ir_signal> names;
    for (unsigned k = 0; k < data[2] % 16 && at < size; ++k) names.push_back({take(data[at++] % 32), 0, {}});
    std::string capture(kHeaderBytes, '\0');
    capture += take(size - at);
    if (capture.size() > 64 * kRecordBytes) return 0;

    const std::string dir = work_dir();
    const std::string capture_path = dir + "/" + name, manifest = dir + "/names", out = dir + "/out";
    write_file(capture_path, capture);
    std::string manifest_text = "# record\tsignal\n";
    for (std::size_t k = 0; k < names.size(); ++k) manifest_text += manifest_line(k + 1, names[k], "fuzz");
    write_file(manifest, manifest_text);
    unlink(out.c_str());

    // The exporter.
    std::vector<std::string> args = {kExportTool, "--to", std::string(form.name)};
    if (named) args.insert(args.end(), {"--names", manifest});
    args.insert(args.end(), {capture_path, out});
    std::string err, text;
    const problem exported = captured([&] { return run_with(run_export, args); }, err, nullptr);
    check_ending(exported, "the export to " + std::string(form.name));
    const bool written = read_file(out, text);
    if (exported.failed() && written) fault("a failed export left its output");
    if (!exported.failed()) {
        if (!written) fault("an export that succeeded wrote no output");
        if (has_control_byte(text)) fault("a control byte in an export to " + std::string(form.name));
        std::vector<ir_signal> held;  // the signals of the capture, named as the exporter names them
        for (const read_back_signal& back : capture_signals(capture)) {
            if (back.signal.durations.empty()) continue;
            char number[24];
            std::snprintf(number, sizeof number, "record_%llX", static_cast<unsigned long long>(back.first));
            // A manifest names an unnamed signal by its input and line.
            std::string name = back.noted && !back.signal.name.empty() ? back.signal.name : number;
            if (named && back.first <= names.size())
                name = names[back.first - 1].name.empty() ? "fuzz:0" : names[back.first - 1].name;
            held.push_back(ir_signal{name, 0, back.signal.durations});
        }
        if (!held.empty())
            if (const std::string problem = compare_read_back(form, text, held, true); !problem.empty())
                fault("the export does not read back: " + problem);
    }

    // The viewer.
    const std::string page = dir + "/page";
    std::vector<std::string> view_args = {kViewTool};
    if (diff) view_args.push_back("--diff");
    view_args.push_back(capture_path);
    if (!diff) view_args.insert(view_args.end(), {"-o", page});
    const problem viewed = captured([&] { return run_with(run_view, view_args); }, err, diff ? &page : nullptr);
    check_ending(viewed, "the viewer");
    if (!viewed.failed() && read_file(page, text)) {
        if (!diff && !page_text(text)) fault("the page holds bytes a page may not");
        if (diff && has_control_byte(text)) fault("a control byte in the --diff table");
    }
    unlink(page.c_str());
    unlink(capture_path.c_str());
    return 0;
}
