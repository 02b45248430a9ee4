// What the companions' outputs do the same way on every system; the rest is
// the platform's (platform/outputs_posix.cpp, platform/outputs_windows.cpp).
#include "tools/shared/output_file.h"

#include <cerrno>

#include "output/writer.h"

problem commit_output(output_file& out) {
    output_file* one[] = {&out};
    return commit_outputs(one);
}

problem write_whole_output(output_file& out, std::string_view text) {
    problem outcome = open_output(out);
    owned_writer owned;
    out_writer& writer = owned.out;
    if (!outcome.failed()) {
        if (!out_init(writer, out.fd)) {
            outcome = write_failure(out, ENOMEM);
        } else {
            out_text(writer, text);
            if (!out_flush(writer)) outcome = write_failure(out, writer.error);
        }
    }
    if (!outcome.failed()) outcome = commit_output(out);
    if (outcome.failed()) abandon_output(out);
    return outcome;
}
