// The portable front of the digests: the file is read here, the platform
// only computes.
#include "sys/hash.h"

#include "sys/files.h"
#include "sys/platform.h"

// One piece at a time, reused: a file of any size costs no memory beyond it.
static unsigned char Piece[HASH_PIECE_SIZE];

int HashBytes(const void *bytes, size_t size, Digest *digest) {
    void *state = nullptr;
    int error = PlatformHashBegin(&state);
    if (error != 0)
        return error;
    error = PlatformHashFeed(state, bytes, size);
    int ended = PlatformHashEnd(state, error == 0 ? digest->bytes : nullptr);
    return error != 0 ? error : ended;
}

int HashFile(const char *name, Digest *digest, int64_t *size, void (*between)()) {
    *size = 0;
    FileHandle file;
    int error = OpenToRead(name, SHARE_ALL, &file);
    if (error != 0)
        return error;
    void *state = nullptr;
    error = PlatformHashBegin(&state);
    for (size_t got = sizeof Piece; error == 0 && got == sizeof Piece;) {
        error = ReadFromFile(file, Piece, sizeof Piece, &got);
        if (error == 0)
            error = PlatformHashFeed(state, Piece, got);
        *size += (int64_t)got;
        if (between != nullptr)
            between();
    }
    if (state != nullptr) {
        int ended = PlatformHashEnd(state, error == 0 ? digest->bytes : nullptr);
        error = error != 0 ? error : ended;
    }
    CloseFileHandle(file);
    return error;
}

void DigestText(const Digest *digest, char text[DIGEST_TEXT_SIZE]) {
    static const char Digits[] = "0123456789abcdef";
    for (int i = 0; i < DIGEST_SIZE; i++) {
        text[2 * i] = Digits[digest->bytes[i] >> 4];
        text[2 * i + 1] = Digits[digest->bytes[i] & 15];
    }
    text[2 * DIGEST_SIZE] = '\0';
}

static int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int ParseDigest(const char *text, Digest *digest) {
    for (int i = 0; i < DIGEST_SIZE; i++) {
        int high = HexValue(text[2 * i]);
        int low = high < 0 ? -1 : HexValue(text[2 * i + 1]);
        if (low < 0)
            return 0;
        digest->bytes[i] = (unsigned char)(high * 16 + low);
    }
    return 1;
}
