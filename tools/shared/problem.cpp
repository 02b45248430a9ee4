// The companions' problems, and where they are printed.
#include "tools/shared/problem.h"

#include <cstdio>

#include "tools/shared/batch.h"
#include "tools/shared/text_input.h"

problem failure(std::string message) { return {kStatusFailure, std::move(message), false}; }

problem usage_error(std::string message) { return {kStatusUsage, std::move(message), true}; }

problem refusal(std::string message) { return {kStatusUsage, std::move(message), false}; }

int report(const char* tool, const problem& p) {
    progress_clear();
    if (!p.message.empty()) std::fprintf(stderr, "%s: %s\n", tool, terminal_text(p.message).c_str());
    if (p.hint_help) std::fprintf(stderr, "Try '%s --help' for more information.\n", tool);
    return p.status;
}

void warn(const char* tool, const std::string& message) {
    progress_clear();
    std::fprintf(stderr, "%s: %s\n", tool, terminal_text(message).c_str());
}

namespace {

const char* running_tool = "tavlin";

}  // namespace

const char* tool_name() { return running_tool; }

void set_tool_name(const char* tool) { running_tool = tool; }
