// The endings of a run.
#include "app/exit_status.h"

#include <cstdio>

int end_with_usage(out_writer& out) {
    out_text(out, " TAVLIN TX9.DAT [0-3]\n");
    out_text(out, "    0=dump, 1=KANDEN, 2=MITSUBISHI, 3=SONY\n");
    return end_run(out, kStatusUsage);
}

int end_with_failure(out_writer& out, const char* what, int code, int status) {
    out_text(out, what);
    out_text(out, " error ");
    out_dec(out, code);
    out_char(out, '\n');
    return end_run(out, status);
}

int end_run(out_writer& out, int status) {
    if (out_flush(out)) return status;
    std::fprintf(stderr, "write error %d\n", out.error);
    return kStatusWrite;
}
