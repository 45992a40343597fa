// SZDD compressed files: the header test and the decoder.
#ifndef WIZARD_SYS_SZDD_H
#define WIZARD_SYS_SZDD_H

#include "sys/files.h"

#include <stddef.h>
#include <stdint.h>

// The LZ expansion library's error codes, which the warnings show.
enum {
    LZERROR_BADINHANDLE = -1,
    LZERROR_BADOUTHANDLE = -2,
    LZERROR_READ = -3,
    LZERROR_WRITE = -4,
    LZERROR_GLOBALLOC = -5,
    LZERROR_UNKNOWNALG = -8
};

// Whether the file starts with the SZDD magic and mode 'A': 0 and *compressed;
// a file that is not there, or no plain file, is not compressed. A file that
// exists but cannot be read (another program holds it) gives the error.
int ProbeCompressed(const char *name, int *compressed);
// 1 when ProbeCompressed finds the file compressed; 0 otherwise, also for a
// short, missing or unreadable file.
int IsCompressed(const char *name);

// Expands an SZDD stream from in (positioned at its start) into out: 0, or a
// negative LZERROR_ code; *written receives the bytes written. The expanded
// content must come out at exactly the size the header declares, else
// LZERROR_READ, and nothing beyond that size is written. A stream without the
// SZDD magic and mode 'A' gives LZERROR_UNKNOWNALG; a failed read of in
// LZERROR_READ, a failed write to out LZERROR_WRITE. Not reentrant: the
// decoder's buffers are the module's own.
int SzddExpand(FileHandle in, FileHandle out, int64_t *written);

// As SzddExpand, but the expanded content goes nowhere: tells whether in
// expands to exactly its declared size (*size) without writing a byte.
int SzddVerify(FileHandle in, int64_t *size);

// As SzddExpand, from size bytes at data into at most outSize bytes at out;
// more than outSize bytes of expanded content give LZERROR_WRITE.
int SzddExpandMemory(const void *data, size_t size, void *out, size_t outSize, int64_t *written);

#endif
