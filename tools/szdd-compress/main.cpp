// szdd-compress: writes files in the SZDD compressed format.
//   szdd-compress FILE...        each FILE to its compressed name ("setup.ex_")
//   szdd-compress -o OUT FILE    FILE to OUT
#include "compress.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { NAME_SIZE = 4096 };

// The whole of a file in memory (the format's size field limits it to 4 GB).
static unsigned char *ReadWholeFile(const char *name, size_t *size) {
    FILE *file = fopen(name, "rb");
    if (file == NULL) {
        return NULL;
    }
    size_t capacity = 1 << 16, length = 0;
    unsigned char *data = (unsigned char *)malloc(capacity);
    while (data != NULL) {
        length += fread(data + length, 1, capacity - length, file);
        if (length < capacity) {
            break;
        }
        unsigned char *larger = (unsigned char *)realloc(data, capacity * 2);
        if (larger == NULL) {
            free(data);
            data = NULL;
            break;
        }
        data = larger;
        capacity *= 2;
    }
    if (data != NULL && ferror(file)) {
        free(data);
        data = NULL;
    }
    fclose(file);
    *size = length;
    return data;
}

static int WriteWholeFile(const char *name, const unsigned char *data, size_t size) {
    FILE *file = fopen(name, "wb");
    if (file == NULL) {
        return 0;
    }
    int ok = fwrite(data, 1, size, file) == size;
    if (fclose(file) != 0) {
        ok = 0;
    }
    return ok;
}

static int CompressFile(const char *input, const char *output, unsigned char lastChar) {
    size_t size = 0;
    unsigned char *data = ReadWholeFile(input, &size);
    if (data == NULL) {
        fprintf(stderr, "szdd-compress: cannot read %s\n", input);
        return 0;
    }
    unsigned char *packed = (unsigned char *)malloc(SzddCompressBound(size));
    size_t packedSize = packed != NULL ? SzddCompress(data, size, lastChar, packed) : 0;
    int ok = packedSize > 0 && WriteWholeFile(output, packed, packedSize);
    if (packedSize == 0) {
        fprintf(stderr, "szdd-compress: %s is too large or memory ran out\n", input);
    } else if (!ok) {
        fprintf(stderr, "szdd-compress: cannot write %s\n", output);
    }
    free(packed);
    free(data);
    return ok;
}

static int Usage() {
    fprintf(stderr, "usage: szdd-compress FILE...\n       szdd-compress -o OUT FILE\n");
    return 2;
}

int main(int argc, char **argv) {
    if (argc >= 2 && strcmp(argv[1], "-o") == 0) {
        if (argc != 4) {
            return Usage();
        }
        char unused[NAME_SIZE];
        unsigned char lastChar = 0;
        SzddCompressedName(argv[3], unused, sizeof unused, &lastChar);
        return CompressFile(argv[3], argv[2], lastChar) ? 0 : 1;
    }
    if (argc < 2) {
        return Usage();
    }
    int failures = 0;
    for (int i = 1; i < argc; i++) {
        char output[NAME_SIZE];
        unsigned char lastChar = 0;
        if (!SzddCompressedName(argv[i], output, sizeof output, &lastChar) ||
            strcmp(output, argv[i]) == 0) {
            fprintf(stderr, "szdd-compress: no compressed name for %s\n", argv[i]);
            failures++;
        } else if (!CompressFile(argv[i], output, lastChar)) {
            failures++;
        }
    }
    return failures == 0 ? 0 : 1;
}
