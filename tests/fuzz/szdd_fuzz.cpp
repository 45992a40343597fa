// The SZDD decoder over arbitrary input: never out of bounds, and the declared
// size or an error code. The input compressed by szdd-compress's encoder must
// expand to itself. The buffers are made once: fresh ones for every input
// would cost more than the decoding.
#include "sys/szdd.h"

#include "compress.h"

#include <stdlib.h>
#include <string.h>

enum { OUT_LIMIT = 1 << 18 };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static unsigned char out[OUT_LIMIT], packed[OUT_LIMIT];
    int64_t written = 0;
    int result = SzddExpandMemory(data, size, out, sizeof out, &written);
    if (result == 0
            ? (uint64_t)written != ((uint32_t)data[10] | (uint32_t)data[11] << 8 |
                                    (uint32_t)data[12] << 16 | (uint32_t)data[13] << 24)
            : result != LZERROR_READ && result != LZERROR_WRITE && result != LZERROR_UNKNOWNALG)
        abort();
    if (SzddCompressBound(size) > sizeof packed)
        return 0;
    size_t packedSize = SzddCompress(data, size, 0, packed);
    if (packedSize == 0 || SzddExpandMemory(packed, packedSize, out, size, &written) != 0 ||
        written != (int64_t)size || memcmp(out, data, size) != 0)
        abort();
    return 0;
}
