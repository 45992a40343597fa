// SZDD compression: the LZSS encoder and the naming rule of the classic tools.
#ifndef SZDD_COMPRESS_COMPRESS_H
#define SZDD_COMPRESS_COMPRESS_H

#include <stddef.h>
#include <stdint.h>

// The largest output SzddCompress can produce for size input bytes.
size_t SzddCompressBound(size_t size);

// Compresses size bytes at data into out (SzddCompressBound(size) bytes): the
// 14-byte header (magic, mode 'A', lastChar, the size) and the LZSS data.
// Returns the number of bytes written; 0 when data is larger than the format's
// 32-bit size field or there is no memory for the input.
size_t SzddCompress(const void *data, size_t size, unsigned char lastChar, void *out);

// The compressed file's name for name, as the classic tools form it: a three-
// character extension loses its last character to "_" ("setup.exe" ->
// "setup.ex_"), a shorter one gets "_" appended ("a.c" -> "a.c_"), a name
// without one gets "._" ("readme" -> "readme._"). The character replaced (0 if
// none) goes to lastChar, for the header. 1 on success, 0 when the result does
// not fit in size.
int SzddCompressedName(const char *name, char *dest, size_t size, unsigned char *lastChar);

#endif
