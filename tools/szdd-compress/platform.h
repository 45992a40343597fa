// What the compressor needs of the platform beyond the C runtime.
#ifndef SZDD_COMPRESS_PLATFORM_H
#define SZDD_COMPRESS_PLATFORM_H

// Gives to the permission bits of from, and write permission for its owner. 1 on
// success; where files carry no such bits, there is nothing to do.
int CopyFileMode(const char *from, const char *to);

#endif
