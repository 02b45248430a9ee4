// Every way a run ends, in one place: the messages and the exit statuses.
#pragma once

#include "output/writer.h"

constexpr int kStatusSuccess = 0;
constexpr int kStatusUsage = 1;       // no file name
constexpr int kStatusOpen = 1;        // the file cannot be opened
constexpr int kStatusAllocation = 2;  // no image for a size that is not positive, or no memory
constexpr int kStatusRead = 1;        // the file delivered fewer bytes than its size
constexpr int kStatusWrite = 1;       // standard output could not be written

// Prints the usage text and returns kStatusUsage.
int end_with_usage(out_writer& out);

// Prints "<what> error <code>\n" to standard output and returns `status`:
// what is "fopen", "malloc" or "fread".
int end_with_failure(out_writer& out, const char* what, int code, int status);

// Flushes standard output and returns `status`, unless a write to standard
// output failed: then "write error %d\n" goes to standard error and the run
// ends with kStatusWrite.
int end_run(out_writer& out, int status);
