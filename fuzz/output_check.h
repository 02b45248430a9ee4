// Checks of tavlin's output against its capture that hold for every input:
// the fuzz target stops on a failed check, and the tests run it on random
// captures.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `passes` names the passes the run made, in order: "R" for the dump, or
// letters of "KMS" for the format passes (empty when the mode selects none).
// Returns an empty string when `out` is what those passes may print for
// `capture` (the whole file, header included), or what is wrong with it.
std::string check_output(std::string_view passes, bool verbose, const std::vector<unsigned char>& capture,
                         std::string_view out);
