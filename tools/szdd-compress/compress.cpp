// A greedy LZSS encoder with hash chains over a 4096-byte window.
#include "compress.h"

#include "sys/szdd_format.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    HEADER_SIZE = SZDD_HEADER_SIZE,
    WINDOW_SIZE = SZDD_WINDOW_SIZE,
    WINDOW_MASK = WINDOW_SIZE - 1,
    // Linear index i of the input (after the blank prefix) sits at window
    // position (i + POSITION_BIAS) & WINDOW_MASK: the first byte at 4096 - 16.
    POSITION_BIAS = SZDD_WINDOW_START,
    MIN_MATCH = SZDD_MIN_MATCH,
    MAX_MATCH = SZDD_MAX_MATCH,
    // Decoders copy byte by byte from a window that the copy overwrites; one
    // position short of a full window keeps every source byte unambiguous.
    MAX_DISTANCE = WINDOW_SIZE - 1,
    HASH_BITS = 15,
    HASH_SIZE = 1 << HASH_BITS,
    MAX_CHAIN = 256
};

// The match finder over the input behind WINDOW_SIZE blanks, which stand for
// the window's initial content and may be matched like any other bytes.
struct Finder {
    unsigned char *text; // WINDOW_SIZE blanks, then the input
    size_t length;       // of text
    int32_t head[HASH_SIZE];
    int32_t previous[WINDOW_SIZE];
};

static unsigned HashAt(const unsigned char *at) {
    uint32_t value = (uint32_t)at[0] << 16 | (uint32_t)at[1] << 8 | at[2];
    return (value * 2654435761u) >> (32 - HASH_BITS);
}

static void Insert(Finder *f, size_t at) {
    if (at + MIN_MATCH > f->length) {
        return;
    }
    unsigned hash = HashAt(f->text + at);
    f->previous[at & WINDOW_MASK] = f->head[hash];
    f->head[hash] = (int32_t)at;
}

// The longest earlier match for the bytes at at, its length in *length.
static size_t LongestMatch(const Finder *f, size_t at, size_t *length) {
    size_t best = 0, bestFrom = 0;
    size_t limit = f->length - at < (size_t)MAX_MATCH ? f->length - at : (size_t)MAX_MATCH;
    if (limit < MIN_MATCH) {
        *length = 0;
        return 0;
    }
    int32_t candidate = f->head[HashAt(f->text + at)];
    for (int steps = 0; candidate >= 0 && steps < MAX_CHAIN; steps++) {
        size_t from = (size_t)candidate;
        if (from >= at || at - from > MAX_DISTANCE) {
            break;
        }
        size_t n = 0;
        while (n < limit && f->text[from + n] == f->text[at + n]) {
            n++;
        }
        if (n > best) {
            best = n;
            bestFrom = from;
            if (n == limit) {
                break;
            }
        }
        int32_t next = f->previous[from & WINDOW_MASK];
        if (next >= candidate) {
            break;
        }
        candidate = next;
    }
    *length = best;
    return bestFrom;
}

size_t SzddCompressBound(size_t size) {
    return HEADER_SIZE + size + (size + 7) / 8;
}

static void WriteHeader(unsigned char *out, unsigned char lastChar, uint32_t size) {
    memcpy(out, SzddMagic, sizeof SzddMagic);
    out[SZDD_LAST_CHAR_AT] = lastChar;
    for (int i = 0; i < 4; i++) {
        out[SZDD_SIZE_AT + i] = (unsigned char)(size >> (8 * i));
    }
}

static size_t Encode(Finder *f, unsigned char *out) {
    size_t written = HEADER_SIZE;
    size_t control = 0;
    int items = 8;
    // All blank positions are alike: the last few, which run on into the
    // input, give every match the blanks can give.
    for (size_t i = WINDOW_SIZE - MAX_MATCH; i < WINDOW_SIZE; i++) {
        Insert(f, i);
    }
    size_t at = WINDOW_SIZE;
    while (at < f->length) {
        if (items == 8) {
            control = written++;
            out[control] = 0;
            items = 0;
        }
        size_t length;
        size_t from = LongestMatch(f, at, &length);
        if (length >= MIN_MATCH) {
            unsigned offset = (unsigned)(from - WINDOW_SIZE + POSITION_BIAS) & WINDOW_MASK;
            out[written++] = (unsigned char)offset;
            out[written++] = (unsigned char)((offset >> 4 & 0xF0) | (length - MIN_MATCH));
        } else {
            length = 1;
            out[control] |= (unsigned char)(1u << items);
            out[written++] = f->text[at];
        }
        items++;
        for (size_t k = 0; k < length; k++) {
            Insert(f, at + k);
        }
        at += length;
    }
    return written;
}

size_t SzddCompress(const void *data, size_t size, unsigned char lastChar, void *out) {
    if ((uint64_t)size > 0xFFFFFFFFu) {
        return 0;
    }
    // One finder for every call: allocating its 144 KB afresh each time costs
    // more than compressing a small file.
    static Finder finder;
    Finder *f = &finder;
    unsigned char *text = (unsigned char *)malloc(WINDOW_SIZE + size);
    size_t written = 0;
    if (text != NULL) {
        memset(text, ' ', WINDOW_SIZE);
        if (size > 0) {
            memcpy(text + WINDOW_SIZE, data, size);
        }
        f->text = text;
        f->length = WINDOW_SIZE + size;
        memset(f->head, 0xFF, sizeof f->head);
        memset(f->previous, 0xFF, sizeof f->previous);
        WriteHeader((unsigned char *)out, lastChar, (uint32_t)size);
        written = Encode(f, (unsigned char *)out);
    }
    free(text);
    return written;
}

int SzddCompressedName(const char *name, char *dest, size_t size, unsigned char *lastChar) {
    const char *base = name;
    for (const char *p = name; *p != 0; p++) {
        if (*p == '/' || *p == '\\' || *p == ':') {
            base = p + 1;
        }
    }
    const char *dot = strrchr(base, '.');
    size_t length = strlen(name);
    *lastChar = 0;
    int fits;
    if (dot == NULL) {
        fits = snprintf(dest, size, "%s._", name) < (int)size;
    } else if (strlen(dot + 1) >= 3) {
        *lastChar = (unsigned char)name[length - 1];
        fits = snprintf(dest, size, "%.*s_", (int)(length - 1), name) < (int)size;
    } else {
        fits = snprintf(dest, size, "%s_", name) < (int)size;
    }
    return fits;
}
