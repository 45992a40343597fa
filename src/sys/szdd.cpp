// SZDD compressed files: the header test and an LZSS decoder.
#include "sys/szdd.h"

#include "sys/szdd_format.h"

#include <string.h>

enum {
    HEADER_SIZE = SZDD_HEADER_SIZE,
    TESTED_SIZE = SZDD_MAGIC_SIZE,
    PROBE_SIZE = 16, // what the header test reads
    WINDOW_SIZE = SZDD_WINDOW_SIZE,
    WINDOW_MASK = WINDOW_SIZE - 1,
    WINDOW_START = SZDD_WINDOW_START,
    MIN_MATCH = SZDD_MIN_MATCH,
    MAX_MATCH = SZDD_MAX_MATCH,
    GROUP_IN = 1 + 8 * 2,      // a control byte and eight matches
    GROUP_OUT = 8 * MAX_MATCH, // what one control byte can produce
    COPY_SLACK = MAX_MATCH,    // a match may be copied whole at its longest
    IN_BLOCK = 1 << 20,
    OUT_BLOCK = 1 << 20,
    MEMORY_BLOCK = 1 << 16
};

// The decoder's state between blocks. The output buffer holds the last
// WINDOW_SIZE bytes produced (at first the blanks the format starts with),
// then the bytes not yet written out; matches are copied within it directly.
struct Decoder {
    const unsigned char *in; // compressed bytes, from inPos to inLength
    size_t inLength;
    size_t inPos;
    int inEnd; // no more compressed bytes beyond inLength
    FileHandle inFile;
    unsigned char *inBuffer; // IN_BLOCK + GROUP_IN, for inFile

    unsigned char *buffer; // WINDOW_SIZE + outBlock + GROUP_OUT + COPY_SLACK
    size_t outBlock;       // how much is produced before it is handed on
    size_t outPos;         // next byte of buffer to produce, WINDOW_SIZE or more
    unsigned positionBias; // window position of buffer index i: (i + bias) & WINDOW_MASK
    FileHandle outFile;
    unsigned char *outMemory; // or the output goes here, outMemorySize bytes at most
    size_t outMemorySize;

    int64_t written;  // bytes handed on so far
    int64_t expected; // the size the header declares
};

// Keeps a partial group at the front and reads the next block behind it. A short
// read can only be the end of the file.
static int RefillInput(Decoder *d) {
    size_t left = d->inLength - d->inPos;
    memmove(d->inBuffer, d->inBuffer + d->inPos, left);
    size_t got = 0;
    if (ReadFromFile(d->inFile, d->inBuffer + left, IN_BLOCK, &got) != 0) {
        return LZERROR_READ;
    }
    d->in = d->inBuffer;
    d->inPos = 0;
    d->inLength = left + got;
    d->inEnd = got < IN_BLOCK;
    return 0;
}

// Hands on what was produced and keeps the last WINDOW_SIZE bytes as history.
// More than the declared size is corrupt data: nothing of it is written.
static int FlushOutput(Decoder *d) {
    size_t pending = d->outPos - WINDOW_SIZE;
    if (d->written + (int64_t)pending > d->expected) {
        return LZERROR_READ;
    }
    const unsigned char *from = d->buffer + WINDOW_SIZE;
    if (d->outFile != NO_FILE) {
        if (WriteToFile(d->outFile, from, pending) != 0) {
            return LZERROR_WRITE;
        }
    } else if (d->outMemory != NULL) {
        if ((uint64_t)d->written + pending > d->outMemorySize) {
            return LZERROR_WRITE;
        }
        memcpy(d->outMemory + d->written, from, pending);
    }
    d->written += (int64_t)pending;
    memmove(d->buffer, d->buffer + pending, WINDOW_SIZE);
    d->outPos = WINDOW_SIZE;
    d->positionBias = (d->positionBias + (unsigned)pending) & WINDOW_MASK;
    return 0;
}

// Copies a match of the history at window position offset to buffer index at.
// The format copies byte by byte, so a source closer than the length repeats
// itself; a source 4096 back is the byte the copy is about to replace.
static size_t CopyMatch(Decoder *d, size_t at, unsigned offset, unsigned length) {
    unsigned position = ((unsigned)at + d->positionBias) & WINDOW_MASK;
    size_t distance = ((position - offset - 1) & WINDOW_MASK) + 1;
    unsigned char *to = d->buffer + at;
    const unsigned char *from = to - distance;
    if (distance >= MAX_MATCH) {
        // One fixed-size copy beats a loop; the bytes beyond the match are
        // overwritten by what follows.
        memcpy(to, from, MAX_MATCH);
    } else if (distance >= 8) {
        for (unsigned k = 0; k < length; k += 8) {
            memcpy(to + k, from + k, 8);
        }
    } else {
        for (unsigned k = 0; k < length; k++) {
            to[k] = from[k];
        }
    }
    return at + length;
}

// One control byte and its eight items, with at least GROUP_IN bytes at hand.
static void DecodeGroup(Decoder *d) {
    const unsigned char *in = d->in + d->inPos;
    size_t at = d->outPos;
    unsigned control = *in++;
    if (control == 0xFF) {
        memcpy(d->buffer + at, in, 8);
        d->inPos += 9;
        d->outPos = at + 8;
        return;
    }
    for (int item = 0; item < 8; item++, control >>= 1) {
        if (control & 1) {
            d->buffer[at++] = *in++;
        } else {
            unsigned offset = in[0] | (unsigned)(in[1] & 0xF0) << 4;
            unsigned length = (in[1] & 0x0F) + MIN_MATCH;
            in += 2;
            at = CopyMatch(d, at, offset, length);
        }
    }
    d->inPos = (size_t)(in - d->in);
    d->outPos = at;
}

// The last group of the stream, which may stop after any item. A match cut
// after its first byte ends the stream too.
static void DecodeLastGroup(Decoder *d) {
    unsigned control = d->in[d->inPos++];
    for (int item = 0; item < 8 && d->inPos < d->inLength; item++, control >>= 1) {
        if (control & 1) {
            d->buffer[d->outPos++] = d->in[d->inPos++];
        } else if (d->inLength - d->inPos < 2) {
            d->inPos = d->inLength;
        } else {
            const unsigned char *in = d->in + d->inPos;
            unsigned offset = in[0] | (unsigned)(in[1] & 0xF0) << 4;
            unsigned length = (in[1] & 0x0F) + MIN_MATCH;
            d->inPos += 2;
            d->outPos = CopyMatch(d, d->outPos, offset, length);
        }
    }
}

// Decodes everything after the header; the expanded content must come out at
// exactly the declared size. 0, or a negative LZERROR_ code.
static int DecodeStream(Decoder *d) {
    memset(d->buffer, ' ', WINDOW_SIZE);
    d->outPos = WINDOW_SIZE;
    d->positionBias = (unsigned)(WINDOW_START - WINDOW_SIZE) & WINDOW_MASK;
    d->written = 0;
    for (;;) {
        if (!d->inEnd && d->inLength - d->inPos < GROUP_IN) {
            int result = RefillInput(d);
            if (result < 0) {
                return result;
            }
        }
        if (d->outPos >= WINDOW_SIZE + d->outBlock) {
            int result = FlushOutput(d);
            if (result < 0) {
                return result;
            }
        }
        if (d->inLength - d->inPos >= GROUP_IN) {
            DecodeGroup(d);
        } else if (d->inPos < d->inLength) {
            DecodeLastGroup(d);
        } else {
            break;
        }
    }
    int result = FlushOutput(d);
    if (result < 0) {
        return result;
    }
    return d->written == d->expected ? 0 : LZERROR_READ;
}

// The decoder's buffers, 2 MB together, static rather than allocated per file:
// freed blocks this large go back to the system and come back zero-filled,
// which cost more than decoding a small file. One expansion runs at a time.
static unsigned char InputArea[IN_BLOCK + GROUP_IN];
static unsigned char OutputArea[WINDOW_SIZE + OUT_BLOCK + GROUP_OUT + COPY_SLACK];

static void UseOutputArea(Decoder *d, size_t block) {
    d->outBlock = block;
    d->buffer = OutputArea;
}

// Without out (NO_FILE) the expanded content is dropped.
static int ExpandFile(FileHandle in, FileHandle out, int64_t *written) {
    unsigned char header[HEADER_SIZE];
    size_t got = 0;
    *written = 0;
    if (ReadFromFile(in, header, sizeof header, &got) != 0 ||
        (got < HEADER_SIZE && SzddHasMagic(header, got))) {
        return LZERROR_READ;
    }
    if (!SzddHasMagic(header, got)) {
        return LZERROR_UNKNOWNALG;
    }
    Decoder d;
    memset(&d, 0, sizeof d);
    d.inFile = in;
    d.outFile = out;
    d.expected = SzddDeclaredSize(header);
    d.inBuffer = InputArea;
    d.in = d.inBuffer;
    UseOutputArea(&d, OUT_BLOCK);
    int result = DecodeStream(&d);
    *written = d.written;
    return result;
}

int SzddExpand(FileHandle in, FileHandle out, int64_t *written) {
    *written = 0;
    if (in == NO_FILE) {
        return LZERROR_BADINHANDLE;
    }
    if (out == NO_FILE) {
        return LZERROR_BADOUTHANDLE;
    }
    return ExpandFile(in, out, written);
}

int SzddVerify(FileHandle in, int64_t *size) {
    *size = 0;
    return in == NO_FILE ? LZERROR_BADINHANDLE : ExpandFile(in, NO_FILE, size);
}

int SzddExpandMemory(const void *data, size_t size, void *out, size_t outSize, int64_t *written) {
    const unsigned char *bytes = (const unsigned char *)data;
    *written = 0;
    if (size >= TESTED_SIZE && !SzddHasMagic(bytes, size)) {
        return LZERROR_UNKNOWNALG;
    }
    if (size < HEADER_SIZE) {
        return size < TESTED_SIZE ? LZERROR_UNKNOWNALG : LZERROR_READ;
    }
    Decoder d;
    memset(&d, 0, sizeof d);
    d.in = bytes + HEADER_SIZE;
    d.inLength = size - HEADER_SIZE;
    d.inEnd = 1;
    d.inFile = NO_FILE;
    d.outFile = NO_FILE;
    d.outMemory = (unsigned char *)out;
    d.outMemorySize = outSize;
    d.expected = SzddDeclaredSize(bytes);
    // Copies from memory to memory gain nothing from large blocks.
    UseOutputArea(&d, MEMORY_BLOCK);
    int result = DecodeStream(&d);
    *written = d.written;
    return result;
}

// Read with sharing, so that a file that another program holds is told from
// one that is not there: only the latter counts as not compressed.
int ProbeCompressed(const char *name, int *compressed) {
    *compressed = 0;
    FileFacts facts;
    int error = ReadFileFacts(name, &facts);
    if (error != 0)
        return IsMissingError(error) ? 0 : error;
    if (!facts.regular)
        return 0;
    FileHandle file;
    error = OpenToRead(name, SHARE_ALL, &file);
    if (error != 0)
        return IsMissingError(error) ? 0 : error;
    unsigned char probe[PROBE_SIZE];
    size_t got = 0;
    error = ReadFromFile(file, probe, sizeof probe, &got);
    CloseFileHandle(file);
    *compressed = error == 0 && SzddHasMagic(probe, got);
    return error;
}

int IsCompressed(const char *name) {
    int compressed = 0;
    return ProbeCompressed(name, &compressed) == 0 && compressed;
}
