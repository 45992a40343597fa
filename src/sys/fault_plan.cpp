// The tests' seam, steered by the environment variable WIZARD_FAULT:
//   fail N CODE   the Nth operation (1 for the first) fails with error CODE
//   end N         the process ends at once instead of the Nth operation, as
//                 the task manager or a crash would end it
//   cut N         a power cut instead of the Nth operation: every file created
//                 or renamed since its last flush loses its content, then the
//                 process ends at once
// Unset or empty, every operation is carried out and only counted.
#include "sys/fault.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    PLAN_SIZE = 64,
    DIRTY_FILES = 64,  // created and not yet flushed, at most at once
    DIRTY_NAME = 1024, // longer names are not followed
    ENDED_CODE = 86,   // the exit code of a process that the plan ended
    CUT_CODE = 87
};

static int Count;
static int Read;
static char Kind[PLAN_SIZE];
static int At;
static int Code;
static char Dirty[DIRTY_FILES][DIRTY_NAME];

static void ReadPlan() {
    Read = 1;
    const char *plan = getenv("WIZARD_FAULT");
    if (plan == nullptr || sscanf(plan, "%63s %d %d", Kind, &At, &Code) < 2)
        Kind[0] = '\0';
}

static char *DirtySlot(const char *name) {
    for (char *slot : Dirty)
        if (name != nullptr && strcmp(slot, name) == 0)
            return slot;
    return nullptr;
}

static void MarkDirty(const char *name) {
    if (name == nullptr || strlen(name) >= DIRTY_NAME || DirtySlot(name) != nullptr)
        return;
    char *empty = DirtySlot("");
    if (empty != nullptr)
        snprintf(empty, DIRTY_NAME, "%s", name);
}

static void MarkClean(const char *name) {
    char *slot = DirtySlot(name);
    if (slot != nullptr)
        slot[0] = '\0';
}

// What a power cut leaves of a file whose writes were never flushed: nothing.
static void CutPower() {
    for (char *slot : Dirty) {
        FILE *file = slot[0] != '\0' ? fopen(slot, "rb") : nullptr;
        if (file == nullptr)
            continue;
        fclose(file);
        file = fopen(slot, "wb");
        if (file != nullptr)
            fclose(file);
    }
    _Exit(CUT_CODE);
}

// Keeps account of what a power cut would lose, once the operation is done.
static void Follow(FaultOperation operation, const char *name, const char *other) {
    if (operation == FAULT_CREATE)
        MarkDirty(name);
    else if (operation == FAULT_FLUSH || operation == FAULT_DELETE)
        MarkClean(name);
    else if (operation == FAULT_REPLACE && DirtySlot(name) != nullptr) {
        MarkClean(name);
        MarkDirty(other);
    } else if (operation == FAULT_REPLACE)
        MarkClean(other);
}

int FaultBefore(FaultOperation operation, const char *name, const char *other) {
    if (!Read)
        ReadPlan();
    if (++Count == At && strcmp(Kind, "fail") == 0)
        return Code;
    if (Count == At && strcmp(Kind, "end") == 0)
        _Exit(ENDED_CODE);
    if (Count == At && strcmp(Kind, "cut") == 0)
        CutPower();
    Follow(operation, name, other);
    return 0;
}

int FaultOperationCount() {
    return Count;
}
