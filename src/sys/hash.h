// SHA-256 as the platform computes it: OpenSSL's libcrypto on POSIX, CNG on
// Windows. A file is read once, in large pieces; nothing of the disk changes.
#ifndef WIZARD_SYS_HASH_H
#define WIZARD_SYS_HASH_H

#include <stddef.h>
#include <stdint.h>

enum {
    DIGEST_SIZE = 32,         // bytes of a SHA-256 digest
    DIGEST_TEXT_SIZE = 65,    // its 64 lower-case hexadecimal digits and a zero
    HASH_PIECE_SIZE = 1 << 20 // read at once from a file
};

struct Digest {
    unsigned char bytes[DIGEST_SIZE];
};

// The digest of size bytes in memory: 0, or the platform's error code.
int HashBytes(const void *bytes, size_t size, Digest *digest);

// The digest and the size of the named file, read once from start to end:
// 0, or the platform's error code (of the open: IsMissingError tells a file
// that is not there). between, when not none, is called after every piece,
// so that a caller can keep its window alive through a large file.
int HashFile(const char *name, Digest *digest, int64_t *size, void (*between)());

// The digest as 64 lower-case hexadecimal digits, as sha256sum prints it.
void DigestText(const Digest *digest, char text[DIGEST_TEXT_SIZE]);

// The digest that 64 hexadecimal digits (either case) at text spell: 1, or 0
// when text does not begin with them.
int ParseDigest(const char *text, Digest *digest);

#endif
