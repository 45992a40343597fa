// szdd-compress: writes files in the SZDD compressed format.
//   szdd-compress FILE...        each FILE to its compressed name ("setup.ex_")
//   szdd-compress -o OUT FILE    FILE to OUT
//   szdd-compress -i FILE...     each FILE in place, under its own name
#include "compress.h"
#include "platform.h"

#include "sys/szdd_format.h"
#include "state/version.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { NAME_SIZE = 4096 };

static const char Usage[] = "usage: szdd-compress FILE...\n"
                            "       szdd-compress -o OUT FILE\n"
                            "       szdd-compress -i FILE...\n"
                            "       szdd-compress --help | --version\n";

static const char Help[] =
    "Compresses files in the SZDD format that the update wizard expands.\n"
    "  FILE...       each FILE to its compressed name: a three-letter extension\n"
    "                loses its last letter to _ (setup.exe -> setup.ex_), a shorter\n"
    "                one gets _ (a.c -> a.c_), none gets ._ (readme -> readme._)\n"
    "  -o OUT FILE   FILE to OUT\n"
    "  -i FILE...    each FILE in place: it then holds its compressed form under\n"
    "                its own name, as the wizard's COPY and PRECHECK inputs do\n"
    "A file that is already SZDD-compressed is refused. A compressed file gets the\n"
    "permission bits of its input (a program stays executable), writable by its owner.\n"
    "One line on standard output for each file written. Exit status: 0 all written,\n"
    "1 some not, 2 usage.\n";

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

// The file takes the mode of input: the wizard expands it in place, keeping its
// mode, and a compressed program must come out executable.
static int WriteWholeFile(const char *name, const unsigned char *data, size_t size,
                          const char *input) {
    FILE *file = fopen(name, "wb");
    if (file == NULL) {
        return 0;
    }
    int ok = fwrite(data, 1, size, file) == size;
    if (fclose(file) != 0) {
        ok = 0;
    }
    if (ok && !CopyFileMode(input, name)) {
        fprintf(stderr, "szdd-compress: cannot give %s the mode of %s\n", name, input);
        ok = 0;
    }
    if (!ok) {
        remove(name);
    }
    return ok;
}

// The compressed form goes to a twin first, so that a failed write never
// leaves the file half-written. rename does not replace an existing file on
// Windows; then the file is removed first.
static int WriteInPlace(const char *name, const unsigned char *data, size_t size) {
    char twin[NAME_SIZE];
    if (snprintf(twin, sizeof twin, "%s.szdd~", name) >= (int)sizeof twin ||
        !WriteWholeFile(twin, data, size, name)) {
        return 0;
    }
    if (rename(twin, name) == 0 || (remove(name) == 0 && rename(twin, name) == 0)) {
        return 1;
    }
    fprintf(stderr, "szdd-compress: %s: the compressed form stays in %s\n", name, twin);
    return 0;
}

static int CompressFile(const char *input, const char *output, unsigned char lastChar) {
    size_t size = 0;
    unsigned char *data = ReadWholeFile(input, &size);
    if (data == NULL) {
        fprintf(stderr, "szdd-compress: cannot read %s\n", input);
        return 0;
    }
    if (SzddHasMagic(data, size)) {
        fprintf(stderr, "szdd-compress: %s is compressed already\n", input);
        free(data);
        return 0;
    }
    int inPlace = strcmp(input, output) == 0;
    unsigned char *packed = (unsigned char *)malloc(SzddCompressBound(size));
    size_t packedSize = packed != NULL ? SzddCompress(data, size, lastChar, packed) : 0;
    int ok = packedSize > 0 && (inPlace ? WriteInPlace(output, packed, packedSize)
                                        : WriteWholeFile(output, packed, packedSize, input));
    if (packedSize == 0) {
        fprintf(stderr, "szdd-compress: %s is too large or memory ran out\n", input);
    } else if (!ok) {
        fprintf(stderr, "szdd-compress: cannot write %s\n", output);
    } else {
        printf("szdd-compress: wrote %s (%zu bytes, expands to %zu)\n", output, packedSize, size);
    }
    free(packed);
    free(data);
    return ok;
}

static int UsageError() {
    fputs(Usage, stderr);
    return 2;
}

// FILE... to their compressed names, or with inPlace under their own.
static int CompressEach(char **names, int count, int inPlace) {
    int failures = 0;
    for (int i = 0; i < count; i++) {
        char output[NAME_SIZE];
        unsigned char lastChar = 0;
        int named = SzddCompressedName(names[i], output, sizeof output, &lastChar);
        if (!inPlace && (!named || strcmp(output, names[i]) == 0)) {
            fprintf(stderr, "szdd-compress: no compressed name for %s\n", names[i]);
            failures++;
        } else if (!CompressFile(names[i], inPlace ? names[i] : output, lastChar)) {
            failures++;
        }
    }
    return failures == 0 ? 0 : 1;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(Usage, stdout);
        fputs(Help, stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("szdd-compress %s\n", WIZARD_VERSION);
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "-o") == 0) {
        if (argc != 4) {
            return UsageError();
        }
        char unused[NAME_SIZE];
        unsigned char lastChar = 0;
        SzddCompressedName(argv[3], unused, sizeof unused, &lastChar);
        return CompressFile(argv[3], argv[2], lastChar) ? 0 : 1;
    }
    if (argc >= 2 && strcmp(argv[1], "-i") == 0) {
        return argc >= 3 ? CompressEach(argv + 2, argc - 2, 1) : UsageError();
    }
    if (argc < 2 || argv[1][0] == '-') {
        return UsageError();
    }
    return CompressEach(argv + 1, argc - 1, 0);
}
