// The platform's own SZDD expander, which the benchmark measures ours against.
#ifndef SZDD_BENCH_RIVAL_H
#define SZDD_BENCH_RIVAL_H

#include <stdint.h>

// The name in the benchmark's closing line ("libmspack", "lzcopy").
extern const char RivalName[];

// Expands the file from into the file to (created anew): the bytes written, or
// a negative number on failure.
int64_t RivalExpand(const char *from, const char *to);

#endif
