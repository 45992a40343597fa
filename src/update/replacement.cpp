#include "update/replacement.h"

#include "sys/files.h"
#include "ui/progress.h"
#include "update/record.h"

#include <stdio.h>
#include <string.h>

enum {
    TEMP_NAME_SIZE = 32,
    TARGET_SIZE = 4096 + 64, // a target reached through links, in full
    COPY_BUFFER_SIZE = 1 << 16
};

struct Replacement {
    char temp[TEMP_NAME_SIZE];
    char target[NAME_SIZE];
    WorkEntry *entry;
};

static Replacement Batch[REPLACEMENT_BATCH];
static int BatchCount;
// The file each target names, links followed: filled as the batch commits.
static char Resolved[REPLACEMENT_BATCH][TARGET_SIZE];

// Why a file did not take its place: the platform said why, or the wizard
// refuses what a copy over the file would refuse too, or what would change
// the product's other names for it.
enum Refusal { REFUSED_BY_PLATFORM, REFUSED_READ_ONLY, REFUSED_LINKED };

const char *PendingName(const char *target) {
    for (int i = BatchCount - 1; i >= 0; i--)
        if (strcmp(Batch[i].target, target) == 0)
            return Batch[i].temp;
    return target;
}

int QueueReplacement(const char *temp, const char *target, WorkEntry *entry) {
    int ok = 1;
    if (BatchCount == REPLACEMENT_BATCH)
        ok = CommitReplacements(nullptr) == 0;
    Replacement *r = &Batch[BatchCount++];
    snprintf(r->temp, sizeof r->temp, "%s", temp);
    snprintf(r->target, sizeof r->target, "%s", target);
    r->entry = entry;
    return ok;
}

// The copy of temp that crosses to target's file system: a twin beside the
// target, in the record before it is made, filled, made durable and renamed
// over the target; temp goes once its content is there.
static int PlaceThroughTwin(const char *temp, const char *target) {
    static char buffer[COPY_BUFFER_SIZE];
    char twin[TARGET_SIZE];
    int error = NextTwinName(target, twin, sizeof twin);
    FileHandle in = NO_FILE, out = NO_FILE;
    if (error == 0)
        error = OpenToRead(temp, SHARE_ALL, &in);
    if (error == 0)
        error = CreateNewFile(twin, &out);
    for (size_t got = sizeof buffer; error == 0 && got == sizeof buffer;) {
        error = ReadFromFile(in, buffer, sizeof buffer, &got);
        if (error == 0 && got > 0)
            error = WriteToFile(out, buffer, got);
    }
    CloseFileHandle(in);
    CloseFileHandle(out);
    // The copy keeps the time that the expansion was given.
    FileFacts facts;
    if (error == 0)
        error = ReadFileFacts(temp, &facts);
    if (error == 0)
        error = StampFileTime(twin, (int32_t)facts.mtime);
    const char *names[] = {twin};
    if (error == 0)
        error = SyncFiles(SYNC_DATA, names, 1);
    if (error == 0)
        error = CarryIdentity(target, twin);
    if (error == 0)
        error = RenameOver(twin, target);
    if (error != 0 && out != NO_FILE)
        DeleteFileOnce(twin);
    if (error == 0)
        DeleteFileOnce(temp);
    return error;
}

// One file into its place: 0, or the error and why.
static int PlaceOne(const Replacement *r, char *resolved, Refusal *why) {
    *why = REFUSED_BY_PLATFORM;
    FileFacts facts;
    int error = ResolveLinks(r->target, resolved, TARGET_SIZE);
    if (error == 0)
        error = ReadFileFacts(resolved, &facts);
    if (error == 0 && facts.readOnly)
        *why = REFUSED_READ_ONLY;
    else if (error == 0 && facts.links > 1)
        *why = REFUSED_LINKED;
    if (*why != REFUSED_BY_PLATFORM)
        return -1;
    if (error == 0)
        error = CarryIdentity(resolved, r->temp);
    if (error == 0)
        error = RenameOver(r->temp, resolved);
    if (IsCrossDeviceError(error))
        error = PlaceThroughTwin(r->temp, resolved);
    return error;
}

static void ReportRefusal(const Replacement *r, int error, Refusal why) {
    if (why == REFUSED_READ_ONLY)
        ShowWarningF("The file (%s) is read-only and is not replaced; the update cannot finish "
                     "until it may be written.",
                     r->target);
    else if (why == REFUSED_LINKED)
        ShowWarningF("The file (%s) has other links and is not replaced; the update cannot "
                     "finish while it has them.",
                     r->target);
    else
        ShowWarningF("An error occured during file copy(%d).", error);
}

// The queued files stay where they are; their targets are untouched.
static void FailEntry(Replacement *r, const char **firstFailed) {
    if (FileExists(r->temp))
        DeleteFileOnce(r->temp);
    if (firstFailed != nullptr && *firstFailed == nullptr)
        *firstFailed = r->target;
    if (r->entry != nullptr) {
        ShowWarningF("An error occured during decompression of file (%s). Skipping.", r->target);
        r->entry->kind |= ENTRY_FAILED;
    }
}

int CommitReplacements(const char **firstFailed) {
    static const char *names[REPLACEMENT_BATCH];
    if (firstFailed != nullptr)
        *firstFailed = nullptr;
    int count = BatchCount, failures = 0, placed = 0;
    BatchCount = 0;
    for (int i = 0; i < count; i++)
        names[i] = Batch[i].temp;
    // Nothing is renamed before every file's data is on the disk.
    int error = SyncFiles(SYNC_DATA, names, count);
    if (error != 0 && count > 0)
        ShowWarningF("An error occured during file copy(%d).", error);
    for (int i = 0; i < count; i++) {
        Replacement *r = &Batch[i];
        Refusal why = REFUSED_BY_PLATFORM;
        int failed = error != 0;
        if (!failed) {
            int placeError = PlaceOne(r, Resolved[i], &why);
            if (placeError != 0)
                ReportRefusal(r, placeError, why);
            failed = placeError != 0;
        }
        if (failed) {
            FailEntry(r, firstFailed);
            failures++;
        } else {
            names[placed++] = Resolved[i];
        }
        TemporaryNameDone(r->temp);
    }
    int synced = SyncFiles(SYNC_NAMES, names, placed);
    if (synced != 0) {
        // In place, but not durably: the update keeps its files for a rerun.
        ShowWarningF("An error occured during file copy(%d).", synced);
        for (int i = 0; i < count; i++)
            if (Batch[i].entry != nullptr && !(Batch[i].entry->kind & ENTRY_FAILED)) {
                Batch[i].entry->kind |= ENTRY_FAILED;
                failures++;
            }
    }
    return failures;
}
