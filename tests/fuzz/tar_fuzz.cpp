// The resource utility's archive reader on arbitrary bytes: it refuses or
// accepts without reading outside the input, and what it accepts survives
// being written again member by member.
#include "tar.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

static void CheckRoundTrip(const TarArchive *archive) {
    for (const TarMember *m = archive->first; m != nullptr; m = m->next)
        if (m->mtime > 077777777777LL) // twelve digits: more than this writer puts out
            return;
    // The writer writes to a file: one in memory, read back whole.
    static TarOutput out;
    int file = memfd_create("tar", 0);
    TarBeginOutput(&out, file);
    for (const TarMember *m = archive->first; m != nullptr; m = m->next)
        if (TarWriteHeader(&out, m->name, m->size, m->mtime, m->mode) != 0 ||
            TarWriteData(&out, m->data, m->size) != 0)
            abort();
    if (TarWriteEnd(&out) != 0)
        abort();
    off_t size = lseek(file, 0, SEEK_END);
    unsigned char *bytes = (unsigned char *)malloc((size_t)size + 1);
    if (bytes == nullptr || pread(file, bytes, (size_t)size, 0) != size)
        abort();
    close(file);
    TarArchive again;
    char problem[TAR_PROBLEM_SIZE];
    if (TarParse(bytes, (size_t)size, &again, problem, sizeof problem) != TAR_OK)
        abort();
    const TarMember *a = archive->first, *b = again.first;
    for (; a != nullptr || b != nullptr; a = a->next, b = b->next)
        if (a == nullptr || b == nullptr || strcmp(a->name, b->name) != 0 || a->size != b->size ||
            a->mtime != b->mtime || memcmp(a->data, b->data, (size_t)a->size) != 0)
            abort();
    TarFree(&again);
    free(bytes);
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size) {
    TarArchive archive;
    char problem[TAR_PROBLEM_SIZE];
    if (TarParse(data, size, &archive, problem, sizeof problem) == TAR_OK) {
        for (const TarMember *m = archive.first; m != nullptr; m = m->next)
            if (TarFind(&archive, m->name) == nullptr || TarNameProblem(m->name) != nullptr)
                abort();
        CheckRoundTrip(&archive);
    } else if (problem[0] == '\0' || archive.first != nullptr) {
        abort();
    }
    TarFree(&archive);
    return 0;
}
