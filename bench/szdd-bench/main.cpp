// szdd-bench: expansion throughput of our SZDD decoder against the platform's
// own expander, on a generated 40 MB file of mixed text and binary data, and
// ExpandIfCompressed end to end. The last line gives the ratio of the two
// throughputs for scripts: "ratio <rival> X".
//   szdd-bench [MEGABYTES [REPEATS]]
#include "rival.h"

#include "compress.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "update/expansion.h"
#include "update/record.h"
#include "update/replacement.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const long DEFAULT_MEGABYTES = 40;
static const int DEFAULT_REPEATS = 5;
static const size_t PIECE = 1 << 16;

static const char PlainName[] = "szdd-bench.dat";
static const char PackedName[] = "szdd-bench.da_";
static const char OursName[] = "szdd-bench.ours";
static const char RivalOutName[] = "szdd-bench.rival";
static const char InPlaceName[] = "szdd-bench.inplace";

static uint32_t State = 12345;

static uint32_t NextNumber() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
}

// One 64 KB piece of a kind chosen in turn: prose, a table of records, random
// bytes (as in already compressed resources), runs of blanks and zeros.
static void FillPiece(unsigned char *at, size_t size, unsigned kind) {
    static const char *const words[] = {"update ", "wizard ", "the ",     "resource ", "file ",
                                        "of ",     "copy ",   "archive ", "\r\n",      "a "};
    size_t i = 0;
    switch (kind % 4) {
    case 0:
        while (i < size) {
            const char *word = words[NextNumber() % 10];
            for (size_t k = 0; word[k] != 0 && i < size; k++) {
                at[i++] = (unsigned char)word[k];
            }
        }
        break;
    case 1:
        for (; i < size; i++) {
            at[i] = (unsigned char)(i % 16 < 4 ? (i / 16) >> (8 * (i % 4)) : (i % 16) * 7);
        }
        break;
    case 2:
        for (; i < size; i++) {
            at[i] = (unsigned char)(NextNumber() >> 24);
        }
        break;
    default:
        for (; i < size; i++) {
            at[i] = (unsigned char)(i % 1024 < 700 ? ' ' : 0);
        }
        break;
    }
}

static unsigned char *Generate(size_t size) {
    unsigned char *data = (unsigned char *)malloc(size);
    if (data == NULL) {
        return NULL;
    }
    for (size_t at = 0, kind = 0; at < size; at += PIECE, kind++) {
        FillPiece(data + at, size - at < PIECE ? size - at : PIECE, (unsigned)(kind * 7 % 11));
    }
    return data;
}

static int WriteWhole(const char *name, const unsigned char *data, size_t size) {
    FileHandle file;
    if (CreateFileAnew(name, &file) != 0)
        return 0;
    int ok = WriteToFile(file, data, size) == 0;
    CloseFileHandle(file);
    return ok;
}

static int SameAs(const char *name, const unsigned char *data, size_t size) {
    FileHandle file;
    if (OpenToRead(name, SHARE_ALL, &file) != 0) {
        return 0;
    }
    unsigned char *back = (unsigned char *)malloc(size + 1);
    size_t got = 0;
    int same = back != NULL && ReadFromFile(file, back, size + 1, &got) == 0 && got == size &&
               memcmp(back, data, size) == 0;
    free(back);
    CloseFileHandle(file);
    return same;
}

static double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

static int64_t ExpandOurs(const char *from, const char *to) {
    FileHandle in = NO_FILE, out = NO_FILE;
    int64_t written = 0;
    int result = OpenToRead(from, SHARE_ALL, &in) == 0 && CreateFileAnew(to, &out) == 0
                     ? SzddExpand(in, out, &written)
                     : LZERROR_BADINHANDLE;
    CloseFileHandle(out);
    CloseFileHandle(in);
    return result != 0 ? result : written;
}

// The best of repeats runs: the one least disturbed by the rest of the machine.
static double BestTime(int64_t (*expand)(const char *, const char *), const char *to, int repeats,
                       int64_t expected) {
    double best = 1e30;
    for (int i = 0; i < repeats; i++) {
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        int64_t result = expand(PackedName, to);
        double seconds = Seconds(start);
        if (result != expected) {
            return -1;
        }
        best = seconds < best ? seconds : best;
    }
    return best;
}

static double InPlaceTime(const unsigned char *packed, size_t packedSize, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; i++) {
        if (!WriteWhole(InPlaceName, packed, packedSize)) {
            return -1;
        }
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        int ok = ExpandIfCompressed(InPlaceName, nullptr) && CommitReplacements(nullptr) == 0;
        double seconds = Seconds(start);
        if (!ok) {
            return -1;
        }
        best = seconds < best ? seconds : best;
    }
    return best;
}

static void Report(const char *what, size_t size, double seconds) {
    printf("%-34s %8.1f ms %9.1f MB/s\n", what, seconds * 1000, size / seconds / 1e6);
}

static int Run(size_t size, int repeats, unsigned char *data) {
    unsigned char *packed = (unsigned char *)malloc(SzddCompressBound(size));
    size_t packedSize = packed != NULL ? SzddCompress(data, size, 't', packed) : 0;
    if (packedSize == 0 || !WriteWhole(PlainName, data, size) ||
        !WriteWhole(PackedName, packed, packedSize)) {
        fprintf(stderr, "szdd-bench: cannot prepare the test files\n");
        free(packed);
        return 1;
    }
    printf("data: %zu bytes, compressed %zu bytes, best of %d runs\n", size, packedSize, repeats);
    // One run of each to fill the caches before anything is timed.
    ExpandOurs(PackedName, OursName);
    RivalExpand(PackedName, RivalOutName);
    double ours = BestTime(ExpandOurs, OursName, repeats, (int64_t)size);
    double rival = BestTime(RivalExpand, RivalOutName, repeats, (int64_t)size);
    double inPlace = InPlaceTime(packed, packedSize, repeats);
    int failed = ours < 0 || rival < 0 || inPlace < 0 || !SameAs(OursName, data, size) ||
                 !SameAs(RivalOutName, data, size) || !SameAs(InPlaceName, data, size);
    if (failed) {
        fprintf(stderr, "szdd-bench: an expansion failed or differs from the original\n");
    } else {
        Report("ours (SzddExpand, file to file)", size, ours);
        char label[64];
        snprintf(label, sizeof label, "%s (file to file)", RivalName);
        Report(label, size, rival);
        Report("ExpandIfCompressed (in place)", size, inPlace);
        printf("ratio %s %.2f\n", RivalName, rival / ours);
    }
    free(packed);
    return failed;
}

int main(int argc, char **argv) {
    long megabytes = argc > 1 ? strtol(argv[1], NULL, 10) : DEFAULT_MEGABYTES;
    int repeats = argc > 2 ? atoi(argv[2]) : DEFAULT_REPEATS;
    if (megabytes <= 0 || megabytes > 1024 || repeats <= 0) {
        fprintf(stderr, "usage: szdd-bench [MEGABYTES [REPEATS]]\n");
        return 2;
    }
    size_t size = (size_t)megabytes << 20;
    unsigned char *data = Generate(size);
    if (data == NULL) {
        fprintf(stderr, "szdd-bench: out of memory\n");
        return 1;
    }
    int failed = Run(size, repeats, data);
    free(data);
    const char *const names[] = {PlainName, PackedName, OursName, RivalOutName, InPlaceName};
    for (const char *name : names) {
        DeleteFileOnce(name);
    }
    return failed;
}
