// SHA-256 from CNG (bcrypt.dll). The algorithm provider is opened once for
// the process: opening it costs far more than a small file's digest.
#include <windows.h>

#include "sys/hash.h"
#include "sys/platform.h"

#include <bcrypt.h>

static BCRYPT_ALG_HANDLE Provider;

// CNG answers with NTSTATUS codes, which are passed on as they are: nonzero
// on every failure, as the convention wants.
int PlatformHashBegin(void **state) {
    *state = nullptr;
    NTSTATUS status = 0;
    if (Provider == nullptr)
        status = BCryptOpenAlgorithmProvider(&Provider, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (status != 0) {
        Provider = nullptr;
        return (int)status;
    }
    BCRYPT_HASH_HANDLE hash = nullptr;
    // No object buffer: CNG keeps the hash's memory itself (Windows 7 and later).
    status = BCryptCreateHash(Provider, &hash, nullptr, 0, nullptr, 0, 0);
    *state = hash;
    return (int)status;
}

int PlatformHashFeed(void *state, const void *bytes, size_t size) {
    const unsigned char *at = static_cast<const unsigned char *>(bytes);
    NTSTATUS status = 0;
    // BCryptHashData takes 32-bit counts.
    while (status == 0 && size > 0) {
        ULONG piece = size > 0x40000000u ? 0x40000000u : (ULONG)size;
        status = BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(state), (PUCHAR)at, piece, 0);
        at += piece;
        size -= piece;
    }
    return (int)status;
}

int PlatformHashEnd(void *state, unsigned char *digest) {
    BCRYPT_HASH_HANDLE hash = static_cast<BCRYPT_HASH_HANDLE>(state);
    NTSTATUS status = 0;
    if (digest != nullptr)
        status = BCryptFinishHash(hash, digest, DIGEST_SIZE, 0);
    BCryptDestroyHash(hash);
    return (int)status;
}
