// The resource utility's archive reader on arbitrary bytes: it refuses or
// accepts without reading outside the input, and what it accepts survives
// being written again member by member.
#include "tar.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void CheckRoundTrip(const TarArchive *archive) {
    for (const TarMember *m = archive->first; m != nullptr; m = m->next)
        if (m->mtime > 077777777777LL) // twelve digits: more than this writer puts out
            return;
    char *bytes = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&bytes, &size);
    for (const TarMember *m = archive->first; m != nullptr; m = m->next)
        if (!TarWriteHeader(out, m->name, m->size, m->mtime, m->mode) ||
            !TarWriteData(out, m->data, m->size))
            abort();
    TarWriteEnd(out);
    fclose(out);
    TarArchive again;
    char problem[TAR_PROBLEM_SIZE];
    if (TarParse((unsigned char *)bytes, size, &again, problem, sizeof problem) != TAR_OK)
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
