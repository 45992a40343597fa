// The SZDD compressed-file format, the one place its layout is written: the
// decoder, the compressor, update-check and the benchmarks take it from here.
#ifndef WIZARD_SYS_SZDD_FORMAT_H
#define WIZARD_SYS_SZDD_FORMAT_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

enum {
    // The header: the magic (8 bytes) and the mode 'A', which together tell a
    // compressed file; the last character of the uncompressed file's name; the
    // expanded size, little-endian.
    SZDD_MAGIC_SIZE = 9,
    SZDD_LAST_CHAR_AT = 9,
    SZDD_SIZE_AT = 10,
    SZDD_HEADER_SIZE = 14,
    // The LZSS data behind it: a control byte for every eight items, each a
    // literal byte or a match of 3 to 18 bytes, 12 bits of window position and
    // 4 of length, in a 4096-byte window that starts as blanks and is first
    // written 16 bytes before its end.
    SZDD_WINDOW_SIZE = 4096,
    SZDD_WINDOW_START = SZDD_WINDOW_SIZE - 16,
    SZDD_MIN_MATCH = 3,
    SZDD_MAX_MATCH = 18
};

inline constexpr unsigned char SzddMagic[SZDD_MAGIC_SIZE] = {'S',  'Z',  'D',  'D', 0x88,
                                                             0xF0, 0x27, 0x33, 'A'};

// 1 when length bytes at bytes begin with the magic and mode 'A'.
inline int SzddHasMagic(const unsigned char *bytes, size_t length) {
    return length >= SZDD_MAGIC_SIZE && memcmp(bytes, SzddMagic, SZDD_MAGIC_SIZE) == 0;
}

// The expanded size that a whole header declares.
inline uint32_t SzddDeclaredSize(const unsigned char *header) {
    const unsigned char *at = header + SZDD_SIZE_AT;
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

#endif
