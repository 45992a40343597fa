// What the resource utility needs of the platform beyond the C runtime.
#ifndef RESTOOL_PLATFORM_H
#define RESTOOL_PLATFORM_H

#include <stdint.h>
#include <stdio.h>

struct FileFacts {
    int regular;   // a plain file, not a directory or device
    int64_t mtime; // seconds since 1970-01-01 00:00 UTC
    unsigned mode; // permission bits for the archive (0644 or 0755 on Windows)
};

// 1 and the facts when the file exists, 0 when it cannot be found.
int ReadFileFacts(const char *name, FileFacts *facts);

// Sets the last-access and last-write times. 1 on success.
int SetModificationTime(const char *name, int64_t mtime);

// Renames from over to, replacing an existing to in one step. 1 on success.
int ReplaceFileWith(const char *from, const char *to);

// Makes what was written to file durable (its buffer is flushed first). 1 on
// success.
int FlushToDisk(FILE *file);

// Makes the entries of the directory that holds name durable, so that a
// rename in it survives a power cut. 1 on success; where the rename itself is
// written through, there is nothing to do.
int FlushDirectoryOf(const char *name);

#endif
