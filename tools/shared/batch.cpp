// Many inputs in one run: listing, naming outputs, progress and the
// summary's counts.
#include "tools/shared/batch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "platform/platform.h"
#include "tools/shared/text_input.h"

namespace {

void list_below(const std::filesystem::path& path, const std::string& name, bool top, std::string_view end,
                std::vector<batch_input>& files) {
    std::error_code error;
    const std::filesystem::file_status status =
        top ? std::filesystem::status(path, error) : std::filesystem::symlink_status(path, error);
    const auto take = [&] {
        const std::string text = path.generic_string();
        if (top || end.empty() || (text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0))
            files.push_back({text, name});
    };
    if (!std::filesystem::is_directory(status)) return take();
    // The entries' paths as the system gives them, so that no name is
    // converted on its way back to the system.
    std::vector<std::filesystem::path> entries;
    for (std::filesystem::directory_iterator it(path, error), stop; !error && it != stop; it.increment(error))
        if (it->path().filename().string().rfind('.', 0) != 0) entries.push_back(it->path());
    if (error) return take();  // opening it says why
    std::sort(entries.begin(), entries.end());
    for (const std::filesystem::path& entry : entries) {
        const std::string own = entry.filename().generic_string();
        list_below(entry, top ? own : name + "/" + own, false, end, files);
    }
}

}  // namespace

std::vector<batch_input> list_inputs(const std::vector<const char*>& operands, std::string_view end) {
    std::vector<batch_input> files;
    for (const char* operand : operands) {
        const std::filesystem::path path(operand);
        list_below(path, path.filename().generic_string(), true, end, files);
    }
    return files;
}

std::string output_name(std::string_view name, const std::vector<std::string_view>& ends, std::string_view new_end) {
    const std::size_t slash = name.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    std::size_t cut = 0;
    for (const std::string_view end : ends)
        if (end.size() < last.size() && end.size() > cut && last.substr(last.size() - end.size()) == end)
            cut = end.size();
    if (cut == 0) {
        const std::size_t dot = last.rfind('.');
        if (dot != std::string_view::npos && dot > 0) cut = last.size() - dot;
    }
    return std::string(name.substr(0, name.size() - cut)) + std::string(new_end);
}

std::string path_in(std::string_view dir, std::string_view name) {
    std::string path(dir);
    if (!path.empty() && path.back() != '/') path += '/';
    return path + std::string(name);
}

int make_folders_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return 0;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path.substr(0, slash)), error);
    return error ? (error.value() != 0 ? error.value() : EIO) : 0;
}

problem check_output_names(const std::vector<batch_input>& inputs, const std::vector<std::string>& outputs) {
    // Paths as the system resolves them, so that "d/x.cap" and "./d/x.cap"
    // are one file.
    const auto resolved = [](const std::string& path) {
        std::error_code error;
        const std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::path(path), error);
        return error ? path : full.generic_string();
    };
    std::unordered_map<std::string, std::size_t> made;  // an output's resolved path, and its input
    made.reserve(outputs.size());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto [at, added] = made.emplace(resolved(outputs[i]), i);
        if (!added)
            return refusal(inputs[at->second].path + " and " + inputs[i].path + " would both be written to " +
                           outputs[i]);
    }
    for (const batch_input& input : inputs)
        if (const auto at = made.find(resolved(input.path)); at != made.end())
            return refusal("the output " + outputs[at->second] + " of " + inputs[at->second].path +
                           " is an input itself");
    return {};
}

namespace {

using progress_clock = std::chrono::steady_clock;

struct progress_state {
    bool terminal = false;
    const char* tool = "";
    const char* counted = nullptr;
    std::uint64_t files = 0;
    progress_clock::time_point start, drawn;
    std::size_t shown = 0;  // the columns of the line on the terminal, 0 when none
};

progress_state progress;

constexpr std::size_t kProgressColumns = 79;

// `name` as the terminal shows it: control bytes and bytes of invalid UTF-8
// as \xNN, and, over `columns` characters, its end after "...".
std::string terminal_name(std::string_view name, std::size_t columns) {
    std::vector<std::string> characters;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = printable_length(name, at);
        if (length == 0) {
            std::string escape;
            append_hex_escape(escape, static_cast<unsigned char>(name[at++]));
            characters.push_back(escape);
        } else {
            characters.emplace_back(name.substr(at, length));
            at += length;
        }
    }
    std::size_t width = 0, first = characters.size();
    while (first > 0 && width + characters[first - 1].size() <= columns) width += characters[--first].size();
    std::string text = first > 0 ? "..." : "";
    for (std::size_t i = first; i < characters.size(); ++i) text += characters[i];
    return text;
}

}  // namespace

void progress_clear() {
    if (progress.shown == 0) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(progress.shown), "");
    std::fflush(stderr);
    progress.shown = 0;
}

void progress_start(const char* tool, std::uint64_t files, const char* counted) {
    progress.terminal = platform_is_terminal(2);
    progress.tool = tool;
    progress.counted = counted;
    progress.files = files;
    progress.start = progress.drawn = progress_clock::now();
    progress.shown = 0;
}

void progress_step(std::uint64_t done, std::uint64_t signals, std::string_view name) {
    if (!progress.terminal) return;
    const progress_clock::time_point now = progress_clock::now();
    if (now - progress.start < std::chrono::seconds(1) || now - progress.drawn < std::chrono::milliseconds(100))
        return;
    progress.drawn = now;
    std::string line = std::string(progress.tool) + ": " + std::to_string(done) + "/" +
                       std::to_string(progress.files) + " files";
    if (progress.counted != nullptr) line += ", " + std::to_string(signals) + " " + progress.counted;
    line += ' ';
    // Columns as characters: the counts are ASCII, the name is escaped.
    const std::size_t room = line.size() + 8 < kProgressColumns ? kProgressColumns - line.size() : 8;
    const std::string shown = terminal_name(name, room);
    std::size_t columns = line.size();
    for (std::size_t at = 0; at < shown.size(); ++at)
        if ((static_cast<unsigned char>(shown[at]) & 0xC0) != 0x80) ++columns;
    line += shown;
    const std::size_t pad = progress.shown > columns ? progress.shown - columns : 0;
    std::fprintf(stderr, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    if (pad > 0) std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    progress.shown = columns;
}

void progress_end() {
    progress_clear();
    progress.terminal = false;
}

void count_left_out(left_out_counts& counts, std::string_view message) {
    if (message.substr(0, 8) == "signal '") {
        const std::size_t close = message.find('\'', 8);
        message.remove_prefix(close == std::string_view::npos ? message.size() : close + 1);
        while (!message.empty() && (message.front() == ' ' || message.front() == ':')) message.remove_prefix(1);
    }
    std::size_t end = 0;
    for (bool in_quotes = false; end < message.size(); ++end) {
        const char c = message[end];
        if (c == '\'') in_quotes = !in_quotes;
        if (!in_quotes && (c == ':' || c == ';' || c == '(')) break;
    }
    while (end > 0 && message[end - 1] == ' ') --end;
    std::string reason(message.substr(0, std::min<std::size_t>(end, 80)));
    if (reason.empty()) reason = "other";
    if (counts.reasons.size() >= kMostReasons && counts.reasons.count(reason) == 0) reason = "other";
    ++counts.reasons[reason];
    ++counts.total;
}

std::string left_out_text(const left_out_counts& counts) {
    if (counts.total == 0) return {};
    std::vector<std::pair<std::uint64_t, std::string>> by_count;
    for (const auto& [reason, count] : counts.reasons) by_count.emplace_back(count, reason);
    std::stable_sort(by_count.begin(), by_count.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::string text = std::to_string(counts.total) + " skipped:";
    for (std::size_t i = 0; i < by_count.size(); ++i) {
        text += (i == 0 ? " " : "; ") + std::to_string(by_count[i].first) + " ";
        // A reason is the form's words and words of the input quoted: any
        // control byte left is escaped.
        for (const char c : by_count[i].second)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                append_hex_escape(text, static_cast<unsigned char>(c));
            else
                text += c;
    }
    return text;
}
