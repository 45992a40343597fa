#include "findings.h"

#include "check.h"
#include "state/wizard_state.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { MESSAGE_LENGTH = 256, MAX_RANKS = 32 };

struct Finding {
    int rank; // of its file, in the order the files were first met
    uint32_t line;
    int order; // keeps findings of one line in the order they were made
    char file[PATH_SIZE];
    char message[MESSAGE_LENGTH];
};

static Finding Findings[MAX_FINDINGS];
static int FindingCount;
static int Dropped;
static char Ranks[MAX_RANKS][PATH_SIZE];
static int RankCount;

static int RankOf(const char *file) {
    for (int i = 0; i < RankCount; i++)
        if (strcmp(Ranks[i], file) == 0)
            return i;
    if (RankCount == MAX_RANKS)
        return MAX_RANKS;
    snprintf(Ranks[RankCount], sizeof Ranks[RankCount], "%s", file);
    return RankCount++;
}

void Report(const char *file, uint32_t line, const char *format, ...) {
    if (FindingCount == MAX_FINDINGS) {
        Dropped++;
        return;
    }
    Finding *f = &Findings[FindingCount];
    f->rank = RankOf(file);
    f->line = line;
    f->order = FindingCount++;
    snprintf(f->file, sizeof f->file, "%s", file);
    va_list args;
    va_start(args, format);
    vsnprintf(f->message, sizeof f->message, format, args);
    va_end(args);
}

static int CompareFindings(const void *a, const void *b) {
    const Finding *x = (const Finding *)a, *y = (const Finding *)b;
    if (x->rank != y->rank)
        return x->rank < y->rank ? -1 : 1;
    if (x->line != y->line)
        return x->line < y->line ? -1 : 1;
    return x->order < y->order ? -1 : 1;
}

void WriteReport(char *report, size_t size) {
    qsort(Findings, (size_t)FindingCount, sizeof Findings[0], CompareFindings);
    size_t used = 0;
    report[0] = '\0';
    for (int i = 0; i <= FindingCount && used < size; i++) {
        const Finding *f = &Findings[i];
        int n;
        if (i == FindingCount)
            n = Dropped > 0
                    ? snprintf(report + used, size - used, "update-check: %d more\n", Dropped)
                    : 0;
        else if (f->line > 0)
            n = snprintf(report + used, size - used, "%s:%u: %s\n", f->file, f->line, f->message);
        else
            n = snprintf(report + used, size - used, "%s: %s\n", f->file, f->message);
        used += n > 0 ? (size_t)n : 0;
    }
}

void ResetFindings() {
    FindingCount = 0;
    Dropped = 0;
    RankCount = 0;
}

void NoteFile(const char *file) {
    RankOf(file);
}

int FindingTotal() {
    return FindingCount + Dropped;
}
