// The SZDD decoder over arbitrary input: it must never read or write out of
// bounds, and its result must be the declared size or an error code. The same
// input, compressed by szdd-compress's encoder, must expand to itself.
#include "sys/szdd.h"

#include "compress.h"

#include <stdlib.h>
#include <string.h>

// The decoder's neighbours in the program, which expansion in memory never calls.
void ShowWarning(const char *) {}
void PumpMessages() {}

enum { OUT_LIMIT = 1 << 18 };

static void ExpandArbitrary(const uint8_t *data, size_t size) {
    unsigned char *out = (unsigned char *)malloc(OUT_LIMIT);
    int64_t result = SzddExpandMemory(data, size, out, OUT_LIMIT);
    if (result >= 0) {
        uint32_t declared = (uint32_t)data[10] | (uint32_t)data[11] << 8 |
                            (uint32_t)data[12] << 16 | (uint32_t)data[13] << 24;
        if ((uint64_t)result != declared) {
            abort();
        }
    } else if (result != LZERROR_READ && result != LZERROR_WRITE && result != LZERROR_UNKNOWNALG) {
        abort();
    }
    free(out);
}

static void RoundTrip(const uint8_t *data, size_t size) {
    unsigned char *packed = (unsigned char *)malloc(SzddCompressBound(size));
    unsigned char *out = (unsigned char *)malloc(size + 1);
    size_t packedSize = SzddCompress(data, size, 0, packed);
    if (packedSize == 0 || SzddExpandMemory(packed, packedSize, out, size + 1) != (int64_t)size ||
        (size > 0 && memcmp(out, data, size) != 0)) {
        abort();
    }
    free(out);
    free(packed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ExpandArbitrary(data, size);
    RoundTrip(data, size);
    return 0;
}
